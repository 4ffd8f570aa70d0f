// The small rules of the windows: the folder taken from the registry value, trailing
// backslashes, the start button's refusals, the progress bar's values and the timer's period;
// and the texts' conversion to UTF-16.
#include "app/rules.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/texts.h"

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

TEST(SteamFolderFromRegistryValue, DropsFourCharactersAndEndsInOneBackslash) {
  EXPECT_EQ(L"D:\\Games\\GV\\", SteamFolderFromRegistryValue(L"D:\\Games\\GV\\GTAV"));
  EXPECT_EQ(L"D:\\Games\\GV\\", SteamFolderFromRegistryValue(L"D:\\Games\\GVGTAV"));
  EXPECT_EQ(L"C:\\", SteamFolderFromRegistryValue(L"C:\\GTAV"));
  EXPECT_EQ(L"\\", SteamFolderFromRegistryValue(L"\\GTAV"));
}

TEST(SteamFolderFromRegistryValue, FourCharactersOrFewerLeaveALoneBackslash) {
  EXPECT_EQ(L"\\", SteamFolderFromRegistryValue(L"GTAV"));
  EXPECT_EQ(L"\\", SteamFolderFromRegistryValue(L"D:\\"));
  EXPECT_EQ(L"\\", SteamFolderFromRegistryValue(L""));
}

TEST(SteamFolderFromRegistryValue, CountsUtf16Characters) {
  // D:\游戏GTAV: the four characters dropped are "GTAV", leaving the two Chinese ones.
  EXPECT_EQ(L"D:\\\u6E38\u620F\\", SteamFolderFromRegistryValue(L"D:\\\u6E38\u620FGTAV"));
  // D:\游戏: the four characters dropped are ":\游戏".
  EXPECT_EQ(L"D\\", SteamFolderFromRegistryValue(L"D:\\\u6E38\u620F"));
}

TEST(TrailingBackslash, IsAddedOnlyWhenMissing) {
  EXPECT_EQ(L"C:\\Games\\", WithTrailingBackslash(L"C:\\Games"));
  EXPECT_EQ(L"C:\\Games\\", WithTrailingBackslash(L"C:\\Games\\"));
  EXPECT_EQ(L"C:\\", WithTrailingBackslash(L"C:\\")) << "a drive root keeps its one backslash";
  EXPECT_EQ(L"\\", WithTrailingBackslash(L"\\"));
  EXPECT_EQ(L"", WithTrailingBackslash(L"")) << "the empty text stays empty";
  EXPECT_FALSE(EndsInBackslash(L""));
}

TEST(IsFullFolderPath, OnlyADriveRootOrAServerShareStartsAFullPath) {
  for (const wchar_t* full :
       {L"C:\\", L"d:\\Games\\", L"\\\\nas\\games\\", L"\\\\nas\\games\\GTA V\\"}) {
    EXPECT_TRUE(IsFullFolderPath(full)) << full;
  }
  for (const wchar_t* partial :
       {L"", L"\\", L"\\Games\\", L"Games\\", L"C:", L"C:Games\\", L"1:\\", L"\\\\", L"\\\\nas",
        L"\\\\nas\\", L"\\\\nas\\\\", L"\\\\\\share\\", L"\\\\.\\C:\\", L"\\\\?\\C:\\"}) {
    EXPECT_FALSE(IsFullFolderPath(partial)) << partial;
  }
}

TEST(StartRefusals, FileSystemsWithoutLinksAreKnownByName) {
  for (const wchar_t* holds : {L"NTFS", L"ReFS", L"ntfs", L"", L"UDF", L"Unknown"}) {
    EXPECT_TRUE(FileSystemHoldsLinks(holds)) << holds;
  }
  for (const wchar_t* holdsNone : {L"FAT", L"FAT32", L"exFAT", L"EXFAT", L"fat32"}) {
    EXPECT_FALSE(FileSystemHoldsLinks(holdsNone)) << holdsNone;
  }
}

