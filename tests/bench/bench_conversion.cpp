// Measures a whole conversion through the windows, from the answer Yes to the final message,
// against the bare cost of its 36 commands: the same stand-in cmd.exe started 36 times and
// waited for. Also the CPU time the program's threads used as a share of the conversion's wall
// time, and the user-interface thread's part of it.
// Both ways run in alternating rounds into a fresh destination; medians are printed.
//   bench_conversion.exe [rounds]
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/texts.h"
#include "tests/ui/conversion_rig.h"
#include "tests/ui/ui_driver.h"

namespace {

using conversion_rig::Rig;
using ui_driver::milliseconds;

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Seconds(const FILETIME& t) {
  return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                             t.dwLowDateTime) /
         1e7;
}

struct CpuTimes {
  double all = 0;          // every thread of the process now alive
  double firstThread = 0;  // the thread that started the process: the user-interface thread
};

// Thread by thread: under Wine, GetProcessTimes of another process counts far less than its
// threads have used.
CpuTimes ProcessCpu(HANDLE process) {
  CpuTimes times;
  const DWORD processId = GetProcessId(process);
  double firstCreated = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return times;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != processId) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
    FILETIME created, exited, kernel, user;
    if (thread && GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
      const double used = Seconds(kernel) + Seconds(user);
      times.all += used;
      if (firstCreated == 0 || Seconds(created) < firstCreated) {
        firstCreated = Seconds(created);
        times.firstThread = used;
      }
    }
    if (thread) CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return times;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Removes a destination for the next round; true once it is gone. A file the system still
// holds for a moment after its last user ended can make one attempt fall short.
bool RemoveTree(const std::string& path) {
  return ui_driver::WaitUntil([&] {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    return !ui_driver::FolderExists(path);
  });
}

// The 36 commands started directly, each waited for, with what the program would have made of
// the folders around them; the stand-in's output goes nowhere.
double BareRun(const Rig& rig, const std::string& destination, HANDLE discard) {
  const std::string standIn = rig.AppFolder() + "cmd.exe";
  const double start = Now();
  CreateDirectoryA(destination.c_str(), nullptr);
  for (const char* folder : {"update\\", "x64", "update\\x64\\"}) {
    CreateDirectoryA((destination + folder).c_str(), nullptr);
  }
  for (const auto& item : conversion_rig::PlanItems()) {
    std::string commandLine =
        "cmd.exe " + conversion_rig::LoggedCommandFor(item, destination, rig.Steam());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = discard;
    startup.hStdError = discard;
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(standIn.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                       nullptr, &startup, &info)) {
      WaitForSingleObject(info.hProcess, INFINITE);
      CloseHandle(info.hThread);
      CloseHandle(info.hProcess);
    }
  }
  return Now() - start;
}

struct Conversion {
  bool done = false;
  double wall = 0;
  double cpu = 0;
  double uiCpu = 0;  // of it, the user-interface thread's
  double untilProgressWindow = 0;
};

