#include "app/main_window.h"

#include <string>

#include "app/controls.h"
#include "app/folder_picker.h"
#include "app/message_box.h"
#include "app/process_end.h"
#include "app/progress_window.h"
#include "app/registry.h"
#include "app/rules.h"
#include "app/texts.h"
#include "app/window_loader.h"
#include "link/link_plan.h"
#include "link/path_tests.h"

namespace app {
namespace {

constexpr wchar_t kMainWindowClass[] = L"LudvaneMainWindow";
constexpr wchar_t kSteamInstallKey[] = L"SOFTWARE\\WOW6432Node\\Rockstar Games\\GTAV";
constexpr wchar_t kSteamInstallValue[] = L"InstallFolderSteam";

// Control identifiers; the captions' names are those the tool's users know the controls by.
enum ControlId : int {
  kSteamBrowseButton = 1,   // 按钮1
  kEpicBrowseButton = 2,    // 按钮2
  kStartButton = 3,         // 按钮3
  kSteamCaptionLabel = 11,  // 透明标签2
  kEpicCaptionLabel = 12,   // 透明标签1
  kSteamLocation = 13,      // S版GTA5位置
  kEpicLocation = 14,       // E版GTA5位置
};

HWND g_window = nullptr;
HWND g_steamBrowseButton = nullptr;
HWND g_epicBrowseButton = nullptr;
HWND g_startButton = nullptr;
HWND g_steamLocation = nullptr;
HWND g_epicLocation = nullptr;
HWND g_focusBeforeDeactivation = nullptr;

void FillSteamLocationFromRegistry() {
  const auto value = ReadRegistryText(HKEY_LOCAL_MACHINE, kSteamInstallKey, kSteamInstallValue);
  WriteCaption(g_steamLocation, value ? SteamFolderFromRegistryValue(*value)
                                      : texts::Wide(texts::kLookupFailedText));
}

void ChooseFolderInto(HWND field, const char* pickerTitle) {
  // A cancelled picker empties the field.
  WriteCaption(field, WithTrailingBackslash(PickFolder(texts::Wide(pickerTitle))));
}

// A location passes only when it is a full path that names a folder that exists: links to a
// missing folder would all dangle while the tool reported success, and a lone backslash or a
// relative path would point them at whatever drive or folder is current.
bool NamesExistingFolder(const std::wstring& location) {
  return IsFullFolderPath(location) && link::FolderExists(location);
}

// A game folder already at the Epic location is used only when it is a plain folder: through a
// junction or link there, the links would land wherever it leads. Its entry is looked at without
// following a link, so a link that leads nowhere is refused too.
bool GameFolderUsable(const std::wstring& epicLocation) {
  const std::wstring gameFolder = epicLocation + L"GTAV";
  return !link::EntryExists(gameFolder) || link::HoldPlainFolder(gameFolder).Valid();
}

// The folder the links will go into as it is now: the game folder when it is there, else the
// Epic location that is to hold it.
std::wstring FolderToAsk(const std::wstring& fullEpic) {
  const std::wstring gameFolder = fullEpic + L"GTAV\\";
  return link::FolderExists(gameFolder) ? gameFolder : fullEpic;
}

// Links made in the Steam copy, or around it, would change it or point into themselves. Judged
// by what the folders are, so that a junction, a drive letter made for a folder or a short name
// on either way is seen through; by their full paths as well, which tell where no handle can be
// had.
bool DestinationOverlapsSteam(const std::wstring& fullEpic, const std::wstring& steam) {
  const std::wstring gameFolder = fullEpic + L"GTAV\\";
  if (PathsOverlap(gameFolder, link::FullPath(steam))) return true;
  const std::wstring asked = FolderToAsk(fullEpic);
  return ChainsOverlap(link::RealFolderChain(asked), asked == gameFolder,
                       link::RealFolderChain(steam));
}

// A share cannot hold junctions, and Windows does not follow links from a share to a local
// drive; FAT32 and exFAT hold no links at all. The file system is asked where the folder really
// is (a junction may lead to another drive), else of the path's drive. What the system cannot
// tell passes.
bool DestinationHoldsLinks(const std::wstring& fullEpic) {
  if (fullEpic.compare(0, 2, L"\\\\") == 0) return false;
  const link::VolumeFacts volume = link::VolumeOf(fullEpic);
  if (volume.remote) return false;
  const std::wstring fileSystem = link::FileSystemWhereFolderIs(FolderToAsk(fullEpic));
  return FileSystemHoldsLinks(fileSystem.empty() ? volume.fileSystem : fileSystem);
}

// OneDrive and its like turn new folders into placeholders (a later run then finds no plain
// folder) and may upload what the links lead to. Asked of every folder on the Epic location's
// way, as written and where it really is.
bool InCloudSyncedFolder(const std::wstring& fullEpic) {
  std::vector<std::wstring> folders = link::FoldersOnTheWay(fullEpic);
  const std::vector<std::wstring> real = link::FoldersOnTheWay(link::RealPath(fullEpic));
  folders.insert(folders.end(), real.begin(), real.end());
  for (const std::wstring& folder : folders) {
    link::EntryFacts facts;
    if (link::ReadEntryFacts(folder, facts) && IsCloudSynced(facts.attributes, facts.reparseTag)) {
      return true;
    }
  }
  return false;
}

// What the run could not do as the user means it, each with its own message; null when the run
// can go ahead. Each of these would otherwise run all the commands and report success.
const char* RefusalOf(const std::wstring& steam, const std::wstring& epicLocation) {
  if (!link::HoldsAnyPlanName(steam)) return texts::kSteamFolderWithoutGameText;
  if (link::IsEnhancedEdition(steam)) return texts::kEnhancedEditionText;
  const std::wstring fullEpic = link::FullPath(epicLocation);
  if (LastFolderIsGameFolder(fullEpic)) return texts::kEpicLocationIsGameFolderText;
  if (DestinationOverlapsSteam(fullEpic, steam)) return texts::kDestinationOverlapsSteamText;
  if (!DestinationHoldsLinks(fullEpic)) return texts::kDestinationCannotHoldLinksText;
  if (InCloudSyncedFolder(fullEpic)) return texts::kCloudSyncedText;
  if (InterpreterMayExpand(steam, epicLocation)) return texts::kPercentInPathsText;
  return nullptr;
}

void OnStartClicked() {
  const std::wstring steam = ReadCaption(g_steamLocation);
  const std::wstring epicLocation = ReadCaption(g_epicLocation);
  if (!NamesExistingFolder(steam) || !NamesExistingFolder(epicLocation) ||
      !GameFolderUsable(epicLocation)) {
    ShowMessage(texts::Wide(texts::kNoFolderChosenText));
    return;
  }
  if (const char* refusal = RefusalOf(steam, epicLocation)) {
    ShowMessage(texts::Wide(refusal));
    return;
  }
  if (!AskYesNo(texts::Wide(texts::kConfirmText))) return;
  LoadProgressWindow();
  // Hidden, not destroyed: the link job reads the Steam location from it.
  ShowWindow(g_window, SW_HIDE);
}

void OnClicked(int controlId) {
  switch (controlId) {
    case kSteamBrowseButton:
      ChooseFolderInto(g_steamLocation, texts::kSteamPickerTitle);
      break;
    case kEpicBrowseButton:
      ChooseFolderInto(g_epicLocation, texts::kEpicPickerTitle);
      break;
    case kStartButton:
      OnStartClicked();
      break;
  }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam != 0) OnClicked(LOWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      // Give the focus back to the button that had it before a picker or message box took
      // it, so that Tab goes on working.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focused = GetFocus();
        if (focused && GetParent(focused) == window) g_focusBeforeDeactivation = focused;
      } else if (!HIWORD(wParam)) {
        SetFocus(g_focusBeforeDeactivation ? g_focusBeforeDeactivation : g_steamBrowseButton);
        return 0;
      }
      break;
    case kEndProcessMessage:
      EndProcessNow(static_cast<UINT>(wParam));
    case WM_DESTROY:
      EndProcessNow(0);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RegisterMainWindowClass(HINSTANCE instance) {
  RegisterTopLevelClass(instance, kMainWindowClass, MainWindowProc);
}

HWND LoadMainWindow() {
  const std::wstring title = texts::Wide(texts::kMainWindowTitle);
  g_window = CreateTopLevelWindow({kMainWindowClass, title.c_str(), 784, 189,
                                   WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN});
  SetProcessEndWindow(g_window);
  g_startButton = CreatePushButton(g_window, kStartButton, Place(192, 112, 128, 32),
                                   texts::Wide(texts::kStartButtonCaption).c_str());
  g_epicBrowseButton = CreatePushButton(g_window, kEpicBrowseButton, Place(648, 64, 128, 32),
                                        texts::Wide(texts::kEpicBrowseCaption).c_str());
  g_epicLocation = CreateTransparentLabel(g_window, kEpicLocation, Place(120, 72, 520, 24), L"");
  HWND epicCaption = CreateTransparentLabel(g_window, kEpicCaptionLabel, Place(0, 64, 104, 32),
                                            texts::Wide(texts::kEpicCaptionLabel).c_str());
  HWND steamCaption = CreateTransparentLabel(g_window, kSteamCaptionLabel, Place(7, 8, 96, 32),
                                             texts::Wide(texts::kSteamCaptionLabel).c_str());
  g_steamLocation = CreateTransparentLabel(g_window, kSteamLocation, Place(120, 13, 512, 24), L"");
  g_steamBrowseButton = CreatePushButton(g_window, kSteamBrowseButton, Place(648, 11, 128, 32),
                                         texts::Wide(texts::kSteamBrowseCaption).c_str());
  const HWND topFirst[] = {g_startButton, g_epicBrowseButton, g_epicLocation,     epicCaption,
                           steamCaption,  g_steamLocation,    g_steamBrowseButton};
  ArrangeAndShowControls(topFirst, sizeof(topFirst) / sizeof(topFirst[0]));

  FillSteamLocationFromRegistry();  // the created event: before the window is first seen
  ShowLoadedWindow(g_window);
  SetFocus(g_steamBrowseButton);
  return g_window;
}

HWND SteamLocationField() { return g_steamLocation; }
HWND EpicLocationField() { return g_epicLocation; }

bool HandleTabKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
  const HWND cycle[] = {g_steamBrowseButton, g_epicBrowseButton, g_startButton};
  constexpr int kCount = 3;
  for (int i = 0; i < kCount; ++i) {
    if (message.hwnd != cycle[i]) continue;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    SetFocus(cycle[(i + (backwards ? kCount - 1 : 1)) % kCount]);
    return true;
  }
  return false;
}

}  // namespace app
