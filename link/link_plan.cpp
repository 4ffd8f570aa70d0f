#include "link/link_plan.h"

#include <windows.h>

#include <utility>

#include "console/command_run.h"
#include "link/path_tests.h"

namespace link {

const wchar_t kTopLevelFiles[] =
    L"common.rpf\r\n"
    L"installscript.vdf\r\n"
    L"GFSDK_ShadowLib.win64.dll\r\n"
    L"GFSDK_TXAA.win64.dll\r\n"
    L"GFSDK_TXAA_AlphaResolve.win64.dll\r\n"
    L"GTAVLanguageSelect.exe\r\n"
    L"GTAVLauncher.exe\r\n"
    L"bink2w64.dll\r\n"
    L"d3dcompiler_46.dll\r\n"
    L"d3dcsx_46.dll\r\n"
    L"x64a.rpf\r\nx64b.rpf\r\nx64c.rpf\r\nx64d.rpf\r\nx64e.rpf\r\nx64f.rpf\r\nx64g.rpf\r\n"
    L"x64h.rpf\r\nx64i.rpf\r\nx64j.rpf\r\nx64k.rpf\r\nx64l.rpf\r\nx64m.rpf\r\nx64n.rpf\r\n"
    L"x64o.rpf\r\nx64p.rpf\r\nx64q.rpf\r\nx64r.rpf\r\nx64s.rpf\r\nx64t.rpf\r\nx64u.rpf\r\n"
    L"x64v.rpf\r\nx64w.rpf";

std::vector<std::wstring> SplitAtLineBreaks(const std::wstring& text) {
  std::vector<std::wstring> names;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    names.push_back(text.substr(start, end - start));
  }
  names.push_back(text.substr(start));
  return names;
}

namespace {

// The plan's items below the top of the game folder.
constexpr wchar_t kUpdateArchive[] = L"update\\update.rpf";
constexpr wchar_t kAudioFolder[] = L"x64\\audio\\";
constexpr wchar_t kDlcFolder[] = L"update\\x64\\dlcpacks\\";

// The first line of the text that holds more than blanks, without its line break.
std::wstring FirstNonEmptyLine(const std::wstring& text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    if (line.find_first_not_of(L" \t") != std::wstring::npos) return line;
    start = end + 1;
  }
  return std::wstring();
}

}  // namespace

bool operator==(const MissingItem& a, const MissingItem& b) {
  return a.name == b.name && a.cause == b.cause && a.words == b.words;
}

MissingCause CauseOfRefusal(const std::wstring& words) {
  if (words == SystemErrorText(ERROR_ACCESS_DENIED)) return MissingCause::kAccessDenied;
  if (words == SystemErrorText(ERROR_PATH_NOT_FOUND) ||
      words == SystemErrorText(ERROR_FILE_NOT_FOUND)) {
    return MissingCause::kPathNotFound;
  }
  return MissingCause::kRefused;
}

namespace {

// Why a folder that links go into is not there to hold: something else stands at its name, or
// it could not be made.
MissingItem FolderFailure(const std::wstring& folder, unsigned long creationError) {
  if (EntryExists(folder)) return {std::wstring(), MissingCause::kNameTaken, std::wstring()};
  const unsigned long error = creationError ? creationError : ERROR_PATH_NOT_FOUND;
  return {std::wstring(),
          error == ERROR_ACCESS_DENIED ? MissingCause::kAccessDenied : MissingCause::kSystemError,
          SystemErrorText(error)};
}

}  // namespace

