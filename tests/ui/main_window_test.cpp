// Drives the real ludvane.exe through its main window as a user would: what the window shows,
// the Steam field filled from the registry at start, both folder pickers, the start button's
// checks, the hand-over to the progress window, the keyboard and the ways to close it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/texts.h"
#include "tests/ui/conversion_rig.h"
#include "tests/ui/ui_driver.h"

namespace {

using namespace ui_driver;

constexpr char kMainWindowClass[] = "LudvaneMainWindow";
constexpr char kProgressWindowClass[] = "LudvaneProgressWindow";
constexpr char kLabelClass[] = "LudvaneTransparentLabel";
// On drive C: of the test prefix, inside the build folder: the picker's tree reaches it in a few
// steps, where the drive that maps the whole Unix file system would make it list far more.
constexpr char kScratchRoot[] = "C:\\ludvane-ui-tests";

// The main window's controls in their z-order, topmost first.
enum MainControl {
  kStartButton,
  kEpicBrowseButton,
  kEpicField,
  kEpicCaption,
  kSteamCaption,
  kSteamField,
  kSteamBrowseButton,
  kMainControlCount
};

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

// Prints texts as the hexadecimal bytes they are, so a failure shows what differs.
std::string Bytes(const std::string& text) {
  std::string shown = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      shown += static_cast<char>(c);
    } else {
      char escape[8];
      wsprintfA(escape, "\\x%02X", c);
      shown += escape;
    }
  }
  return shown + "\"";
}

// The window's pixels on the screen once they are drawn (not all one colour) and stop changing,
// so that a repaint not finished yet is not read half done; empty when the screen cannot be
// read. `beforeEachLook` runs before each read.
std::vector<uint32_t> SettledPixels(HWND window,
                                    const std::function<void()>& beforeEachLook = nullptr) {
  std::vector<uint32_t> last;
  WaitUntil(
      [&] {
        if (beforeEachLook) beforeEachLook();
        std::vector<uint32_t> now = ScreenPixels(window);
        const bool drawn = !now.empty() && now != std::vector<uint32_t>(now.size(), now[0]);
        const bool settled = drawn && now == last;
        last = std::move(now);
        return settled;
      },
      kDefaultTimeout, milliseconds(100));
  return last;
}

size_t PixelsDiffering(const std::vector<uint32_t>& one, const std::vector<uint32_t>& other) {
  if (one.size() != other.size()) return std::max(one.size(), other.size());
  size_t differing = 0;
  for (size_t i = 0; i < one.size(); ++i) differing += one[i] != other[i];
  return differing;
}

// Paints the window's text as a label must draw its caption: every character as it is.
LRESULT CALLBACK CaptionAsItIsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
  char caption[MAX_PATH * 2] = {};
  const int length = GetWindowTextA(window, caption, sizeof caption);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ formerFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextA(dc, caption, length, &client,
            DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP | DT_NOPREFIX);
  SelectObject(dc, formerFont);
  EndPaint(window, &paint);
  return 0;
}

// The caption's pixels as a label of that size must show it, drawn on the screen by this test
// in a window of its own.
std::vector<uint32_t> CaptionAsItIs(const std::string& caption, const RECT& size) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CaptionAsItIsProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "LudvaneTestCaptionAsItIs";
  RegisterClassA(&windowClass);
  HWND window =
      CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                      windowClass.lpszClassName, caption.c_str(), WS_POPUP | WS_VISIBLE, 0, 0,
                      Width(size), Height(size), nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return {};
  // The paint messages of this thread's window come through its queue.
  const std::vector<uint32_t> pixels = SettledPixels(window, [] {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  });
  DestroyWindow(window);
  return pixels;
}

bool IsLight(uint32_t pixel) {
  return (pixel & 0xFF) > 0xC0 && (pixel >> 8 & 0xFF) > 0xC0 && (pixel >> 16 & 0xFF) > 0xC0;
}

bool IsDark(uint32_t pixel) {
  return (pixel & 0xFF) < 0x40 && (pixel >> 8 & 0xFF) < 0x40 && (pixel >> 16 & 0xFF) < 0x40;
}

// A high-contrast scheme for the object's life, as some users have it: a black button face
// with white button text. Set before the program starts; the former colours come back after.
class HighContrastScheme {
 public:
  HighContrastScheme() : former_{GetSysColor(kElements[0]), GetSysColor(kElements[1])} {
    const COLORREF highContrast[] = {RGB(0, 0, 0), RGB(255, 255, 255)};
    SetSysColors(2, kElements, highContrast);
  }
  ~HighContrastScheme() { SetSysColors(2, kElements, former_); }
  HighContrastScheme(const HighContrastScheme&) = delete;
  HighContrastScheme& operator=(const HighContrastScheme&) = delete;

