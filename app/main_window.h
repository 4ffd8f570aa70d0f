// The main window: the two game folders and the start of the conversion.
#pragma once

#include <windows.h>

namespace app {

// Registers the main window's class; once, at start.
void RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window and its controls, fills the Steam location from the registry, shows
// the window and returns it.
HWND LoadMainWindow();

// The Steam location field: the Steam game folder, or the look-up failure text.
HWND SteamLocationField();

// The Epic location field: the folder that is to hold the Epic copy.
HWND EpicLocationField();

// Tab and Shift+Tab move the focus round the three buttons; true when the key was taken.
bool HandleTabKey(const MSG& message);

}  // namespace app
