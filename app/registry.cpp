#include "app/registry.h"

#include <vector>

namespace app {
namespace {

// Closes the key on every way out.
class OpenKey {
 public:
  OpenKey(HKEY root, const char* name) {
    if (RegOpenKeyExA(root, name, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
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

// The text up to the first zero byte; data need not carry a terminating zero.
std::string TextOf(const std::vector<char>& data) {
  std::string text(data.begin(), data.end());
  return text.substr(0, text.find('\0'));
}

std::string ExpandEnvironment(const std::string& text) {
  std::vector<char> expanded(text.size() + 1);
  for (;;) {
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), expanded.data(),
                                                   static_cast<DWORD>(expanded.size()));
    if (needed == 0) return text;
    if (needed <= expanded.size()) return std::string(expanded.data());
    expanded.resize(needed);
  }
}

}  // namespace

std::optional<std::string> ReadRegistryText(HKEY root, const char* keyName, const char* valueName) {
  OpenKey key(root, keyName);
  if (!key.get()) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExA(key.get(), valueName, nullptr, &type, nullptr, &size);
  std::vector<char> data;
  // The value may grow between asking its size and reading it.
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    data.assign(size, '\0');
    status = RegQueryValueExA(key.get(), valueName, nullptr, &type,
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