 private:
  static constexpr INT kElements[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
  COLORREF former_[2];
};

// A folder name of its own for each test: its name without the parameter's separator.
std::string ScratchName() {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(name.begin(), name.end(), '/', '-');
  return name;
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest()
      : scratch_(ScratchName(), kScratchRoot),
        steamFolder_(scratch_.Path() + "Steam\\"),
        epicFolder_(scratch_.Path() + "Epic\\") {
    CreateDirectoryA(steamFolder_.c_str(), nullptr);
    CreateDirectoryA(epicFolder_.c_str(), nullptr);
    // One of the game's files is enough for the start button to take it for the game's folder.
    conversion_rig::WriteFileBytes(steamFolder_ + "common.rpf", "");
  }

  void SetUp() override {
    // The usual start: the registry names the Steam folder with its "GTAV" tail.
    ASSERT_TRUE(SetSteamInstallText(steamFolder_ + "GTAV"));
  }

  static void TearDownTestSuite() {
    DeleteSteamInstallKey();
    RemoveDirectoryA(kScratchRoot);
  }

  // Starts the program (the built one, or a copy) and waits for its main window to be shown.
  void Start(const std::string& exe = FindLudvaneExe(), const std::string& workingFolder = "") {
    ASSERT_FALSE(exe.empty()) << "ludvane.exe not found near " << OwnFolder();
    ludvane_.reset();
    ludvane_ = std::make_unique<Process>(exe, workingFolder);
    ASSERT_TRUE(ludvane_->Started()) << "CreateProcess failed: " << ludvane_->StartError();
    main_ = WaitForTopLevelWindow(ludvane_->Id(), kMainWindowClass);
    ASSERT_TRUE(main_) << "the main window was not shown";
    controls_ = ChildControls(main_);
    ASSERT_EQ(kMainControlCount, static_cast<int>(controls_.size()));
  }

  HWND Control(MainControl which) const { return controls_[which].window; }
  std::string Field(MainControl which) const { return TextOf(Control(which)); }

  ::testing::AssertionResult FieldBecomes(MainControl field, const std::string& expected) const {
    if (WaitUntil([&] { return Field(field) == expected; })) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "field holds " << Bytes(Field(field)) << ", expected " << Bytes(expected);
  }

  // Presses a browse button and answers its picker with `path`, or cancels it when empty.
  void Pick(MainControl button, const std::string& path) {
    ClickButton(Control(button));
    HWND picker = WaitForFolderPicker(ludvane_->Id());
    ASSERT_TRUE(picker) << "no folder picker";
    if (path.empty()) {
      CancelFolderPicker(picker);
    } else {
      ASSERT_TRUE(AnswerFolderPicker(*ludvane_, picker, path));
    }
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(picker) && IsWindowEnabled(main_); }))
        << "the picker did not close, or the main window stayed disabled";
  }

  // Presses start and expects one message box with this text and these buttons.
  MessageBoxFacts PressStartExpecting(const char* text, std::vector<int> buttons) {
    ClickButton(Control(kStartButton));
    MessageBoxFacts box = WaitForMessageBox(ludvane_->Id());
    EXPECT_TRUE(box.window) << "no message box";
    EXPECT_EQ(texts::Wide(texts::kMessageBoxCaption), box.wideCaption);
    EXPECT_EQ(texts::Wide(text), box.wideText);
    EXPECT_EQ(buttons, box.buttons);
    EXPECT_FALSE(IsWindowEnabled(main_)) << "the box is task-modal";
    return box;
  }

  // The three buttons in the order Tab visits them.
  std::vector<HWND> TabCycle() const {
    return {Control(kSteamBrowseButton), Control(kEpicBrowseButton), Control(kStartButton)};
  }

  // After a dialog: the main window is its thread's active window again, the button that was
  // pressed has the keyboard focus, and a Tab the user presses moves it on to the next button,
  // which also shows that the program's own message loop runs again (a modal loop, such as
  // that of a second message box, would not move it).
  ::testing::AssertionResult FocusBackOn(HWND button) const {
    if (!WaitUntil(
            [&] { return ActiveWindow(main_) == main_ && FocusedWindow(main_) == button; })) {
      return ::testing::AssertionFailure()
             << "active window " << ActiveWindow(main_) << ", focus " << FocusedWindow(main_)
             << "; expected the main window " << main_ << " and the button " << button;
    }
    const auto cycle = TabCycle();
    const auto at = std::find(cycle.begin(), cycle.end(), button) - cycle.begin();
    const HWND next = cycle[static_cast<size_t>(at + 1) % cycle.size()];
    PostKey(FocusedWindow(main_), VK_TAB);
    if (!WaitUntil([&] { return FocusedWindow(main_) == next; })) {
      return ::testing::AssertionFailure() << "Tab did not move the focus on";
    }
    return ::testing::AssertionSuccess();
  }

  void ExpectEndsWithCodeZero() {
    ASSERT_TRUE(ludvane_->WaitForExit()) << "the program did not end";
    EXPECT_EQ(0u, ludvane_->ExitCode());
  }

  ScratchFolder scratch_;
  const std::string steamFolder_;
  const std::string epicFolder_;
  std::unique_ptr<Process> ludvane_;
  HWND main_ = nullptr;
  std::vector<WindowFacts> controls_;
};