// The program's visible top-level window of this class (and caption), found with one search of
// the window list: the watching must not load the window system whose work is being timed, as
// a full walk of every window each few milliseconds does.
HWND FindShownWindow(DWORD processId, const char* className, const char* caption = nullptr) {
  for (HWND window = FindWindowExA(nullptr, nullptr, className, caption); window;
       window = FindWindowExA(nullptr, window, className, caption)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

HWND FindFinalMessage(DWORD processId) {
  HWND box = FindShownWindow(processId, "#32770", texts::kMessageBoxCaption);
  return box && ui_driver::TextOf(GetDlgItem(box, 0xFFFF)) == texts::kFinishedText ? box : nullptr;
}

// A whole conversion through the windows; the clock runs from Yes to the final message.
Conversion ConvertThroughWindows(const Rig& rig) {
  Conversion result;
  ui_driver::Process ludvane(rig.LudvaneExe(), rig.AppFolder());
  std::string failure;
  HWND confirm = conversion_rig::PressStart(ludvane, rig, &failure);
  if (!confirm) {
    std::fprintf(stderr, "cannot start a conversion: %s\n", failure.c_str());
    return result;
  }
  const CpuTimes cpuStart = ProcessCpu(ludvane.Handle());
  const double start = Now();
  ui_driver::AnswerMessageBox(confirm, IDYES);
  ui_driver::WaitUntil([&] { return FindShownWindow(ludvane.Id(), "LudvaneProgressWindow"); },
                       milliseconds(60000), milliseconds(2));
  result.untilProgressWindow = Now() - start;
  HWND finished = nullptr;
  ui_driver::WaitUntil([&] { return (finished = FindFinalMessage(ludvane.Id())) != nullptr; },
                       milliseconds(600000), milliseconds(5));
  result.wall = Now() - start;
  const CpuTimes cpuEnd = ProcessCpu(ludvane.Handle());
  result.cpu = cpuEnd.all - cpuStart.all;
  result.uiCpu = cpuEnd.firstThread - cpuStart.firstThread;
  result.done = finished != nullptr;
  if (result.done) ui_driver::AnswerMessageBox(finished, IDOK);
  ludvane.WaitForExit();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  Rig rig("ludvane-bench-conversion");
  if (!rig.Ready() || !conversion_rig::PointRegistryAtSteam(rig)) {
    std::fprintf(stderr, "cannot set up the program, the stand-in and the Steam sample\n");
    return 1;
  }
  const std::string bareGame = rig.Folder() + "bare\\";
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE discard = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inheritable, OPEN_EXISTING, 0, nullptr);

  std::vector<double> conversions, bares, ratios, cpuShares, untilWindow;
  double cpuTotal = 0, uiCpuTotal = 0, wallTotal = 0;
  for (int round = 0; round < rounds; ++round) {
    double bare = 0;
    Conversion conversion;
    for (int pass = 0; pass < 2; ++pass) {
      // Alternate which way goes first, so neither always runs on a warmer system.
      if ((pass == 0) == (round % 2 == 0)) {
        rig.ClearLog();
        if (!RemoveTree(rig.Destination())) {
          std::fprintf(stderr, "round %d: the last destination could not be removed\n", round + 1);
          return 1;
        }
        conversion = ConvertThroughWindows(rig);
        const size_t logged = rig.LoggedCommands().size();
        if (!conversion.done || logged != conversion_rig::PlanItems().size()) {
          std::fprintf(stderr, "round %d: the conversion %s after %zu commands\n", round + 1,
                       conversion.done ? "finished" : "did not finish", logged);
          for (const std::string& line : rig.LoggedCommands())
            std::fprintf(stderr, "%s\n", line.c_str());
          return 1;
        }
      } else {
        if (!RemoveTree(bareGame)) {
          std::fprintf(stderr, "round %d: the last bare destination could not be removed\n",
                       round + 1);
          return 1;
        }
        bare = BareRun(rig, bareGame, discard);
      }
    }
    conversions.push_back(conversion.wall);
    bares.push_back(bare);
    ratios.push_back(conversion.wall / bare);
    cpuShares.push_back(conversion.cpu / conversion.wall);
    untilWindow.push_back(conversion.untilProgressWindow);
    cpuTotal += conversion.cpu;
    uiCpuTotal += conversion.uiCpu;
    wallTotal += conversion.wall;
    std::printf("round %d: conversion %.3f s (CPU %.3f s), bare 36 runs %.3f s\n", round + 1,
                conversion.wall, conversion.cpu, bare);
  }
  CloseHandle(discard);

  const double conversionMedian = Median(conversions), bareMedian = Median(bares);
  std::printf("%d rounds, 36 commands each\n", rounds);
  std::printf("median wall time, conversion (Yes to final message): %8.1f ms\n",
              conversionMedian * 1000);
  std::printf("  of which Yes to progress window shown:              %8.1f ms\n",
              Median(untilWindow) * 1000);
  std::printf("median wall time, 36 bare runs of the stand-in:      %8.1f ms\n", bareMedian * 1000);
  std::printf("ratio conversion / bare:                             %8.3f (goal <= 1.2)\n",
              conversionMedian / bareMedian);
  // Other work on the machine slows whole rounds; the ratio within a round is steadier.
  std::printf("median of the rounds' own ratios:                    %8.3f\n", Median(ratios));
  std::printf(
      "program CPU / conversion wall:                       %7.2f %% (median %.2f %%, "
      "goal < 10 %%)\n",
      100 * cpuTotal / wallTotal, 100 * Median(cpuShares));
  std::printf("  of which the user-interface thread:                %7.2f %%\n",
              100 * uiCpuTotal / wallTotal);
  return 0;
}
