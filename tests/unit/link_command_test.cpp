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

// The test prefix's own cmd.exe is the stand-in interpreter: it logs each mklink command line
// into the folder named by STANDIN_CMD_FOLDER and imitates mklink there.
class LinkCommandThroughStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch_ = std::string(temp) + "ludvane-link-test-" + std::to_string(GetCurrentProcessId());
    // 游戏: the link's folders hold blanks and double-byte characters.
    destination_ = scratch_ + "\\Epic Games\\\xD3\xCE\xCF\xB7\\GTAV\\";
    std::string made;
    for (const std::string& part :
         {scratch_ + "\\", std::string("Epic Games\\"), std::string("\xD3\xCE\xCF\xB7\\"),
          std::string("GTAV\\"), std::string("x64\\")}) {
      made += part;
      CreateDirectoryA(made.c_str(), nullptr);
    }
    ASSERT_TRUE(SetEnvironmentVariableA("STANDIN_CMD_FOLDER", scratch_.c_str()));
  }

  void TearDown() override {
    SetEnvironmentVariableA("STANDIN_CMD_FOLDER", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
  }

  std::string Log() const {
    std::ifstream log(scratch_ + "\\cmd-log.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
  }

  std::string scratch_;
  std::string destination_;
};

}  // namespace

TEST_F(LinkCommandThroughStandIn, InterpreterGetsTheLineUnchangedAndTheMarkerIsFound) {
  // 乗 (0x81 0x5C): its trail byte is a backslash.
  const std::string source = "C:\\Steam \x81\x5C\\GTAV\\";
  const std::string line = link::BuildLinkCommandLine(
      destination_ + "x64\\audio\\", source + "x64\\audio\\", link::kDirectoryJunction);
  EXPECT_TRUE(link::MakeLink(destination_ + "x64\\audio\\", source + "x64\\audio\\",
                             link::kDirectoryJunction));
  EXPECT_EQ(Log(), "/d /v:off /c " + line + "\n");
  EXPECT_TRUE(link::MakeLink(destination_ + "common.rpf", source + "common.rpf"));
  // A second time the link is there already, and mklink says so without the marker.
  EXPECT_FALSE(link::MakeLink(destination_ + "common.rpf", source + "common.rpf"));
}
