// Making one link on disk with the command interpreter's mklink.
#pragma once

#include <string>

namespace link {

enum LinkKind : int { kFileSymbolicLink = 0, kDirectoryJunction = 1 };

// mklink "LINK" "SOURCE" for a file link, mklink /J "LINK" "SOURCE" for a junction; the paths
// stand between the quotes as they are.
std::wstring BuildLinkCommandLine(const std::wstring& linkPath, const std::wstring& sourcePath,
                                  int kind);

// mklink prints "<<===>>" between the two paths when it has made a link.
bool OutputShowsLinkMade(const std::string& output);

// What one link command came to: whether its output shows the link made, and that output as
// the interpreter wrote it (bytes of its console code page).
struct LinkAttempt {
  bool made = false;
  std::string output;
};

// Runs the link command.
LinkAttempt AttemptLink(const std::wstring& linkPath, const std::wstring& sourcePath, int kind);

// Runs the link command; true when its output shows that the link was made.
bool MakeLink(const std::wstring& linkPath, const std::wstring& sourcePath,
              int kind = kFileSymbolicLink);

}  // namespace link
