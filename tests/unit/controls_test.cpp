// The controls as the handlers use them, on a hidden window of the test's own: what the progress
// bar shows, when the timer runs, and the transparent label's caption store.
#include "app/controls.h"
#include "app/window_loader.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::RegisterControlClasses(GetModuleHandleA(nullptr));
    window_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window_);
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
  }

  HWND window_ = nullptr;
};

int ShownPosition(const app::ProgressBar& bar) {
  return static_cast<int>(SendMessageA(bar.window, PBM_GETPOS, 0, 0));
}

int ShownMaximum(const app::ProgressBar& bar) {
  return static_cast<int>(SendMessageA(bar.window, PBM_GETRANGE, FALSE, 0));
}

TEST_F(ControlsTest, ProgressBarShowsItsPositionWithinItsRange) {
  app::ProgressBar bar;
  ASSERT_TRUE(app::CreateProgressBar(window_, 1, app::Place(8, 8, 488, 16), bar));
  EXPECT_EQ(100, ShownMaximum(bar));
  EXPECT_EQ(0, ShownPosition(bar));

  app::SetProgressMaximum(bar, 35);
  EXPECT_EQ(35, ShownMaximum(bar));
  app::SetProgressPosition(bar, 17);
  EXPECT_EQ(17, ShownPosition(bar));
  app::SetProgressPosition(bar, 36);
  EXPECT_EQ(35, ShownPosition(bar)) << "past the maximum shows a full bar";
  EXPECT_EQ(36, bar.position) << "the written value is kept";
  app::SetProgressPosition(bar, -5);
  EXPECT_EQ(0, ShownPosition(bar));
  EXPECT_EQ(0, bar.position);

  app::SetProgressMaximum(bar, 40000);
  EXPECT_EQ(32767, ShownMaximum(bar));
  EXPECT_EQ(32767, bar.maximum);
}

TEST_F(ControlsTest, TimerRunsOnlyWhileItsPeriodIsAboveZero) {
  app::WindowTimer timer;
  timer.owner = window_;
  app::SetTimerPeriod(timer, -5);
  EXPECT_EQ(0, timer.period);
  EXPECT_FALSE(KillTimer(window_, timer.id)) << "a negative period starts nothing";

  app::SetTimerPeriod(timer, 100);
  app::SetTimerPeriod(timer, 100);
  EXPECT_EQ(100, timer.period);
  app::SetTimerPeriod(timer, 0);
  EXPECT_EQ(0, timer.period);
  EXPECT_FALSE(KillTimer(window_, timer.id)) << "period 0 stops it";
}

TEST_F(ControlsTest, LabelCaptionIsKeptWholeAndReadableAfterTheLabelIsGone) {
  HWND label = app::CreateTransparentLabel(window_, 2, app::Place(120, 13, 512, 24), L"start");
  ASSERT_TRUE(label);
  EXPECT_EQ(L"start", app::ReadCaption(label));

  // 한국어: a caption need not fit the ANSI code page.
  const std::wstring longCaption =
      L"D:\\\uD55C\uAD6D\uC5B4\\" + std::wstring(2 * MAX_PATH, L'x') + L"\\";
  app::WriteCaption(label, longCaption);
  EXPECT_EQ(longCaption, app::ReadCaption(label));
  app::WriteCaption(label, L"");
  EXPECT_EQ(L"", app::ReadCaption(label));

  DestroyWindow(label);
  EXPECT_EQ(L"", app::ReadCaption(label)) << "a caption read never touches a freed label";
}

}  // namespace
