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
  std::string linkPath;
  std::string sourcePath;
  int kind;
  int itemsDoneBefore;
};

bool operator==(const LinkRequest& a, const LinkRequest& b) {
  return a.linkPath == b.linkPath && a.sourcePath == b.sourcePath && a.kind == b.kind &&
         a.itemsDoneBefore == b.itemsDoneBefore;
}

std::ostream& operator<<(std::ostream& out, const LinkRequest& r) {
  return out << "{" << r.linkPath << ", " << r.sourcePath << ", kind " << r.kind << ", after "
             << r.itemsDoneBefore << "}";
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(folder + name + "\\");
      } else {
        DeleteFileA((folder + name).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

class LinkPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch_ = std::string(temp) + "ludvane-plan-" + std::to_string(GetCurrentProcessId()) + "\\";
    RemoveTree(scratch_);
    CreateDirectoryA(scratch_.c_str(), nullptr);
    destination_ = scratch_ + "GTAV\\";
    CreateDirectoryA(destination_.c_str(), nullptr);
    steam_ = scratch_ + "Grand Theft Auto V\\";
    CreateDirectoryA(steam_.c_str(), nullptr);
  }
  void TearDown() override { RemoveTree(scratch_); }

  // Every link is made, except those whose relative name `refused_` holds: those get an
  // answer with blank lines before the interpreter's words.
  link::PlanOutcome Run(unsigned long destinationError = 0) {
    return link::RunLinkPlan(
        destination_, steam_,
        [this](const std::string& linkPath, const std::string& sourcePath, int kind) {
          requests_.push_back({linkPath, sourcePath, kind, itemsDone_});
          const auto refusal = refused_.find(linkPath.substr(destination_.size()));
          if (refusal != refused_.end())
            return link::LinkAttempt{false, "\r\n \r\n" + refusal->second + "\r\nx"};
          return link::LinkAttempt{true, ""};
        },
        [this] { ++itemsDone_; }, destinationError);
  }

  static bool MakeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }

  // The request the plan makes for a relative name when `done` items precede it.
  LinkRequest For(const std::string& name, int kind, int done) const {
    return {destination_ + name, steam_ + name, kind, done};
  }

  std::vector<LinkRequest> FullPlan() const {
    std::vector<LinkRequest> plan = {For("update\\update.rpf", link::kFileSymbolicLink, 0)};
    const char* named[] = {"common.rpf",
                           "installscript.vdf",
                           "GFSDK_ShadowLib.win64.dll",
                           "GFSDK_TXAA.win64.dll",
                           "GFSDK_TXAA_AlphaResolve.win64.dll",
                           "GTAVLanguageSelect.exe",
                           "GTAVLauncher.exe",
                           "bink2w64.dll",
                           "d3dcompiler_46.dll",
                           "d3dcsx_46.dll"};
    for (const char* name : named) plan.push_back(For(name, link::kFileSymbolicLink, 0));
    for (char letter = 'a'; letter <= 'w'; ++letter) {
      plan.push_back(For(std::string("x64") + letter + ".rpf", link::kFileSymbolicLink, 0));
    }
    plan.push_back(For("x64\\audio\\", link::kDirectoryJunction, 0));
    plan.push_back(For("update\\x64\\dlcpacks\\", link::kDirectoryJunction, 0));
    for (size_t i = 0; i < plan.size(); ++i) plan[i].itemsDoneBefore = static_cast<int>(i);
    return plan;
  }

  std::string scratch_;
  std::string destination_;
  std::string steam_;
  std::map<std::string, std::string> refused_;  // name -> the interpreter's words
  std::vector<LinkRequest> requests_;
  int itemsDone_ = 0;
};

TEST_F(LinkPlanTest, EmptyDestinationGetsEveryLinkInOrderAndItsThreeFolders) {
  Run();
  EXPECT_EQ(requests_, FullPlan());
  EXPECT_EQ(itemsDone_, 36);
  EXPECT_TRUE(link::FolderExists(destination_ + "update\\"));
  EXPECT_TRUE(link::FolderExists(destination_ + "x64\\"));
  EXPECT_TRUE(link::FolderExists(destination_ + "update\\x64\\"));
}

