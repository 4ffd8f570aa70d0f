// The link plan against scratch folders, with a link maker that only records what it is asked.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/link_command.h"
#include "link/link_plan.h"
#include "link/path_tests.h"

namespace {

struct LinkRequest {
  std::wstring linkPath;
  std::wstring sourcePath;
  int kind;
  int itemsDoneBefore;
};

// The words as the interpreter writes them, in its console's code page.
std::string InConsoleCodePage(const std::wstring& words) {
  const int size = static_cast<int>(words.size());
  const int length =
      WideCharToMultiByte(CP_OEMCP, 0, words.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_OEMCP, 0, words.data(), size, &bytes[0], length, nullptr, nullptr);
  }
  return bytes;
}

bool operator==(const LinkRequest& a, const LinkRequest& b) {
  return a.linkPath == b.linkPath && a.sourcePath == b.sourcePath && a.kind == b.kind &&
         a.itemsDoneBefore == b.itemsDoneBefore;
}

std::ostream& operator<<(std::ostream& out, const LinkRequest& r) {
  return out << "{" << ::testing::PrintToString(r.linkPath) << ", "
             << ::testing::PrintToString(r.sourcePath) << ", kind " << r.kind << ", after "
             << r.itemsDoneBefore << "}";
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(folder + name + L"\\");
      } else {
        DeleteFileW((folder + name).c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

class LinkPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    scratch_ =
        std::wstring(temp) + L"ludvane-plan-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    RemoveTree(scratch_);
    CreateDirectoryW(scratch_.c_str(), nullptr);
    destination_ = scratch_ + L"GTAV\\";
    CreateDirectoryW(destination_.c_str(), nullptr);
    steam_ = scratch_ + L"Grand Theft Auto V\\";
    CreateDirectoryW(steam_.c_str(), nullptr);
  }
  void TearDown() override { RemoveTree(scratch_); }

  // Every link is made, except those whose relative name `refused_` holds: those get an
  // answer with blank lines before the interpreter's words.
  link::PlanOutcome Run(unsigned long destinationError = 0) {
    return link::RunLinkPlan(
        destination_, steam_,
        [this](const std::wstring& linkPath, const std::wstring& sourcePath, int kind) {
          requests_.push_back({linkPath, sourcePath, kind, itemsDone_});
          const auto refusal = refused_.find(linkPath.substr(destination_.size()));
          if (refusal != refused_.end())
            return link::LinkAttempt{false,
                                     "\r\n \r\n" + InConsoleCodePage(refusal->second) + "\r\nx"};
          return link::LinkAttempt{true, ""};
        },
        [this] { ++itemsDone_; }, destinationError);
  }

  static bool MakeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }

  // The request the plan makes for a relative name when `done` items precede it.
  LinkRequest For(const std::wstring& name, int kind, int done) const {
    return {destination_ + name, steam_ + name, kind, done};
  }

  std::vector<LinkRequest> FullPlan() const {
    std::vector<LinkRequest> plan = {For(L"update\\update.rpf", link::kFileSymbolicLink, 0)};
    const wchar_t* named[] = {L"common.rpf",
                              L"installscript.vdf",
                              L"GFSDK_ShadowLib.win64.dll",
                              L"GFSDK_TXAA.win64.dll",
                              L"GFSDK_TXAA_AlphaResolve.win64.dll",
                              L"GTAVLanguageSelect.exe",
                              L"GTAVLauncher.exe",
                              L"bink2w64.dll",
                              L"d3dcompiler_46.dll",
                              L"d3dcsx_46.dll"};
    for (const wchar_t* name : named) plan.push_back(For(name, link::kFileSymbolicLink, 0));
    for (wchar_t letter = L'a'; letter <= L'w'; ++letter) {
      plan.push_back(For(std::wstring(L"x64") + letter + L".rpf", link::kFileSymbolicLink, 0));
    }
    plan.push_back(For(L"x64\\audio\\", link::kDirectoryJunction, 0));
    plan.push_back(For(L"update\\x64\\dlcpacks\\", link::kDirectoryJunction, 0));
    for (size_t i = 0; i < plan.size(); ++i) plan[i].itemsDoneBefore = static_cast<int>(i);
    return plan;
  }

  std::wstring scratch_;
  std::wstring destination_;
  std::wstring steam_;
  std::map<std::wstring, std::wstring> refused_;  // name -> the interpreter's words
  std::vector<LinkRequest> requests_;
  int itemsDone_ = 0;
};

TEST_F(LinkPlanTest, EmptyDestinationGetsEveryLinkInOrderAndItsThreeFolders) {
  Run();
  EXPECT_EQ(requests_, FullPlan());
  EXPECT_EQ(itemsDone_, 36);
  EXPECT_TRUE(link::FolderExists(destination_ + L"update\\"));
  EXPECT_TRUE(link::FolderExists(destination_ + L"x64\\"));
  EXPECT_TRUE(link::FolderExists(destination_ + L"update\\x64\\"));
}

