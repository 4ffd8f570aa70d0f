// The one way the system speaks to the user: a task-modal box without an owner.
#pragma once

#include <string>

namespace app {

// A box with an OK button.
void ShowMessage(const std::wstring& text);

// The link job's last word, from its own thread: brought to the front, since the user may be
// looking elsewhere after the seconds a conversion takes; with the error icon for a report.
void ShowJobMessage(const std::wstring& text, bool isReport);

// A box with Yes and No; true only when the user answered Yes.
bool AskYesNo(const std::wstring& text);

}  // namespace app
