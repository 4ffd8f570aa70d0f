// The one way the system speaks to the user: a task-modal box without an owner.
#pragma once

namespace app {

// A box with an OK button.
void ShowMessage(const char* text);

// A box with Yes and No; true only when the user answered Yes.
bool AskYesNo(const char* text);

}  // namespace app
