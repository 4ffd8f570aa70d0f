// The small rules of the windows: the folder taken from the registry value, trailing
// backslashes, the start button's refusals, the progress bar's values and the timer's period.
#include "app/rules.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using app::ChainsOverlap;
using app::ClampPositionIntoRange;
using app::ClampProgressValue;
using app::EndsInBackslash;
using app::FileSystemHoldsLinks;
using app::InterpreterMayExpand;
using app::IsCloudSynced;
using app::IsFullFolderPath;
using app::LastFolderIsGameFolder;
using app::NormalizedTimerPeriod;
using app::PathsOverlap;
using app::SteamFolderFromRegistryValue;
using app::WithTrailingBackslash;

TEST(SteamFolderFromRegistryValue, DropsFourBytesAndEndsInOneBackslash) {
  EXPECT_EQ("D:\\Games\\GV\\", SteamFolderFromRegistryValue("D:\\Games\\GV\\GTAV"));
  EXPECT_EQ("D:\\Games\\GV\\", SteamFolderFromRegistryValue("D:\\Games\\GVGTAV"));
  EXPECT_EQ("C:\\", SteamFolderFromRegistryValue("C:\\GTAV"));
  EXPECT_EQ("\\", SteamFolderFromRegistryValue("\\GTAV"));
}

TEST(SteamFolderFromRegistryValue, FourBytesOrFewerLeaveALoneBackslash) {
  EXPECT_EQ("\\", SteamFolderFromRegistryValue("GTAV"));
  EXPECT_EQ("\\", SteamFolderFromRegistryValue("D:\\"));
  EXPECT_EQ("\\", SteamFolderFromRegistryValue(""));
}

TEST(SteamFolderFromRegistryValue, CountsBytesNotCharacters) {
  // D:\游戏GTAV: the four bytes dropped are "GTAV", leaving the two double-byte characters.
  EXPECT_EQ("D:\\\xD3\xCE\xCF\xB7\\", SteamFolderFromRegistryValue("D:\\\xD3\xCE\xCF\xB7GTAV"));
  // D:\游戏: the four bytes dropped are the two characters themselves.
  EXPECT_EQ("D:\\", SteamFolderFromRegistryValue("D:\\\xD3\xCE\xCF\xB7"));
}

TEST(TrailingBackslash, IsAddedOnlyWhenMissing) {
  EXPECT_EQ("C:\\Games\\", WithTrailingBackslash("C:\\Games"));
  EXPECT_EQ("C:\\Games\\", WithTrailingBackslash("C:\\Games\\"));
  EXPECT_EQ("C:\\", WithTrailingBackslash("C:\\")) << "a drive root keeps its one backslash";
  EXPECT_EQ("\\", WithTrailingBackslash("\\"));
  EXPECT_EQ("", WithTrailingBackslash("")) << "the empty text stays empty";
  EXPECT_FALSE(EndsInBackslash(""));
}

TEST(IsFullFolderPath, OnlyADriveRootOrAServerShareStartsAFullPath) {
  for (const char* full : {"C:\\", "d:\\Games\\", "\\\\nas\\games\\", "\\\\nas\\games\\GTA V\\"}) {
    EXPECT_TRUE(IsFullFolderPath(full)) << full;
  }
  for (const char* partial :
       {"", "\\", "\\Games\\", "Games\\", "C:", "C:Games\\", "1:\\", "\\\\", "\\\\nas", "\\\\nas\\",
        "\\\\nas\\\\", "\\\\\\share\\", "\\\\.\\C:\\", "\\\\?\\C:\\"}) {
    EXPECT_FALSE(IsFullFolderPath(partial)) << partial;
  }
}

TEST(StartRefusals, FileSystemsWithoutLinksAreKnownByName) {
  for (const char* holds : {"NTFS", "ReFS", "ntfs", "", "UDF", "Unknown"}) {
    EXPECT_TRUE(FileSystemHoldsLinks(holds)) << holds;
  }
  for (const char* holdsNone : {"FAT", "FAT32", "exFAT", "EXFAT", "fat32"}) {
    EXPECT_FALSE(FileSystemHoldsLinks(holdsNone)) << holdsNone;
  }
}

