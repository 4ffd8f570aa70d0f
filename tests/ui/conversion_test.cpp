// Whole conversions through the windows of a copy of ludvane.exe; the system's cmd.exe is the
// stand-in that logs each command line and imitates mklink.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/texts.h"
#include "tests/ui/conversion_rig.h"
#include "tests/ui/ui_driver.h"

namespace {

using namespace ui_driver;
using conversion_rig::Rig;
using Clock = std::chrono::steady_clock;

constexpr char kProgressWindowClass[] = "LudvaneProgressWindow";
constexpr int kProgressBarId = 3;
// "测试 Epic": the destination's path holds double-byte characters.
constexpr char kEpicName[] = "\xB2\xE2\xCA\xD4 Epic";
constexpr milliseconds kConversionTimeout{90000};
constexpr milliseconds kResponsiveLimit{100};

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// What a user sees of one conversion, watched from the confirmation to the end of the process.
struct Watched {
  bool started = false;
  long rangeLow = -1;
  long rangeHigh = -1;
  std::vector<long> positions;  // each position the bar showed when it changed
  int probes = 0;
  int lateProbes = 0;  // WM_NULL not answered within kResponsiveLimit
  MessageBoxFacts finalMessage;
  bool closeRefusedUnderTheBox = false;  // the progress window, disabled, kept the box up
  bool exited = false;
  DWORD exitCode = STILL_ACTIVE;
};

LRESULT Ask(HWND window, UINT message, WPARAM wParam, bool* answered) {
  DWORD_PTR result = 0;
  *answered = SendMessageTimeoutA(window, message, wParam, 0, SMTO_NORMAL,
                                  static_cast<UINT>(kResponsiveLimit.count()), &result) != 0;
  return static_cast<LRESULT>(result);
}

class ConversionTest : public ::testing::Test {
 protected:
  // Runs a whole conversion: confirms it, watches the progress window until the final message,
  // answers it and waits for the process to end.
  // The program's current folder is its own unless `workingFolder` names another.
  Watched Convert(const Rig& rig, const std::string& workingFolder = "") {
    Watched watched;
    if (!conversion_rig::PointRegistryAtSteam(rig)) {
      ADD_FAILURE() << "registry not writable";
      return watched;
    }
    Process ludvane(rig.LudvaneExe(), workingFolder.empty() ? rig.AppFolder() : workingFolder);
    std::string failure;
    HWND confirm = conversion_rig::PressStart(ludvane, rig, &failure);
    if (!confirm) {
      ADD_FAILURE() << failure;
      return watched;
    }
    AnswerMessageBox(confirm, IDYES);
    HWND progress = WaitForTopLevelWindow(ludvane.Id(), kProgressWindowClass);
    if (!progress) {
      ADD_FAILURE() << "no progress window";
      return watched;
    }
    watched.started = true;
    HWND bar = ChildById(progress, kProgressBarId);
    bool answered = false;
    watched.rangeLow = static_cast<long>(Ask(bar, PBM_GETRANGE, TRUE, &answered));
    watched.rangeHigh = static_cast<long>(Ask(bar, PBM_GETRANGE, FALSE, &answered));

    const auto notePosition = [&] {
      const long position = static_cast<long>(Ask(bar, PBM_GETPOS, 0, &answered));
      if (answered && (watched.positions.empty() || watched.positions.back() != position)) {
        watched.positions.push_back(position);
      }
      return position;
    };
    WaitUntil(
        [&] {
          ++watched.probes;
          Ask(progress, WM_NULL, 0, &answered);
          if (!answered) ++watched.lateProbes;
          notePosition();
          for (const auto& box : MessageBoxes(ludvane.Id())) {
            // The final message, or the report in its place.
            if (box.wideText != texts::Wide(texts::kConfirmText) && IsWindowVisible(box.window)) {
              watched.finalMessage = box;
              return true;
            }
          }
          return !ludvane.Running();
        },
        kConversionTimeout, milliseconds(10));
    if (watched.finalMessage.window) {
      // The bar takes the last step when the job stops the timer, which may come just after
      // the message has been shown; then the window is disabled, and a close (as Esc or Alt+F4
      // would ask) leaves the box for the user to read.
      WaitUntil([&] { return notePosition() == 35 && !IsWindowEnabled(progress); },
                milliseconds(3000));
      DWORD_PTR ignored = 0;
      watched.closeRefusedUnderTheBox =
          !IsWindowEnabled(progress) &&
          SendMessageTimeoutA(progress, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &ignored) &&
          ludvane.Running() && IsWindowVisible(watched.finalMessage.window);
      AnswerMessageBox(watched.finalMessage.window, IDOK);
    }
    watched.exited = ludvane.WaitForExit();
    watched.exitCode = ludvane.ExitCode();
    return watched;
  }

