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

LinkAttempt AttemptLink(const std::string& linkPath, const std::string& sourcePath, int kind) {
  LinkAttempt attempt;
  attempt.output = console::RunCapturedCommand(BuildLinkCommandLine(linkPath, sourcePath, kind));
  attempt.made = OutputShowsLinkMade(attempt.output);
  return attempt;
}

bool MakeLink(const std::string& linkPath, const std::string& sourcePath, int kind) {
  return AttemptLink(linkPath, sourcePath, kind).made;
}

}  // namespace link