TEST(StartRefusals, OverlapIsByWholeFolderNamesInAnyCase) {
  const std::string steam = "D:\\SteamLibrary\\steamapps\\common\\Grand Theft Auto V\\";
  EXPECT_TRUE(PathsOverlap(steam + "GTAV\\", steam)) << "the Epic location is the Steam folder";
  EXPECT_TRUE(PathsOverlap(steam + "update\\GTAV\\", steam)) << "inside it";
  EXPECT_TRUE(PathsOverlap("d:\\steamlibrary\\STEAMAPPS\\common\\GTAV\\",
                           "D:\\SteamLibrary\\steamapps\\common\\gtav"))
      << "the Steam folder is called GTAV and the Epic location is its parent";
  EXPECT_TRUE(PathsOverlap("D:\\SteamLibrary\\", steam)) << "a destination holding it";
  EXPECT_FALSE(PathsOverlap("D:\\GTAV\\", steam)) << "the drive root holds it elsewhere";
  EXPECT_FALSE(PathsOverlap("D:\\Game\\GTAV\\", "D:\\GameX\\"));
  EXPECT_FALSE(PathsOverlap("D:\\GameX\\GTAV\\", "D:\\Game\\"));
  EXPECT_FALSE(PathsOverlap("E:\\Epic\\GTAV\\", steam));
  EXPECT_TRUE(PathsOverlap("\\\\nas\\games\\GTAV\\", "\\\\NAS\\Games\\"));
}

// Each chain: a folder and the folders really above it, nearest first.
TEST(StartRefusals, IdentityOverlapSeesTheSteamFolderAtOrAboveTheDestinationOrBelowIt) {
  using Chain = std::vector<link::FileIdentity>;
  const link::FileIdentity root{7, 0, 5}, games{7, 0, 40}, steamapps{7, 0, 41}, steam{7, 0, 42},
      epic{7, 0, 43}, game{7, 0, 44}, otherDrive{8, 0, 42};
  const Chain steamChain = {steam, steamapps, root};
  // The destination is the Steam folder (the game moved, a junction left where Steam looks).
  EXPECT_TRUE(ChainsOverlap({steam, games, root}, true, steamChain));
  // The Epic location is the Steam folder, or lies in it, reached through a junction or a drive
  // letter: the game folder made there would lie in it.
  EXPECT_TRUE(ChainsOverlap(steamChain, false, steamChain));
  EXPECT_TRUE(ChainsOverlap({epic, steam, steamapps, root}, false, steamChain));
  // The game folder is there and holds the Steam folder.
  EXPECT_TRUE(ChainsOverlap({game, epic, root}, true, {steam, game, epic, root}));
  // An Epic location above the Steam folder gets its game folder beside it.
  EXPECT_FALSE(ChainsOverlap({epic, root}, false, {steam, epic, root}));
  EXPECT_FALSE(ChainsOverlap({game, epic, root}, true, {steam, epic, root}));
  EXPECT_FALSE(ChainsOverlap({otherDrive}, true, steamChain)) << "the same index on another volume";
  EXPECT_FALSE(ChainsOverlap({}, false, steamChain)) << "what cannot be opened tells nothing";
  EXPECT_FALSE(ChainsOverlap(steamChain, true, {}));
}

TEST(StartRefusals, CloudSyncedFoldersAreKnownByTheirAttributesOrTag) {
  constexpr unsigned long kFolder = FILE_ATTRIBUTE_DIRECTORY;
  constexpr unsigned long kReparse = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  for (unsigned long cloud : {0x00080000ul, 0x00100000ul, 0x00400000ul}) {
    EXPECT_TRUE(IsCloudSynced(kFolder | cloud, 0)) << std::hex << cloud;
  }
  for (unsigned long tag : {0x9000001Aul, 0x9000101Aul, 0x9000F01Aul}) {
    EXPECT_TRUE(IsCloudSynced(kReparse, tag)) << std::hex << tag;
  }
  EXPECT_FALSE(IsCloudSynced(kFolder, 0));
  EXPECT_FALSE(IsCloudSynced(kReparse, 0xA0000003)) << "a junction";
  EXPECT_FALSE(IsCloudSynced(kReparse, 0xA000000C)) << "a symbolic link";
  EXPECT_FALSE(IsCloudSynced(kFolder, 0x9000001A)) << "a tag without a reparse point";
}

TEST(StartRefusals, OnlyALastFolderNamedGTAVIsTheGameFolder) {
  for (const char* game : {"D:\\Epic Games\\GTAV\\", "D:\\Epic Games\\gtav\\", "D:\\GTAV"}) {
    EXPECT_TRUE(LastFolderIsGameFolder(game)) << game;
  }
  for (const char* other : {"D:\\Epic Games\\", "D:\\GTAV\\Epic\\", "D:\\GTAV5\\", "D:\\"}) {
    EXPECT_FALSE(LastFolderIsGameFolder(other)) << other;
  }
}

