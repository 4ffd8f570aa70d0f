#include "console/command_run.h"

#include <windows.h>

#include <cstring>

#include "console/responsive_wait.h"
#include "console/scoped_handle.h"

namespace console {

#ifdef LUDVANE_TRACE_CAPTURED_RUN
// Defined only by the stress program, whose own compilation of this file records which way each
// run went; in every other build the trace lines are empty.
void TraceCapturedRun(const char* step, bool ended, long result, unsigned long count,
                      unsigned long error);
#define TRACE_RUN(step, ended, result, count, error) \
  ::console::TraceCapturedRun(step, ended, result, count, error)
#else
#define TRACE_RUN(step, ended, result, count, error) ((void)0)
#endif

namespace {

unsigned long PlatformId() {
  OSVERSIONINFOW info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  // Every system that can still run this program is of the NT family.
  info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  // Only the platform family is read, which the deprecation does not concern.
  // Silenced around the call alone: push and pop hold whatever lines stand between them.
#ifdef _MSC_VER
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
  GetVersionExW(&info);
#ifdef _MSC_VER
#pragma warning(pop)
#endif
  return info.dwPlatformId;
}

// The system folder, without a trailing backslash; empty when the system does not say.
std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return std::wstring(folder, length);
}

// The interpreter's full path in the system folder. Run elevated, the program must never start
// a cmd.exe that someone dropped beside it or into its current folder, which is where a search
// by name would look first.
std::wstring InterpreterPath(const std::wstring& systemFolder, const std::wstring& prefix) {
  if (systemFolder.empty()) return std::wstring();
  // The prefix's first word is the interpreter's file name.
  return systemFolder + L"\\" + prefix.substr(0, prefix.find(L' '));
}

// Reads exactly the `available` bytes the peek reported, so the read never blocks, and appends
// them up to the first zero byte. False when nothing was delivered.
bool AppendPiece(HANDLE readEnd, DWORD available, std::string& output) {
  std::string piece(available, '\0');
  DWORD delivered = 0;
  const BOOL done = ReadFile(readEnd, &piece[0], available, &delivered, nullptr);
  TRACE_RUN("read", false, done, delivered, done ? 0 : GetLastError());
  if (!done || delivered == 0) return false;
  piece.resize(delivered);
  output.append(piece.c_str());
  return true;
}

// How much one read takes from a pipe whose child has ended.
constexpr DWORD kDrainPiece = 4096;

// Sets the read end not to wait, so a read returns the bytes there are or fails at once, even
// while some grandchild still holds a write end.
bool StopWaiting(HANDLE readEnd) {
  DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
  return SetNamedPipeHandleState(readEnd, &mode, nullptr, nullptr) != FALSE;
}

// Under Wine a start fails with this now and then on a busy machine: the new process ended
// before its start-up was done, so its command never ran and starting it again is sound. Any
// other failure (no such file, a command line too long) is final.
constexpr DWORD kStartDidNotComplete = ERROR_INTERNAL_ERROR;
constexpr int kStartAttempts = 4;

bool HasEnded(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// The longest command line Windows starts, its terminating zero included. Wine's CreateProcessW
// starts longer ones, which the interpreter then never finishes; Windows refuses them.
constexpr size_t kLongestCommandLine = 32767;

}  // namespace

std::wstring InterpreterPrefix(unsigned long platformId) {
  // /d: no AutoRun command from the registry runs first, with the program's rights. /v:off: a
  // DelayedExpansion setting there cannot take a "!" out of a path.
  return platformId == VER_PLATFORM_WIN32_NT ? L"cmd.exe /d /v:off /c " : L"command.com /c ";
}

std::string RunCapturedCommand(const std::wstring& command) {
  SECURITY_ATTRIBUTES pipeAttributes;
  std::memset(&pipeAttributes, 0, sizeof pipeAttributes);
  pipeAttributes.nLength = sizeof pipeAttributes;
  pipeAttributes.lpSecurityDescriptor = nullptr;
  pipeAttributes.bInheritHandle = TRUE;

  ScopedHandle readEnd;
  ScopedHandle writeEnd;
  if (CreatePipe(readEnd.Receive(), writeEnd.Receive(), &pipeAttributes, 0)) {
    // Only the write end is the child's; an inherited read end would keep the pipe open in it.
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
  }

  STARTUPINFOW startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = nullptr;
  startup.hStdOutput = writeEnd.Get();
  startup.hStdError = writeEnd.Get();

  // CreateProcessW may write into the command line, so it gets its own copy. In UTF-16 to the
  // end: a folder's name need not fit the ANSI code page.
  const std::wstring prefix = InterpreterPrefix(PlatformId());
  const std::wstring systemFolder = SystemFolder();
  const std::wstring interpreter = InterpreterPath(systemFolder, prefix);
  PROCESS_INFORMATION info;
  std::memset(&info, 0, sizeof info);
  BOOL started = FALSE;
  const bool startable = prefix.size() + command.size() < kLongestCommandLine;
  for (int attempt = 1; startable && !interpreter.empty(); ++attempt) {
    std::wstring commandLine = prefix + command;
    // The system folder as its current folder: one the program inherited may be a share, where
    // the interpreter would first print its warning about UNC paths, or a folder that goes away.
    started = CreateProcessW(interpreter.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                             nullptr, systemFolder.c_str(), &startup, &info);
    const DWORD startError = started ? 0 : GetLastError();
    TRACE_RUN("start", false, started, attempt, startError);
    if (started || startError != kStartDidNotComplete || attempt == kStartAttempts) break;
    CheckPendingInput();
    ResponsiveWait(10);
  }
  ScopedHandle process(started ? info.hProcess : nullptr);
  ScopedHandle thread(started ? info.hThread : nullptr);
  // From here on the child's copy is the only writer.
  writeEnd.Reset();
  if (!process.Valid()) return std::string();

  std::string output;
  for (;;) {
    // Asked before the peek: once the child has ended, everything it wrote is already in the
    // pipe, so this pass and the ones after it read it all before the loop is left.
    const bool ended = HasEnded(process.Get());
    bool read = false;
    DWORD available = 0;
    const BOOL peeked =
        readEnd.Valid() && PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr);
    const DWORD peekError = peeked ? 0 : GetLastError();
    TRACE_RUN(readEnd.Valid() ? "peek" : "no pipe", ended, peeked, available, peekError);
    if (!readEnd.Valid()) {
      // No pipe: nothing to read, only the end to wait for.
    } else if (peeked) {
      read = available > 0 && AppendPiece(readEnd.Get(), available, output);
    } else if (ended) {
      // Whatever the failed peek says, bytes may still be buffered. With the pipe broken no
      // writer is left, so a read cannot block; with any other error it must not wait.
      read = (peekError == ERROR_BROKEN_PIPE || StopWaiting(readEnd.Get())) &&
             AppendPiece(readEnd.Get(), kDrainPiece, output);
    }
    if (ended) {
      if (read) continue;
      break;
    }
    CheckPendingInput();
    ResponsiveWait(1);
  }
  TRACE_RUN(
      "exit", true,
      [&process] {
        DWORD code = 0;
        GetExitCodeProcess(process.Get(), &code);
        return static_cast<long>(code);
      }(),
      0, 0);
  return output;
}

std::wstring TextFromCodePage(const std::string& text, unsigned codePage, unsigned long flags) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), size, &wide[0], length);
  return wide;
}

std::wstring ConsoleText(const std::string& text) { return TextFromCodePage(text, GetOEMCP()); }

}  // namespace console