// --- What the main window shows ---

TEST_F(MainWindowTest, WindowHasItsTitleSizePlaceAndFixedFrame) {
  ASSERT_NO_FATAL_FAILURE(Start());
  // Read back in UTF-16: the same under any system locale.
  EXPECT_EQ(texts::Wide(texts::kMainWindowTitle), WideTextOf(main_));

  const RECT outer = OuterRect(main_);
  EXPECT_EQ(784, Width(outer));
  EXPECT_EQ(189, Height(outer));
  EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 784) / 2, outer.left);
  EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 189) / 2, outer.top);

  const WindowFacts facts = FactsOf(main_);
  EXPECT_EQ(static_cast<DWORD>(WS_CAPTION), facts.style & WS_CAPTION);
  EXPECT_TRUE(facts.style & WS_SYSMENU);
  EXPECT_TRUE(facts.style & WS_MINIMIZEBOX);
  EXPECT_TRUE(facts.style & WS_CLIPCHILDREN);
  EXPECT_FALSE(facts.style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(facts.style & WS_THICKFRAME) << "the border must not be resizable";
  EXPECT_FALSE(facts.exStyle & WS_EX_TOPMOST);
  EXPECT_EQ(nullptr, GetWindow(main_, GW_OWNER));
}

TEST_F(MainWindowTest, ControlsHaveTheirKindPlaceSizeOrderAndCaption) {
  // In a high-contrast scheme the captions must still read: light text on the dark face.
  HighContrastScheme highContrast;
  ASSERT_NO_FATAL_FAILURE(Start());
  struct Expected {
    bool button;
    RECT place;
    std::string caption;
  };
  const Expected table[kMainControlCount] = {
      {true, {192, 112, 320, 144}, texts::kStartButtonCaption},
      {true, {648, 64, 776, 96}, texts::kEpicBrowseCaption},
      {false, {120, 72, 640, 96}, ""},
      {false, {0, 64, 104, 96}, texts::kEpicCaptionLabel},
      {false, {7, 8, 103, 40}, texts::kSteamCaptionLabel},
      {false, {120, 13, 632, 37}, steamFolder_},
      {true, {648, 11, 776, 43}, texts::kSteamBrowseCaption},
  };
  for (int i = 0; i < kMainControlCount; ++i) {
    SCOPED_TRACE("control " + std::to_string(i) + " from the top");
    const WindowFacts& control = controls_[i];
    const Expected& expected = table[i];
    EXPECT_EQ(expected.place.left, control.rect.left);
    EXPECT_EQ(expected.place.top, control.rect.top);
    EXPECT_EQ(expected.place.right, control.rect.right);
    EXPECT_EQ(expected.place.bottom, control.rect.bottom);
    EXPECT_EQ(texts::Wide(expected.caption.c_str()), WideTextOf(control.window));
    EXPECT_TRUE(control.visible);
    EXPECT_TRUE(control.enabled);
    EXPECT_TRUE(control.style & WS_CLIPSIBLINGS);
    if (expected.button) {
      EXPECT_EQ(0, lstrcmpiA("Button", control.className.c_str())) << control.className;
      EXPECT_EQ(static_cast<DWORD>(BS_PUSHBUTTON), control.style & BS_TYPEMASK)
          << "an ordinary push button, not the default one";
      const DWORD wanted = WS_TABSTOP | BS_CENTER | BS_VCENTER | BS_MULTILINE;
      EXPECT_EQ(wanted, control.style & wanted);
      EXPECT_FALSE(control.style & (BS_BITMAP | BS_ICON));
    } else {
      EXPECT_EQ(kLabelClass, control.className);
      EXPECT_TRUE(control.exStyle & WS_EX_TRANSPARENT);
      EXPECT_FALSE(control.style & WS_TABSTOP);
      if (expected.caption.empty()) continue;
      const std::vector<uint32_t> pixels = SettledPixels(control.window);
      ASSERT_FALSE(pixels.empty()) << "the screen cannot be read";
      EXPECT_TRUE(IsDark(pixels[0])) << std::hex << "the face shows " << pixels[0];
      EXPECT_LE(20, std::count_if(pixels.begin(), pixels.end(), IsLight)) << "light text";
    }
  }
}

// --- The Steam field filled from the registry at start ---

struct RegistryCase {
  const char* name;
  enum { kValue, kNoValue, kNoKey } presence;
  DWORD type;
  std::string bytes;
  std::string expectedField;
};

std::string Expanded(const std::string& text) {
  char expanded[MAX_PATH] = {};
  ExpandEnvironmentStringsA(text.c_str(), expanded, MAX_PATH);
  return expanded;
}

