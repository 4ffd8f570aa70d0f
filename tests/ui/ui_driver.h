// Drives the real ludvane.exe from outside, as a user would: starts it, finds its windows and
// controls, answers its message boxes and folder pickers, presses its buttons and keys, and sets
// the registry value it reads at start. Free of any test framework, so test programs and demo
// programs alike can use it.
//
// Waiting: nothing here sleeps for a fixed time. Every wait polls a condition until it holds or
// a deadline passes (WaitUntil), or waits on a handle with a timeout.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui_driver {

using std::chrono::milliseconds;

// Long enough for a Wine process to start and show its window on a busy machine.
inline constexpr milliseconds kDefaultTimeout{15000};

// Polls `condition` every `pollInterval` until it returns true (→ true) or `timeout` has passed
// (→ false; the condition is asked once more at the deadline).
bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout = kDefaultTimeout,
               milliseconds pollInterval = milliseconds(20));

// The folder of the running executable, with no trailing backslash.
std::string OwnFolder();

// The program under test: ludvane.exe beside the running executable or in the folder above it
// (the tests live in build/<arch>/tests, the program in build/<arch>). Empty when not found.
std::string FindLudvaneExe();

// True when this process runs under Wine.
bool RunningUnderWine();

// Under Wine without a window manager (as on a virtual X display), the X11 driver waits two
// seconds for a manager that never answers each time a managed window is hidden or destroyed.
// This tells Wine to leave the windows of the program with this file name unmanaged (in the
// prefix's registry), which skips those waits. Nothing on Windows.
void LeaveWindowsUnmanaged(const std::string& exePath);

// A started program with its process and thread handles; ending the object terminates the
// program if it still runs and closes the handles.
class Process {
 public:
  // Starts `exePath` with `workingFolder` (empty: the caller's) as its current folder, after
  // LeaveWindowsUnmanaged(exePath).
  explicit Process(const std::string& exePath, const std::string& workingFolder = "");
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return info_.hProcess != nullptr; }
  // Why the start failed (GetLastError), 0 when it did not.
  DWORD StartError() const { return startError_; }
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }

  bool Running() const;
  // Waits for the program to end; true when it has.
  bool WaitForExit(milliseconds timeout = kDefaultTimeout) const;
  // The exit code once the program has ended; STILL_ACTIVE while it runs.
  DWORD ExitCode() const;
  // Ends the program at once (no-op when it has ended) and waits for it to be gone.
  void Terminate(UINT exitCode = 1);

 private:
  PROCESS_INFORMATION info_ = {};
  DWORD startError_ = 0;
};

// A window's facts as another process sees them.
struct WindowFacts {
  HWND window = nullptr;
  std::string className;
  std::string text;  // the window text in the ANSI code page
  int id = 0;        // a control's identifier (GWLP_ID)
  RECT rect = {};    // a control: relative to its parent's client area; a top-level: screen
  DWORD style = 0;
  DWORD exStyle = 0;
  bool visible = false;  // its own WS_VISIBLE, not whether its parents are shown
  bool enabled = false;
};

std::string ClassOf(HWND window);
std::string TextOf(HWND window);
// The window text in UTF-16, as the system keeps it, whatever the ANSI code page.
std::wstring WideTextOf(HWND window);
WindowFacts FactsOf(HWND window);

// The window's outer rectangle in screen coordinates, frame and title bar included.
RECT OuterRect(HWND window);

// The direct child windows in z-order, the topmost first.
std::vector<WindowFacts> ChildControls(HWND parent);

// The first direct child with this identifier, or null.
HWND ChildById(HWND parent, int id);

// The process's top-level windows (visible or not) whose class and title match; an empty
// `className` or `title` matches any.
std::vector<HWND> TopLevelWindows(DWORD processId, const std::string& className = "",
                                  const std::string& title = "");

// The process's first top-level window of this class (and title, when given), or null.
HWND FindTopLevelWindow(DWORD processId, const std::string& className,
                        const std::string& title = "");

// Waits for such a window to exist and, with `mustBeVisible`, to be shown.
HWND WaitForTopLevelWindow(DWORD processId, const std::string& className, bool mustBeVisible = true,
                           milliseconds timeout = kDefaultTimeout);

// --- Message boxes: dialogs of class #32770 whose text is the static control 0xFFFF. ---

struct MessageBoxFacts {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  std::wstring wideCaption;  // the same two in UTF-16
  std::wstring wideText;
  std::vector<int> buttons;  // identifiers of its push buttons (IDOK, IDYES, IDNO, ...)
};

// All message boxes the process shows now.
std::vector<MessageBoxFacts> MessageBoxes(DWORD processId);

// Waits for a visible message box of the process; its facts, or window == null on timeout.
MessageBoxFacts WaitForMessageBox(DWORD processId, milliseconds timeout = kDefaultTimeout);

// Answers with a button (IDOK, IDYES, IDNO, IDCANCEL) without waiting for the box's owner.
void AnswerMessageBox(HWND box, int buttonId);

// --- The shell's folder picker: a #32770 dialog holding a tree of folders. ---

HWND FindFolderPicker(DWORD processId);
HWND WaitForFolderPicker(DWORD processId, milliseconds timeout = kDefaultTimeout);

// The texts of the picker's static controls (its title is among them).
std::vector<std::string> StaticTexts(HWND dialog);
std::vector<std::wstring> WideStaticTexts(HWND dialog);

// Selects `path` (in the ANSI code page, or in UTF-16) in the picker (the text is written into
// the program's memory for BFFM_SETSELECTIONW) and presses OK. False when the selection could not
// be handed over. The folder must exist; when the picker cannot find it in its tree, OK returns
// whatever was selected before (the desktop at first).
bool AnswerFolderPicker(const Process& process, HWND picker, const std::string& path);
bool AnswerFolderPicker(const Process& process, HWND picker, const std::wstring& path);

