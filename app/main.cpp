// Process start: the main window and the user-interface thread's message loop.
#include <windows.h>
#include <objbase.h>

#include "app/controls.h"
#include "app/main_window.h"
#include "app/process_end.h"
#include "app/progress_window.h"

namespace {

// Esc closes the window that has the keyboard focus, or whose control has it.
bool HandleEscapeKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_ESCAPE || !message.hwnd) return false;
  HWND top = GetAncestor(message.hwnd, GA_ROOT);
  if (top != app::ProgressWindow() && GetParent(app::SteamLocationField()) != top) return false;
  SendMessageW(top, WM_CLOSE, 0, 0);
  return true;
}

// The program runs elevated, often from Downloads: every library loaded from here on must come
// from the system folder, never from the program's folder or the current one.
void LoadLibrariesFromSystemFolderOnly() {
  using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
  // Bound by name: Windows 7 has it only with its loader update.
  const auto setDefaultDirectories =
      reinterpret_cast<SetDefaultDllDirectoriesProc>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefaultDirectories && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // Without it, at least the current folder leaves the search.
  SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  LoadLibrariesFromSystemFolderOnly();
  app::EndStartedProcessesWithTheProgram();
  // The folder picker needs COM on this thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  app::RegisterControlClasses(instance);
  app::RegisterMainWindowClass(instance);
  app::RegisterProgressWindowClass(instance);
  app::LoadMainWindow();

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (app::HandleTabKey(message) || HandleEscapeKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
