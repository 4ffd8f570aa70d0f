#include "tests/ui/ui_driver.h"

#include <shlobj.h>
#include <winioctl.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "tests/support/process_start.h"

namespace ui_driver {
namespace {

constexpr char kDialogClass[] = "#32770";
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr char kFolderTreeClass[] = "SysTreeView32";

std::string FolderOf(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ReadFolder(std::wstring folder) {
  if (folder.empty()) return;
  if (folder.back() != L'\\') folder += L'\\';
  WIN32_FIND_DATAW entry;
  const HANDLE listing = FindFirstFileW((folder + L"*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return;
  while (FindNextFileW(listing, &entry)) {
  }
  FindClose(listing);
}

struct WindowSearch {
  DWORD processId;
  std::string className;
  std::string title;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId) return TRUE;
  if (!search->className.empty() && ClassOf(window) != search->className) return TRUE;
  if (!search->title.empty() && TextOf(window) != search->title) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

bool HasChildOfClass(HWND parent, const char* className) {
  for (const auto& child : ChildControls(parent)) {
    if (lstrcmpiA(child.className.c_str(), className) == 0) return true;
  }
  return false;
}

bool IsMessageBox(HWND dialog) {
  const HWND text = ChildById(dialog, kMessageBoxTextId);
  return text && lstrcmpiA(ClassOf(text).c_str(), "Static") == 0 &&
         !HasChildOfClass(dialog, kFolderTreeClass);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout,
               milliseconds pollInterval) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    Sleep(static_cast<DWORD>(pollInterval.count()));
  }
}

std::string OwnFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return FolderOf(path);
}

std::string FindLudvaneExe() {
  const std::string own = OwnFolder();
  for (const std::string& candidate : {own + "\\ludvane.exe", FolderOf(own) + "\\ludvane.exe"}) {
    if (FileExists(candidate)) return candidate;
  }
  return std::string();
}

// --- Process ---

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void LeaveWindowsUnmanaged(const std::string& exePath) {
  if (!RunningUnderWine()) return;
  const auto cut = exePath.find_last_of("\\/");
  const std::string exeName = cut == std::string::npos ? exePath : exePath.substr(cut + 1);
  SetRegistryValue(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\" + exeName + "\\X11 Driver",
                   "Managed", REG_SZ, std::string("N\0", 2));
}

Process::Process(const std::string& exePath, const std::string& workingFolder) {
  LeaveWindowsUnmanaged(exePath);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startError_ =
      StartProcess(exePath, "\"" + exePath + "\"", FALSE,
                   workingFolder.empty() ? nullptr : workingFolder.c_str(), startup, info_);
  if (startError_ != 0) return;
  // Lets the window searches below find its windows as soon as its message loop runs.
  WaitForInputIdle(info_.hProcess, static_cast<DWORD>(kDefaultTimeout.count()));
}

Process::~Process() {
  Terminate();
  if (info_.hThread) CloseHandle(info_.hThread);
  if (info_.hProcess) CloseHandle(info_.hProcess);
}

bool Process::Running() const {
  return Started() && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(milliseconds timeout) const {
  return Started() &&
         WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (Started()) GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Process::Terminate(UINT exitCode) {
  if (!Running()) return;
  TerminateProcess(info_.hProcess, exitCode);
  WaitForExit();
}

// --- Windows ---

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string TextOf(HWND window) {
  // For another process's window this reads the text the system keeps; no message is sent,
  // so it never waits for the program.
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(window, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

std::wstring WideTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

RECT OuterRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

WindowFacts FactsOf(HWND window) {
  WindowFacts facts;
  facts.window = window;
  facts.className = ClassOf(window);
  facts.text = TextOf(window);
  facts.id = static_cast<int>(GetWindowLongPtrA(window, GWLP_ID));
  facts.style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  facts.exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  facts.visible = (facts.style & WS_VISIBLE) != 0;
  facts.enabled = IsWindowEnabled(window) != FALSE;
  facts.rect = OuterRect(window);
  if (facts.style & WS_CHILD) {
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&facts.rect), 2);
  }
  return facts;
}

std::vector<WindowFacts> ChildControls(HWND parent) {
  std::vector<WindowFacts> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(FactsOf(child));
  }
  return children;
}

HWND ChildById(HWND parent, int id) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (static_cast<int>(GetWindowLongPtrA(child, GWLP_ID)) == id) return child;
  }
  return nullptr;
}

std::vector<HWND> TopLevelWindows(DWORD processId, const std::string& className,
                                  const std::string& title) {
  WindowSearch search{processId, className, title, {}};
  EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindTopLevelWindow(DWORD processId, const std::string& className, const std::string& title) {
  const auto found = TopLevelWindows(processId, className, title);
  return found.empty() ? nullptr : found.front();
}

HWND WaitForTopLevelWindow(DWORD processId, const std::string& className, bool mustBeVisible,
                           milliseconds timeout) {
  HWND window = nullptr;
  WaitUntil(
      [&] {
        for (HWND candidate : TopLevelWindows(processId, className)) {
          if (!mustBeVisible || IsWindowVisible(candidate)) {
            window = candidate;
            return true;
          }
        }
        return false;
      },
      timeout);
  return window;
}

// --- Message boxes ---

std::vector<MessageBoxFacts> MessageBoxes(DWORD processId) {
  std::vector<MessageBoxFacts> boxes;
  for (HWND dialog : TopLevelWindows(processId, kDialogClass)) {
    if (!IsMessageBox(dialog)) continue;
    MessageBoxFacts box;
    box.window = dialog;
    box.caption = TextOf(dialog);
    box.text = TextOf(ChildById(dialog, kMessageBoxTextId));
    box.wideCaption = WideTextOf(dialog);
    box.wideText = WideTextOf(ChildById(dialog, kMessageBoxTextId));
    for (const auto& child : ChildControls(dialog)) {
      if (lstrcmpiA(child.className.c_str(), "Button") == 0 && child.visible) {
        box.buttons.push_back(child.id);
      }
    }
    boxes.push_back(box);
  }
  return boxes;
}

MessageBoxFacts WaitForMessageBox(DWORD processId, milliseconds timeout) {
  MessageBoxFacts found;
  WaitUntil(
      [&] {
        for (const auto& box : MessageBoxes(processId)) {
          if (IsWindowVisible(box.window)) {
            found = box;
            return true;
          }
        }
        return false;
      },
      timeout);
  return found;
}

void AnswerMessageBox(HWND box, int buttonId) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

// --- Folder picker ---

HWND FindFolderPicker(DWORD processId) {
  for (HWND dialog : TopLevelWindows(processId, kDialogClass)) {
    if (HasChildOfClass(dialog, kFolderTreeClass)) return dialog;
  }
  return nullptr;
}

HWND WaitForFolderPicker(DWORD processId, milliseconds timeout) {
  HWND picker = nullptr;
  WaitUntil(
      [&] {
        picker = FindFolderPicker(processId);
        return picker && IsWindowVisible(picker);
      },
      timeout);
  return picker && IsWindowVisible(picker) ? picker : nullptr;
}

std::vector<std::string> StaticTexts(HWND dialog) {
  std::vector<std::string> texts;
  for (const auto& child : ChildControls(dialog)) {
    if (lstrcmpiA(child.className.c_str(), "Static") == 0) texts.push_back(child.text);
  }
  return texts;
}

std::vector<std::wstring> WideStaticTexts(HWND dialog) {
  std::vector<std::wstring> texts;
  for (const auto& child : ChildControls(dialog)) {
    if (lstrcmpiA(child.className.c_str(), "Static") == 0)
      texts.push_back(WideTextOf(child.window));
  }
  return texts;
}

// Lists each folder along the path once. The picker matches the path against its tree by the
// folders' complete shell records, access times included; under Wine the picker's own look-up
// reads a folder that was never read before and so changes its access time between the two,
// and the match fails. Read once beforehand, the access time stays put.
void ReadFoldersAlong(const std::wstring& path) {
  for (size_t end = path.find(L'\\'); end != std::wstring::npos; end = path.find(L'\\', end + 1)) {
    ReadFolder(path.substr(0, end + 1));
  }
  ReadFolder(path);
}

bool AnswerFolderPicker(const Process& process, HWND picker, const std::string& pathAsGiven) {
  std::wstring path(pathAsGiven.size() + 1, L'\0');
  path.resize(static_cast<size_t>(std::max(
      0, MultiByteToWideChar(CP_ACP, 0, pathAsGiven.data(), static_cast<int>(pathAsGiven.size()),
                             &path[0], static_cast<int>(path.size())))));
  return AnswerFolderPicker(process, picker, path);
}

bool AnswerFolderPicker(const Process& process, HWND picker, const std::wstring& pathAsGiven) {
  // The shell takes only backslashes as separators.
  std::wstring path = pathAsGiven;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  ReadFoldersAlong(path);
  // BFFM_SETSELECTIONW reads the path in the picker's own process.
  const SIZE_T size = (path.size() + 1) * sizeof(wchar_t);
  void* remote =
      VirtualAllocEx(process.Handle(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote) return false;
  SIZE_T written = 0;
  bool handedOver =
      WriteProcessMemory(process.Handle(), remote, path.c_str(), size, &written) && written == size;
  if (handedOver) {
    // The picker's modal loop answers sent messages, so this returns once the tree has moved.
    DWORD_PTR result = 0;
    handedOver = SendMessageTimeoutW(picker, BFFM_SETSELECTIONW, TRUE,
                                     reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG,
                                     static_cast<UINT>(kDefaultTimeout.count()), &result) != 0;
  }
  VirtualFreeEx(process.Handle(), remote, 0, MEM_RELEASE);
  if (handedOver) {
    PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(picker, IDOK)));
  }
  return handedOver;
}

void CancelFolderPicker(HWND picker) {
  PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(picker, IDCANCEL)));
}