// Presses Cancel.
void CancelFolderPicker(HWND picker);

// --- Input. Posted, never sent: the program may be inside a modal loop when it gets them. ---

// Clicks a push button (BM_CLICK).
void ClickButton(HWND button);

// A key press and release posted to `target`, as the program's message loop would get it.
void PostKey(HWND target, UINT virtualKey);

// Holds Shift down in the input state of the thread that owns `anyWindowOfThread` for the
// object's life, so that keys posted meanwhile read as shifted (GetKeyState(VK_SHIFT) < 0).
// The caller's thread shares that thread's input state until then. Keep the object until the
// program has handled the keys (wait for their effect), then let it go.
class ShiftHeld {
 public:
  explicit ShiftHeld(HWND anyWindowOfThread);
  ~ShiftHeld();
  ShiftHeld(const ShiftHeld&) = delete;
  ShiftHeld& operator=(const ShiftHeld&) = delete;

  // False when the input state could not be shared, so Shift is not held.
  bool Holding() const { return holding_; }

 private:
  DWORD ownThread_ = 0;
  DWORD otherThread_ = 0;
  bool attached_ = false;
  bool holding_ = false;
};

// The control that has the keyboard focus in the window's thread, or null.
HWND FocusedWindow(HWND anyWindowOfThread);
// The active window of the window's thread, or null.
HWND ActiveWindow(HWND anyWindowOfThread);

// --- The screen, as the user sees it. ---

// The screen's pixels in `area` (screen coordinates), 0x00RRGGBB row by row from the top;
// empty when the screen cannot be read.
std::vector<uint32_t> ScreenPixels(const RECT& area);
// The pixels that the window covers on the screen.
std::vector<uint32_t> ScreenPixels(HWND window);

// Asks the window to close as its close box does (WM_SYSCOMMAND SC_CLOSE), or directly with
// WM_CLOSE.
void PressCloseBox(HWND window);
void PostClose(HWND window);

// --- Registry. The program reads HKLM\<kSteamInstallKey>, value kSteamInstallValue. ---
// Every key is written and removed in the registry's 64-bit view, where 64-bit Windows keeps
// the game's WOW6432Node key; a 32-bit writer in its own view would miss it under Wine.

inline constexpr char kSteamInstallKey[] = "SOFTWARE\\WOW6432Node\\Rockstar Games\\GTAV";
inline constexpr char kSteamInstallValue[] = "InstallFolderSteam";

// Writes a value of any type with exactly these bytes, creating the key; false on failure.
bool SetRegistryValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                      const std::string& bytes);
// Removes the value, or the key with all it holds; true also when it was not there.
bool DeleteRegistryValue(HKEY root, const std::string& key, const std::string& name);
bool DeleteRegistryKey(HKEY root, const std::string& key);

// The program's Steam install value: a REG_SZ text with its terminating zero, raw bytes of any
// type, or none (only the value, or the whole GTAV key).
bool SetSteamInstallText(const std::string& text);
bool SetSteamInstallText(const std::wstring& text);
bool SetSteamInstallRaw(DWORD type, const std::string& bytes);
bool DeleteSteamInstallValue();
bool DeleteSteamInstallKey();

// --- Files. ---

// A folder made fresh under `parent` (the current folder when empty) and removed with all it
// holds when the object ends.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name, const std::string& parent = "");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's absolute path with a trailing backslash.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

bool FolderExists(const std::string& path);

// Removes the folder and all it holds, with Unix's rm: a link is removed, never what it leads to
// (Wine's own removal, and std::filesystem's through it, deletes through a Unix symbolic link).
void RemoveTree(const std::string& folder);

// A link someone planted: a Unix symbolic link from `link` to the folder `target`, which Wine
// shows as a folder that is a reparse point, as Windows shows a junction. Taken away again
// when the object ends, without touching the target (Wine's own removal would follow it).
class PlantedFolderLink {
 public:
  PlantedFolderLink(const std::string& link, const std::string& target);
  ~PlantedFolderLink();
  PlantedFolderLink(const PlantedFolderLink&) = delete;
  PlantedFolderLink& operator=(const PlantedFolderLink&) = delete;

  // True once the link shows as a folder that is a reparse point.
  bool Planted() const { return planted_; }

 private:
  std::string link_;
  bool planted_ = false;
};

// A drive letter that Wine maps to `folder` and reports as `driveType` for the object's life:
// DRIVE_REMOTE for a network drive, DRIVE_FIXED for a letter made for a folder as subst does.
// Wine's mount manager makes the letter in the prefix's dosdevices and notes its type under
// HKLM\Software\Wine\Drives, and takes both away again at the end. Asked by its own request, as
// winecfg does: the manager reads that registry value only when it starts.
class FolderDrive {
 public:
  FolderDrive(const std::string& folder, UINT driveType);
  ~FolderDrive();
  FolderDrive(const FolderDrive&) = delete;
  FolderDrive& operator=(const FolderDrive&) = delete;

  // The drive's root, such as "N:\", once it shows with its type; empty when it could not be
  // made (outside Wine, or no letter free).
  const std::string& Root() const { return root_; }

 private:
  std::string root_;
};

// The stand-in interpreter (the test prefix's own cmd.exe) keeps its log and its delay in the
// folder named by STANDIN_CMD_FOLDER; programs started after this call pass it on to it.
bool KeepStandInFilesIn(const std::string& folder);

}  // namespace ui_driver