  static void ExpectFinishedNormally(const Watched& watched) {
    ASSERT_TRUE(watched.started);
    EXPECT_EQ(watched.finalMessage.wideText, texts::Wide(texts::kFinishedText));
    EXPECT_TRUE(watched.closeRefusedUnderTheBox);
    EXPECT_EQ(watched.finalMessage.wideCaption, texts::Wide(texts::kMessageBoxCaption));
    EXPECT_EQ(watched.finalMessage.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(watched.exited);
    EXPECT_EQ(watched.exitCode, 0u);
  }

  // The report in place of the final message, every line of it: `missing` items not in place,
  // the names shown, the words and advice for each cause met, what to do before verifying; and
  // then exit code 1.
  static void ExpectReport(const Watched& watched, int missing, const std::string& namesShown,
                           const std::string& causes) {
    ASSERT_TRUE(watched.started);
    // The texts, the names and the interpreter's words in code page 936, read back in UTF-16.
    const std::string report = std::string(texts::kNotAllLinkedHead) + std::to_string(missing) +
                               texts::kNotAllLinkedCount + namesShown + causes + "\n\n" +
                               texts::kRunAgainAdvice;
    EXPECT_EQ(watched.finalMessage.wideText, texts::Wide(report.c_str()));
    EXPECT_TRUE(watched.closeRefusedUnderTheBox);
    EXPECT_EQ(watched.finalMessage.wideCaption, texts::Wide(texts::kMessageBoxCaption));
    EXPECT_EQ(watched.finalMessage.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(watched.exited);
    EXPECT_EQ(watched.exitCode, 1u);
  }
};

TEST_F(ConversionTest, EmptyDestinationGetsThePlanInOrderWhileTheWindowStaysResponsive) {
  Rig rig("ludvane-conversion", kEpicName);
  ASSERT_TRUE(rig.Ready());
  rig.SetStandInDelay(40);  // slow enough for the timer to show several positions
  const auto steamBefore = conversion_rig::TreeSnapshot(rig.Steam());

  const Watched watched = Convert(rig);
  ExpectFinishedNormally(watched);

  EXPECT_EQ(rig.LoggedCommands(), conversion_rig::PlanCommands(rig.Destination(), rig.Steam()));
  for (const char* folder : {"update\\", "x64\\", "update\\x64\\"}) {
    EXPECT_TRUE(FolderExists(rig.Destination() + folder)) << folder;
  }
  EXPECT_EQ(conversion_rig::TreeSnapshot(rig.Steam()), steamBefore);

  EXPECT_EQ(watched.rangeLow, 0);
  EXPECT_EQ(watched.rangeHigh, 35);
  // The bar moves forward only, through positions between its ends, and ends full.
  EXPECT_TRUE(std::is_sorted(watched.positions.begin(), watched.positions.end()));
  EXPECT_GE(watched.positions.size(), 3u);
  if (!watched.positions.empty()) {
    EXPECT_EQ(watched.positions.back(), 35);
  }
  EXPECT_GT(watched.probes, 10);
  EXPECT_EQ(watched.lateProbes, 0) << "of " << watched.probes << " probes";
}

TEST_F(ConversionTest, SecondRunSkipsTheArchiveAndRetriesEveryOtherLink) {
  Rig rig("ludvane-conversion", kEpicName);
  ASSERT_TRUE(rig.Ready());
  ExpectFinishedNormally(Convert(rig));
  const auto madeByFirstRun = conversion_rig::TreeSnapshot(rig.Destination());
  rig.ClearLog();

  // The update archive now stands in an existing update folder; the rest all exist already and
  // the stand-in answers each with mklink's error.
  ExpectFinishedNormally(Convert(rig));
  std::vector<std::string> expected = conversion_rig::PlanCommands(rig.Destination(), rig.Steam());
  expected.erase(expected.begin());
  EXPECT_EQ(rig.LoggedCommands(), expected);
  EXPECT_EQ(conversion_rig::TreeSnapshot(rig.Destination()), madeByFirstRun);
}

// The test's own ANSI path in UTF-16.
std::wstring Wide(const std::string& text) {
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], length);
  return wide;
}

// UTF-8, as the stand-in logs the command lines it gets in UTF-16.
std::string Utf8(const std::wstring& text) {
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(std::max(length, 0)), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &bytes[0], length, nullptr, nullptr);
  }
  return bytes;
}

