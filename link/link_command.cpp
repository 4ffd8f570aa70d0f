#include "link/link_command.h"

#include "console/command_run.h"

namespace link {

std::wstring BuildLinkCommandLine(const std::wstring& linkPath, const std::wstring& sourcePath,
                                  int kind) {
  const wchar_t* head = kind == kDirectoryJunction ? L"mklink /J \"" : L"mklink \"";
  return head + linkPath + L"\" \"" + sourcePath + L"\"";
}

bool OutputShowsLinkMade(const std::string& output) {
  return output.find("<<===>>") != std::string::npos;
}

LinkAttempt AttemptLink(const std::wstring& linkPath, const std::wstring& sourcePath, int kind) {
  LinkAttempt attempt;
  attempt.output = console::RunCapturedCommand(BuildLinkCommandLine(linkPath, sourcePath, kind));
  attempt.made = OutputShowsLinkMade(attempt.output);
  return attempt;
}

bool MakeLink(const std::wstring& linkPath, const std::wstring& sourcePath, int kind) {
  return AttemptLink(linkPath, sourcePath, kind).made;
}

}  // namespace link
