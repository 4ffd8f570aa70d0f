// A stand-in for the command interpreter, installed as the test prefix's own system32\cmd.exe
// (and syswow64\cmd.exe), since Wine's own mklink makes no links. Wine's interpreter stays
// beside it as wine-cmd.exe.
//
// Its files live in the folder named by the STANDIN_CMD_FOLDER environment variable, which the
// program passes on to its children, or beside it when that is not set.
//
// Every mklink command line is appended to cmd-log.txt there, one line each: the bytes after
// the program name and the blanks that follow it, in the ANSI code page (so
// "cmd.exe /d /v:off /c mklink ..." is logged as "/d /v:off /c mklink ..."); and to
// cmd-log-utf8.txt the same, as Windows passed it in UTF-16 (GetCommandLineW), in UTF-8, since a
// folder's name need not fit the ANSI code page. Switches before /c change nothing here.
//
// It imitates mklink: mklink "L" "T" and mklink /J "L" "T" make L a Unix symbolic link to T, which
// Wine opens through to T as Windows opens a link, when T exists; for a T that does not, L is a
// small file naming T, or a folder. An existing L, or a missing folder on the way, gets mklink's
// error (the system's own words) on standard error and exit code 1; a made link gets mklink's
// report on standard output and exit code 0, both in the console's code page (OEM) as the
// interpreter writes them. Every other command line goes to Wine's interpreter
// unchanged, and its exit code is this program's.
//
// Its current folder, for each mklink, is appended to cmd-cwd.txt, and its process id replaces
// cmd-pid.txt.
//
// cmd-refuse.txt there, when present, names links to refuse, one a line: each link whose path
// ends with a line ("*" for every link) gets mklink's error for a missing privilege on standard
// error, exit code 1, and nothing made.
//
// cmd-delay-ms.txt there, when present, holds a number of milliseconds to wait after the link
// is made and before answering, to make a conversion slow enough to watch.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/process_start.h"

