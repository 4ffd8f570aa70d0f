#include "app/rules.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace app {

namespace {

// The path's folder names in upper case, without the empty ones that a doubled or trailing
// backslash leaves.
std::vector<std::wstring> UpperFolderNames(const std::wstring& path) {
  std::vector<std::wstring> names;
  std::wstring upper = path;
  if (!upper.empty()) CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
  for (size_t start = 0; start < upper.size();) {
    size_t end = upper.find(L'\\', start);
    if (end == std::wstring::npos) end = upper.size();
    if (end > start) names.push_back(upper.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

}  // namespace

bool EndsInBackslash(const std::wstring& text) { return !text.empty() && text.back() == L'\\'; }

bool IsFullFolderPath(const std::wstring& text) {
  const auto isLetter = [](wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
  };
  if (text.size() >= 3 && isLetter(text[0]) && text[1] == L':' && text[2] == L'\\') return true;
  if (text.compare(0, 2, L"\\\\") != 0) return false;
  // A server and a share of at least one character each; the device paths that start with
  // "\\.\" and "\\?\" name no server.
  const size_t serverEnd = text.find(L'\\', 2);
  if (serverEnd == std::wstring::npos || serverEnd == 2) return false;
  const std::wstring server = text.substr(2, serverEnd - 2);
  if (server == L"." || server == L"?") return false;
  const size_t shareEnd = text.find(L'\\', serverEnd + 1);
  return shareEnd != std::wstring::npos && shareEnd > serverEnd + 1;
}

std::wstring WithTrailingBackslash(const std::wstring& path) {
  if (path.empty() || EndsInBackslash(path)) return path;
  return path + L'\\';
}

std::wstring SteamFolderFromRegistryValue(const std::wstring& value) {
  std::wstring folder = value.size() > 4 ? value.substr(0, value.size() - 4) : std::wstring();
  return EndsInBackslash(folder) ? folder : folder + L'\\';
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

bool FileSystemHoldsLinks(const std::wstring& fileSystemName) {
  std::wstring name = fileSystemName;
  for (wchar_t& c : name) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return name != L"FAT" && name != L"FAT32" && name != L"EXFAT";
}

bool PathsOverlap(const std::wstring& one, const std::wstring& other) {
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

bool LastFolderIsGameFolder(const std::wstring& path) {
  const std::vector<std::wstring> names = UpperFolderNames(path);
  return !names.empty() && names.back() == L"GTAV";
}

// Both locations stand in one command line, "mklink "D+x" "S+x"", and the plan's names hold no
// "%". The interpreter expands only what stands between two "%", so with fewer than two in all
// nothing can expand, whatever names it defines: its dynamic ones, and any it may add at start
// that no list of names could be sure to hold. A lone "%", as in "100%", stays as it is.
bool InterpreterMayExpand(const std::wstring& steam, const std::wstring& epic) {
  int percents = 0;
  for (const std::wstring* text : {&steam, &epic}) {
    for (wchar_t c : *text) percents += c == L'%';
  }
  return percents >= 2;
}

}  // namespace app