std::vector<RegistryCase> RegistryCases() {
  const std::string failed = texts::kLookupFailedText;
  const std::string longFolder = "C:\\" + std::string(300, 'g') + "\\";
  return {
      {"CutEndsInBackslash", RegistryCase::kValue, REG_SZ, std::string("D:\\Games\\GV\\GTAV\0", 17),
       "D:\\Games\\GV\\"},
      {"CutGetsBackslash", RegistryCase::kValue, REG_SZ, std::string("D:\\Games\\GVGTAV\0", 16),
       "D:\\Games\\GV\\"},
      {"FourBytesLeaveLoneBackslash", RegistryCase::kValue, REG_SZ, std::string("GTAV\0", 5), "\\"},
      {"OnlyTerminatorLeavesLoneBackslash", RegistryCase::kValue, REG_SZ, std::string(1, '\0'),
       "\\"},
      {"NoTerminatingZero", RegistryCase::kValue, REG_SZ, "E:\\SteamLibrary\\GTAV",
       "E:\\SteamLibrary\\"},
      {"LongerThanMaxPath", RegistryCase::kValue, REG_SZ, longFolder + "GTAV" + '\0', longFolder},
      {"ExpandSzIsExpanded", RegistryCase::kValue, REG_EXPAND_SZ,
       std::string("%SystemRoot%\\GTAV\0", 19), Expanded("%SystemRoot%") + "\\"},
      {"DwordIsNoText", RegistryCase::kValue, REG_DWORD, std::string("\x01\x02\x03\x04", 4),
       failed},
      {"MissingValue", RegistryCase::kNoValue, REG_NONE, "", failed},
      {"MissingKey", RegistryCase::kNoKey, REG_NONE, "", failed},
  };
}

class SteamFieldFromRegistryTest : public MainWindowTest,
                                   public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(SteamFieldFromRegistryTest, FieldIsFilledBeforeTheWindowIsFirstSeen) {
  const RegistryCase& c = GetParam();
  ASSERT_TRUE(DeleteSteamInstallKey());
  if (c.presence == RegistryCase::kNoValue) {
    ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, kSteamInstallKey, "OtherValue", REG_SZ,
                                 std::string("x\0", 2)));
  } else if (c.presence == RegistryCase::kValue) {
    ASSERT_TRUE(SetSteamInstallRaw(c.type, c.bytes));
  }
  ASSERT_NO_FATAL_FAILURE(Start());
  // Read at the first moment the window is shown: the look-up ran before.
  EXPECT_EQ(texts::Wide(c.expectedField.c_str()), WideTextOf(Control(kSteamField)));
  EXPECT_TRUE(MessageBoxes(ludvane_->Id()).empty());
}

INSTANTIATE_TEST_SUITE_P(Values, SteamFieldFromRegistryTest, ::testing::ValuesIn(RegistryCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The folder pickers ---

struct PickerCase {
  const char* name;
  MainControl button;
  MainControl field;
  const char* title;
};

class FolderPickerTest : public MainWindowTest, public ::testing::WithParamInterface<PickerCase> {};

TEST_P(FolderPickerTest, PickedFolderEndsInBackslashAndCancelEmptiesTheField) {
  const PickerCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Start());

  ClickButton(Control(c.button));
  HWND picker = WaitForFolderPicker(ludvane_->Id());
  ASSERT_TRUE(picker) << "no folder picker";
  const auto shown = WideStaticTexts(picker);
  EXPECT_NE(shown.end(), std::find(shown.begin(), shown.end(), texts::Wide(c.title)))
      << "the picker's title";
  EXPECT_FALSE(IsWindowEnabled(main_)) << "the main window is disabled while the picker is open";
  // "&" is a character of the path like any other, never an underline mark.
  const std::string folder = scratch_.Path() + "Picked & A&&B";
  CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(AnswerFolderPicker(*ludvane_, picker, folder));
  EXPECT_TRUE(FieldBecomes(c.field, folder + "\\"));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main_); })) << "enabled again afterwards";
  EXPECT_TRUE(FocusBackOn(Control(c.button)));

  // However often the caption repaints, by itself or with its window but without erasing, it
  // looks as after its first paint: anti-aliased text laid over itself grows heavier.
  const HWND field = Control(c.field);
  const std::vector<uint32_t> firstPaint = SettledPixels(field);
  ASSERT_FALSE(firstPaint.empty()) << "the screen cannot be read";
  ASSERT_NE(firstPaint.size(),
            static_cast<size_t>(std::count(firstPaint.begin(), firstPaint.end(), firstPaint[0])))
      << "the caption is drawn";
  for (int i = 0; i < 12; ++i) {
    RedrawWindow(field, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  EXPECT_EQ(0u, PixelsDiffering(firstPaint, SettledPixels(field))) << "pixels changed";
  RECT fieldSize;
  GetClientRect(field, &fieldSize);
  EXPECT_EQ(0u, PixelsDiffering(firstPaint, CaptionAsItIs(folder + "\\", fieldSize)))
      << "the path is not shown as it is";

  ASSERT_NO_FATAL_FAILURE(Pick(c.button, "C:\\"));
  EXPECT_TRUE(FieldBecomes(c.field, "C:\\")) << "a drive root keeps its one backslash";

  // A last double-byte character whose second byte is 0x5C is not a backslash; the test's own
  // path holds it in the ANSI code page, so only where that is 936.
  if (GetACP() == 936) {
    const std::string doubleByteEnd = scratch_.Path() + "\x81\x5C";
    ASSERT_TRUE(CreateDirectoryA(doubleByteEnd.c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(Pick(c.button, doubleByteEnd));
    EXPECT_TRUE(FieldBecomes(c.field, doubleByteEnd + "\\"));
  }

  ASSERT_NO_FATAL_FAILURE(Pick(c.button, ""));
  EXPECT_TRUE(FieldBecomes(c.field, "")) << "a cancelled picker empties its field";
}

INSTANTIATE_TEST_SUITE_P(Buttons, FolderPickerTest,
                         ::testing::Values(PickerCase{"Steam", kSteamBrowseButton, kSteamField,
                                                      texts::kSteamPickerTitle},
                                           PickerCase{"Epic", kEpicBrowseButton, kEpicField,
                                                      texts::kEpicPickerTitle}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The start button ---

TEST_F(MainWindowTest, StartWithEmptyEpicFieldSaysNoFolderChosen) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const MessageBoxFacts box = PressStartExpecting(texts::kNoFolderChosenText, {IDOK});
  AnswerMessageBox(box.window, IDOK);
  EXPECT_TRUE(FocusBackOn(Control(kStartButton)));
  EXPECT_TRUE(MessageBoxes(ludvane_->Id()).empty());
  EXPECT_TRUE(IsWindowVisible(main_));
}

TEST_F(MainWindowTest, StartWithEmptySteamFieldSaysNoFolderChosen) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Pick(kSteamBrowseButton, ""));
  ASSERT_NO_FATAL_FAILURE(Pick(kEpicBrowseButton, epicFolder_));
  ASSERT_TRUE(FieldBecomes(kSteamField, ""));
  ASSERT_TRUE(FieldBecomes(kEpicField, epicFolder_));
  const MessageBoxFacts box = PressStartExpecting(texts::kNoFolderChosenText, {IDOK});
  AnswerMessageBox(box.window, IDOK);
  EXPECT_TRUE(FocusBackOn(Control(kStartButton)));
  EXPECT_TRUE(MessageBoxes(ludvane_->Id()).empty());
}

TEST_F(MainWindowTest, StartWithBothFieldsEmptyShowsOnlyOneBox) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Pick(kSteamBrowseButton, ""));
  ASSERT_TRUE(FieldBecomes(kSteamField, ""));
  const MessageBoxFacts box = PressStartExpecting(texts::kNoFolderChosenText, {IDOK});
  AnswerMessageBox(box.window, IDOK);
  EXPECT_TRUE(FocusBackOn(Control(kStartButton)))
      << "a second box would hold the focus in its own loop";
  EXPECT_TRUE(MessageBoxes(ludvane_->Id()).empty());
}

