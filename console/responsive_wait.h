// Pausing a polling loop without leaving the calling thread's message queue unserviced.
#pragma once

#include <cstdint>

namespace console {

// Units of a responsive wait's interval.
enum WaitUnit : int { kMilliseconds = 0, kSeconds = 1, kMinutes = 2, kHours = 3 };

// Dispatches the calling thread's queued messages until the queue is empty or the next
// message is WM_QUIT, which stays queued.
void PumpEvents();

// Runs the event pump when keyboard or mouse-button input is queued for the calling thread.
void CheckPendingInput();

// The waitable timer's relative due time, in 100-nanosecond units (always negative).
int64_t DueTimeFor(int32_t interval, int unit);

// Sleeps `interval` units on a waitable timer, dispatching the thread's messages as they
// arrive; ends when the timer fires. Always returns true.
bool ResponsiveWait(int32_t interval, int unit = kMilliseconds);

}  // namespace console
