#include "app/process_end.h"

namespace app {
namespace {
HWND g_processEndWindow = nullptr;
}

void SetProcessEndWindow(HWND window) { g_processEndWindow = window; }

void EndProcessNow(UINT code) {
  // The link job may be stopped anywhere, holding any lock of the runtime or the loader; a
  // process exit that runs library shutdown code could wait on such a lock for ever, so the
  // process is terminated outright. The system releases its windows and libraries.
  TerminateProcess(GetCurrentProcess(), code);
  ExitProcess(code);  // not reached
}

void RequestProcessEnd(UINT code) {
  // A window message, not a thread message, so that a modal loop cannot drop it.
  if (!PostMessageA(g_processEndWindow, kEndProcessMessage, code, 0)) {
    // The user-interface thread cannot be asked (its window or queue is gone): never hang.
    TerminateProcess(GetCurrentProcess(), code);
  }
}

}  // namespace app