// Links to a folder that is not there would all dangle: such a field counts as no folder.
TEST_F(MainWindowTest, StartWithSteamFieldHoldingTheFailureTextSaysNoFolderChosen) {
  ASSERT_TRUE(DeleteSteamInstallKey());
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_EQ(texts::Wide(texts::kLookupFailedText), WideTextOf(Control(kSteamField)));
  ASSERT_NO_FATAL_FAILURE(Pick(kEpicBrowseButton, epicFolder_));
  ASSERT_TRUE(FieldBecomes(kEpicField, epicFolder_));
  const MessageBoxFacts box = PressStartExpecting(texts::kNoFolderChosenText, {IDOK});
  AnswerMessageBox(box.window, IDOK);
  EXPECT_TRUE(FocusBackOn(Control(kStartButton)));
  EXPECT_FALSE(FolderExists(epicFolder_ + "GTAV"));
}

TEST_F(MainWindowTest, StartWithFoldersItCannotUseSaysNoFolderChosen) {
  // A lone backslash (the current drive's root) and a relative path that names a folder of the
  // program's current folder both exist, but are no full paths.
  for (const std::string& partial : {std::string("\\"), std::string("Steam\\")}) {
    ASSERT_TRUE(SetSteamInstallText(partial + "GTAV"));
    ASSERT_NO_FATAL_FAILURE(Start(FindLudvaneExe(), scratch_.Path()));
    ASSERT_EQ(partial, Field(kSteamField));
    ASSERT_NO_FATAL_FAILURE(Pick(kEpicBrowseButton, epicFolder_));
    ASSERT_TRUE(FieldBecomes(kEpicField, epicFolder_));
    const MessageBoxFacts box = PressStartExpecting(texts::kNoFolderChosenText, {IDOK});
    AnswerMessageBox(box.window, IDOK);
    ASSERT_TRUE(FocusBackOn(Control(kStartButton)));
    EXPECT_FALSE(FolderExists(epicFolder_ + "GTAV")) << partial;
  }

  ASSERT_TRUE(SetSteamInstallText(scratch_.Path() + "Missing\\GTAV"));
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_EQ(scratch_.Path() + "Missing\\", Field(kSteamField));
  ASSERT_NO_FATAL_FAILURE(Pick(kEpicBrowseButton, epicFolder_));
  ASSERT_TRUE(FieldBecomes(kEpicField, epicFolder_));
  MessageBoxFacts box = PressStartExpecting(texts::kNoFolderChosenText, {IDOK});
  AnswerMessageBox(box.window, IDOK);
  ASSERT_TRUE(FocusBackOn(Control(kStartButton)));

  // Now the Steam folder is real, and the Epic folder vanishes after it was picked.
  ASSERT_NO_FATAL_FAILURE(Pick(kSteamBrowseButton, steamFolder_));
  ASSERT_TRUE(FieldBecomes(kSteamField, steamFolder_));
  ASSERT_TRUE(RemoveDirectoryA(epicFolder_.c_str()));
  box = PressStartExpecting(texts::kNoFolderChosenText, {IDOK});
  AnswerMessageBox(box.window, IDOK);
  EXPECT_TRUE(FocusBackOn(Control(kStartButton)));
  EXPECT_FALSE(FolderExists(epicFolder_ + "GTAV"));

  // The Epic folder is back, but someone made its GTAV a link to another folder: the links
  // would land there.
  ASSERT_TRUE(CreateDirectoryA(epicFolder_.c_str(), nullptr));
  const std::string elsewhere = scratch_.Path() + "Elsewhere\\";
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  {
    PlantedFolderLink planted(epicFolder_ + "GTAV", elsewhere);
    ASSERT_TRUE(planted.Planted());
    box = PressStartExpecting(texts::kNoFolderChosenText, {IDOK});
    AnswerMessageBox(box.window, IDOK);
    EXPECT_TRUE(FocusBackOn(Control(kStartButton)));
    EXPECT_EQ(nullptr, FindTopLevelWindow(ludvane_->Id(), kProgressWindowClass))
        << "the conversion started";
  }
  EXPECT_TRUE(conversion_rig::TreeSnapshot(elsewhere).empty());
}

