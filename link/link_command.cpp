#include "link/link_command.h"

#include "console/command_run.h"

namespace link {

std::string BuildLinkCommandLine(const std::string& linkPath, const std::string& sourcePath,
                                 int kind) {
  const char* head = kind == kDirectoryJunction ? "mklink /J \"" : "mklink \"";
  return head + linkPath + "\" \"" + sourcePath + "\"";
}

bool OutputShowsLinkMade(const std::string& output) {
  return output.find("<<===>>") != std::string::npos;
}

bool MakeLink(const std::string& linkPath, const std::string& sourcePath, int kind) {
  return OutputShowsLinkMade(
      console::RunCapturedCommand(BuildLinkCommandLine(linkPath, sourcePath, kind)));
}

}  // namespace link
