// The captured command run against the real cmd.exe, and the responsive wait's message
// servicing. The commands whose output is checked are the interpreter's own (echo, type, set,
// for), which start no process of their own: Wine's interpreter now and then fails to start a
// child (it then prints its "not recognized" text), a fault of its own that must not fail these
// tests.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "console/command_run.h"
#include "console/responsive_wait.h"
#include "tests/support/console_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Pattern(size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) bytes += static_cast<char>('a' + i % 26);
  return bytes;
}

struct Outcome {
  bool finished;
  std::string output;
};

// The command, ASCII here, as the interpreter gets it: in UTF-16.
std::string RunCommand(const std::string& command) {
  return console::RunCapturedCommand(console::TextFromCodePage(command, CP_ACP));
}

// A run that hangs must fail the test, not the whole test program.
Outcome RunWithDeadline(const std::string& command, std::chrono::seconds limit) {
  auto result = std::make_shared<std::promise<std::string>>();
  std::future<std::string> done = result->get_future();
  std::thread([result, command] { result->set_value(RunCommand(command)); }).detach();
  if (done.wait_for(limit) != std::future_status::ready) return {false, std::string()};
  return {true, done.get()};
}

// GetProcessHandleCount is not answered everywhere, so count the handle values that are open.
int CountOpenHandles() {
  int open = 0;
  for (ULONG_PTR value = 4; value < 4 * 4096; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  return open;
}

// A file in the temporary folder for the interpreter's `type`, removed again at the end.
class ScratchFile {
 public:
  ScratchFile(const std::string& name, const std::string& bytes) : bytes_(bytes) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ =
        std::string(temp) + "ludvane-console-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    const HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  ~ScratchFile() { DeleteFileA(path_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::string& Bytes() const { return bytes_; }
  // The command line that types the file; the short path has no blanks to split.
  std::string Type() const {
    char shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameA(path_.c_str(), shortPath, MAX_PATH);
    return "type " + (length > 0 && length < MAX_PATH ? std::string(shortPath, length) : path_);
  }

 private:
  std::string path_;
  std::string bytes_;
};

// A pause inside the interpreter that starts no process: a loop of `iterations` empty steps,
// a few microseconds each under Wine.
std::string Pause(int iterations) {
  return "(for /l %i in (1,1," + std::to_string(iterations) + ") do @rem)";
}

// Longer than any command line Windows will start.
const std::string kUnstartable = "echo " + std::string(40000, 'x');

}  // namespace

TEST(CapturedCommandRun, ReturnsExactlyWhatTheCommandWrote) {
  EXPECT_EQ(RunCommand("echo hello world"), "hello world\r\n");
  EXPECT_EQ(RunCommand("rem writes nothing"), "");
  // Both streams go into the one pipe, so the result follows the order of writing.
  EXPECT_EQ(RunCommand("echo one& echo two>&2& echo three& echo four>&2"),
            "one\r\ntwo\r\nthree\r\nfour\r\n");
}

TEST(CapturedCommandRun, KeepsEveryByteOfOutputLargerThanThePipe) {
  // The interpreter blocks on a full pipe until it is read, so a run that stops reading hangs
  // here.
  const ScratchFile large("large.txt", Pattern(200000));
  const Outcome run = RunWithDeadline(large.Type(), std::chrono::seconds(60));
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.output.size(), 200000u);
  EXPECT_EQ(run.output, Pattern(200000));
}

TEST(CapturedCommandRun, JoinsPiecesInTheOrderTheyArrive) {
  EXPECT_EQ(RunCommand("<nul set /p =one& " + Pause(10000) + "& <nul set /p =two& " + Pause(10000) +
                       "& <nul set /p =three"),
            "onetwothree");
}

TEST(CapturedCommandRun, ZeroByteDropsOnlyTheRestOfItsOwnPiece) {
  // `type` writes the small file in one piece. A busy machine can let both writes arrive in
  // one read, which rightly gives "ab"; a longer pause then separates them.
  const ScratchFile zero("zero.txt", std::string("ab\0cd", 5));
  std::string output;
  for (int pause : {30000, 120000, 500000}) {
    output = RunCommand(zero.Type() + "& " + Pause(pause) + "& <nul set /p =ef");
    if (output != "ab") break;
  }
  EXPECT_EQ(output, "abef");
}

