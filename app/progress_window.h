// The progress window, shown alone while the link job makes the links.
#pragma once

#include <windows.h>

namespace app {

// Registers the progress window's class; once, at start.
void RegisterProgressWindowClass(HINSTANCE instance);

// Creates the progress window and its controls, prepares the destination game folder, starts
// the link job and the progress display, shows the window and returns it.
HWND LoadProgressWindow();

HWND ProgressWindow();

// The field that hands the destination game folder to the link job; it lies outside the
// window's client area and is never seen.
HWND TargetField();

}  // namespace app
