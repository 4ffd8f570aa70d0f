#include "app/dialog_focus.h"

namespace app {

FocusReturnsAfterDialog::FocusReturnsAfterDialog()
    : foreground_(GetForegroundWindow()), active_(GetActiveWindow()), focus_(GetFocus()) {}

FocusReturnsAfterDialog::~FocusReturnsAfterDialog() {
  // A thread with no window of its own active (the link job's) leaves the windows as they are.
  if (!active_) return;
  if (foreground_ && IsWindow(foreground_)) SetForegroundWindow(foreground_);
  // So does a window hidden or destroyed meanwhile.
  if (!IsWindowVisible(active_) || !IsWindowEnabled(active_)) return;
  SetActiveWindow(active_);
  if (focus_ && IsChild(active_, focus_)) SetFocus(focus_);
}

}  // namespace app