// Under any system locale (this test runs under a Chinese and a non-Chinese one), folders named
// in Chinese and in Korean, which lies outside both code pages 936 and 1252, reach every command
// line exactly: from the registry and the picker to the interpreter's start.
TEST_F(ConversionTest, FoldersNamedInChineseAndKoreanConvertUnderAnyLocale) {
  Rig rig("ludvane-conversion-any-script");
  ASSERT_TRUE(rig.Ready());
  // 游戏 Steam and 에픽 게임.
  const std::wstring steam = Wide(rig.Folder()) + L"\u6E38\u620F Steam\\";
  const std::wstring epic = Wide(rig.Folder()) + L"\uC5D0\uD53D \uAC8C\uC784";
  const std::wstring sample = Wide(rig.Steam());
  ASSERT_TRUE(MoveFileW(sample.substr(0, sample.size() - 1).c_str(),
                        steam.substr(0, steam.size() - 1).c_str()));
  ASSERT_TRUE(CreateDirectoryW(epic.c_str(), nullptr));
  ASSERT_TRUE(SetSteamInstallText(steam + L"GTAV"));

  Process ludvane(rig.LudvaneExe(), rig.AppFolder());
  HWND main = WaitForTopLevelWindow(ludvane.Id(), "LudvaneMainWindow");
  ASSERT_TRUE(main);
  EXPECT_EQ(Utf8(steam), Utf8(WideTextOf(ChildById(main, 13)))) << "the Steam field";
  ClickButton(ChildById(main, 2));
  HWND picker = WaitForFolderPicker(ludvane.Id());
  ASSERT_TRUE(picker && AnswerFolderPicker(ludvane, picker, epic));
  ASSERT_TRUE(WaitUntil([&] { return WideTextOf(ChildById(main, 14)) == epic + L"\\"; }))
      << "the Epic field shows " << Utf8(WideTextOf(ChildById(main, 14)));
  ClickButton(ChildById(main, 3));
  const MessageBoxFacts confirm =
      conversion_rig::WaitForMessageText(ludvane.Id(), texts::kConfirmText);
  ASSERT_TRUE(confirm.window) << "no confirmation asked";
  AnswerMessageBox(confirm.window, IDYES);

  MessageBoxFacts last;
  WaitUntil(
      [&] {
        for (const auto& box : MessageBoxes(ludvane.Id())) {
          if (box.window != confirm.window && IsWindowVisible(box.window)) return last = box, true;
        }
        return false;
      },
      kConversionTimeout);
  ASSERT_TRUE(last.window) << "no final message";
  EXPECT_EQ(Utf8(texts::Wide(texts::kFinishedText)), Utf8(last.wideText));

  std::vector<std::string> expected;
  for (const conversion_rig::PlanItem& item : conversion_rig::PlanItems()) {
    expected.push_back(Utf8(std::wstring(L"/d /v:off /c mklink ") + (item.junction ? L"/J " : L"") +
                            L"\"" + epic + L"\\GTAV\\" + Wide(item.name) + L"\" \"" + steam +
                            Wide(item.name) + L"\""));
  }
  std::vector<std::string> logged;
  const std::string log = conversion_rig::ReadFileBytes(rig.Folder() + "cmd-log-utf8.txt");
  for (size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
    logged.push_back(log.substr(start, end - start));
  }
  EXPECT_EQ(logged, expected);
  EXPECT_NE(GetFileAttributesW((epic + L"\\GTAV\\x64\\audio\\content.rpf").c_str()),
            INVALID_FILE_ATTRIBUTES);

  AnswerMessageBox(last.window, IDOK);
  ASSERT_TRUE(ludvane.WaitForExit());
  EXPECT_EQ(ludvane.ExitCode(), 0u);
}

