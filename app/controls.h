// The four kinds of control the windows are made of: push button, transparent label,
// progress bar and timer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace app {

// Registers the controls' window classes (the transparent label's and the common controls');
// once, before any window is loaded.
void RegisterControlClasses(HINSTANCE instance);

// A standard push button: centred caption that wraps, never the default button.
HWND CreatePushButton(HWND parent, int id, const RECT& place, const wchar_t* caption);

// A label without a background of its own that draws its caption onto its parent's background.
HWND CreateTransparentLabel(HWND parent, int id, const RECT& place, const wchar_t* caption);

// A copy of the label's caption; safe from any thread, it never waits for the label's thread.
std::wstring ReadCaption(HWND label);

// Replaces the caption and repaints so that the old text never shows through the new one.
// User-interface thread only.
void WriteCaption(HWND label, const std::wstring& caption);

// A horizontal progress bar with its range and position as the system last wrote them.
struct ProgressBar {
  HWND window = nullptr;
  int32_t minimum = 0;
  int32_t maximum = 100;
  int32_t position = 0;
};

HWND CreateProgressBar(HWND parent, int id, const RECT& place, ProgressBar& bar);
void SetProgressMaximum(ProgressBar& bar, int32_t maximum);
void SetProgressPosition(ProgressBar& bar, int32_t position);

// A periodic timer of a window, on the window's thread; period 0 means stopped.
struct WindowTimer {
  HWND owner = nullptr;
  UINT_PTR id = 1;
  int32_t period = 0;
};

void SetTimerPeriod(WindowTimer& timer, int32_t period);

}  // namespace app
