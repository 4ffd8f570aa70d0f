// Gives the user's place back after a dialog: a task-modal box, or a picker whose owner was
// already disabled, closes while the thread's windows are still disabled, so nothing of the
// program takes activation back and the keyboard does nothing until the user clicks.
#pragma once

#include <windows.h>

namespace app {

// Remembers the foreground window, this thread's active window and the control with the
// keyboard focus; when it ends, if this thread had an active window, brings the foreground
// window back to the front and, when the active window is shown and enabled again, makes it
// the active one and gives the focus back to the control.
class FocusReturnsAfterDialog {
 public:
  FocusReturnsAfterDialog();
  ~FocusReturnsAfterDialog();
  FocusReturnsAfterDialog(const FocusReturnsAfterDialog&) = delete;
  FocusReturnsAfterDialog& operator=(const FocusReturnsAfterDialog&) = delete;

  HWND active() const { return active_; }

 private:
  HWND foreground_;
  HWND active_;
  HWND focus_;
};

}  // namespace app