// What would run every command and then report success is refused, each with its own message,
// before the confirmation; nothing runs or is made. Wine shows no FAT drive and no cloud-synced
// folder: those rules are tested alone.
TEST_F(MainWindowTest, StartRefusesWhatCannotWorkAndSaysWhatToPick) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const auto expectRefused = [&](const std::string& steam, const std::string& epic,
                                 const char* text) {
    SCOPED_TRACE("Steam " + Bytes(steam) + ", Epic " + Bytes(epic));
    const auto epicBefore = conversion_rig::TreeSnapshot(epic);
    ASSERT_NO_FATAL_FAILURE(Pick(kSteamBrowseButton, steam));
    ASSERT_TRUE(FieldBecomes(kSteamField, steam));
    ASSERT_NO_FATAL_FAILURE(Pick(kEpicBrowseButton, epic));
    ASSERT_TRUE(FieldBecomes(kEpicField, epic));
    const MessageBoxFacts box = PressStartExpecting(text, {IDOK});
    AnswerMessageBox(box.window, IDOK);
    EXPECT_TRUE(FocusBackOn(Control(kStartButton)));
    EXPECT_EQ(nullptr, FindTopLevelWindow(ludvane_->Id(), kProgressWindowClass));
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_EQ(conversion_rig::TreeSnapshot(epic), epicBefore);
  };
  const std::string noGame = scratch_.Path() + "NoGame\\";
  const std::string gameFolder = scratch_.Path() + "gtav\\";
  const std::string insideSteam = steamFolder_ + "update\\";
  const std::string percents = scratch_.Path() + "a%WINDIR%b\\";
  for (const std::string& folder : {noGame, gameFolder, insideSteam, percents}) {
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  }
  expectRefused(noGame, epicFolder_, texts::kSteamFolderWithoutGameText);
  expectRefused(steamFolder_, gameFolder, texts::kEpicLocationIsGameFolderText);
  expectRefused(steamFolder_, steamFolder_, texts::kDestinationOverlapsSteamText);
  expectRefused(steamFolder_, insideSteam, texts::kDestinationOverlapsSteamText);
  expectRefused(steamFolder_, percents, texts::kPercentInPathsText);

  // The Enhanced edition, whatever the case of its program's name.
  const std::string enhanced = scratch_.Path() + "Enhanced\\";
  ASSERT_TRUE(CreateDirectoryA(enhanced.c_str(), nullptr));
  ASSERT_TRUE(conversion_rig::WriteFileBytes(enhanced + "common.rpf", ""));
  ASSERT_TRUE(conversion_rig::WriteFileBytes(enhanced + "gta5_enhanced.EXE", ""));
  expectRefused(enhanced, epicFolder_, texts::kEnhancedEditionText);

  // The same folders by other ways than their paths: an Epic location that is a junction into
  // the Steam folder, one on a drive letter made for the Steam folder's parent, and the game
  // moved with a junction left where Steam looks, its real parent picked as the Epic location.
  {
    PlantedFolderLink intoSteam(scratch_.Path() + "Shortcut", steamFolder_);
    ASSERT_TRUE(intoSteam.Planted());
    expectRefused(steamFolder_, scratch_.Path() + "Shortcut\\",
                  texts::kDestinationOverlapsSteamText);
  }
  {
    FolderDrive letter(scratch_.Path(), DRIVE_FIXED);
    ASSERT_FALSE(letter.Root().empty()) << "no drive letter could be made for a folder";
    expectRefused(steamFolder_, letter.Root() + "Steam\\", texts::kDestinationOverlapsSteamText);
  }
  const std::string moved = scratch_.Path() + "Games\\";
  ASSERT_TRUE(CreateDirectoryA(moved.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((moved + "GTAV\\").c_str(), nullptr));
  ASSERT_TRUE(conversion_rig::WriteFileBytes(moved + "GTAV\\common.rpf", ""));
  {
    PlantedFolderLink leftBehind(scratch_.Path() + "Grand Theft Auto V", moved + "GTAV\\");
    ASSERT_TRUE(leftBehind.Planted());
    expectRefused(scratch_.Path() + "Grand Theft Auto V\\", moved,
                  texts::kDestinationOverlapsSteamText);
  }

  const std::string shared = scratch_.Path() + "Share\\";
  ASSERT_TRUE(CreateDirectoryA(shared.c_str(), nullptr));
  FolderDrive network(shared, DRIVE_REMOTE);
  ASSERT_FALSE(network.Root().empty()) << "no drive could be marked as a network drive";
  expectRefused(steamFolder_, network.Root(), texts::kDestinationCannotHoldLinksText);
  EXPECT_TRUE(conversion_rig::TreeSnapshot(shared).empty());
}

