#include "app/rules.h"

#include <windows.h>

#include <algorithm>

namespace app {

namespace {

// Where the character after the one at `i` starts, in the ANSI code page.
size_t NextCharacter(const std::string& text, size_t i) {
  const bool doubleByte = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size();
  return i + (doubleByte ? 2 : 1);
}

// The first backslash character at or after `from`; npos when there is none.
size_t FindBackslash(const std::string& text, size_t from) {
  for (size_t i = from; i < text.size(); i = NextCharacter(text, i)) {
    if (text[i] == '\\') return i;
  }
  return std::string::npos;
}

}  // namespace

bool EndsInBackslash(const std::string& text) {
  if (text.empty()) return false;
  size_t lastCharacter = 0;
  for (size_t i = 0; i < text.size(); i = NextCharacter(text, i)) lastCharacter = i;
  return lastCharacter == text.size() - 1 && text.back() == '\\';
}

bool IsFullFolderPath(const std::string& text) {
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (text.size() >= 3 && isLetter(text[0]) && text[1] == ':' && text[2] == '\\') return true;
  if (text.compare(0, 2, "\\\\") != 0) return false;
  // A server and a share of at least one character each; the device paths that start with
  // "\\.\" and "\\?\" name no server.
  const size_t serverEnd = FindBackslash(text, 2);
  if (serverEnd == std::string::npos || serverEnd == 2) return false;
  const std::string server = text.substr(2, serverEnd - 2);
  if (server == "." || server == "?") return false;
  const size_t shareEnd = FindBackslash(text, serverEnd + 1);
  return shareEnd != std::string::npos && shareEnd > serverEnd + 1;
}

std::string WithTrailingBackslash(const std::string& path) {
  if (path.empty() || EndsInBackslash(path)) return path;
  return path + '\\';
}

std::string SteamFolderFromRegistryValue(const std::string& value) {
  std::string folder = value.size() > 4 ? value.substr(0, value.size() - 4) : std::string();
  return EndsInBackslash(folder) ? folder : folder + '\\';
}

int32_t ClampProgressValue(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, 0, 32767));
}

int32_t ClampPositionIntoRange(int32_t position, int32_t minimum, int32_t maximum) {
  const int32_t low = std::min(minimum, maximum);
  const int32_t high = std::max(minimum, maximum);
  return std::clamp(position, low, high);
}

int32_t NormalizedTimerPeriod(int32_t period) { return period < 0 ? 0 : period; }

}  // namespace app
