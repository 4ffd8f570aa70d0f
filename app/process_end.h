// Ending the process, always with the user-interface thread doing it.
#pragma once

#include <windows.h>

namespace app {

// Messages the other thread posts to the user-interface thread's windows.
enum : UINT {
  kEndProcessMessage = WM_APP + 1,    // wParam: the exit code
  kPlanFinishedMessage = WM_APP + 2,  // the link job is done: stop the display, keep the box up
};

// Puts the process into a job that ends every process it starts when it ends, so that no
// interpreter outlives it. Where the process cannot join one, it carries on without.
void EndStartedProcessesWithTheProgram();

// The user-interface thread's window that carries out end requests (kEndProcessMessage); it
// lives until the process ends.
void SetProcessEndWindow(HWND window);

// Ends the process at once with `code`. User-interface thread only.
[[noreturn]] void EndProcessNow(UINT code);

// Asks the user-interface thread to end the process; for any other thread.
void RequestProcessEnd(UINT code);

}  // namespace app
