// The reference the benchmarks measure against: the link plan's command lines run through the
// system's interpreter as the program starts it (by its full path, "cmd.exe /d /v:off /c " and
// the command, hidden, creation flags 0, handles inherited), each waited for, its output going
// nowhere and nothing polled.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tests/ui/conversion_rig.h"
#include "tests/ui/ui_driver.h"

namespace bare_run {

inline double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The mklink lines of the whole plan for a destination and a Steam game folder.
inline std::vector<std::string> PlanLines(const std::string& destination,
                                          const std::string& steam) {
  std::vector<std::string> lines;
  for (const auto& item : conversion_rig::PlanItems()) {
    // The stand-in logs the interpreter's switches and the mklink line after them.
    const std::string logged = conversion_rig::LoggedCommandFor(item, destination, steam);
    lines.push_back(logged.substr(logged.find("mklink")));
  }
  return lines;
}

// Removes a destination for the next round; true once it is gone. A file the system still
// holds for a moment after its last user ended can make one attempt fall short.
inline bool RemoveTree(const std::string& path) {
  return ui_driver::WaitUntil([&] {
    ui_driver::RemoveTree(path);
    return !ui_driver::FolderExists(path);
  });
}

// The destination game folder and the real folders the plan's links sit in.
inline void MakeDestinationFolders(const std::string& destination) {
  CreateDirectoryA(destination.c_str(), nullptr);
  for (const char* folder : {"update\\", "x64", "update\\x64\\"}) {
    CreateDirectoryA((destination + folder).c_str(), nullptr);
  }
}

// Runs each line through the system's interpreter and waits for it; the wall time in seconds.
inline double RunAll(const std::vector<std::string>& lines) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string interpreter = std::string(system) + "\\cmd.exe";
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE discard = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inheritable, OPEN_EXISTING, 0, nullptr);
  const double start = Now();
  for (const std::string& line : lines) {
    std::string commandLine = "cmd.exe /d /v:off /c " + line;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = discard;
    startup.hStdError = discard;
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(interpreter.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                       nullptr, &startup, &info)) {
      WaitForSingleObject(info.hProcess, INFINITE);
      CloseHandle(info.hThread);
      CloseHandle(info.hProcess);
    }
  }
  const double wall = Now() - start;
  CloseHandle(discard);
  return wall;
}

}  // namespace bare_run
