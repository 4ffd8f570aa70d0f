#include "app/registry.h"

#include <cstring>
#include <vector>

namespace app {
namespace {

// Closes the key on every way out.
class OpenKey {
 public:
  OpenKey(HKEY root, const wchar_t* name) {
    if (RegOpenKeyExW(root, name, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The text up to the first zero character; data need not carry a terminating zero, and an odd
// last byte is no character.
std::wstring TextOf(const std::vector<char>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
  return text.substr(0, text.find(L'\0'));
}

std::wstring ExpandEnvironment(const std::wstring& text) {
  std::vector<wchar_t> expanded(text.size() + 1);
  for (;;) {
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded.data(),
                                                   static_cast<DWORD>(expanded.size()));
    if (needed == 0) return text;
    if (needed <= expanded.size()) return std::wstring(expanded.data());
    expanded.resize(needed);
  }
}

}  // namespace

std::optional<std::wstring> ReadRegistryText(HKEY root, const wchar_t* keyName,
                                             const wchar_t* valueName) {
  OpenKey key(root, keyName);
  if (!key.get()) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &size);
  std::vector<char> data;
  // The value may grow between asking its size and reading it.
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    data.assign(size, '\0');
    status = RegQueryValueExW(key.get(), valueName, nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size);
      break;
    }
  }
  if (status != ERROR_SUCCESS || data.empty()) return std::nullopt;
  if (type == REG_SZ) return TextOf(data);
  if (type == REG_EXPAND_SZ) return ExpandEnvironment(TextOf(data));
  return std::nullopt;
}

}  // namespace app
