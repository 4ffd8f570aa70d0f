#include "app/rules.h"

#include <windows.h>

#include <algorithm>

namespace app {

bool EndsInBackslash(const std::string& text) {
  if (text.empty()) return false;
  size_t lastCharacter = 0;
  for (size_t i = 0; i < text.size();) {
    lastCharacter = i;
    const bool doubleByte = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size();
    i += doubleByte ? 2 : 1;
  }
  return lastCharacter == text.size() - 1 && text.back() == '\\';
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
