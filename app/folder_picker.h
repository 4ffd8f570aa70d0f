// The shell's classic folder picker.
#pragma once

#include <string>

namespace app {

// Lets the user pick a folder. Its path comes back without a trailing backslash (a drive root
// keeps its own); the empty text when the user cancels or picks no file-system folder.
// Every window of this thread is disabled while the picker is open.
std::wstring PickFolder(const std::wstring& title);

}  // namespace app
