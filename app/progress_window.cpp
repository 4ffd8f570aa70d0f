#include "app/progress_window.h"

#include <string>

#include "app/controls.h"
#include "app/main_window.h"
#include "app/process_end.h"
#include "app/texts.h"
#include "app/window_loader.h"
#include "app/link_job.h"
#include "link/link_plan.h"
#include "link/path_tests.h"

namespace app {
namespace {

constexpr wchar_t kProgressWindowClass[] = L"LudvaneProgressWindow";
constexpr int32_t kProgressMaximum = 35;
constexpr int32_t kTickPeriodMs = 100;

enum ControlId : int {
  kNoticeLabel = 1,  // 透明标签3
  kTargetField = 2,  // 透明标签2
  kProgressBar = 3,  // 进度条1
  kTimer = 4,        // 时钟1
};

HWND g_window = nullptr;
HWND g_targetField = nullptr;
ProgressBar g_bar;
WindowTimer g_timer;
HANDLE g_linkJobThread = nullptr;  // open for the life of the process; the job ends it

void PrepareAndStart() {
  const std::wstring destination = ReadCaption(EpicLocationField()) + L"GTAV\\";
  // Why the folder could not be made goes to the job, which tells it when nothing can be linked.
  const unsigned long creationError = link::CreateFolder(destination);
  WriteCaption(g_targetField, destination);
  g_linkJobThread =
      CreateThread(nullptr, 0, RunLinkJob,
                   reinterpret_cast<void*>(static_cast<uintptr_t>(creationError)), 0, nullptr);
  SetProgressMaximum(g_bar, kProgressMaximum);
  SetTimerPeriod(g_timer, kTickPeriodMs);
}

LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == g_timer.id) SetProgressPosition(g_bar, g_progressCount.load());
      return 0;
    case kPlanFinishedMessage:
      // The job stops the timer right after its last step, before a tick could show it.
      SetProgressPosition(g_bar, g_progressCount.load());
      SetTimerPeriod(g_timer, 0);
      // The final message or the report comes now, from the job's thread: a click or Esc here
      // must not end the process before the user has read it.
      EnableWindow(window, FALSE);
      return 0;
    case WM_CLOSE:
      // Also before the job's request has arrived: once the plan is done, only the box ends it.
      if (g_progressCount.load() >= link::kPlanItemCount) return 0;
      break;
    case WM_DESTROY:
      EndProcessNow(0);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RegisterProgressWindowClass(HINSTANCE instance) {
  RegisterTopLevelClass(instance, kProgressWindowClass, ProgressWindowProc);
}

HWND LoadProgressWindow() {
  g_window =
      CreateTopLevelWindow({kProgressWindowClass, L"", 503, 72, WS_CLIPCHILDREN | WS_MINIMIZEBOX});
  HWND notice = CreateTransparentLabel(g_window, kNoticeLabel, Place(40, 32, 424, 32),
                                       texts::Wide(texts::kNoticeCaption).c_str());
  g_targetField = CreateTransparentLabel(g_window, kTargetField, Place(112, 128, 248, 32), L"");
  g_timer.owner = g_window;
  g_timer.id = kTimer;
  HWND bar = CreateProgressBar(g_window, kProgressBar, Place(8, 8, 488, 16), g_bar);
  const HWND topFirst[] = {notice, g_targetField, bar};
  ArrangeAndShowControls(topFirst, sizeof(topFirst) / sizeof(topFirst[0]));

  PrepareAndStart();  // the created event: before the window is first seen
  ShowLoadedWindow(g_window);
  return g_window;
}

HWND ProgressWindow() { return g_window; }
HWND TargetField() { return g_targetField; }

}  // namespace app
