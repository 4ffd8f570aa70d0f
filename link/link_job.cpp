#include "link/link_job.h"

#include "app/controls.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/process_end.h"
#include "app/progress_window.h"
#include "app/texts.h"
#include "link/link_command.h"
#include "link/link_plan.h"

namespace link {

std::atomic<int32_t> g_progressCount{0};

DWORD WINAPI RunLinkJob(void*) {
  // Captions are read through the labels' own store, never by a message to their thread.
  const std::string destination = app::ReadCaption(app::TargetField());
  const std::string steam = app::ReadCaption(app::SteamLocationField());
  RunLinkPlan(destination, steam, MakeLink, [] { g_progressCount.fetch_add(1); });

  // The timer belongs to the user-interface thread: ask it to stop.
  PostMessageA(app::ProgressWindow(), app::kSetTimerPeriodMessage, 0, 0);
  app::ShowMessage(texts::kFinishedText);
  app::RequestProcessEnd(0);
  return 0;
}

}  // namespace link
