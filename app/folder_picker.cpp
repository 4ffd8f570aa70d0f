#include "app/folder_picker.h"

#include <windows.h>
#include <shlobj.h>

#include <utility>
#include <vector>

#include "app/dialog_focus.h"

namespace app {
namespace {

// Frees the picker's item list through the shell allocator.
struct ItemList {
  LPITEMIDLIST items = nullptr;
  ~ItemList() {
    if (items) CoTaskMemFree(items);
  }
};

// Disables this thread's top-level windows for the picker's life and gives each back its former
// enabled state afterwards; then the former foreground and active windows get their place back,
// and the focused control its focus.
class DisabledThreadWindows {
 public:
  DisabledThreadWindows() {
    EnumThreadWindows(GetCurrentThreadId(), &Remember, reinterpret_cast<LPARAM>(&windows_));
    for (const auto& window : windows_) EnableWindow(window.first, FALSE);
  }
  ~DisabledThreadWindows() {
    for (const auto& window : windows_) EnableWindow(window.first, window.second);
  }
  DisabledThreadWindows(const DisabledThreadWindows&) = delete;
  DisabledThreadWindows& operator=(const DisabledThreadWindows&) = delete;

  HWND active() const { return focus_.active(); }

 private:
  static BOOL CALLBACK Remember(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<std::pair<HWND, BOOL>>*>(list)->emplace_back(
        window, IsWindowEnabled(window));
    return TRUE;
  }

  // Taken before the windows are disabled, which takes the focus away; given back after they
  // are enabled again, since members end after the destructor's body.
  FocusReturnsAfterDialog focus_;
  std::vector<std::pair<HWND, BOOL>> windows_;
};

}  // namespace

std::wstring PickFolder(const std::wstring& title) {
  DisabledThreadWindows disabled;
  BROWSEINFOW browse = {};
  browse.hwndOwner = disabled.active();
  browse.pidlRoot = nullptr;           // the desktop
  wchar_t displayName[MAX_PATH] = {};  // the picker writes the folder's name here
  browse.pszDisplayName = displayName;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_EDITBOX;
  ItemList picked;
  picked.items = SHBrowseForFolderW(&browse);
  if (!picked.items) return std::wstring();
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(picked.items, path)) return std::wstring();
  return path;
}

}  // namespace app
