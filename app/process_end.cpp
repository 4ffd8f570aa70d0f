#include "app/process_end.h"

namespace app {
namespace {
HWND g_processEndWindow = nullptr;
}

void EndStartedProcessesWithTheProgram() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job) return;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
      !AssignProcessToJobObject(job, GetCurrentProcess())) {
    // Windows 7 nests no jobs: started inside one, the program goes on as it is.
    CloseHandle(job);
    return;
  }
  // The handle stays open for the process's life. The system closes it when the process ends,
  // however it ends, and that ends every interpreter started meanwhile, even one whose start
  // was cut off half done and would stay suspended and hidden.
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
  if (!PostMessageW(g_processEndWindow, kEndProcessMessage, code, 0)) {
    // The user-interface thread cannot be asked (its window or queue is gone): never hang.
    TerminateProcess(GetCurrentProcess(), code);
  }
}

}  // namespace app