TEST_F(LinkPlanTest, UpdateArchiveAlreadyPresentIsLeftAloneButStillCounted) {
  CreateDirectoryA((destination_ + "update\\").c_str(), nullptr);
  HANDLE archive = CreateFileA((destination_ + "update\\update.rpf").c_str(), GENERIC_WRITE, 0,
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
  ASSERT_TRUE(MakeFile(steam_ + "x64a.rpf"));
  ASSERT_TRUE(
      CreateHardLinkA((destination_ + "x64a.rpf").c_str(), (steam_ + "x64a.rpf").c_str(), nullptr));
  ASSERT_TRUE(MakeFile(steam_ + "x64b.rpf"));
  ASSERT_TRUE(MakeFile(destination_ + "x64b.rpf"));
  CreateDirectoryA((destination_ + "x64\\").c_str(), nullptr);
  ASSERT_TRUE(CreateDirectoryA((destination_ + "x64\\audio\\").c_str(), nullptr));
  const std::string pathNotFound = link::SystemErrorText(ERROR_PATH_NOT_FOUND);
  const std::string accessDenied = link::SystemErrorText(ERROR_ACCESS_DENIED);
  ASSERT_NE(pathNotFound, "");
  refused_ = {{"common.rpf", "no privilege"}, {"x64a.rpf", "exists"},
              {"x64b.rpf", "exists"},         {"x64c.rpf", pathNotFound},
              {"x64d.rpf", accessDenied},     {"x64\\audio\\", "exists"}};
  const link::PlanOutcome outcome = Run();
  EXPECT_EQ(requests_, FullPlan());
  EXPECT_EQ(outcome.missing,
            (std::vector<link::MissingItem>{{"common.rpf", MissingCause::kRefused, "no privilege"},
                                            {"x64b.rpf", MissingCause::kNameTaken, ""},
                                            {"x64c.rpf", MissingCause::kPathNotFound, pathNotFound},
                                            {"x64d.rpf", MissingCause::kAccessDenied, accessDenied},
                                            {"x64\\audio\\", MissingCause::kNameTaken, ""}}));
}

TEST(FoldersOnTheWayTest, GoUpToTheRootOfEveryKindOfPath) {
  using Folders = std::vector<std::string>;
  EXPECT_EQ(link::FoldersOnTheWay("D:\\Epic Games\\GTA\\"),
            (Folders{"D:\\Epic Games\\GTA", "D:\\Epic Games", "D:\\"}));
  EXPECT_EQ(link::FoldersOnTheWay("D:\\"), (Folders{"D:\\"}));
  EXPECT_EQ(link::FoldersOnTheWay("\\\\?\\C:\\Users\\me"),
            (Folders{"\\\\?\\C:\\Users\\me", "\\\\?\\C:\\Users", "\\\\?\\C:\\"}));
  EXPECT_EQ(link::FoldersOnTheWay("\\\\nas\\games\\Epic\\"),
            (Folders{"\\\\nas\\games\\Epic", "\\\\nas\\games\\"}));
  EXPECT_EQ(link::FoldersOnTheWay("\\\\?\\UNC\\nas\\games\\Epic"),
            (Folders{"\\\\?\\UNC\\nas\\games\\Epic", "\\\\?\\UNC\\nas\\games\\"}));
  EXPECT_TRUE(link::FoldersOnTheWay("Epic\\GTAV").empty()) << "no root, nothing to go up to";
  EXPECT_TRUE(link::FoldersOnTheWay("").empty());
}

// Where a link stored a target that cannot be opened now, the target's name tells.
TEST(ReparseTargetTest, NamesThePathWithOrWithoutItsPrefixInAnyCase) {
  EXPECT_TRUE(link::ReparseTargetNames(L"\\??\\C:\\Steam\\GTAV\\x64\\audio\\",
                                       "c:\\steam\\gtav\\X64\\AUDIO\\"));
  EXPECT_TRUE(link::ReparseTargetNames(L"C:\\Steam\\common.rpf", "C:\\Steam\\common.rpf"));
  EXPECT_TRUE(link::ReparseTargetNames(L"\\??\\C:\\Steam\\x64\\audio", "C:\\Steam\\x64\\audio\\"));
  EXPECT_FALSE(link::ReparseTargetNames(L"\\??\\D:\\Steam\\common.rpf", "C:\\Steam\\common.rpf"));
  EXPECT_FALSE(link::ReparseTargetNames(L"C:\\Steam\\common.rpf2", "C:\\Steam\\common.rpf"));
  EXPECT_FALSE(link::ReparseTargetNames(L"", "C:\\Steam\\common.rpf"));
}

TEST_F(LinkPlanTest, ExistingFoldersAreKeptAndTheLinksInThemStillAttempted) {
  // An update folder without the archive still gets its link.
  CreateDirectoryA((destination_ + "update\\").c_str(), nullptr);
  CreateDirectoryA((destination_ + "x64\\").c_str(), nullptr);
  CreateDirectoryA((destination_ + "update\\x64\\").c_str(), nullptr);
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
    EXPECT_EQ(outcome.missing.back().name, "update\\x64\\dlcpacks\\");
    EXPECT_TRUE(requests_.empty());
    EXPECT_EQ(itemsDone_, 36);
    EXPECT_FALSE(link::FileExists(destination_));
  }
}

TEST(SplitAtLineBreaksTest, CutsAtEachCarriageReturnLineFeedOnly) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(link::SplitAtLineBreaks("a\r\nbc\r\nd"), (Names{"a", "bc", "d"}));
  EXPECT_EQ(link::SplitAtLineBreaks("single"), (Names{"single"}));
  EXPECT_EQ(link::SplitAtLineBreaks(""), (Names{""}));
  EXPECT_EQ(link::SplitAtLineBreaks("a\r\n"), (Names{"a", ""}));
  EXPECT_EQ(link::SplitAtLineBreaks("a\nb\rc"), (Names{"a\nb\rc"}));
}

TEST(SplitAtLineBreaksTest, FileListHoldsThe33NamesWithNoTrailingBreak) {
  const std::vector<std::string> names = link::SplitAtLineBreaks(link::kTopLevelFiles);
  ASSERT_EQ(names.size(), 33u);
  EXPECT_EQ(names.front(), "common.rpf");
  EXPECT_EQ(names[9], "d3dcsx_46.dll");
  EXPECT_EQ(names[10], "x64a.rpf");
  EXPECT_EQ(names.back(), "x64w.rpf");
}

}  // namespace