PlanOutcome RunLinkPlan(const std::wstring& destination, const std::wstring& steam,
                        const LinkMaker& makeLink, const std::function<void()>& itemDone,
                        unsigned long destinationError) {
  PlanOutcome outcome;
  auto missing = [&outcome](const std::wstring& name, MissingItem why) {
    why.name = name;
    outcome.missing.push_back(std::move(why));
  };
  auto linkBoth = [&](const std::wstring& name, int kind) {
    const LinkAttempt attempt = makeLink(destination + name, steam + name, kind);
    if (attempt.made) return;
    // Its folder is held as a plain folder, so the name is looked up where the link was asked.
    // Only a link into the Steam item counts: a real file or folder there, left by a cancelled
    // download say, would have the Epic client download it all again.
    if (EntryExists(destination + name)) {
      if (!LeadsToSameItem(destination + name, steam + name)) {
        missing(name, {std::wstring(), MissingCause::kNameTaken, std::wstring()});
      }
      return;
    }
    const std::wstring words = FirstNonEmptyLine(console::ConsoleText(attempt.output));
    missing(name, {std::wstring(), CauseOfRefusal(words), words});
  };
  // Every folder the links go into is held from its check to the end of the plan. One that is
  // not a plain folder (a junction or link someone put there, or nothing at all) gets nothing
  // written into it: its items are skipped and not in place, with the folder's failure as cause.
  std::vector<console::ScopedHandle> held;
  auto holdPlain = [&held](const std::wstring& folder) {
    console::ScopedHandle hold = HoldPlainFolder(folder);
    if (!hold.Valid()) return false;
    held.push_back(std::move(hold));
    return true;
  };
  const bool intoGame = holdPlain(destination);
  const MissingItem gameFailure =
      intoGame ? MissingItem{} : FolderFailure(destination, destinationError);

  // The update archive sits in a real update folder; one already there is kept.
  const std::wstring updateFolder = destination + L"update\\";
  bool intoUpdate = false;
  bool updateExisted = false;
  MissingItem updateFailure = gameFailure;
  if (intoGame) {
    updateExisted = FolderExists(updateFolder);
    const unsigned long error = updateExisted ? 0 : CreateFolder(updateFolder);
    intoUpdate = holdPlain(updateFolder);
    if (!intoUpdate) updateFailure = FolderFailure(updateFolder, error);
  }
  if (!intoUpdate) {
    missing(kUpdateArchive, updateFailure);
  } else if (!(updateExisted && FileExists(destination + kUpdateArchive))) {
    linkBoth(kUpdateArchive, kFileSymbolicLink);
  }
  itemDone();

  // The named files at the top of the game folder, whether or not the Steam copy has them.
  for (const std::wstring& name : SplitAtLineBreaks(kTopLevelFiles)) {
    if (intoGame) {
      linkBoth(name, kFileSymbolicLink);
    } else {
      missing(name, gameFailure);
    }
    itemDone();
  }

  // The audio folder, as a junction inside a real x64 folder.
  const std::wstring audioParent = destination + L"x64\\";
  if (intoGame) {
    const unsigned long error = FolderExists(audioParent) ? 0 : CreateFolder(destination + L"x64");
    if (holdPlain(audioParent)) {
      linkBoth(kAudioFolder, kDirectoryJunction);
    } else {
      missing(kAudioFolder, FolderFailure(audioParent, error));
    }
  } else {
    missing(kAudioFolder, gameFailure);
  }
  itemDone();

  // The downloadable content, as a junction inside a real update\x64 folder.
  const std::wstring dlcParent = destination + L"update\\x64\\";
  if (intoUpdate) {
    const unsigned long error = FolderExists(dlcParent) ? 0 : CreateFolder(dlcParent);
    if (holdPlain(dlcParent)) {
      linkBoth(kDlcFolder, kDirectoryJunction);
    } else {
      missing(kDlcFolder, FolderFailure(dlcParent, error));
    }
  } else {
    missing(kDlcFolder, updateFailure);
  }
  itemDone();
  return outcome;
}

bool HoldsAnyPlanName(const std::wstring& steam) {
  std::vector<std::wstring> names = SplitAtLineBreaks(kTopLevelFiles);
  names.insert(names.end(), {kUpdateArchive, kAudioFolder, kDlcFolder});
  for (const std::wstring& name : names) {
    if (FileExists(steam + name)) return true;
  }
  return false;
}

bool IsEnhancedEdition(const std::wstring& steam) {
  // The file system finds the name in any case.
  return FileExists(steam + L"GTA5_Enhanced.exe");
}

}  // namespace link