// The words and advice the report gives for a cause.
std::string ToldCause(const std::string& words, const char* advice) {
  return std::string("\n") + texts::kErrorWords + words + "\n" + advice;
}

const std::string kRefusedForPrivilege = ToldCause(
    "You do not have sufficient privilege to perform this operation.", texts::kRefusedAdvice);
const std::string kNameTaken = ToldCause(texts::kNameTakenWords, texts::kNameTakenAdvice);

// Links the interpreter refuses (no privilege, a FAT drive) are never reported as made.
TEST_F(ConversionTest, RefusedLinksEndInAReportThatCountsAndNamesThem) {
  Rig rig("ludvane-refused", kEpicName);
  ASSERT_TRUE(rig.Ready());
  const std::vector<std::string> plan =
      conversion_rig::PlanCommands(rig.Destination(), rig.Steam());
  rig.SetStandInRefusals("*");
  ExpectReport(Convert(rig), 36,
               std::string("update\\update.rpf") + texts::kNameSeparator + "common.rpf" +
                   texts::kNameSeparator + "installscript.vdf" + texts::kNameSeparator +
                   "GFSDK_ShadowLib.win64.dll" + texts::kMoreNames,
               kRefusedForPrivilege);
  EXPECT_EQ(rig.LoggedCommands(), plan);

  // Again with one link refused: every other one is made, and the one is named.
  rig.ClearLog();
  rig.SetStandInRefusals("\\x64c.rpf\r\n");
  ExpectReport(Convert(rig), 1, "x64c.rpf", kRefusedForPrivilege);
  EXPECT_EQ(rig.LoggedCommands(), plan);
}

// A name already at the destination counts only when it leads to the Steam item: a real file
// and a real folder, as a cancelled Epic download leaves, are missing, each for what it is.
TEST_F(ConversionTest, RealFilesAndFoldersAtTheNamesAreReportedNotCountedAsLinks) {
  Rig rig("ludvane-taken", kEpicName);
  ASSERT_TRUE(rig.Ready());
  for (const char* folder : {"", "x64\\", "x64\\audio\\"}) {
    ASSERT_TRUE(CreateDirectoryA((rig.Destination() + folder).c_str(), nullptr)) << folder;
  }
  ASSERT_TRUE(conversion_rig::WriteFileBytes(rig.Destination() + "x64m.rpf", "partial"));
  rig.SetStandInRefusals("\\common.rpf\r\n");
  ExpectReport(Convert(rig), 3,
               std::string("common.rpf") + texts::kNameSeparator + "x64m.rpf" +
                   texts::kNameSeparator + "x64\\audio\\",
               kRefusedForPrivilege + kNameTaken);
  EXPECT_EQ(rig.LoggedCommands(), conversion_rig::PlanCommands(rig.Destination(), rig.Steam()));
  EXPECT_EQ(conversion_rig::ReadFileBytes(rig.Destination() + "x64m.rpf"), "partial");
}

TEST_F(ConversionTest, ExistingAudioParentIsKeptAndItsJunctionStillMade) {
  Rig rig("ludvane-conversion", kEpicName);
  ASSERT_TRUE(rig.Ready());
  ASSERT_TRUE(CreateDirectoryA(rig.Destination().c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((rig.Destination() + "x64\\").c_str(), nullptr));
  ASSERT_TRUE(conversion_rig::WriteFileBytes(rig.Destination() + "x64\\mine.txt", "kept"));

  ExpectFinishedNormally(Convert(rig));
  EXPECT_EQ(rig.LoggedCommands(), conversion_rig::PlanCommands(rig.Destination(), rig.Steam()));
  EXPECT_EQ(conversion_rig::ReadFileBytes(rig.Destination() + "x64\\mine.txt"), "kept");
  EXPECT_TRUE(FolderExists(rig.Destination() + "x64\\audio\\"));
}

// An x64 folder that is a link someone planted gets nothing written through it: its junction is
// skipped, the rest of the plan runs, and the report names the junction.
TEST_F(ConversionTest, LinkedAudioParentGetsNothingAndTheRestOfThePlanRuns) {
  Rig rig("ludvane-linked", kEpicName);
  ASSERT_TRUE(rig.Ready());
  const std::string elsewhere = rig.Folder() + "Elsewhere\\";
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(rig.Destination().c_str(), nullptr));
  PlantedFolderLink planted(rig.Destination() + "x64", elsewhere);
  ASSERT_TRUE(planted.Planted());

  ExpectReport(Convert(rig), 1, "x64\\audio\\", kNameTaken);
  std::vector<std::string> expected = conversion_rig::PlanCommands(rig.Destination(), rig.Steam());
  const auto audio =
      conversion_rig::LoggedCommandFor({"x64\\audio\\", true}, rig.Destination(), rig.Steam());
  expected.erase(std::find(expected.begin(), expected.end(), audio));
  EXPECT_EQ(rig.LoggedCommands(), expected);
  EXPECT_TRUE(conversion_rig::TreeSnapshot(elsewhere).empty());
}