namespace {

std::string OwnFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string FilesFolder() {
  char folder[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("STANDIN_CMD_FOLDER", folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return OwnFolder();
  std::string named(folder, length);
  return named.back() == '\\' ? named : named + '\\';
}

// Runs the whole command line through Wine's own interpreter and returns its exit code.
int HandOver() {
  const std::string interpreter = OwnFolder() + "wine-cmd.exe";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info = {};
  if (StartProcess(interpreter, GetCommandLineA(), TRUE, nullptr, startup, info) != 0) return 9009;
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return static_cast<int>(code);
}

// The command line after the program name, which may be quoted, and its following blanks.
template <typename Char>
std::basic_string<Char> ArgumentsOf(const Char* commandLine) {
  const Char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

void AppendToFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadFileText(const std::string& path) {
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

// The text in the code page.
std::string Bytes(const std::wstring& text, UINT codePage) {
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), size, &bytes[0], length, nullptr, nullptr);
  return bytes;
}

std::wstring Wide(const std::string& bytes) {
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, &text[0], length);
  return text;
}

std::wstring SystemWords(DWORD code) {
  wchar_t words[512] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                 words, 512, nullptr);
  return words;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

// The path as the Unix file system names it, in UTF-16 from its UTF-8 bytes; empty outside Wine.
std::wstring UnixPathOf(const std::wstring& path) {
  using UnixFileName = char*(CDECL*)(const WCHAR*);
  const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixFileName) return L"";
  char* name = unixFileName(path.c_str());
  if (!name) return L"";
  WCHAR unixPath[4 * MAX_PATH] = {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, name, -1, unixPath, 4 * MAX_PATH);
  HeapFree(GetProcessHeap(), 0, name);
  return length > 0 ? unixPath : L"";
}

// Makes `link` a Unix symbolic link to `target` with ln, which Wine starts beside itself without a
// handle to wait on: so until the link shows, within a deadline that fits an emulated Wine. Wide,
// since a Unix name need not fit the ANSI code page.
bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
  const std::wstring unixLink = UnixPathOf(link);
  const std::wstring unixTarget = UnixPathOf(target);
  if (unixLink.empty() || unixTarget.empty()) return false;
  std::wstring commandLine = L"/bin/ln -s -n -- \"" + unixTarget + L"\" \"" + unixLink + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(L"Z:/bin/ln", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  if (info.hThread) CloseHandle(info.hThread);
  if (info.hProcess) CloseHandle(info.hProcess);
  for (int waited = 0; waited < 60000; waited += 5) {
    if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(5);
  }
  return false;
}

// Writes the text in the console's code page, as the interpreter does.
void Write(DWORD stream, const std::wstring& text) {
  const std::string bytes = Bytes(text, GetOEMCP());
  DWORD written = 0;
  WriteFile(GetStdHandle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
            nullptr);
}

// Reads a quoted path at `p` as cmd.exe does: everything up to the closing quote, backslashes
// included. Leaves `p` after it.
bool NextQuoted(const wchar_t*& p, std::wstring& path) {
  while (*p == L' ') ++p;
  if (*p != L'"') return false;
  const wchar_t* start = ++p;
  while (*p && *p != L'"') ++p;
  if (!*p) return false;
  path.assign(start, p);
  ++p;
  return true;
}

// True when a line of `refusals` is "*" or ends `link`.
bool Refused(const std::wstring& link, const std::wstring& refusals) {
  size_t start = 0;
  while (start < refusals.size()) {
    size_t end = refusals.find(L'\n', start);
    if (end == std::wstring::npos) end = refusals.size();
    std::wstring line = refusals.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    const bool endsLink = line.size() <= link.size() &&
                          link.compare(link.size() - line.size(), line.size(), line) == 0;
    if (line == L"*" || (!line.empty() && endsLink)) return true;
    start = end + 1;
  }
  return false;
}

// Makes the link, unless `refusals` names it; returns mklink's exit code.
int Mklink(const wchar_t* p, const std::wstring& refusals) {
  const bool junction = wcsncmp(p, L"/J ", 3) == 0;
  if (junction) p += 3;
  std::wstring link;
  std::wstring target;
  if (!NextQuoted(p, link) || !NextQuoted(p, target)) {
    Write(STD_ERROR_HANDLE, L"The syntax of the command is incorrect.\r\n");
    return 1;
  }
  if (Refused(link, refusals)) {
    Write(STD_ERROR_HANDLE, L"You do not have sufficient privilege to perform this operation.\r\n");
    return 1;
  }
  const std::wstring entry = WithoutTrailingBackslash(link);
  if (GetFileAttributesW(entry.c_str()) != INVALID_FILE_ATTRIBUTES) {
    Write(STD_ERROR_HANDLE, SystemWords(ERROR_ALREADY_EXISTS));
    return 1;
  }
  const std::wstring parent = entry.substr(0, entry.find_last_of(L'\\') + 1);
  if (GetFileAttributesW(parent.c_str()) == INVALID_FILE_ATTRIBUTES) {
    Write(STD_ERROR_HANDLE, SystemWords(ERROR_PATH_NOT_FOUND));
    return 1;
  }
  bool made;
  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    made = MakeUnixLink(entry, WithoutTrailingBackslash(target));
  } else if (junction) {
    made = CreateDirectoryW(link.c_str(), nullptr) != 0;
  } else {
    HANDLE file = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    made = file != INVALID_HANDLE_VALUE;
    if (made) {
      const std::string content = "link to " + Bytes(target, CP_ACP);
      DWORD written = 0;
      WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  if (!made) {
    Write(STD_ERROR_HANDLE, SystemWords(ERROR_PATH_NOT_FOUND));
    return 1;
  }
  Write(STD_OUTPUT_HANDLE, (junction ? L"Junction created for " : L"symbolic link created for ") +
                               link + L" <<===>> " + target + L"\r\n");
  return 0;
}

}  // namespace

int main() {
  const std::wstring arguments = ArgumentsOf(GetCommandLineW());
  const wchar_t* p = arguments.c_str();
  while (*p == L'/' && p[1] != L'c') {
    while (*p && *p != L' ') ++p;
    while (*p == L' ') ++p;
  }
  if (wcsncmp(p, L"/c mklink ", 10) != 0) return HandOver();
  p += 3;

  const std::string folder = FilesFolder();
  AppendToFile(folder + "cmd-log.txt", ArgumentsOf(GetCommandLineA()) + "\n");
  AppendToFile(folder + "cmd-log-utf8.txt", Bytes(arguments, CP_UTF8) + "\n");
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  AppendToFile(folder + "cmd-cwd.txt", std::string(current) + "\n");
  DeleteFileA((folder + "cmd-pid.txt").c_str());
  AppendToFile(folder + "cmd-pid.txt", std::to_string(GetCurrentProcessId()));

  const int code = Mklink(p + 7, Wide(ReadFileText(folder + "cmd-refuse.txt")));
  const int delayMs = std::atoi(ReadFileText(folder + "cmd-delay-ms.txt").c_str());
  if (delayMs > 0) Sleep(static_cast<DWORD>(delayMs));
  return code;
}