// --- Input ---

void ClickButton(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void PostKey(HWND target, UINT virtualKey) {
  const UINT scanCode = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | (static_cast<LPARAM>(scanCode) << 16);
  const LPARAM up = down | (1 << 30) | (static_cast<LPARAM>(1) << 31);
  PostMessageA(target, WM_KEYDOWN, virtualKey, down);
  PostMessageA(target, WM_KEYUP, virtualKey, up);
}

ShiftHeld::ShiftHeld(HWND anyWindowOfThread)
    : ownThread_(GetCurrentThreadId()),
      otherThread_(GetWindowThreadProcessId(anyWindowOfThread, nullptr)) {
  // Attached threads share one input state, so the key state set here is the one the other
  // thread's GetKeyState reads.
  attached_ = otherThread_ != 0 && AttachThreadInput(ownThread_, otherThread_, TRUE) != FALSE;
  if (!attached_) return;
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] |= 0x80;
  keys[VK_LSHIFT] |= 0x80;
  holding_ = SetKeyboardState(keys) != FALSE;
}

ShiftHeld::~ShiftHeld() {
  if (holding_) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] &= static_cast<BYTE>(~0x80);
    keys[VK_LSHIFT] &= static_cast<BYTE>(~0x80);
    SetKeyboardState(keys);
  }
  if (attached_) AttachThreadInput(ownThread_, otherThread_, FALSE);
}