TEST_F(ConversionTest, SteamFolderMissingFilesStillGetsOneCommandPerListedName) {
  Rig rig("ludvane-conversion");
  ASSERT_TRUE(rig.Ready());
  for (const char* missing : {"common.rpf", "GTAVLauncher.exe", "x64f.rpf", "x64w.rpf"}) {
    ASSERT_TRUE(DeleteFileA((rig.Steam() + missing).c_str()));
  }
  ExpectFinishedNormally(Convert(rig));
  EXPECT_EQ(rig.LoggedCommands(), conversion_rig::PlanCommands(rig.Destination(), rig.Steam()));
}

// What the start button must not refuse: a lone "%", which expands nothing, stands in the
// command lines byte for byte; and an Epic location that holds the Steam folder in another
// subfolder, as a drive root holds a Steam library, gets its GTAV beside it.
TEST_F(ConversionTest, LonePercentAndEpicLocationHoldingSteamElsewhereConvertAsBefore) {
  for (const char* epicName : {"100%", ""}) {
    SCOPED_TRACE(epicName);
    Rig rig("ludvane-allowed", epicName);
    ASSERT_TRUE(rig.Ready());
    ExpectFinishedNormally(Convert(rig));
    EXPECT_EQ(rig.LoggedCommands(), conversion_rig::PlanCommands(rig.Destination(), rig.Steam()));
  }
}

// Run as administrator, often from Downloads: an interpreter planted beside the program or in
// its current folder must never run; the system's own gets every command line.
TEST_F(ConversionTest, PlantedInterpreterBesideTheProgramOrInItsCurrentFolderNeverRuns) {
  Rig rig("ludvane-planted");
  ASSERT_TRUE(rig.Ready());
  const std::string current = rig.Folder() + "current\\";
  ASSERT_TRUE(CreateDirectoryA(current.c_str(), nullptr));
  const std::string planted = OwnFolder() + "\\console_standin_cmd.exe";
  for (const std::string& folder : {rig.AppFolder(), current}) {
    ASSERT_TRUE(CopyFileA(planted.c_str(), (folder + "cmd.exe").c_str(), FALSE));
  }
  ExpectFinishedNormally(Convert(rig, current));
  EXPECT_EQ(rig.LoggedCommands(), conversion_rig::PlanCommands(rig.Destination(), rig.Steam()));
  for (const std::string& folder : {rig.AppFolder(), current}) {
    EXPECT_EQ(conversion_rig::ReadFileBytes(folder + "cmd-log.txt"), "")
        << "the cmd.exe planted in " << folder << " ran";
  }
  // Nor does the interpreter start in the program's current folder, which may be a share (where
  // cmd first warns of it) or a folder someone else can write to.
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  std::string everyStart;
  for (size_t i = 0; i < conversion_rig::PlanItems().size(); ++i)
    everyStart += system + std::string("\n");
  EXPECT_EQ(conversion_rig::ReadFileBytes(rig.Folder() + "cmd-cwd.txt"), everyStart);
}

// True when the process `id` runs and `parentId` started it.
bool RunsAsChildOf(DWORD id, DWORD parentId) {
  bool found = false;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more && !found;
       more = Process32Next(snapshot, &entry)) {
    found = entry.th32ProcessID == id && entry.th32ParentProcessID == parentId;
  }
  CloseHandle(snapshot);
  return found;
}

