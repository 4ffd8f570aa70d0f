// The mklink command line, the success marker, and whole runs through a stand-in interpreter.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "console/command_run.h"
#include "link/link_command.h"

TEST(LinkCommand, FileLinkLineIsTheFivePartsByteForByte) {
  const std::string line =
      link::BuildLinkCommandLine("D:\\E\\GTAV\\common.rpf", "C:\\S\\common.rpf", 0);
  EXPECT_EQ(line, "mklink \"D:\\E\\GTAV\\common.rpf\" \"C:\\S\\common.rpf\"");
  EXPECT_EQ(line.size(), 47u);
}

TEST(LinkCommand, JunctionKeepsTrailingBackslashesInsideTheQuotes) {
  EXPECT_EQ(link::BuildLinkCommandLine("D:\\E\\GTAV\\x64\\audio\\", "C:\\S\\x64\\audio\\",
                                       link::kDirectoryJunction),
            "mklink /J \"D:\\E\\GTAV\\x64\\audio\\\" \"C:\\S\\x64\\audio\\\"");
}

TEST(LinkCommand, BlanksAndDoubleByteCharactersPassUnchanged) {
  // 游戏 and 乗 (0x81 0x5C: its trail byte is a backslash) in code page 936.
  const std::string link = "D:\\Epic Games\\\xD3\xCE\xCF\xB7\\GTAV\\x64a.rpf";
  const std::string source = "C:\\Steam \x81\x5C\\GTAV\\x64a.rpf";
  EXPECT_EQ(link::BuildLinkCommandLine(link, source, link::kFileSymbolicLink),
            "mklink \"" + link + "\" \"" + source + "\"");
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
  EXPECT_FALSE(link::MakeLink("C:\\ludvane-no-such-folder\\sub\\common.rpf",
                              "C:\\ludvane-no-such-folder\\common.rpf"));
}

namespace {

// Runs from a scratch folder holding the console_standin_cmd child as cmd.exe: CreateProcessA
// looks in the current folder before the system's, so "cmd.exe /c ..." starts the stand-in.
class LinkCommandThroughStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string standIn(path, length);
    standIn = standIn.substr(0, standIn.rfind('\\') + 1) + "console_standin_cmd.exe";
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch_ = std::string(temp) + "ludvane-link-test-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(scratch_.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(standIn.c_str(), (scratch_ + "\\cmd.exe").c_str(), FALSE));
    GetCurrentDirectoryA(MAX_PATH, previous_);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch_.c_str()));
  }

  void TearDown() override {
    SetCurrentDirectoryA(previous_);
    DeleteFileA((scratch_ + "\\cmd.exe").c_str());
    RemoveDirectoryA(scratch_.c_str());
  }

  std::string scratch_;
  char previous_[MAX_PATH] = {};
};

}  // namespace

TEST_F(LinkCommandThroughStandIn, InterpreterGetsTheLineUnchangedAndTheMarkerIsFound) {
  const std::string link = "D:\\Epic Games\\\xD3\xCE\xCF\xB7\\GTAV\\x64\\audio\\";
  const std::string source = "C:\\Steam \x81\x5C\\GTAV\\x64\\audio\\";
  const std::string line = link::BuildLinkCommandLine(link, source, link::kDirectoryJunction);
  const std::string output = console::RunCapturedCommand(line);
  EXPECT_NE(output.find("command line: cmd.exe /c " + line + "\r\n"), std::string::npos) << output;
  EXPECT_TRUE(link::MakeLink(link, source, link::kDirectoryJunction));
  EXPECT_TRUE(link::MakeLink("D:\\E\\GTAV\\common.rpf", "C:\\S\\common.rpf"));
}
