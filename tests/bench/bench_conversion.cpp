// Measures a whole conversion through the windows, from the answer Yes to the final message,
// against the bare cost of its 36 commands: the same system interpreter (the test prefix's
// stand-in) started 36 times and waited for. Also the CPU time the program's threads used as a
// share of the conversion's wall time, and the user-interface thread's part of it.
//
// The program has no console, so each interpreter it starts gets a new hidden console of its
// own. The fair reference starts them the same way: this benchmark is a GUI program without a
// console, which starts both the program and the reference's interpreters. The reference from a
// console program, whose interpreters share its console, is printed too: a copy of this
// benchmark that makes a console of its own runs it. (Under Wine the figures go to the standard
// output that Wine hands to every program started from a shell.)
// All ways run in rotating rounds into a fresh destination; medians are printed.
//   bench_conversion.exe [rounds]
//   bench_conversion.exe --bare-with-console DESTINATION STEAM   (the console reference's copy)
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
#include "tests/bench/bare_run.h"
#include "tests/ui/conversion_rig.h"
#include "tests/ui/ui_driver.h"

namespace {

using conversion_rig::Rig;
using ui_driver::milliseconds;

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

constexpr char kBareWithConsole[] = "--bare-with-console";

// The reference from a console program: a copy of this benchmark, started hidden, makes a
// console of its own, runs the 36 commands into `destination` and answers with its wall time in
// microseconds as its exit code. Negative when it could not run.
double BareRunWithConsole(const std::string& destination, const std::string& steam) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  // Without their trailing backslashes, which would escape the closing quotes.
  const auto quoted = [](const std::string& folder) {
    return "\"" + folder.substr(0, folder.size() - 1) + "\"";
  };
  std::string commandLine = "\"" + std::string(self) + "\" " + kBareWithConsole + " " +
                            quoted(destination) + " " + quoted(steam);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;  // also for the console it makes
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(self, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return -1;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD microseconds = 0;
  GetExitCodeProcess(info.hProcess, &microseconds);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return static_cast<double>(microseconds) / 1e6;
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
  const double start = bare_run::Now();
  ui_driver::AnswerMessageBox(confirm, IDYES);
  ui_driver::WaitUntil([&] { return FindShownWindow(ludvane.Id(), "LudvaneProgressWindow"); },
                       milliseconds(60000), milliseconds(2));
  result.untilProgressWindow = bare_run::Now() - start;
  HWND finished = nullptr;
  ui_driver::WaitUntil([&] { return (finished = FindFinalMessage(ludvane.Id())) != nullptr; },
                       milliseconds(600000), milliseconds(5));
  result.wall = bare_run::Now() - start;
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
  if (argc == 4 && std::string(argv[1]) == kBareWithConsole) {
    AllocConsole();
    const double wall = bare_run::RunAll(
        bare_run::PlanLines(std::string(argv[2]) + "\\", std::string(argv[3]) + "\\"));
    return static_cast<int>(wall * 1e6);
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  Rig rig("ludvane-bench-conversion");
  if (!rig.Ready() || !conversion_rig::PointRegistryAtSteam(rig)) {
    std::fprintf(stderr, "cannot set up the program, the stand-in and the Steam sample\n");
    return 1;
  }
  const std::string bareGame = rig.Folder() + "bare\\";

  // Each round: the conversion, the reference without a console, the one with a console.
  constexpr int kWays = 3;
  std::vector<double> conversions, bares, consoleBares, ratios, consoleRatios, cpuShares,
      untilWindow;
  double cpuTotal = 0, uiCpuTotal = 0, wallTotal = 0;
  for (int round = 0; round < rounds; ++round) {
    double bare = 0, consoleBare = 0;
    Conversion conversion;
    for (int pass = 0; pass < kWays; ++pass) {
      // Rotate which way goes first, so none always runs on a warmer system.
      const int way = (pass + round) % kWays;
      if (way == 0) {
        rig.ClearLog();
        if (!bare_run::RemoveTree(rig.Destination())) {
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
        continue;
      }
      if (!bare_run::RemoveTree(bareGame)) {
        std::fprintf(stderr, "round %d: the last bare destination could not be removed\n",
                     round + 1);
        return 1;
      }
      bare_run::MakeDestinationFolders(bareGame);
      if (way == 1) {
        bare = bare_run::RunAll(bare_run::PlanLines(bareGame, rig.Steam()));
      } else {
        consoleBare = BareRunWithConsole(bareGame, rig.Steam());
        if (consoleBare < 0) {
          std::fprintf(stderr, "round %d: the reference with a console did not start\n", round + 1);
          return 1;
        }
      }
    }
    conversions.push_back(conversion.wall);
    bares.push_back(bare);
    consoleBares.push_back(consoleBare);
    ratios.push_back(conversion.wall / bare);
    consoleRatios.push_back(conversion.wall / consoleBare);
    cpuShares.push_back(conversion.cpu / conversion.wall);
    untilWindow.push_back(conversion.untilProgressWindow);
    cpuTotal += conversion.cpu;
    uiCpuTotal += conversion.uiCpu;
    wallTotal += conversion.wall;
    std::printf(
        "round %d: conversion %.3f s (CPU %.3f s), 36 bare runs %.3f s without a console, "
        "%.3f s with a console\n",
        round + 1, conversion.wall, conversion.cpu, bare, consoleBare);
  }

  const double conversionMedian = Median(conversions), bareMedian = Median(bares),
               consoleBareMedian = Median(consoleBares);
  std::printf("%d rounds, 36 commands each\n", rounds);
  std::printf("median wall time, conversion (Yes to final message): %8.1f ms\n",
              conversionMedian * 1000);
  std::printf("  of which Yes to progress window shown:              %8.1f ms\n",
              Median(untilWindow) * 1000);
  std::printf("median wall time, 36 bare runs without a console:    %8.1f ms\n", bareMedian * 1000);
  std::printf("ratio conversion / bare without a console:           %8.3f (goal <= 1.2)\n",
              conversionMedian / bareMedian);
  // Other work on the machine slows whole rounds; the ratio within a round is steadier.
  std::printf("  median of the rounds' own ratios:                  %8.3f\n", Median(ratios));
  std::printf("median wall time, 36 bare runs with a console:       %8.1f ms\n",
              consoleBareMedian * 1000);
  std::printf("ratio conversion / bare with a console:              %8.3f\n",
              conversionMedian / consoleBareMedian);
  std::printf("  median of the rounds' own ratios:                  %8.3f\n",
              Median(consoleRatios));
  std::printf(
      "program CPU / conversion wall:                       %7.2f %% (median %.2f %%, "
      "goal < 10 %%)\n",
      100 * cpuTotal / wallTotal, 100 * Median(cpuShares));
  std::printf("  of which the user-interface thread:                %7.2f %%\n",
              100 * uiCpuTotal / wallTotal);
  return 0;
}
