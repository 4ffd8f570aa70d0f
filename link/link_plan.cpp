#include "link/link_plan.h"

#include <utility>

#include "console/command_run.h"
#include "link/path_tests.h"

namespace link {

const char kTopLevelFiles[] =
    "common.rpf\r\n"
    "installscript.vdf\r\n"
    "GFSDK_ShadowLib.win64.dll\r\n"
    "GFSDK_TXAA.win64.dll\r\n"
    "GFSDK_TXAA_AlphaResolve.win64.dll\r\n"
    "GTAVLanguageSelect.exe\r\n"
    "GTAVLauncher.exe\r\n"
    "bink2w64.dll\r\n"
    "d3dcompiler_46.dll\r\n"
    "d3dcsx_46.dll\r\n"
    "x64a.rpf\r\nx64b.rpf\r\nx64c.rpf\r\nx64d.rpf\r\nx64e.rpf\r\nx64f.rpf\r\nx64g.rpf\r\n"
    "x64h.rpf\r\nx64i.rpf\r\nx64j.rpf\r\nx64k.rpf\r\nx64l.rpf\r\nx64m.rpf\r\nx64n.rpf\r\n"
    "x64o.rpf\r\nx64p.rpf\r\nx64q.rpf\r\nx64r.rpf\r\nx64s.rpf\r\nx64t.rpf\r\nx64u.rpf\r\n"
    "x64v.rpf\r\nx64w.rpf";

std::vector<std::string> SplitAtLineBreaks(const std::string& text) {
  std::vector<std::string> names;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    names.push_back(text.substr(start, end - start));
  }
  names.push_back(text.substr(start));
  return names;
}

namespace {

// The plan's items below the top of the game folder.
constexpr char kUpdateArchive[] = "update\\update.rpf";
constexpr char kAudioFolder[] = "x64\\audio\\";
constexpr char kDlcFolder[] = "update\\x64\\dlcpacks\\";

// The first line of the text that holds more than blanks, without its line break.
std::string FirstNonEmptyLine(const std::string& text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (line.find_first_not_of(" \t") != std::string::npos) return line;
    start = end + 1;
  }
  return std::string();
}

}  // namespace

PlanOutcome RunLinkPlan(const std::string& destination, const std::string& steam,
                        const LinkMaker& makeLink, const std::function<void()>& itemDone) {
  PlanOutcome outcome;
  bool refusalSeen = false;
  auto linkBoth = [&](const std::string& name, int kind) {
    const LinkAttempt attempt = makeLink(destination + name, steam + name, kind);
    // Its folder is held as a plain folder, so the name is looked up where the link was asked.
    if (attempt.made || EntryExists(destination + name)) return;
    outcome.missing.push_back(name);
    if (refusalSeen) return;
    refusalSeen = true;
    outcome.firstRefusal = console::ConsoleTextToAnsi(FirstNonEmptyLine(attempt.output));
  };
  auto skip = [&outcome](const std::string& name) { outcome.missing.push_back(name); };
  // Every folder the links go into is held from its check to the end of the plan. One that is
  // not a plain folder (a junction or link someone put there, or nothing at all) gets nothing
  // written into it: its items are skipped and not in place.
  std::vector<console::ScopedHandle> held;
  auto holdPlain = [&held](const std::string& folder) {
    console::ScopedHandle hold = HoldPlainFolder(folder);
    if (!hold.Valid()) return false;
    held.push_back(std::move(hold));
    return true;
  };
  const bool intoGame = holdPlain(destination);

  // The update archive sits in a real update folder; one already there is kept.
  const std::string updateFolder = destination + "update\\";
  bool intoUpdate = false;
  bool updateExisted = false;
  if (intoGame) {
    updateExisted = FolderExists(updateFolder);
    if (!updateExisted) CreateFolder(updateFolder);
    intoUpdate = holdPlain(updateFolder);
  }
  if (!intoUpdate) {
    skip(kUpdateArchive);
  } else if (!(updateExisted && FileExists(destination + kUpdateArchive))) {
    linkBoth(kUpdateArchive, kFileSymbolicLink);
  }
  itemDone();

  // The named files at the top of the game folder, whether or not the Steam copy has them.
  for (const std::string& name : SplitAtLineBreaks(kTopLevelFiles)) {
    if (intoGame) {
      linkBoth(name, kFileSymbolicLink);
    } else {
      skip(name);
    }
    itemDone();
  }

  // The audio folder, as a junction inside a real x64 folder.
  if (intoGame && !FolderExists(destination + "x64\\")) CreateFolder(destination + "x64");
  if (intoGame && holdPlain(destination + "x64\\")) {
    linkBoth(kAudioFolder, kDirectoryJunction);
  } else {
    skip(kAudioFolder);
  }
  itemDone();

  // The downloadable content, as a junction inside a real update\x64 folder.
  const std::string dlcParent = destination + "update\\x64\\";
  if (intoUpdate && !FolderExists(dlcParent)) CreateFolder(dlcParent);
  if (intoUpdate && holdPlain(dlcParent)) {
    linkBoth(kDlcFolder, kDirectoryJunction);
  } else {
    skip(kDlcFolder);
  }
  itemDone();
  return outcome;
}

bool HoldsAnyPlanName(const std::string& steam) {
  std::vector<std::string> names = SplitAtLineBreaks(kTopLevelFiles);
  names.insert(names.end(), {kUpdateArchive, kAudioFolder, kDlcFolder});
  for (const std::string& name : names) {
    if (FileExists(steam + name)) return true;
  }
  return false;
}

}  // namespace link
