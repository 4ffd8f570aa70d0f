#include "app/dialog_focus.h"

namespace app {

FocusReturnsAfterDialog::FocusReturnsAfterDialog()
    : foreground_(GetForegroundWindow()), active_(GetActiveWindow()), focus_(GetFocus()) {}

FocusReturnsAfterDialog::~FocusReturnsAfterDialog() {
  // A window hidden or destroyed meanwhile (the conversion has begun) is left as it is.
  if (!active_ || !IsWindowVisible(active_) || !IsWindowEnabled(active_)) return;
  SetForegroundWindow(foreground_ && IsWindow(foreground_) ? foreground_ : active_);
  SetActiveWindow(active_);
  if (focus_ && IsChild(active_, focus_)) SetFocus(focus_);
}

}  // namespace app
