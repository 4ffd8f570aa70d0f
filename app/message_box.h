// The one way the system speaks to the user: a task-modal box without an owner.
#pragma once

namespace app {

// A box with an OK button.
void ShowMessage(const char* text);

// The link job's last word, from its own thread: brought to the front, since the user may be
// looking elsewhere after the seconds a conversion takes; with the error icon for a report.
void ShowJobMessage(const char* text, bool isReport);

// A box with Yes and No; true only when the user answered Yes.
bool AskYesNo(const char* text);

}  // namespace app