// What the window's thread shows: its active window, its focus and so on; all null when unknown.
static GUITHREADINFO GuiThreadInfo(HWND anyWindowOfThread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(anyWindowOfThread, nullptr);
  if (!thread || !GetGUIThreadInfo(thread, &info)) info = GUITHREADINFO{};
  return info;
}

HWND FocusedWindow(HWND anyWindowOfThread) { return GuiThreadInfo(anyWindowOfThread).hwndFocus; }

HWND ActiveWindow(HWND anyWindowOfThread) { return GuiThreadInfo(anyWindowOfThread).hwndActive; }

std::vector<uint32_t> ScreenPixels(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ former = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, former);
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = -height;  // top row first
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  const bool read =
      copied && GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                          reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) == height;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!read) return {};
  for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
  return pixels;
}

std::vector<uint32_t> ScreenPixels(HWND window) {
  RECT area;
  if (!GetWindowRect(window, &area)) return {};
  return ScreenPixels(area);
}

void PressCloseBox(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

void PostClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

// --- Registry ---

bool SetRegistryValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                      const std::string& bytes) {
  HKEY opened = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                      &opened, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status =
      RegSetValueExA(opened, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
  RegCloseKey(opened);
  return status == ERROR_SUCCESS;
}

bool DeleteRegistryValue(HKEY root, const std::string& key, const std::string& name) {
  HKEY opened = nullptr;
  const LONG open = RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &opened);
  if (open == ERROR_FILE_NOT_FOUND) return true;
  if (open != ERROR_SUCCESS) return false;
  const LONG status = RegDeleteValueA(opened, name.c_str());
  RegCloseKey(opened);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegistryKey(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  const LONG open =
      RegOpenKeyExA(root, key.c_str(), 0, DELETE | KEY_ALL_ACCESS | KEY_WOW64_64KEY, &opened);
  if (open == ERROR_FILE_NOT_FOUND) return true;
  if (open != ERROR_SUCCESS) return false;
  const LONG status = RegDeleteTreeA(opened, nullptr);
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
  // RegDeleteTree empties the key; the key itself goes last.
  const LONG removed = RegDeleteKeyExA(root, key.c_str(), KEY_WOW64_64KEY, 0);
  return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

bool SetSteamInstallText(const std::string& text) {
  return SetSteamInstallRaw(REG_SZ, text + '\0');
}

bool SetSteamInstallText(const std::wstring& text) {
  const std::wstring value = text + L'\0';
  HKEY opened = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\Rockstar Games\\GTAV", 0,
                      nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &opened,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status = RegSetValueExW(opened, L"InstallFolderSteam", 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(value.data()),
                                     static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  RegCloseKey(opened);
  return status == ERROR_SUCCESS;
}

bool SetSteamInstallRaw(DWORD type, const std::string& bytes) {
  return SetRegistryValue(HKEY_LOCAL_MACHINE, kSteamInstallKey, kSteamInstallValue, type, bytes);
}

bool DeleteSteamInstallValue() {
  return DeleteRegistryValue(HKEY_LOCAL_MACHINE, kSteamInstallKey, kSteamInstallValue);
}

bool DeleteSteamInstallKey() { return DeleteRegistryKey(HKEY_LOCAL_MACHINE, kSteamInstallKey); }

// --- Files ---

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

std::wstring Wide(const std::string& text, UINT codePage) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length =
      MultiByteToWideChar(codePage, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
  return wide;
}

// The path as the Unix file system names it, in its bytes; empty outside Wine.
std::string UnixPathOf(const std::string& path) {
  using UnixFileName = char*(CDECL*)(const WCHAR*);
  const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixFileName) return "";
  char* name = unixFileName(Wide(path, CP_ACP).c_str());
  if (!name) return "";
  const std::string unixPath = name;
  HeapFree(GetProcessHeap(), 0, name);
  return unixPath;
}

// The path as the Unix file system names it, in quotes; empty outside Wine.
std::wstring QuotedUnixPathOf(const std::string& path) {
  const std::string unixPath = UnixPathOf(path);
  return unixPath.empty() ? L"" : L"\"" + Wide(unixPath, CP_UTF8) + L"\"";
}

// Starts a Unix program with its arguments: Wine runs it beside itself and hands back no handle
// to wait on. Wide, since Unix names need not fit the ANSI code page.
bool StartUnixProgram(const std::wstring& program, const std::wstring& arguments) {
  std::wstring commandLine = program + L" " + arguments;  // CreateProcessW may write into it
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW((L"Z:" + program).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &info)) {
    return false;
  }
  if (info.hThread) CloseHandle(info.hThread);
  if (info.hProcess) CloseHandle(info.hProcess);
  return true;
}

// Wine's own request to its mount manager (in Wine 8's layout), as winecfg makes it: a drive
// letter for a Unix folder, of a drive type; with no folder, the letter is taken away.
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct MountManagerUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fileSystemType;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT mountPointOffset;  // where the Unix folder's name starts, from the request's start
  USHORT deviceOffset;
  USHORT labelOffset;
};

