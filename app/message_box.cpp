#include "app/message_box.h"

#include <windows.h>

#include "app/dialog_focus.h"
#include "app/texts.h"

namespace app {

void ShowMessage(const std::wstring& text) {
  FocusReturnsAfterDialog focus;
  MessageBoxW(nullptr, text.c_str(), texts::Wide(texts::kMessageBoxCaption).c_str(),
              MB_OK | MB_TASKMODAL);
}

void ShowJobMessage(const std::wstring& text, bool isReport) {
  const UINT icon = isReport ? MB_ICONERROR : 0;
  MessageBoxW(nullptr, text.c_str(), texts::Wide(texts::kMessageBoxCaption).c_str(),
              MB_OK | MB_TASKMODAL | MB_SETFOREGROUND | icon);
}

bool AskYesNo(const std::wstring& text) {
  FocusReturnsAfterDialog focus;
  return MessageBoxW(nullptr, text.c_str(), texts::Wide(texts::kMessageBoxCaption).c_str(),
                     MB_YESNO | MB_TASKMODAL) == IDYES;
}

}  // namespace app
