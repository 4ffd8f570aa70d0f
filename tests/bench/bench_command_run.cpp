// Measures what the captured command run costs over simply starting the interpreter and
// waiting for it: the 36 mklink lines of a whole conversion, through a stand-in cmd.exe that
// makes no links, run both ways in alternating rounds. Prints medians, their ratio and the CPU
// time the polling thread used as a share of its wall time.
//   bench_command_run.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/command_run.h"
#include "link/link_command.h"

namespace {

const char kEpicGame[] = "C:\\users\\Public\\Epic Games\\GTAV\\";
const char kSteamGame[] = "C:\\Program Files (x86)\\Steam\\steamapps\\common\\Grand Theft Auto V\\";

std::vector<std::string> ConversionLines() {
  std::vector<std::string> files = {
      "update\\update.rpf",        "common.rpf",           "installscript.vdf",
      "GFSDK_ShadowLib.win64.dll", "GFSDK_TXAA.win64.dll", "GFSDK_TXAA_AlphaResolve.win64.dll",
      "GTAVLanguageSelect.exe",    "GTAVLauncher.exe",     "bink2w64.dll",
      "d3dcompiler_46.dll",        "d3dcsx_46.dll"};
  for (char letter = 'a'; letter <= 'w'; ++letter)
    files.push_back(std::string("x64") + letter + ".rpf");
  std::vector<std::string> lines;
  for (const std::string& file : files) {
    lines.push_back(
        link::BuildLinkCommandLine(kEpicGame + file, kSteamGame + file, link::kFileSymbolicLink));
  }
  for (const char* folder : {"x64\\audio\\", "update\\x64\\dlcpacks\\"}) {
    lines.push_back(link::BuildLinkCommandLine(std::string(kEpicGame) + folder,
                                               std::string(kSteamGame) + folder,
                                               link::kDirectoryJunction));
  }
  return lines;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

// The baseline: start the interpreter hidden, its output thrown away, and wait for it.
void RunBare(const std::string& line, HANDLE discard) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = discard;
  startup.hStdError = discard;
  std::string commandLine = "cmd.exe /c " + line;
  PROCESS_INFORMATION info = {};
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &info)) {
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  // CreateProcessA looks in the current folder before the system's, so a scratch folder with
  // the stand-in as cmd.exe makes "cmd.exe /c ..." start the stand-in.
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string standIn(path, length);
  standIn = standIn.substr(0, standIn.rfind('\\') + 1) + "console_standin_cmd.exe";
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string scratch =
      std::string(temp) + "ludvane-bench-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(scratch.c_str(), nullptr);
  const std::string scratchCmd = scratch + "\\cmd.exe";
  if (!CopyFileA(standIn.c_str(), scratchCmd.c_str(), FALSE) ||
      !SetCurrentDirectoryA(scratch.c_str())) {
    std::fprintf(stderr, "cannot set up the stand-in interpreter from %s\n", standIn.c_str());
    return 1;
  }

  const std::vector<std::string> lines = ConversionLines();
  const std::string check = console::RunCapturedCommand(lines.front());
  if (check.find("command line: cmd.exe /c ") == std::string::npos ||
      !link::OutputShowsLinkMade(check)) {
    std::fprintf(stderr, "the stand-in interpreter did not answer:\n%s\n", check.c_str());
    return 1;
  }

  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE discard = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inheritable, OPEN_EXISTING, 0, nullptr);

  std::vector<double> captured, bare, cpuShares;
  double capturedWall = 0, capturedCpu = 0, bareWall = 0, bareCpu = 0;
  int linksMade = 0;
  for (int round = 0; round < rounds; ++round) {
    for (int pass = 0; pass < 2; ++pass) {
      // Alternate which way goes first, so neither always runs on a warmer system.
      const bool capturedNow = (pass == 0) == (round % 2 == 0);
      LARGE_INTEGER start, end;
      const double cpuStart = ThreadCpuSeconds();
      QueryPerformanceCounter(&start);
      for (const std::string& line : lines) {
        if (capturedNow) {
          linksMade += link::OutputShowsLinkMade(console::RunCapturedCommand(line)) ? 1 : 0;
        } else {
          RunBare(line, discard);
        }
      }
      QueryPerformanceCounter(&end);
      const double wall = Seconds(start, end);
      const double cpu = ThreadCpuSeconds() - cpuStart;
      if (capturedNow) {
        captured.push_back(wall);
        cpuShares.push_back(cpu / wall);
        capturedWall += wall;
        capturedCpu += cpu;
      } else {
        bare.push_back(wall);
        bareWall += wall;
        bareCpu += cpu;
      }
    }
    std::printf("round %d: captured %.3f s, bare %.3f s\n", round + 1, captured.back(),
                bare.back());
  }
  CloseHandle(discard);
  SetCurrentDirectoryA(temp);
  DeleteFileA(scratchCmd.c_str());
  RemoveDirectoryA(scratch.c_str());

  const double capturedMedian = Median(captured), bareMedian = Median(bare);
  std::printf("%zu command lines per run, %d rounds, %d of %d captured runs showed the marker\n",
              lines.size(), rounds, linksMade, rounds * static_cast<int>(lines.size()));
  std::printf("median wall time, captured run:      %8.1f ms\n", capturedMedian * 1000);
  std::printf("median wall time, bare create+wait:  %8.1f ms\n", bareMedian * 1000);
  std::printf("ratio captured / bare:               %8.3f (goal <= 1.15)\n",
              capturedMedian / bareMedian);
  std::printf("polling thread CPU / wall:           %7.2f %% (median %.2f %%, goal < 10 %%)\n",
              100 * capturedCpu / capturedWall, 100 * Median(cpuShares));
  // Both ways start the same processes, which costs the thread CPU time too; the difference
  // is what the polling itself adds.
  std::printf("bare loop thread CPU / wall:         %7.2f %%\n", 100 * bareCpu / bareWall);
  std::printf("polling beyond process start / wall: %7.2f %%\n",
              100 * (capturedCpu - bareCpu) / capturedWall);
  return 0;
}