// Closing the progress window part-way, by WM_CLOSE or by Esc, ends the process at once with 0,
// leaves the links made so far and no interpreter behind. Meanwhile the folders the links go
// into cannot be swapped.
class ClosingPartWayTest : public ConversionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ClosingPartWayTest, EndsAtOnceAndKeepsTheLinksMade) {
  const bool byEscape = GetParam();
  Rig rig("ludvane-closing");
  ASSERT_TRUE(rig.Ready());
  rig.SetStandInDelay(250);
  ASSERT_TRUE(conversion_rig::PointRegistryAtSteam(rig));
  Process ludvane(rig.LudvaneExe(), rig.AppFolder());
  std::string failure;
  HWND confirm = conversion_rig::PressStart(ludvane, rig, &failure);
  ASSERT_TRUE(confirm) << failure;
  AnswerMessageBox(confirm, IDYES);
  HWND progress = WaitForTopLevelWindow(ludvane.Id(), kProgressWindowClass);
  ASSERT_TRUE(progress);
  ASSERT_TRUE(WaitUntil([&] { return rig.LoggedCommands().size() >= 4; }, kConversionTimeout));
  for (const std::string& folder : {rig.Destination(), rig.Destination() + "update\\"}) {
    const std::string entry = folder.substr(0, folder.size() - 1);
    EXPECT_FALSE(MoveFileA(entry.c_str(), (entry + "-swapped").c_str())) << entry << " was moved";
  }

  // The next command's stand-in waits five seconds after making its link; the program is closed
  // meanwhile. One command runs at a time, so it is the program's only child.
  const size_t loggedBefore = rig.LoggedCommands().size();
  rig.SetStandInDelay(5000);
  ASSERT_TRUE(
      WaitUntil([&] { return rig.LoggedCommands().size() > loggedBefore; }, kConversionTimeout));
  const std::string slowLink = rig.Destination() + conversion_rig::PlanItems()[loggedBefore].name;
  ASSERT_TRUE(
      WaitUntil([&] { return GetFileAttributesA(slowLink.c_str()) != INVALID_FILE_ATTRIBUTES; }));
  // The stand-in names itself. Wine's own services and desktop process name as parent a process
  // that ended long ago, and Wine reuses process ids: once the program has that id, the first
  // process naming it as parent is one of those, which never ends.
  const DWORD standInId = static_cast<DWORD>(std::strtoul(
      conversion_rig::ReadFileBytes(rig.Folder() + "cmd-pid.txt").c_str(), nullptr, 10));
  ASSERT_TRUE(RunsAsChildOf(standInId, ludvane.Id())) << "no stand-in runs";
  HANDLE standIn = OpenProcess(SYNCHRONIZE, FALSE, standInId);
  ASSERT_TRUE(standIn);

  const auto closedAt = Clock::now();
  if (byEscape) {
    PostKey(progress, VK_ESCAPE);
  } else {
    PostClose(progress);
  }
  ASSERT_TRUE(ludvane.WaitForExit(milliseconds(1000)));
  EXPECT_LT(MillisecondsSince(closedAt), 1000);
  EXPECT_EQ(ludvane.ExitCode(), 0u);
  EXPECT_EQ(WaitForSingleObject(standIn, 2000), WAIT_OBJECT_0)
      << "the stand-in outlived the program";
  CloseHandle(standIn);

  const std::vector<std::string> commands = rig.LoggedCommands();
  ASSERT_LT(commands.size(), 36u);
  const std::vector<std::string> plan =
      conversion_rig::PlanCommands(rig.Destination(), rig.Steam());
  EXPECT_TRUE(std::equal(commands.begin(), commands.end(), plan.begin()));
  // Every stand-in made its link before it waited.
  EXPECT_TRUE(WaitUntil([&] {
    for (size_t i = 0; i < commands.size(); ++i) {
      const std::string link = rig.Destination() + conversion_rig::PlanItems()[i].name;
      if (GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    }
    return true;
  }));
  // Nothing keeps the program's current folder, the rig's app folder; the next rig is made in the
  // same place.
  EXPECT_TRUE(WaitUntil([&] {
    DeleteFileA(rig.LudvaneExe().c_str());
    return RemoveDirectoryA(rig.AppFolder().c_str()) != FALSE;
  }));
}

INSTANTIATE_TEST_SUITE_P(ByCloseOrEscape, ClosingPartWayTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Escape" : "Close");
                         });

}  // namespace
