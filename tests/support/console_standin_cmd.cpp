// A planted interpreter: copied as cmd.exe beside the program or into its current folder, where
// a search for "cmd.exe" by name would find it first. It makes no links; it appends its command
// line to cmd-log.txt beside itself, so a test sees that it ran, echoes that line and, for an
// mklink line, answers as mklink does on success.
#include <windows.h>

#include <algorithm>
#include <string>

int main() {
  const std::string commandLine = GetCommandLineA();
  char self[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string log(self, length);
  log = log.substr(0, log.rfind('\\') + 1) + "cmd-log.txt";
  HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD logged = 0;
    WriteFile(file, commandLine.data(), static_cast<DWORD>(commandLine.size()), &logged, nullptr);
    WriteFile(file, "\n", 1, &logged, nullptr);
    CloseHandle(file);
  }
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
