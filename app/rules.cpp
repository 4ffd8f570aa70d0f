#include "app/rules.h"

#include <windows.h>

#include <algorithm>
#include <vector>

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

// The path's folder names in upper case, without the empty ones that a doubled or trailing
// backslash leaves. Taken through UTF-16 from the ANSI code page, so a double-byte character is
// one character: one whose second byte is 0x5C is no separator, and one whose second byte is a
// Latin letter is not changed by case.
std::vector<std::wstring> UpperFolderNames(const std::string& path) {
  std::vector<std::wstring> names;
  const int size = static_cast<int>(path.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
  if (length <= 0) return names;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), size, &wide[0], length);
  CharUpperBuffW(&wide[0], static_cast<DWORD>(length));
  for (size_t start = 0; start < wide.size();) {
    size_t end = wide.find(L'\\', start);
    if (end == std::wstring::npos) end = wide.size();
    if (end > start) names.push_back(wide.substr(start, end - start));
    start = end + 1;
  }
  return names;
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

bool FileSystemHoldsLinks(const std::string& fileSystemName) {
  std::string name = fileSystemName;
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name != "FAT" && name != "FAT32" && name != "EXFAT";
}

bool PathsOverlap(const std::string& one, const std::string& other) {
  const std::vector<std::wstring> oneNames = UpperFolderNames(one);
  const std::vector<std::wstring> otherNames = UpperFolderNames(other);
  if (oneNames.empty() || otherNames.empty()) return false;
  const size_t shared = std::min(oneNames.size(), otherNames.size());
  return std::equal(oneNames.begin(), oneNames.begin() + shared, otherNames.begin());
}

bool ChainsOverlap(const std::vector<link::FileIdentity>& destination, bool destinationExists,
                   const std::vector<link::FileIdentity>& steam) {
  if (destination.empty() || steam.empty()) return false;
  const auto holds = [](const std::vector<link::FileIdentity>& chain,
                        const link::FileIdentity& folder) {
    return std::find(chain.begin(), chain.end(), folder) != chain.end();
  };
  // The Steam folder at or above the destination (or the Epic location that will hold it).
  if (holds(destination, steam.front())) return true;
  return destinationExists && holds(steam, destination.front());
}

bool IsCloudSynced(unsigned long attributes, unsigned long reparseTag) {
  constexpr unsigned long kPinned = 0x00080000;
  constexpr unsigned long kUnpinned = 0x00100000;
  constexpr unsigned long kRecallOnDataAccess = 0x00400000;
  constexpr unsigned long kReparsePoint = 0x00000400;
  // IO_REPARSE_TAG_CLOUD and its sixteen variants, which differ in bits 12 to 15.
  constexpr unsigned long kCloudTag = 0x9000001A;
  constexpr unsigned long kCloudTagVariantBits = 0x0000F000;
  if (attributes & (kPinned | kUnpinned | kRecallOnDataAccess)) return true;
  return (attributes & kReparsePoint) && (reparseTag & ~kCloudTagVariantBits) == kCloudTag;
}

bool LastFolderIsGameFolder(const std::string& path) {
  const std::vector<std::wstring> names = UpperFolderNames(path);
  return !names.empty() && names.back() == L"GTAV";
}

// Both locations stand in one command line, "mklink "D+x" "S+x"", and the plan's names hold no
// "%". The interpreter expands only what stands between two "%", so with fewer than two in all
// nothing can expand, whatever names it defines: its dynamic ones, and any it may add at start
// that no list of names could be sure to hold. A lone "%", as in "100%", stays as it is.
bool InterpreterMayExpand(const std::string& steam, const std::string& epic) {
  int percents = 0;
  for (const std::string* text : {&steam, &epic}) {
    for (size_t i = 0; i < text->size(); i = NextCharacter(*text, i)) percents += (*text)[i] == '%';
  }
  return percents >= 2;
}

}  // namespace app
