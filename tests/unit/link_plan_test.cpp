// The link plan against scratch folders, with a link maker that only records what it is asked.
#include <windows.h>

#include <set>
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
    steam_ = "C:\\Steam\\steamapps\\common\\Grand Theft Auto V\\";
  }
  void TearDown() override { RemoveTree(scratch_); }

  // Every link is made, except those whose relative name `refused_` holds: those get an
  // answer with blank lines before the interpreter's words.
  link::PlanOutcome Run() {
    return link::RunLinkPlan(
        destination_, steam_,
        [this](const std::string& linkPath, const std::string& sourcePath, int kind) {
          requests_.push_back({linkPath, sourcePath, kind, itemsDone_});
          const std::string name = linkPath.substr(destination_.size());
          if (refused_.count(name))
            return link::LinkAttempt{false, "\r\n \r\nno " + name + "\r\nx"};
          return link::LinkAttempt{true, ""};
        },
        [this] { ++itemsDone_; });
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
  std::set<std::string> refused_;
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

TEST_F(LinkPlanTest, RefusedLinksAreNotInPlaceUnlessTheirNameIsThere) {
  // A name kept from an earlier run is in place whatever mklink answers for it.
  HANDLE kept = CreateFileA((destination_ + "x64b.rpf").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(kept, INVALID_HANDLE_VALUE);
  CloseHandle(kept);
  refused_ = {"common.rpf", "x64b.rpf", "x64\\audio\\"};
  const link::PlanOutcome outcome = Run();
  EXPECT_EQ(requests_, FullPlan());
  EXPECT_EQ(outcome.missing, (std::vector<std::string>{"common.rpf", "x64\\audio\\"}));
  EXPECT_EQ(outcome.firstRefusal, "no common.rpf");
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
  RemoveTree(destination_);
  const link::PlanOutcome outcome = Run();
  EXPECT_EQ(outcome.missing.size(), 36u);
  EXPECT_EQ(outcome.firstRefusal, "");
  EXPECT_TRUE(requests_.empty());
  EXPECT_EQ(itemsDone_, 36);
  EXPECT_FALSE(link::FileExists(destination_));
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