TEST(StartRefusals, TwoPercentSignsInBothLocationsTogetherAreRefused) {
  EXPECT_FALSE(InterpreterMayExpand("D:\\Steam\\", "E:\\100%\\")) << "a lone % expands nothing";
  EXPECT_FALSE(InterpreterMayExpand("D:\\100%\\", "E:\\Epic\\"));
  EXPECT_TRUE(InterpreterMayExpand("D:\\Steam\\", "E:\\a%WINDIR%b\\"));
  EXPECT_TRUE(InterpreterMayExpand("D:\\a%WINDIR%b\\", "E:\\Epic\\"));
  EXPECT_TRUE(InterpreterMayExpand("D:\\x%\\", "E:\\%y\\")) << "one in each pairs up";
  EXPECT_TRUE(InterpreterMayExpand("D:\\%%\\", "E:\\"));
}

// In code page 936 the byte 0x5C is also the second byte of double-byte characters; such a
// character at the end is not a backslash.
class DoubleByteTrailingBackslash : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetACP() != 936) GTEST_SKIP() << "needs the code page 936";
  }
};

TEST_F(DoubleByteTrailingBackslash, SecondByte5CIsNotABackslash) {
  EXPECT_FALSE(EndsInBackslash("D:\\\x81\x5C"));
  EXPECT_EQ("D:\\\x81\x5C\\", WithTrailingBackslash("D:\\\x81\x5C"));
  EXPECT_EQ("D:\\\x81\x5C\\", WithTrailingBackslash("D:\\\x81\x5C\\"));
  EXPECT_EQ("D:\\\x81\x5C\\", SteamFolderFromRegistryValue("D:\\\x81\x5CGTAV"));
}

TEST_F(DoubleByteTrailingBackslash, ServerNameEndingInTrailByte5CHasNoShareYet) {
  EXPECT_FALSE(IsFullFolderPath("\\\\nas\x81\x5C"));
  EXPECT_TRUE(IsFullFolderPath("\\\\nas\x81\x5C\\games\\"));
}

TEST_F(DoubleByteTrailingBackslash, StartRefusalsWalkByCharacters) {
  // 0x81 0x5C is one character, not a folder name 0x81 and a backslash.
  EXPECT_FALSE(PathsOverlap("D:\\\x81\x5Cx\\GTAV\\", "D:\\\x81\x5C\\"));
  EXPECT_TRUE(PathsOverlap("D:\\\x81\x5C\\GTAV\\", "D:\\\x81\x5C\\"));
  EXPECT_FALSE(LastFolderIsGameFolder("D:\\Epic\\\x81\x5CGTAV\\"));
  // 0x81 0x61 and 0x81 0x41 are two characters, whose second bytes are no letters to fold.
  EXPECT_FALSE(PathsOverlap("D:\\\x81\x61\\GTAV\\", "D:\\\x81\x41\\"));
}

TEST_F(DoubleByteTrailingBackslash, CharactersAreFoundFromTheStart) {
  // 0x81 0x81 is one character, so the 0x5C after it stands alone: a real backslash, although
  // the byte before it could start a double-byte character.
  EXPECT_TRUE(EndsInBackslash("\x81\x81\x5C"));
  EXPECT_EQ("\x81\x81\x5C", WithTrailingBackslash("\x81\x81\x5C"));
  // A lead byte with nothing after it is a character of its own.
  EXPECT_FALSE(EndsInBackslash("D:\\\x81"));
  EXPECT_TRUE(EndsInBackslash("D:\\\x81\x5C\\"));
}

TEST(ProgressValue, IsClampedToTheControlsRange) {
  EXPECT_EQ(0, ClampProgressValue(-5));
  EXPECT_EQ(0, ClampProgressValue(0));
  EXPECT_EQ(36, ClampProgressValue(36));
  EXPECT_EQ(32767, ClampProgressValue(32767));
  EXPECT_EQ(32767, ClampProgressValue(32768));
  EXPECT_EQ(32767, ClampProgressValue(INT64_C(1) << 40));
  EXPECT_EQ(0, ClampProgressValue(INT32_MIN));
}

TEST(ProgressPosition, IsShownWithinTheRange) {
  EXPECT_EQ(35, ClampPositionIntoRange(36, 0, 35)) << "past the maximum shows a full bar";
  EXPECT_EQ(0, ClampPositionIntoRange(-5, 0, 35));
  EXPECT_EQ(17, ClampPositionIntoRange(17, 0, 35));
  // A minimum above the maximum: the smaller is the low end.
  EXPECT_EQ(17, ClampPositionIntoRange(17, 35, 0));
  EXPECT_EQ(35, ClampPositionIntoRange(40, 35, 0));
  EXPECT_EQ(10, ClampPositionIntoRange(3, 10, 10));
}

TEST(TimerPeriod, NegativeMeansStopped) {
  EXPECT_EQ(0, NormalizedTimerPeriod(-1));
  EXPECT_EQ(0, NormalizedTimerPeriod(INT32_MIN));
  EXPECT_EQ(0, NormalizedTimerPeriod(0));
  EXPECT_EQ(100, NormalizedTimerPeriod(100));
}

}  // namespace
