// Reading one text value from the registry.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace app {

// A REG_SZ value up to its first zero character, or a REG_EXPAND_SZ value with its environment
// variables expanded. Nothing for a missing key or value, a value of zero bytes, or a value of
// any other type. Reads in the process's default registry view, in UTF-16; any length.
std::optional<std::wstring> ReadRegistryText(HKEY root, const wchar_t* keyName,
                                             const wchar_t* valueName);

}  // namespace app
