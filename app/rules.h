// Small rules of the windows, kept apart from the windows so they can be checked alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/path_tests.h"

namespace app {

// True when the text's last character is a backslash.
bool EndsInBackslash(const std::wstring& text);

// True when the text is a full folder path: a drive letter with ":\", or a UNC path
// "\\server\share\". A lone backslash or a relative path would be taken from the current
// drive or folder, wherever that is.
bool IsFullFolderPath(const std::wstring& text);

// A non-empty folder path gets a trailing backslash when it has none; the empty text stays empty.
std::wstring WithTrailingBackslash(const std::wstring& path);

// The registry holds the game's folder with "GTAV" at its end: drop its last 4 characters and
// make sure what is left ends in a backslash (four characters or fewer leave a lone backslash).
std::wstring SteamFolderFromRegistryValue(const std::wstring& value);

// The progress bar's values fit the control's 16-bit range.
int32_t ClampProgressValue(int64_t value);

// A position shown on the bar lies within its range.
int32_t ClampPositionIntoRange(int32_t position, int32_t minimum, int32_t maximum);

// A timer's period: negative counts as 0 (stopped).
int32_t NormalizedTimerPeriod(int32_t period);

// True unless the file system's name is FAT, FAT32 or exFAT (any case), which hold neither
// symbolic links nor junctions. An unknown name, or none, passes: the name is all that tells,
// since Wine reports no reparse-point support for any drive.
bool FileSystemHoldsLinks(const std::wstring& fileSystemName);

// True when two full paths name the same folder or one lies inside the other: compared by whole
// folder names, without regard to case, a trailing backslash or none.
bool PathsOverlap(const std::wstring& one, const std::wstring& other);

// True when the destination game folder is, lies in, or holds the Steam game folder, by what the
// folders are: each chain holds a folder's identity and those of the folders really above it,
// nearest first (`destination` is the Epic location's when the game folder is not there yet,
// and then it holds nothing). An empty chain tells nothing.
bool ChainsOverlap(const std::vector<link::FileIdentity>& destination, bool destinationExists,
                   const std::vector<link::FileIdentity>& steam);

// True when a folder's attributes or reparse tag show a cloud-synced folder (OneDrive and
// others through the Cloud Files API): pinned, unpinned or fetched on access, or a cloud tag.
bool IsCloudSynced(unsigned long attributes, unsigned long reparseTag);

// True when the path's last folder is named GTAV, in any case.
bool LastFolderIsGameFolder(const std::wstring& path);

// True when the two locations together hold two or more "%": only then can the interpreter
// expand a %NAME% in a command line that holds both.
bool InterpreterMayExpand(const std::wstring& steam, const std::wstring& epic);

}  // namespace app
