#include "app/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "app/rules.h"

namespace app {
namespace {

constexpr wchar_t kTransparentLabelClass[] = L"LudvaneTransparentLabel";

// Guards every label's caption: the link job reads captions from its own thread.
std::mutex g_captionLock;

struct LabelState {
  std::wstring caption;
};

LabelState* StateOf(HWND label) {
  return reinterpret_cast<LabelState*>(GetWindowLongPtrW(label, GWLP_USERDATA));
}

// Anti-aliased text drawn over itself grows heavier, and a label repaints alone whenever it is
// invalidated without its parent: so the parent's background goes under the caption first.
void PaintParentBackground(HWND label, HDC dc, const RECT& client) {
  // The class brush may also be a system colour index plus one, which FillRect takes as well.
  const auto brush =
      reinterpret_cast<HBRUSH>(GetClassLongPtrW(GetParent(label), GCLP_HBRBACKGROUND));
  if (brush) FillRect(dc, &client, brush);
}

void PaintLabel(HWND label) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(label, &paint);
  const std::wstring caption = ReadCaption(label);
  if (!caption.empty()) {
    RECT client;
    GetClientRect(label, &client);
    PaintParentBackground(label, dc, client);
    HGDIOBJ formerFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    // The system's button text colour: black in the standard scheme, and readable on the
    // button face in a high-contrast one.
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    // A path is shown as it is: an "&" in it is no underline mark.
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
              DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP | DT_NOPREFIX);
    SelectObject(dc, formerFont);
  }
  EndPaint(label, &paint);
}

LRESULT CALLBACK TransparentLabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      auto state = std::make_unique<LabelState>();
      if (create->lpszName) state->caption = create->lpszName;
      std::lock_guard<std::mutex> hold(g_captionLock);
      SetWindowLongPtrW(label, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
      break;
    }
    case WM_NCDESTROY: {
      std::unique_ptr<LabelState> state;
      {
        std::lock_guard<std::mutex> hold(g_captionLock);
        state.reset(StateOf(label));
        SetWindowLongPtrW(label, GWLP_USERDATA, 0);
      }
      break;
    }
    case WM_PAINT:
      PaintLabel(label);
      return 0;
    case WM_NCHITTEST:
      // Clicks fall through to the window beneath; a label runs nothing.
      return HTTRANSPARENT;
  }
  return DefWindowProcW(label, message, wParam, lParam);
}

HWND CreateChild(const wchar_t* className, DWORD exStyle, DWORD style, HWND parent, int id,
                 const RECT& place, const wchar_t* caption) {
  HWND child = CreateWindowExW(
      exStyle, className, caption, WS_CHILD | WS_CLIPSIBLINGS | style, place.left, place.top,
      place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  return child;
}

}  // namespace

void RegisterControlClasses(HINSTANCE instance) {
  // Buttons and the progress bar come from Common Controls 6, as the manifest asks.
  INITCOMMONCONTROLSEX commonClasses = {sizeof(commonClasses),
                                        ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&commonClasses);

  WNDCLASSW labelClass = {};
  labelClass.lpfnWndProc = TransparentLabelProc;
  labelClass.hInstance = instance;
  labelClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  labelClass.hbrBackground = nullptr;  // the parent's background shows through
  labelClass.lpszClassName = kTransparentLabelClass;
  RegisterClassW(&labelClass);
}

HWND CreatePushButton(HWND parent, int id, const RECT& place, const wchar_t* caption) {
  return CreateChild(L"BUTTON", 0,
                     WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE, parent, id,
                     place, caption);
}

HWND CreateTransparentLabel(HWND parent, int id, const RECT& place, const wchar_t* caption) {
  return CreateChild(kTransparentLabelClass, WS_EX_TRANSPARENT, 0, parent, id, place, caption);
}

std::wstring ReadCaption(HWND label) {
  std::lock_guard<std::mutex> hold(g_captionLock);
  const LabelState* state = IsWindow(label) ? StateOf(label) : nullptr;
  return state ? state->caption : std::wstring();
}

void WriteCaption(HWND label, const std::wstring& caption) {
  {
    std::lock_guard<std::mutex> hold(g_captionLock);
    if (LabelState* state = StateOf(label)) state->caption = caption;
  }
  SetWindowTextW(label, caption.c_str());
  // Repaint the parent's background under the label, and whatever lies over it, before the
  // label draws its new caption.
  HWND parent = GetParent(label);
  RECT covered;
  GetWindowRect(label, &covered);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&covered), 2);
  RedrawWindow(parent, &covered, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  InvalidateRect(label, nullptr, FALSE);
}

HWND CreateProgressBar(HWND parent, int id, const RECT& place, ProgressBar& bar) {
  bar.window = CreateChild(PROGRESS_CLASSW, WS_EX_STATICEDGE, 0, parent, id, place, nullptr);
  SetProgressMaximum(bar, bar.maximum);
  SetProgressPosition(bar, bar.position);
  return bar.window;
}

void SetProgressMaximum(ProgressBar& bar, int32_t maximum) {
  bar.maximum = ClampProgressValue(maximum);
  SendMessageW(bar.window, PBM_SETRANGE, 0,
               MAKELPARAM(std::min(bar.minimum, bar.maximum), std::max(bar.minimum, bar.maximum)));
}

void SetProgressPosition(ProgressBar& bar, int32_t position) {
  bar.position = ClampProgressValue(position);
  SendMessageW(bar.window, PBM_SETPOS,
               static_cast<WPARAM>(ClampPositionIntoRange(bar.position, bar.minimum, bar.maximum)),
               0);
}

void SetTimerPeriod(WindowTimer& timer, int32_t period) {
  period = NormalizedTimerPeriod(period);
  if (period == timer.period) return;
  if (timer.period > 0) KillTimer(timer.owner, timer.id);
  timer.period = period;
  if (period > 0) SetTimer(timer.owner, timer.id, static_cast<UINT>(period), nullptr);
}

}  // namespace app
