// A stand-in for the command interpreter that makes no links: copied as cmd.exe into a scratch
// folder, it is what "cmd.exe /c mklink ..." starts there. It echoes the command line it was
// given and, for an mklink line, answers as mklink does on success.
#include <windows.h>

#include <algorithm>
#include <string>

int main() {
  const std::string commandLine = GetCommandLineA();
  std::string reply = "command line: " + commandLine + "\r\n";
  const std::string::size_type at = commandLine.find("mklink ");
  if (at != std::string::npos) {
    const bool junction = commandLine.compare(at, 10, "mklink /J ") == 0;
    std::string paths = commandLine.substr(at + (junction ? 10 : 7));
    const std::string::size_type separator = paths.find("\" \"");
    if (separator != std::string::npos) paths.replace(separator, 3, " <<===>> ");
    paths.erase(std::remove(paths.begin(), paths.end(), '"'), paths.end());
    reply += (junction ? "Junction created for " : "symbolic link created for ") + paths + "\r\n";
  }
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), reply.data(), static_cast<DWORD>(reply.size()),
            &written, nullptr);
  return 0;
}
