// The captured command run against the real cmd.exe and the console_writer child, and the
// responsive wait's message servicing.
#include <windows.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

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

// A run that hangs must fail the test, not the whole test program.
Outcome RunWithDeadline(const std::string& command, std::chrono::seconds limit) {
  auto result = std::make_shared<std::promise<std::string>>();
  std::future<std::string> done = result->get_future();
  std::thread([result, command] {
    result->set_value(console::RunCapturedCommand(command));
  }).detach();
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

// Longer than any command line Windows will start.
const std::string kUnstartable = "echo " + std::string(40000, 'x');

}  // namespace

TEST(CapturedCommandRun, ReturnsExactlyWhatTheCommandWrote) {
  EXPECT_EQ(console::RunCapturedCommand("echo hello world"), "hello world\r\n");
  EXPECT_EQ(console::RunCapturedCommand("rem writes nothing"), "");
  // Both streams go into the one pipe, so the result follows the order of writing.
  EXPECT_EQ(console::RunCapturedCommand(ConsoleWriterCommand("out one err two out three err four")),
            "onetwothreefour");
}

TEST(CapturedCommandRun, KeepsEveryByteOfOutputLargerThanThePipe) {
  // The child blocks on a full pipe until it is read, so a run that stops reading hangs here.
  const Outcome run =
      RunWithDeadline(ConsoleWriterCommand("fill 200000"), std::chrono::seconds(60));
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.output.size(), 200000u);
  EXPECT_EQ(run.output, Pattern(200000));
}

TEST(CapturedCommandRun, JoinsPiecesInTheOrderTheyArrive) {
  EXPECT_EQ(console::RunCapturedCommand(
                ConsoleWriterCommand("out one pause 30 out two pause 30 out three")),
            "onetwothree");
}

TEST(CapturedCommandRun, ZeroByteDropsOnlyTheRestOfItsOwnPiece) {
  // A busy machine can let both writes arrive in one read, which rightly gives "ab"; a longer
  // pause then separates them.
  std::string output;
  for (int pause : {100, 400, 1500}) {
    output = console::RunCapturedCommand(
        ConsoleWriterCommand("zero ab cd pause " + std::to_string(pause) + " out ef"));
    if (output != "ab") break;
  }
  EXPECT_EQ(output, "abef");
}

TEST(CapturedCommandRun, NoByteLostWhenTheChildEndsRightAfterWriting) {
  const std::string last = "last-bytes-" + Pattern(40);
  int incomplete = 0;
  std::string firstWrong;
  for (int i = 0; i < 300; ++i) {
    // Alternately cmd.exe itself and a child of it write last and end at once.
    const bool echo = i % 2 == 0;
    const std::string output =
        console::RunCapturedCommand(echo ? "echo " + last : ConsoleWriterCommand("out " + last));
    if (output != (echo ? last + "\r\n" : last) && incomplete++ == 0) firstWrong = output;
  }
  EXPECT_EQ(incomplete, 0) << "first wrong output: [" << firstWrong << "]";
}

TEST(CapturedCommandRun, ExitCode259EndsTheRunLikeAnyOther) {
  // 259 is also what a running process reports as its exit code.
  const Outcome run = RunWithDeadline("echo done& exit 259", std::chrono::seconds(30));
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.output, "done\r\n");
}

TEST(CapturedCommandRun, ChildThatCannotStartGivesEmptyTextAtOnce) {
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(console::RunCapturedCommand(kUnstartable), "");
  EXPECT_LT(MillisecondsSince(start), 1000);
}

TEST(CapturedCommandRun, LeavesNoHandleOpen) {
  console::RunCapturedCommand("echo warm up");
  const int before = CountOpenHandles();
  for (int i = 0; i < 20; ++i) {
    console::RunCapturedCommand("echo x");
    console::RunCapturedCommand(ConsoleWriterCommand("out a err b"));
    console::RunCapturedCommand(kUnstartable);
  }
  // A little slack for handles the system opens lazily; a leak per run is far more.
  EXPECT_LE(CountOpenHandles(), before + 5);
}

TEST(CapturedCommandRun, InterpreterFollowsThePlatformFamily) {
  EXPECT_EQ(console::InterpreterPrefix(VER_PLATFORM_WIN32_NT), "cmd.exe /c ");
  for (unsigned long older : {0ul, 1ul, 7ul}) {
    EXPECT_EQ(console::InterpreterPrefix(older), "command.com /c ");
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