TEST_F(MainWindowTest, AnsweringNoLeavesEverythingAsItWas) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Pick(kEpicBrowseButton, epicFolder_));
  ASSERT_TRUE(FieldBecomes(kEpicField, epicFolder_));
  const MessageBoxFacts box = PressStartExpecting(texts::kConfirmText, {IDYES, IDNO});
  AnswerMessageBox(box.window, IDNO);
  EXPECT_TRUE(FocusBackOn(Control(kStartButton)));
  EXPECT_TRUE(MessageBoxes(ludvane_->Id()).empty());
  EXPECT_EQ(nullptr, FindTopLevelWindow(ludvane_->Id(), kProgressWindowClass));
  EXPECT_TRUE(IsWindowVisible(main_));
  EXPECT_EQ(steamFolder_, Field(kSteamField));
  EXPECT_EQ(epicFolder_, Field(kEpicField));
  EXPECT_FALSE(FolderExists(epicFolder_ + "GTAV"));
  EXPECT_TRUE(ludvane_->Running());
}

TEST_F(MainWindowTest, AnsweringYesShowsTheProgressWindowAloneAndEscEndsTheProcess) {
  // The stand-in interpreter is slowed down so that the conversion is still running at Esc.
  ASSERT_TRUE(KeepStandInFilesIn(scratch_.Path()));
  ASSERT_TRUE(conversion_rig::WriteFileBytes(scratch_.Path() + "cmd-delay-ms.txt", "200"));
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Pick(kEpicBrowseButton, epicFolder_));
  ASSERT_TRUE(FieldBecomes(kEpicField, epicFolder_));
  const MessageBoxFacts box = PressStartExpecting(texts::kConfirmText, {IDYES, IDNO});
  AnswerMessageBox(box.window, IDYES);

  HWND progress = WaitForTopLevelWindow(ludvane_->Id(), kProgressWindowClass);
  ASSERT_TRUE(progress) << "the progress window was not shown";
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(main_); })) << "the main window is hidden";
  EXPECT_TRUE(IsWindow(main_)) << "hidden, not destroyed";
  EXPECT_EQ(epicFolder_, Field(kEpicField));
  EXPECT_TRUE(FolderExists(epicFolder_ + "GTAV"));

  EXPECT_EQ("", TextOf(progress));
  const RECT outer = OuterRect(progress);
  EXPECT_EQ(503, Width(outer));
  EXPECT_EQ(72, Height(outer));
  EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 503) / 2, outer.left);
  EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 72) / 2, outer.top);
  RECT client = {};
  GetClientRect(progress, &client);
  EXPECT_EQ(503, Width(client)) << "all of it client area";
  EXPECT_EQ(72, Height(client));
  const WindowFacts facts = FactsOf(progress);
  EXPECT_FALSE(facts.style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME));
  EXPECT_TRUE(facts.style & WS_MINIMIZEBOX);
  EXPECT_TRUE(facts.style & WS_CLIPCHILDREN);
  EXPECT_EQ(nullptr, GetWindow(progress, GW_OWNER));

  const auto controls = ChildControls(progress);
  ASSERT_EQ(3u, controls.size());
  const WindowFacts& notice = controls[0];
  EXPECT_EQ(kLabelClass, notice.className);
  EXPECT_EQ(texts::Wide(texts::kNoticeCaption), WideTextOf(notice.window));
  EXPECT_EQ(40, notice.rect.left);
  EXPECT_EQ(32, notice.rect.top);
  EXPECT_EQ(424, Width(notice.rect));
  EXPECT_EQ(32, Height(notice.rect));
  const WindowFacts& target = controls[1];
  EXPECT_EQ(kLabelClass, target.className);
  EXPECT_EQ(epicFolder_ + "GTAV\\", target.text);
  EXPECT_EQ(112, target.rect.left);
  EXPECT_EQ(128, target.rect.top) << "below the client area, never seen";
  EXPECT_EQ(248, Width(target.rect));
  EXPECT_EQ(32, Height(target.rect));
  const WindowFacts& bar = controls[2];
  EXPECT_EQ(std::string(PROGRESS_CLASSA), bar.className);
  EXPECT_TRUE(bar.exStyle & WS_EX_STATICEDGE);
  EXPECT_FALSE(bar.style & (PBS_SMOOTH | PBS_VERTICAL));
  EXPECT_EQ(8, bar.rect.left);
  EXPECT_EQ(8, bar.rect.top);
  EXPECT_EQ(488, Width(bar.rect));
  EXPECT_EQ(16, Height(bar.rect));
  DWORD_PTR maximum = 0;
  SendMessageTimeoutA(bar.window, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &maximum);
  EXPECT_EQ(35u, maximum);
  for (const auto& control : controls) EXPECT_TRUE(control.visible && control.enabled);

  // Esc in the progress window ends the whole process in the middle of the conversion.
  PostKey(progress, VK_ESCAPE);
  ExpectEndsWithCodeZero();
}

