// Measures what the captured command run costs over simply starting the interpreter and
// waiting for it: the 36 mklink lines of a whole conversion, through the system's interpreter
// (the stand-in of the test prefix, which imitates mklink), run both ways in alternating rounds
// into a fresh destination. Prints medians, their ratio and the CPU time the polling thread
// used as a share of its wall time.
//   bench_command_run.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/command_run.h"
#include "link/link_command.h"
#include "tests/bench/bare_run.h"
#include "tests/ui/conversion_rig.h"

namespace {

double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  conversion_rig::Rig rig("ludvane-bench-command-run");
  if (!rig.Ready()) {
    std::fprintf(stderr, "cannot set up the Steam sample and the stand-in's folder\n");
    return 1;
  }
  const std::vector<std::string> lines = bare_run::PlanLines(rig.Destination(), rig.Steam());
  // The program's way takes the lines in UTF-16, as CreateProcessA would have made them.
  std::vector<std::wstring> wideLines;
  for (const std::string& line : lines)
    wideLines.push_back(console::TextFromCodePage(line, CP_ACP));
  bare_run::MakeDestinationFolders(rig.Destination());
  const std::string check = console::RunCapturedCommand(wideLines[1]);
  if (!link::OutputShowsLinkMade(check) || rig.LoggedCommands().size() != 1) {
    std::fprintf(stderr, "the stand-in interpreter did not answer:\n%s\n", check.c_str());
    return 1;
  }

  std::vector<double> captured, bare, cpuShares;
  double capturedWall = 0, capturedCpu = 0, bareWall = 0, bareCpu = 0;
  int linksMade = 0;
  for (int round = 0; round < rounds; ++round) {
    for (int pass = 0; pass < 2; ++pass) {
      // Alternate which way goes first, so neither always runs on a warmer system.
      const bool capturedNow = (pass == 0) == (round % 2 == 0);
      if (!bare_run::RemoveTree(rig.Destination())) {
        std::fprintf(stderr, "round %d: the last destination could not be removed\n", round + 1);
        return 1;
      }
      bare_run::MakeDestinationFolders(rig.Destination());
      const double cpuStart = ThreadCpuSeconds();
      double wall = 0;
      if (capturedNow) {
        const double start = bare_run::Now();
        for (const std::wstring& line : wideLines) {
          linksMade += link::OutputShowsLinkMade(console::RunCapturedCommand(line)) ? 1 : 0;
        }
        wall = bare_run::Now() - start;
      } else {
        wall = bare_run::RunAll(lines);
      }
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
