#include "console/responsive_wait.h"

#include <windows.h>

#include <cmath>
#include <limits>

#include "console/scoped_handle.h"

namespace console {
namespace {

// Every queued message kind except raw input.
constexpr DWORD kWakeMask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER |
                            QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;

double MillisecondsPerUnit(int unit) {
  switch (unit) {
    case kSeconds:
      return 1000.0;
    case kMinutes:
      return 60000.0;
    case kHours:
      return 3600000.0;
    default:
      return 1.0;
  }
}

// Used when no timer can be had: a plain sleep of the same length, so the caller's loop still
// pauses instead of spinning.
void SleepFor(int64_t dueTime) {
  const int64_t ms = dueTime < 0 ? -dueTime / 10000 : 0;
  const int64_t longest = static_cast<int64_t>(INFINITE) - 1;
  Sleep(static_cast<DWORD>(ms < longest ? ms : longest));
}

}  // namespace

void PumpEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (msg.message == WM_QUIT) {
      // Posted between the two looks; it must stay for the thread's own message loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void CheckPendingInput() {
  if (GetInputState()) PumpEvents();
}

int64_t DueTimeFor(int32_t interval, int unit) {
  const double ms = static_cast<double>(interval) * MillisecondsPerUnit(unit);
  const double due = ms * -10000.0;
  // Hours of a large interval leave the 64-bit range; clamp rather than overflow.
  const double lowest = static_cast<double>(std::numeric_limits<int64_t>::min());
  if (due <= lowest) return std::numeric_limits<int64_t>::min();
  if (due >= -lowest) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(std::trunc(due));
}

bool ResponsiveWait(int32_t interval, int unit) {
  const int64_t due = DueTimeFor(interval, unit);
  ScopedHandle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
  LARGE_INTEGER dueTime;
  dueTime.QuadPart = due;
  if (!timer.Valid() || !SetWaitableTimer(timer.Get(), &dueTime, 0, nullptr, nullptr, FALSE)) {
    SleepFor(due);
    return true;
  }
  HANDLE handle = timer.Get();
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, kWakeMask);
    if (result == WAIT_OBJECT_0) break;
    if (result == WAIT_FAILED) {
      SleepFor(due);
      break;
    }
    // A message arrived first; serve it and keep waiting for the same timer.
    PumpEvents();
  }
  return true;
}

}  // namespace console