TEST(CapturedCommandRun, NoByteLostWhenTheChildEndsRightAfterWriting) {
  // cmd.exe writes and ends at once: in turn a short echo and files typed whose sizes lie
  // around the pipe's 4096 bytes. Past that size the interpreter's last write waits for a read
  // to make room and lands just before its end, while the run is between two polls.
  const std::string last = "last-bytes-" + Pattern(40);
  std::vector<std::unique_ptr<ScratchFile>> files;
  for (size_t size : {4095u, 4096u, 4097u, 8193u}) {
    files.push_back(std::make_unique<ScratchFile>(std::to_string(size) + ".txt",
                                                  Pattern(size - last.size()) + last));
  }
  int incomplete = 0;
  std::string firstWrong;
  for (int i = 0; i < 300; ++i) {
    const size_t turn = i % (files.size() + 1);
    const bool echo = turn == files.size();
    const std::string command = echo ? "echo " + last : files[turn]->Type();
    const std::string expected = echo ? last + "\r\n" : files[turn]->Bytes();
    const std::string output = RunCommand(command);
    if (output != expected && incomplete++ == 0) {
      firstWrong = command + " gave " + std::to_string(output.size()) + " of " +
                   std::to_string(expected.size()) + " bytes, ending [" +
                   output.substr(output.size() - std::min<size_t>(output.size(), 60)) + "]";
    }
  }
  EXPECT_EQ(incomplete, 0) << "first wrong output: " << firstWrong;
}

TEST(CapturedCommandRun, ExitCode259EndsTheRunLikeAnyOther) {
  // 259 is also what a running process reports as its exit code.
  const Outcome run = RunWithDeadline("echo done& exit 259", std::chrono::seconds(30));
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.output, "done\r\n");
}

TEST(CapturedCommandRun, ChildThatCannotStartGivesEmptyTextAtOnce) {
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(RunCommand(kUnstartable), "");
  EXPECT_LT(MillisecondsSince(start), 1000);
}

TEST(CapturedCommandRun, LeavesNoHandleOpen) {
  RunCommand("echo warm up");
  const int before = CountOpenHandles();
  for (int i = 0; i < 20; ++i) {
    RunCommand("echo x");
    RunCommand(ConsoleWriterCommand("out a err b"));
    RunCommand(kUnstartable);
  }
  // A little slack for handles the system opens lazily; a leak per run is far more.
  EXPECT_LE(CountOpenHandles(), before + 5);
}

TEST(CapturedCommandRun, InterpreterFollowsThePlatformFamily) {
  EXPECT_EQ(console::InterpreterPrefix(VER_PLATFORM_WIN32_NT), L"cmd.exe /d /v:off /c ");
  for (unsigned long older : {0ul, 1ul, 7ul}) {
    EXPECT_EQ(console::InterpreterPrefix(older), L"command.com /c ");
  }
}

TEST(ResponsiveWait, DueTimeIsRelativeIn100NanosecondUnits) {
  EXPECT_EQ(console::DueTimeFor(1, console::kMilliseconds), -10000);
  EXPECT_EQ(console::DueTimeFor(2, console::kSeconds), -20000000);
  EXPECT_EQ(console::DueTimeFor(3, console::kMinutes), -1800000000LL);
  // Past the 32-bit range.
  EXPECT_EQ(console::DueTimeFor(5, console::kHours), -180000000000LL);
}

namespace {

// A message-only window on the test thread that counts the WM_APP messages dispatched to it.
class MessageServicing : public ::testing::Test {
 protected:
  static int dispatched;
  static Clock::time_point lastDispatch;

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      ++dispatched;
      lastDispatch = Clock::now();
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  void SetUp() override {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "LudvaneConsoleTestWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    console::PumpEvents();
    dispatched = 0;
  }

  void TearDown() override {
    DestroyWindow(window_);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  HWND window_ = nullptr;
};

int MessageServicing::dispatched = 0;
Clock::time_point MessageServicing::lastDispatch;

}  // namespace

TEST_F(MessageServicing, WaitDispatchesMessagesAsTheyComeAndEndsWhenTheTimerFires) {
  const HWND window = window_;
  const Clock::time_point start = Clock::now();
  std::thread poster([window] {
    for (int i = 0; i < 3; ++i) PostMessageA(window, WM_APP, 0, 0);
  });
  EXPECT_TRUE(console::ResponsiveWait(1, console::kSeconds));
  const long long waited = MillisecondsSince(start);
  poster.join();
  EXPECT_EQ(dispatched, 3);
  // Served inside the wait, long before the timer; the messages did not cut the wait short.
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(lastDispatch - start).count(),
            500);
  EXPECT_GE(waited, 950);
}

TEST_F(MessageServicing, PendingInputCheckLeavesOtherMessagesQueued) {
  PostMessageA(window_, WM_APP, 0, 0);
  console::CheckPendingInput();
  EXPECT_EQ(dispatched, 0);
  console::PumpEvents();
  EXPECT_EQ(dispatched, 1);
}

TEST_F(MessageServicing, PumpLeavesQuitForTheMessageLoop) {
  PostMessageA(window_, WM_APP, 0, 0);
  PostQuitMessage(7);
  PostMessageA(window_, WM_APP, 0, 0);
  console::PumpEvents();
  EXPECT_EQ(dispatched, 2);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}
