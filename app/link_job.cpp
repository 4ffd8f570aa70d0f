#include "app/link_job.h"

#include "app/controls.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/process_end.h"
#include "app/progress_window.h"
#include "app/texts.h"
#include "link/link_command.h"
#include "link/link_plan.h"

namespace app {

std::atomic<int32_t> g_progressCount{0};

DWORD WINAPI RunLinkJob(void*) {
  // Captions are read through the labels' own store, never by a message to their thread.
  const std::string destination = ReadCaption(TargetField());
  const std::string steam = ReadCaption(SteamLocationField());
  link::RunLinkPlan(destination, steam, link::MakeLink, [] { g_progressCount.fetch_add(1); });

  // The timer belongs to the user-interface thread: ask it to stop.
  PostMessageA(ProgressWindow(), kSetTimerPeriodMessage, 0, 0);
  ShowMessage(texts::kFinishedText);
  RequestProcessEnd(0);
  return 0;
}

}  // namespace app
