// Process start: the main window and the user-interface thread's message loop.
#include <windows.h>
#include <objbase.h>

#include "app/controls.h"
#include "app/main_window.h"
#include "app/progress_window.h"

namespace {

// Esc closes the window that has the keyboard focus, or whose control has it.
bool HandleEscapeKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_ESCAPE || !message.hwnd) return false;
  HWND top = GetAncestor(message.hwnd, GA_ROOT);
  if (top != app::ProgressWindow() && GetParent(app::SteamLocationField()) != top) return false;
  SendMessageA(top, WM_CLOSE, 0, 0);
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The folder picker needs COM on this thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  app::RegisterControlClasses(instance);
  app::RegisterMainWindowClass(instance);
  app::RegisterProgressWindowClass(instance);
  app::LoadMainWindow();

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (app::HandleTabKey(message) || HandleEscapeKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
