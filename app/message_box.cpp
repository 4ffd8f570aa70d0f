#include "app/message_box.h"

#include <windows.h>

#include "app/dialog_focus.h"
#include "app/texts.h"

namespace app {

void ShowMessage(const char* text) {
  FocusReturnsAfterDialog focus;
  MessageBoxA(nullptr, text, texts::kMessageBoxCaption, MB_OK | MB_TASKMODAL);
}

void ShowJobMessage(const char* text, bool isReport) {
  const UINT icon = isReport ? MB_ICONERROR : 0;
  MessageBoxA(nullptr, text, texts::kMessageBoxCaption,
              MB_OK | MB_TASKMODAL | MB_SETFOREGROUND | icon);
}

bool AskYesNo(const char* text) {
  FocusReturnsAfterDialog focus;
  return MessageBoxA(nullptr, text, texts::kMessageBoxCaption, MB_YESNO | MB_TASKMODAL) == IDYES;
}

}  // namespace app
