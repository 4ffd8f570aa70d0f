#include "app/window_loader.h"

namespace app {

void RegisterTopLevelClass(HINSTANCE instance, const wchar_t* className, WNDPROC procedure) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = className;
  RegisterClassExW(&windowClass);
}

HWND CreateTopLevelWindow(const WindowLook& look) {
  const int left = (GetSystemMetrics(SM_CXSCREEN) - look.width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - look.height) / 2;
  HWND window = CreateWindowExW(0, look.className, look.title, look.style, left, top, look.width,
                                look.height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;
  // The system gives every overlapped window a title bar; a frameless look takes it off again.
  const DWORD unwanted = WS_CAPTION & ~look.style;
  const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  if (style & unwanted) SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(style & ~unwanted));
  RECT outer;
  GetWindowRect(window, &outer);
  if (outer.right - outer.left != look.width || outer.bottom - outer.top != look.height ||
      (style & unwanted)) {
    SetWindowPos(window, nullptr, left, top, look.width, look.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  return window;
}

void ArrangeAndShowControls(HWND const* controlsTopFirst, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    SetWindowPos(controlsTopFirst[i], HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  for (size_t i = 0; i < count; ++i) ShowWindow(controlsTopFirst[i], SW_SHOWNA);
}

void ShowLoadedWindow(HWND window) {
  if (IsWindow(window)) ShowWindow(window, SW_SHOW);
}

RECT Place(int left, int top, int width, int height) {
  return RECT{left, top, left + width, top + height};
}

}  // namespace app