TEST(StartRefusals, OverlapIsByWholeFolderNamesInAnyCase) {
  const std::wstring steam = L"D:\\SteamLibrary\\steamapps\\common\\Grand Theft Auto V\\";
  EXPECT_TRUE(PathsOverlap(steam + L"GTAV\\", steam)) << "the Epic location is the Steam folder";
  EXPECT_TRUE(PathsOverlap(steam + L"update\\GTAV\\", steam)) << "inside it";
  EXPECT_TRUE(PathsOverlap(L"d:\\steamlibrary\\STEAMAPPS\\common\\GTAV\\",
                           L"D:\\SteamLibrary\\steamapps\\common\\gtav"))
      << L"the Steam folder is called GTAV and the Epic location is its parent";
  EXPECT_TRUE(PathsOverlap(L"D:\\SteamLibrary\\", steam)) << "a destination holding it";
  EXPECT_FALSE(PathsOverlap(L"D:\\GTAV\\", steam)) << "the drive root holds it elsewhere";
  EXPECT_FALSE(PathsOverlap(L"D:\\Game\\GTAV\\", L"D:\\GameX\\"));
  EXPECT_FALSE(PathsOverlap(L"D:\\GameX\\GTAV\\", L"D:\\Game\\"));
  EXPECT_FALSE(PathsOverlap(L"E:\\Epic\\GTAV\\", steam));
  EXPECT_TRUE(PathsOverlap(L"\\\\nas\\games\\GTAV\\", L"\\\\NAS\\Games\\"));
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
  for (const wchar_t* game : {L"D:\\Epic Games\\GTAV\\", L"D:\\Epic Games\\gtav\\", L"D:\\GTAV"}) {
    EXPECT_TRUE(LastFolderIsGameFolder(game)) << game;
  }
  for (const wchar_t* other : {L"D:\\Epic Games\\", L"D:\\GTAV\\Epic\\", L"D:\\GTAV5\\", L"D:\\"}) {
    EXPECT_FALSE(LastFolderIsGameFolder(other)) << other;
  }
}

TEST(StartRefusals, TwoPercentSignsInBothLocationsTogetherAreRefused) {
  EXPECT_FALSE(InterpreterMayExpand(L"D:\\Steam\\", L"E:\\100%\\")) << "a lone % expands nothing";
  EXPECT_FALSE(InterpreterMayExpand(L"D:\\100%\\", L"E:\\Epic\\"));
  EXPECT_TRUE(InterpreterMayExpand(L"D:\\Steam\\", L"E:\\a%WINDIR%b\\"));
  EXPECT_TRUE(InterpreterMayExpand(L"D:\\a%WINDIR%b\\", L"E:\\Epic\\"));
  EXPECT_TRUE(InterpreterMayExpand(L"D:\\x%\\", L"E:\\%y\\")) << "one in each pairs up";
  EXPECT_TRUE(InterpreterMayExpand(L"D:\\%%\\", L"E:\\"));
}

// In code page 936 the byte 0x5C is also the second byte of double-byte characters, such as
// 乗 (0x81 0x5C); in UTF-16 such a character is one character, never a backslash, whatever the
// system's code page.
class DoubleByteTrailingBackslash : public ::testing::Test {};

TEST_F(DoubleByteTrailingBackslash, SecondByte5CIsNotABackslash) {
  EXPECT_FALSE(EndsInBackslash(L"D:\\\u4E57"));
  EXPECT_EQ(L"D:\\\u4E57\\", WithTrailingBackslash(L"D:\\\u4E57"));
  EXPECT_EQ(L"D:\\\u4E57\\", WithTrailingBackslash(L"D:\\\u4E57\\"));
  EXPECT_EQ(L"D:\\\u4E57\\", SteamFolderFromRegistryValue(L"D:\\\u4E57GTAV"));
}

