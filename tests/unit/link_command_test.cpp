// The mklink command line, the success marker, and whole runs through a stand-in interpreter.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "console/command_run.h"
#include "link/link_command.h"

TEST(LinkCommand, FileLinkLineIsTheFivePartsCharacterForCharacter) {
  const std::wstring line =
      link::BuildLinkCommandLine(L"D:\\E\\GTAV\\common.rpf", L"C:\\S\\common.rpf", 0);
  EXPECT_EQ(line, L"mklink \"D:\\E\\GTAV\\common.rpf\" \"C:\\S\\common.rpf\"");
  EXPECT_EQ(line.size(), 47u);
}

TEST(LinkCommand, JunctionKeepsTrailingBackslashesInsideTheQuotes) {
  EXPECT_EQ(link::BuildLinkCommandLine(L"D:\\E\\GTAV\\x64\\audio\\", L"C:\\S\\x64\\audio\\",
                                       link::kDirectoryJunction),
            L"mklink /J \"D:\\E\\GTAV\\x64\\audio\\\" \"C:\\S\\x64\\audio\\\"");
}

TEST(LinkCommand, BlanksAndCharactersOfAnyScriptPassUnchanged) {
  // 游戏, 乗 (0x81 0x5C in code page 936: its trail byte is a backslash) and 한국어.
  const std::wstring link = L"D:\\Epic Games\\\u6E38\u620F\\GTAV\\x64a.rpf";
  const std::wstring source = L"C:\\Steam \u4E57\uD55C\uAD6D\uC5B4\\GTAV\\x64a.rpf";
  EXPECT_EQ(link::BuildLinkCommandLine(link, source, link::kFileSymbolicLink),
            L"mklink \"" + link + L"\" \"" + source + L"\"");
}

TEST(LinkCommand, MarkerAnywhereInTheOutputMeansTheLinkWasMade) {
  EXPECT_TRUE(link::OutputShowsLinkMade("symbolic link created for a <<===>> b\r\n"));
  EXPECT_TRUE(link::OutputShowsLinkMade("Access is denied.\r\nJunction created for a <<===>> b"));
  EXPECT_TRUE(link::OutputShowsLinkMade("<<===>>"));
  EXPECT_FALSE(
      link::OutputShowsLinkMade("Cannot create a file when that file already exists.\r\n"));
  EXPECT_FALSE(link::OutputShowsLinkMade("a <<==>> b <<=== >>"));
  EXPECT_FALSE(link::OutputShowsLinkMade(""));
}

TEST(LinkCommand, FailedMklinkGivesFalse) {
  EXPECT_FALSE(link::MakeLink(L"C:\\ludvane-no-such-folder\\sub\\common.rpf",
                              L"C:\\ludvane-no-such-folder\\common.rpf"));
}

namespace {

// The test prefix's own cmd.exe is the stand-in interpreter: it logs each mklink command line
// into the folder named by STANDIN_CMD_FOLDER and imitates mklink there.
class LinkCommandThroughStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    scratch_ = std::wstring(temp) + L"ludvane-link-test-" + std::to_wstring(GetCurrentProcessId());
    // 游戏 and 한국어: the link's folders hold blanks and characters outside the code pages.
    destination_ = scratch_ + L"\\Epic Games\\\u6E38\u620F\uD55C\uAD6D\uC5B4\\GTAV\\";
    std::wstring made;
    for (const std::wstring& part : {scratch_ + L"\\", std::wstring(L"Epic Games\\"),
                                     std::wstring(L"\u6E38\u620F\uD55C\uAD6D\uC5B4\\"),
                                     std::wstring(L"GTAV\\"), std::wstring(L"x64\\")}) {
      made += part;
      CreateDirectoryW(made.c_str(), nullptr);
    }
    ASSERT_TRUE(SetEnvironmentVariableW(L"STANDIN_CMD_FOLDER", scratch_.c_str()));
  }

  void TearDown() override {
    SetEnvironmentVariableW(L"STANDIN_CMD_FOLDER", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
  }

  // The stand-in's log of the command lines as it got them in UTF-16, in UTF-8.
  std::string Log() const {
    std::ifstream log(std::filesystem::path(scratch_ + L"\\cmd-log-utf8.txt"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
  }

  static std::string Utf8(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &bytes[0], length, nullptr, nullptr);
    return bytes;
  }

  std::wstring scratch_;
  std::wstring destination_;
};

}  // namespace

TEST_F(LinkCommandThroughStandIn, InterpreterGetsTheLineUnchangedAndTheMarkerIsFound) {
  // 乗 (0x81 0x5C in code page 936): its trail byte is a backslash.
  const std::wstring source = L"C:\\Steam \u4E57\\GTAV\\";
  const std::wstring line = link::BuildLinkCommandLine(
      destination_ + L"x64\\audio\\", source + L"x64\\audio\\", link::kDirectoryJunction);
  EXPECT_TRUE(link::MakeLink(destination_ + L"x64\\audio\\", source + L"x64\\audio\\",
                             link::kDirectoryJunction));
  EXPECT_EQ(Log(), Utf8(L"/d /v:off /c " + line + L"\n"));
  EXPECT_TRUE(link::MakeLink(destination_ + L"common.rpf", source + L"common.rpf"));
  // A second time the link is there already, and mklink says so without the marker.
  EXPECT_FALSE(link::MakeLink(destination_ + L"common.rpf", source + L"common.rpf"));
}
