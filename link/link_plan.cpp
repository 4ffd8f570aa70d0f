#include "link/link_plan.h"

#include "link/link_command.h"
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

void RunLinkPlan(const std::string& destination, const std::string& steam,
                 const LinkMaker& makeLink, const std::function<void()>& itemDone) {
  auto linkBoth = [&](const std::string& name, int kind) {
    makeLink(destination + name, steam + name, kind);
  };

  // The update archive sits in a real update folder; one already there is kept.
  const std::string updateArchive = "update\\update.rpf";
  if (FolderExists(destination + "update\\")) {
    if (!FileExists(destination + updateArchive)) linkBoth(updateArchive, kFileSymbolicLink);
  } else {
    CreateFolder(destination + "update\\");
    linkBoth(updateArchive, kFileSymbolicLink);
  }
  itemDone();

  // The named files at the top of the game folder, whether or not the Steam copy has them.
  for (const std::string& name : SplitAtLineBreaks(kTopLevelFiles)) {
    linkBoth(name, kFileSymbolicLink);
    itemDone();
  }

  // The audio folder, as a junction inside a real x64 folder.
  if (!FolderExists(destination + "x64\\")) CreateFolder(destination + "x64");
  linkBoth("x64\\audio\\", kDirectoryJunction);
  itemDone();

  // The downloadable content, as a junction inside a real update\x64 folder.
  if (!FolderExists(destination + "update\\x64\\")) CreateFolder(destination + "update\\x64\\");
  linkBoth("update\\x64\\dlcpacks\\", kDirectoryJunction);
  itemDone();
}

}  // namespace link