// --- Closing ---

enum class CloseWay { kEscOnFocusedButton, kEscOnWindow, kCloseBox, kCloseMessage };

class ClosingTest : public MainWindowTest, public ::testing::WithParamInterface<CloseWay> {};

TEST_P(ClosingTest, EndsTheProcessWithCodeZero) {
  ASSERT_NO_FATAL_FAILURE(Start());
  switch (GetParam()) {
    case CloseWay::kEscOnFocusedButton: {
      HWND focused = nullptr;
      ASSERT_TRUE(WaitUntil([&] { return (focused = FocusedWindow(main_)) != nullptr; }));
      PostKey(focused, VK_ESCAPE);
      break;
    }
    case CloseWay::kEscOnWindow:
      PostKey(main_, VK_ESCAPE);
      break;
    case CloseWay::kCloseBox:
      PressCloseBox(main_);
      break;
    case CloseWay::kCloseMessage:
      PostClose(main_);
      break;
  }
  ExpectEndsWithCodeZero();
}

std::string CloseWayName(const ::testing::TestParamInfo<CloseWay>& info) {
  switch (info.param) {
    case CloseWay::kEscOnFocusedButton:
      return "EscOnFocusedButton";
    case CloseWay::kEscOnWindow:
      return "EscOnWindow";
    case CloseWay::kCloseBox:
      return "CloseBox";
    case CloseWay::kCloseMessage:
      return "CloseMessage";
  }
  return "";
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingTest,
                         ::testing::Values(CloseWay::kEscOnFocusedButton, CloseWay::kEscOnWindow,
                                           CloseWay::kCloseBox, CloseWay::kCloseMessage),
                         CloseWayName);

// --- Keyboard ---

TEST_F(MainWindowTest, TabCyclesTheButtonsAndShiftTabGoesBack) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const std::vector<HWND> cycle = TabCycle();
  HWND focused = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (focused = FocusedWindow(main_)) != nullptr; }));
  auto at = std::find(cycle.begin(), cycle.end(), focused);
  ASSERT_NE(cycle.end(), at) << "a button has the focus at start";
  size_t index = static_cast<size_t>(at - cycle.begin());

  for (int step = 0; step < 3; ++step) {
    const size_t next = (index + 1) % cycle.size();
    PostKey(cycle[index], VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(main_) == cycle[next]; }))
        << "Tab from button " << index << " of the cycle";
    index = next;
  }
  ShiftHeld shift(main_);
  ASSERT_TRUE(shift.Holding()) << "could not hold Shift in the program's input state";
  for (int step = 0; step < 3; ++step) {
    const size_t previous = (index + cycle.size() - 1) % cycle.size();
    PostKey(cycle[index], VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(main_) == cycle[previous]; }))
        << "Shift+Tab from button " << index << " of the cycle";
    index = previous;
  }
}

TEST_F(MainWindowTest, EnterOnAnyButtonRunsNothing) {
  ASSERT_NO_FATAL_FAILURE(Start());
  for (int step = 0; step < 3; ++step) {
    HWND focused = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (focused = FocusedWindow(main_)) != nullptr; }));
    PostKey(focused, VK_RETURN);
    // Enter leaves the focus where it was; the Tab that FocusBackOn posts moves it on.
    ASSERT_TRUE(FocusBackOn(focused));
    EXPECT_TRUE(MessageBoxes(ludvane_->Id()).empty());
    EXPECT_EQ(nullptr, FindFolderPicker(ludvane_->Id()));
  }
  EXPECT_EQ(steamFolder_, Field(kSteamField));
  EXPECT_EQ("", Field(kEpicField));
}

}  // namespace