TEST_F(LinkPlanTest, UpdateArchiveAlreadyPresentIsLeftAloneButStillCounted) {
  CreateDirectoryW((destination_ + L"update\\").c_str(), nullptr);
  HANDLE archive = CreateFileW((destination_ + L"update\\update.rpf").c_str(), GENERIC_WRITE, 0,
                               nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(archive, INVALID_HANDLE_VALUE);
  CloseHandle(archive);

  EXPECT_TRUE(Run().missing.empty()) << "the archive kept is in place";
  std::vector<LinkRequest> expected = FullPlan();
  expected.erase(expected.begin());
  EXPECT_EQ(requests_, expected);
  EXPECT_EQ(itemsDone_, 36);
}

TEST_F(LinkPlanTest, RefusedLinksAreInPlaceOnlyWhenTheirNameLeadsToTheSteamItem) {
  using link::MissingCause;
  // A name that is the Steam item itself (here a hard link, as Wine shows no symbolic link to a
  // file as one) is in place whatever mklink answers; a real file or folder of that name, as a
  // cancelled download leaves, is not.
  ASSERT_TRUE(MakeFile(steam_ + L"x64a.rpf"));
  ASSERT_TRUE(CreateHardLinkW((destination_ + L"x64a.rpf").c_str(), (steam_ + L"x64a.rpf").c_str(),
                              nullptr));
  ASSERT_TRUE(MakeFile(steam_ + L"x64b.rpf"));
  ASSERT_TRUE(MakeFile(destination_ + L"x64b.rpf"));
  CreateDirectoryW((destination_ + L"x64\\").c_str(), nullptr);
  ASSERT_TRUE(CreateDirectoryW((destination_ + L"x64\\audio\\").c_str(), nullptr));
  const std::wstring pathNotFound = link::SystemErrorText(ERROR_PATH_NOT_FOUND);
  const std::wstring accessDenied = link::SystemErrorText(ERROR_ACCESS_DENIED);
  ASSERT_NE(pathNotFound, L"");
  refused_ = {{L"common.rpf", L"no privilege"}, {L"x64a.rpf", L"exists"},
              {L"x64b.rpf", L"exists"},         {L"x64c.rpf", pathNotFound},
              {L"x64d.rpf", accessDenied},      {L"x64\\audio\\", L"exists"}};
  const link::PlanOutcome outcome = Run();
  EXPECT_EQ(requests_, FullPlan());
  EXPECT_EQ(outcome.missing, (std::vector<link::MissingItem>{
                                 {L"common.rpf", MissingCause::kRefused, L"no privilege"},
                                 {L"x64b.rpf", MissingCause::kNameTaken, L""},
                                 {L"x64c.rpf", MissingCause::kPathNotFound, pathNotFound},
                                 {L"x64d.rpf", MissingCause::kAccessDenied, accessDenied},
                                 {L"x64\\audio\\", MissingCause::kNameTaken, L""}}));
}

TEST(FoldersOnTheWayTest, GoUpToTheRootOfEveryKindOfPath) {
  using Folders = std::vector<std::wstring>;
  EXPECT_EQ(link::FoldersOnTheWay(L"D:\\Epic Games\\GTA\\"),
            (Folders{L"D:\\Epic Games\\GTA", L"D:\\Epic Games", L"D:\\"}));
  EXPECT_EQ(link::FoldersOnTheWay(L"D:\\"), (Folders{L"D:\\"}));
  EXPECT_EQ(link::FoldersOnTheWay(L"\\\\?\\C:\\Users\\me"),
            (Folders{L"\\\\?\\C:\\Users\\me", L"\\\\?\\C:\\Users", L"\\\\?\\C:\\"}));
  EXPECT_EQ(link::FoldersOnTheWay(L"\\\\nas\\games\\Epic\\"),
            (Folders{L"\\\\nas\\games\\Epic", L"\\\\nas\\games\\"}));
  EXPECT_EQ(link::FoldersOnTheWay(L"\\\\?\\UNC\\nas\\games\\Epic"),
            (Folders{L"\\\\?\\UNC\\nas\\games\\Epic", L"\\\\?\\UNC\\nas\\games\\"}));
  EXPECT_TRUE(link::FoldersOnTheWay(L"Epic\\GTAV").empty()) << "no root, nothing to go up to";
  EXPECT_TRUE(link::FoldersOnTheWay(L"").empty());
  // 乗 (0x81 0x5C in code page 936) is one character, whatever the system's code page.
  EXPECT_EQ(link::FoldersOnTheWay(L"D:\\\u4E57\\GTAV"),
            (Folders{L"D:\\\u4E57\\GTAV", L"D:\\\u4E57", L"D:\\"}));
}

// Where a link stored a target that cannot be opened now, the target's name tells.
TEST(ReparseTargetTest, NamesThePathWithOrWithoutItsPrefixInAnyCase) {
  EXPECT_TRUE(link::ReparseTargetNames(L"\\??\\C:\\Steam\\GTAV\\x64\\audio\\",
                                       L"c:\\steam\\gtav\\X64\\AUDIO\\"));
  EXPECT_TRUE(link::ReparseTargetNames(L"C:\\Steam\\common.rpf", L"C:\\Steam\\common.rpf"));
  EXPECT_TRUE(link::ReparseTargetNames(L"\\??\\C:\\Steam\\x64\\audio", L"C:\\Steam\\x64\\audio\\"));
  EXPECT_FALSE(link::ReparseTargetNames(L"\\??\\D:\\Steam\\common.rpf", L"C:\\Steam\\common.rpf"));
  EXPECT_FALSE(link::ReparseTargetNames(L"C:\\Steam\\common.rpf2", L"C:\\Steam\\common.rpf"));
  EXPECT_FALSE(link::ReparseTargetNames(L"", L"C:\\Steam\\common.rpf"));
  // 游戏 and 한국어 compare as themselves, whatever the system's code page.
  EXPECT_TRUE(link::ReparseTargetNames(L"\\??\\D:\\\u6E38\u620F\uD55C\uAD6D\uC5B4\\x64a.rpf",
                                       L"d:\\\u6E38\u620F\uD55C\uAD6D\uC5B4\\X64A.RPF"));
}

TEST_F(LinkPlanTest, ExistingFoldersAreKeptAndTheLinksInThemStillAttempted) {
  // An update folder without the archive still gets its link.
  CreateDirectoryW((destination_ + L"update\\").c_str(), nullptr);
  CreateDirectoryW((destination_ + L"x64\\").c_str(), nullptr);
  CreateDirectoryW((destination_ + L"update\\x64\\").c_str(), nullptr);
  Run();
  EXPECT_EQ(requests_, FullPlan());
  EXPECT_EQ(itemsDone_, 36);
}

TEST_F(LinkPlanTest, MissingDestinationGetsNothingMadeAndStillCountsEveryItem) {
  // Nothing was there to hold: a folder made there later could be a link.
  // Each item then says why the folder is not there: the error that making it met, or none.
  RemoveTree(destination_);
  for (const unsigned long error : {0ul, static_cast<unsigned long>(ERROR_ACCESS_DENIED)}) {
    itemsDone_ = 0;
    const link::PlanOutcome outcome = Run(error);
    ASSERT_EQ(outcome.missing.size(), 36u);
    for (const link::MissingItem& item : outcome.missing) {
      EXPECT_EQ(item.cause,
                error ? link::MissingCause::kAccessDenied : link::MissingCause::kSystemError);
      EXPECT_EQ(item.words, link::SystemErrorText(error ? error : ERROR_PATH_NOT_FOUND));
    }
    EXPECT_EQ(outcome.missing.back().name, L"update\\x64\\dlcpacks\\");
    EXPECT_TRUE(requests_.empty());
    EXPECT_EQ(itemsDone_, 36);
    EXPECT_FALSE(link::FileExists(destination_));
  }
}

TEST(SplitAtLineBreaksTest, CutsAtEachCarriageReturnLineFeedOnly) {
  using Names = std::vector<std::wstring>;
  EXPECT_EQ(link::SplitAtLineBreaks(L"a\r\nbc\r\nd"), (Names{L"a", L"bc", L"d"}));
  EXPECT_EQ(link::SplitAtLineBreaks(L"single"), (Names{L"single"}));
  EXPECT_EQ(link::SplitAtLineBreaks(L""), (Names{L""}));
  EXPECT_EQ(link::SplitAtLineBreaks(L"a\r\n"), (Names{L"a", L""}));
  EXPECT_EQ(link::SplitAtLineBreaks(L"a\nb\rc"), (Names{L"a\nb\rc"}));
}

TEST(SplitAtLineBreaksTest, FileListHoldsThe33NamesWithNoTrailingBreak) {
  const std::vector<std::wstring> names = link::SplitAtLineBreaks(link::kTopLevelFiles);
  ASSERT_EQ(names.size(), 33u);
  EXPECT_EQ(names.front(), L"common.rpf");
  EXPECT_EQ(names[9], L"d3dcsx_46.dll");
  EXPECT_EQ(names[10], L"x64a.rpf");
  EXPECT_EQ(names.back(), L"x64w.rpf");
}

}  // namespace