bool DefineUnixDrive(char letter, const std::string& unixFolder, UINT driveType) {
  MountManagerUnixDrive drive = {};
  drive.letter = static_cast<WCHAR>(letter);
  drive.type = unixFolder.empty() ? DRIVE_NO_ROOT_DIR : driveType;
  drive.mountPointOffset = unixFolder.empty() ? 0 : sizeof drive;
  drive.size = static_cast<ULONG>(sizeof drive + (unixFolder.empty() ? 0 : unixFolder.size() + 1));
  std::string request(reinterpret_cast<const char*>(&drive), sizeof drive);
  if (!unixFolder.empty()) request += unixFolder + '\0';
  HANDLE manager =
      CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const BOOL done =
      DeviceIoControl(manager, kDefineUnixDrive, &request[0], static_cast<DWORD>(request.size()),
                      nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return done != FALSE;
}

bool IsFolderLink(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

PlantedFolderLink::PlantedFolderLink(const std::string& link, const std::string& target)
    : link_(link) {
  const std::wstring unixLink = QuotedUnixPathOf(link);
  const std::wstring unixTarget = QuotedUnixPathOf(target);
  planted_ = !unixLink.empty() && !unixTarget.empty() &&
             StartUnixProgram(L"/bin/ln", L"-s -n -- " + unixTarget + L" " + unixLink) &&
             WaitUntil([&] { return IsFolderLink(link_); });
}

PlantedFolderLink::~PlantedFolderLink() {
  const std::wstring unixLink = QuotedUnixPathOf(link_);
  if (unixLink.empty() || !StartUnixProgram(L"/bin/rm", L"-f -- " + unixLink)) return;
  WaitUntil([&] { return GetFileAttributesA(link_.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

// Links the stand-in made are Unix symbolic links, which Wine's own removal would follow into
// what they lead to: under Wine the tree goes with rm, which never follows one.
void RemoveTree(const std::string& folder) {
  std::string entry = folder;
  while (entry.size() > 3 && entry.back() == '\\') entry.pop_back();
  const std::wstring unixFolder = QuotedUnixPathOf(entry);
  if (!unixFolder.empty() && GetFileAttributesA(entry.c_str()) != INVALID_FILE_ATTRIBUTES &&
      StartUnixProgram(L"/bin/rm", L"-rf -- " + unixFolder)) {
    WaitUntil([&] { return GetFileAttributesA(entry.c_str()) == INVALID_FILE_ATTRIBUTES; });
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

ScratchFolder::ScratchFolder(const std::string& name, const std::string& parent) {
  std::string base = parent;
  if (base.empty()) {
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    base = current;
  }
  if (!base.empty() && base.back() != '\\') base += '\\';
  path_ = base + name + '\\';
  RemoveTree(path_);
  std::error_code ignored;
  std::filesystem::create_directories(path_, ignored);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

FolderDrive::FolderDrive(const std::string& folder, UINT driveType) {
  const std::string unixFolder = UnixPathOf(folder);
  if (unixFolder.empty()) return;
  const DWORD used = GetLogicalDrives();
  for (char letter = 'N'; letter <= 'Y'; ++letter) {
    if (used & (1u << (letter - 'A'))) continue;
    const std::string root = std::string(1, letter) + ":\\";
    if (!DefineUnixDrive(letter, unixFolder, driveType)) return;
    if (GetDriveTypeA(root.c_str()) == driveType) {
      root_ = root;
    } else {
      DefineUnixDrive(letter, "", driveType);
    }
    return;
  }
}

FolderDrive::~FolderDrive() {
  if (!root_.empty()) DefineUnixDrive(root_[0], "", DRIVE_NO_ROOT_DIR);
}

bool KeepStandInFilesIn(const std::string& folder) {
  return SetEnvironmentVariableA("STANDIN_CMD_FOLDER", folder.c_str()) != FALSE;
}

}  // namespace ui_driver
