// The link job: the whole link plan on a thread of its own, then the final message and the end.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace link {

// Items of the plan done so far; written by the link job only, read by the progress display.
extern std::atomic<int32_t> g_progressCount;

// The job thread's procedure. When the user has read the final message it asks the
// user-interface thread to end the process.
DWORD WINAPI RunLinkJob(void* unused);

}  // namespace link
