// The command line that runs the console_writer child (built beside the running test program)
// through the interpreter with `args`.
#pragma once

#include <windows.h>

#include <string>

inline std::string ConsoleWriterCommand(const std::string& args) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string writer(path, length);
  writer = writer.substr(0, writer.rfind('\\') + 1) + "console_writer.exe";
  // cmd.exe would split a path with blanks; the short form has none.
  char shortPath[MAX_PATH];
  if (GetShortPathNameA(writer.c_str(), shortPath, MAX_PATH) > 0) writer = shortPath;
  return writer + " " + args;
}
