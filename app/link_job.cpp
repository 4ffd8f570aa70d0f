#include "app/link_job.h"

#include <string>

#include "app/controls.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/process_end.h"
#include "app/progress_window.h"
#include "app/texts.h"
#include "link/link_command.h"
#include "link/link_plan.h"

namespace app {
namespace {

// How many of the missing items the report names; the count covers the rest.
constexpr size_t kNamesShown = 4;

// What the user is told when some items are not in place: how many, which, what the interpreter
// said, and what to do. It never says the links are done.
std::string NotAllLinkedReport(const link::PlanOutcome& outcome) {
  std::string report = std::string(texts::kNotAllLinkedHead) +
                       std::to_string(outcome.missing.size()) + texts::kNotAllLinkedCount + "\n" +
                       texts::kNotLinkedNames;
  for (size_t i = 0; i < outcome.missing.size() && i < kNamesShown; ++i) {
    if (i > 0) report += texts::kNameSeparator;
    report += outcome.missing[i];
  }
  if (outcome.missing.size() > kNamesShown) report += texts::kMoreNames;
  if (!outcome.firstRefusal.empty()) {
    report += std::string("\n") + texts::kInterpreterWords + outcome.firstRefusal;
  }
  return report + "\n\n" + texts::kNotAllLinkedAdvice + "\n" + texts::kVerifyingNowDownloads;
}

}  // namespace

std::atomic<int32_t> g_progressCount{0};

DWORD WINAPI RunLinkJob(void*) {
  // Captions are read through the labels' own store, never by a message to their thread.
  const std::string destination = ReadCaption(TargetField());
  const std::string steam = ReadCaption(SteamLocationField());
  const link::PlanOutcome outcome = link::RunLinkPlan(destination, steam, link::AttemptLink,
                                                      [] { g_progressCount.fetch_add(1); });

  // The timer belongs to the user-interface thread: ask it to stop.
  PostMessageA(ProgressWindow(), kSetTimerPeriodMessage, 0, 0);
  if (outcome.missing.empty()) {
    ShowMessage(texts::kFinishedText);
    RequestProcessEnd(0);
  } else {
    // Telling the user the links are done would have them download the missing items again
    // through verification; the exit code says it too.
    ShowMessage(NotAllLinkedReport(outcome).c_str());
    RequestProcessEnd(1);
  }
  return 0;
}

}  // namespace app