TEST_F(DoubleByteTrailingBackslash, ServerNameEndingInTrailByte5CHasNoShareYet) {
  EXPECT_FALSE(IsFullFolderPath(L"\\\\nas\u4E57"));
  EXPECT_TRUE(IsFullFolderPath(L"\\\\nas\u4E57\\games\\"));
}

TEST_F(DoubleByteTrailingBackslash, StartRefusalsWalkByCharacters) {
  // 乗 (0x81 0x5C) is one character, not a folder name 0x81 and a backslash.
  EXPECT_FALSE(PathsOverlap(L"D:\\\u4E57x\\GTAV\\", L"D:\\\u4E57\\"));
  EXPECT_TRUE(PathsOverlap(L"D:\\\u4E57\\GTAV\\", L"D:\\\u4E57\\"));
  EXPECT_FALSE(LastFolderIsGameFolder(L"D:\\Epic\\\u4E57GTAV\\"));
  // 乤 (0x81 0x61) and 丄 (0x81 0x41) are two characters, whose second bytes are no letters.
  EXPECT_FALSE(PathsOverlap(L"D:\\\u4E64\\GTAV\\", L"D:\\\u4E04\\"));
}

TEST_F(DoubleByteTrailingBackslash, CharactersAreFoundFromTheStart) {
  // 亖 (0x81 0x81) is one character, so the backslash after it stands alone, although in code
  // page 936 the byte before it could start a double-byte character.
  EXPECT_TRUE(EndsInBackslash(L"\u4E96\\"));
  EXPECT_EQ(L"\u4E96\\", WithTrailingBackslash(L"\u4E96\\"));
  EXPECT_TRUE(EndsInBackslash(L"D:\\\u4E57\\"));
}

// Every text is code page 936 and comes back whole from UTF-16, under any system locale.
TEST(Texts, EveryTextConvertsFromCodePage936) {
  const char* const all[] = {
      texts::kMainWindowTitle,
      texts::kStartButtonCaption,
      texts::kEpicBrowseCaption,
      texts::kEpicCaptionLabel,
      texts::kSteamCaptionLabel,
      texts::kSteamBrowseCaption,
      texts::kNoticeCaption,
      texts::kMessageBoxCaption,
      texts::kLookupFailedText,
      texts::kSteamPickerTitle,
      texts::kEpicPickerTitle,
      texts::kNoFolderChosenText,
      texts::kEnhancedEditionText,
      texts::kCloudSyncedText,
      texts::kSteamFolderWithoutGameText,
      texts::kEpicLocationIsGameFolderText,
      texts::kDestinationOverlapsSteamText,
      texts::kDestinationCannotHoldLinksText,
      texts::kPercentInPathsText,
      texts::kConfirmText,
      texts::kFinishedText,
      texts::kNotAllLinkedHead,
      texts::kNotAllLinkedCount,
      texts::kNameSeparator,
      texts::kMoreNames,
      texts::kErrorWords,
      texts::kNameTakenWords,
      texts::kNameTakenAdvice,
      texts::kRefusedAdvice,
      texts::kPathNotFoundAdvice,
      texts::kAccessDeniedAdvice,
      texts::kRunAgainAdvice,
  };
  for (const char* text : all) {
    const std::wstring wide = texts::Wide(text);
    ASSERT_FALSE(wide.empty()) << text;
    std::string back(std::string(text).size(), '\0');
    const int length =
        WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), &back[0],
                            static_cast<int>(back.size()), nullptr, nullptr);
    EXPECT_EQ(std::string(text), back.substr(0, static_cast<size_t>(length)));
  }
  EXPECT_EQ(L"\u5F00\u59CB\u8F6C\u6362", texts::Wide(texts::kStartButtonCaption));  // 开始转换
  EXPECT_EQ(L"", texts::Wide("\x81")) << "a lead byte alone is no text of code page 936";
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
