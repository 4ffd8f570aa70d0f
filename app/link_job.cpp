#include "app/link_job.h"

#include <string>
#include <vector>

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

// What to do about a cause; null when its words say all there is.
const char* AdviceFor(link::MissingCause cause) {
  switch (cause) {
    case link::MissingCause::kNameTaken:
      return texts::kNameTakenAdvice;
    case link::MissingCause::kRefused:
      return texts::kRefusedAdvice;
    case link::MissingCause::kPathNotFound:
      return texts::kPathNotFoundAdvice;
    case link::MissingCause::kAccessDenied:
      return texts::kAccessDeniedAdvice;
    case link::MissingCause::kSystemError:
      break;
  }
  return nullptr;
}

// What the user is told when some items are not in place: how many and which, then for each
// cause met, in the order met, the words of its first item and what to do. It never says the
// links are done.
std::wstring NotAllLinkedReport(const link::PlanOutcome& outcome) {
  using texts::Wide;
  std::wstring report = Wide(texts::kNotAllLinkedHead) + std::to_wstring(outcome.missing.size()) +
                        Wide(texts::kNotAllLinkedCount);
  for (size_t i = 0; i < outcome.missing.size() && i < kNamesShown; ++i) {
    if (i > 0) report += Wide(texts::kNameSeparator);
    report += outcome.missing[i].name;
  }
  if (outcome.missing.size() > kNamesShown) report += Wide(texts::kMoreNames);
  std::vector<link::MissingCause> causesTold;
  for (const link::MissingItem& item : outcome.missing) {
    bool told = false;
    for (link::MissingCause cause : causesTold) told = told || cause == item.cause;
    if (told) continue;
    causesTold.push_back(item.cause);
    const std::wstring words =
        item.cause == link::MissingCause::kNameTaken ? Wide(texts::kNameTakenWords) : item.words;
    if (!words.empty()) report += L"\n" + Wide(texts::kErrorWords) + words;
    if (const char* advice = AdviceFor(item.cause)) report += L"\n" + Wide(advice);
  }
  return report + L"\n\n" + Wide(texts::kRunAgainAdvice);
}

}  // namespace

std::atomic<int32_t> g_progressCount{0};

DWORD WINAPI RunLinkJob(void* destinationError) {
  // Captions are read through the labels' own store, never by a message to their thread.
  const std::wstring destination = ReadCaption(TargetField());
  const std::wstring steam = ReadCaption(SteamLocationField());
  const link::PlanOutcome outcome = link::RunLinkPlan(
      destination, steam, link::AttemptLink, [] { g_progressCount.fetch_add(1); },
      static_cast<unsigned long>(reinterpret_cast<uintptr_t>(destinationError)));

  // The timer belongs to the user-interface thread: ask it to stop, and to keep the progress
  // window from ending the process under the box that follows.
  PostMessageW(ProgressWindow(), kPlanFinishedMessage, 0, 0);
  if (outcome.missing.empty()) {
    ShowJobMessage(texts::Wide(texts::kFinishedText), false);
    RequestProcessEnd(0);
  } else {
    // Telling the user the links are done would have them download the missing items again
    // through verification; the exit code says it too.
    ShowJobMessage(NotAllLinkedReport(outcome), true);
    RequestProcessEnd(1);
  }
  return 0;
}

}  // namespace app
