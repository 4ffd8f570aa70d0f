// Small rules of the windows, kept apart from the windows so they can be checked alone.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// True when the text's last character is a backslash. Walks the text by characters of the ANSI
// code page: a double-byte character whose second byte is 0x5C is not a backslash.
bool EndsInBackslash(const std::string& text);

// True when the text is a full folder path: a drive letter with ":\", or a UNC path
// "\\server\share\". A lone backslash or a relative path would be taken from the current
// drive or folder, wherever that is.
bool IsFullFolderPath(const std::string& text);

// A non-empty folder path gets a trailing backslash when it has none; the empty text stays empty.
std::string WithTrailingBackslash(const std::string& path);

// The registry holds the game's folder with "GTAV" at its end: drop its last 4 bytes and make
// sure what is left ends in a backslash (four bytes or fewer leave a lone backslash).
std::string SteamFolderFromRegistryValue(const std::string& value);

// The progress bar's values fit the control's 16-bit range.
int32_t ClampProgressValue(int64_t value);

// A position shown on the bar lies within its range.
int32_t ClampPositionIntoRange(int32_t position, int32_t minimum, int32_t maximum);

// A timer's period: negative counts as 0 (stopped).
int32_t NormalizedTimerPeriod(int32_t period);

}  // namespace app
