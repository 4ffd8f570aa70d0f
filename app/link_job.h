// The link job thread's dealings with the windows: it reads the two folders from their fields,
// walks the link plan, stops the progress timer, shows the final message and asks for the end.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace app {

// Items of the plan done so far; written by the link job only, read by the progress display.
extern std::atomic<int32_t> g_progressCount;

// The job thread's procedure; its parameter is the system's error from making the destination
// game folder (0 when it was made or is there). When the user has read the final message it
// asks the user-interface thread to end the process.
DWORD WINAPI RunLinkJob(void* destinationError);

}  // namespace app
