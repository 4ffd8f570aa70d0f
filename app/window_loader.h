// Loading a top-level window: frame, place, controls in their z-order, created event, show.
#pragma once

#include <windows.h>

#include <cstddef>

namespace app {

// A top-level window's look. Sizes are outer sizes, frame included.
struct WindowLook {
  const wchar_t* className;
  const wchar_t* title;
  int width;
  int height;
  DWORD style;
};

// Registers a top-level window class on the button-face background with the application's icon.
void RegisterTopLevelClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure);

// Creates the window hidden, centred on the screen, with exactly its outer size and the
// default GUI font. The frame is exactly `look.style`: the title bar the system adds to an
// overlapped window is taken off again when the style has none.
HWND CreateTopLevelWindow(const WindowLook& look);

// Puts the controls into the z-order given, the first on top, and shows each without
// activating it.
void ArrangeAndShowControls(HWND const* controlsTopFirst, size_t count);

// Shows the window after its created event unless that event destroyed it.
void ShowLoadedWindow(HWND window);

// The control's place in its parent's client area.
RECT Place(int left, int top, int width, int height);

}  // namespace app
