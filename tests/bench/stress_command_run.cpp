// Runs commands that write and end at once through the captured command run, many times, and
// counts the runs whose text is not exactly what was written. Alternately the interpreter itself
// echoes and ends, and a child of it (console_writer.exe) writes and ends. This program's own
// compilation of the captured run traces each step, so every run is filed under the way the
// loop went: the start, each peek (ended yet?, result, bytes available, error), each read.
// Prints the count of every way the runs went, the wrong runs' ways apart, and a few wrong runs
// in full.
//   stress_command_run.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "console/command_run.h"
#include "tests/support/console_writer.h"

namespace {

struct Step {
  std::string name;
  bool ended;
  long result;
  unsigned long count;
  unsigned long error;
};

std::vector<Step> steps;

std::string Pattern(size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) bytes += static_cast<char>('a' + i % 26);
  return bytes;
}

// One step as a word; byte counts only as "0" or "n", so runs that differ only in timing or
// length share a way.
std::string Word(const Step& step, bool exact) {
  std::string word = step.ended ? "ended:" : "";
  word += step.name;
  if (step.name == "start") {
    word += step.result ? " ok" : " failed";
  } else if (step.name == "exit") {
    word = "exit code " + std::to_string(static_cast<unsigned long>(step.result));
  } else if (step.name != "no pipe") {
    word += step.result ? " ok " : " failed";
    if (step.result) word += exact ? std::to_string(step.count) : (step.count ? "n" : "0");
  }
  if (step.error) word += " error " + std::to_string(step.error);
  return word;
}

// The run's steps in order, repeats of one word folded into "word xN" (N exact or "*").
std::string Way(bool exact) {
  std::string way;
  for (size_t i = 0; i < steps.size();) {
    const std::string word = Word(steps[i], exact);
    size_t next = i + 1;
    while (next < steps.size() && Word(steps[next], exact) == word) ++next;
    if (!way.empty()) way += " | ";
    way += word;
    if (next - i > 1) way += exact ? " x" + std::to_string(next - i) : " x*";
    i = next;
  }
  return way;
}

void PrintWays(const char* title, const std::map<std::string, int>& ways) {
  std::vector<std::pair<int, std::string>> sorted;
  for (const auto& way : ways) sorted.push_back({way.second, way.first});
  std::sort(sorted.rbegin(), sorted.rend());
  std::printf("%s\n", title);
  if (sorted.empty()) std::printf("  (none)\n");
  for (const auto& way : sorted) std::printf("  %7d  %s\n", way.first, way.second.c_str());
}

}  // namespace

namespace console {

void TraceCapturedRun(const char* step, bool ended, long result, unsigned long count,
                      unsigned long error) {
  // The run goes on to read the error the traced call left.
  const DWORD lastError = GetLastError();
  steps.push_back({step, ended, result, count, error});
  SetLastError(lastError);
}

}  // namespace console

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
  const std::string last = "last-bytes-" + Pattern(40);
  const std::string viaChild = ConsoleWriterCommand("out " + last);
  const std::wstring wideEcho = console::TextFromCodePage("echo " + last, CP_ACP);
  const std::wstring wideViaChild = console::TextFromCodePage(viaChild, CP_ACP);

  std::map<std::string, int> allWays, wrongWays;
  int wrong[2] = {0, 0}, empty = 0, shown = 0;
  int totalPasses = 0, mostPasses = 0;
  const DWORD start = GetTickCount();
  for (int run = 0; run < rounds; ++run) {
    const bool echo = run % 2 == 0;
    steps.clear();
    const std::string output = console::RunCapturedCommand(echo ? wideEcho : wideViaChild);
    const int passes =
        static_cast<int>(std::count_if(steps.begin(), steps.end(), [](const Step& s) {
          return s.name == "peek" || s.name == "no pipe";
        }));
    totalPasses += passes;
    mostPasses = std::max(mostPasses, passes);
    const std::string way = std::string(echo ? "echo:   " : "child:  ") + Way(false);
    ++allWays[way];
    if (output == (echo ? last + "\r\n" : last)) continue;
    ++wrong[echo ? 0 : 1];
    if (output.empty()) ++empty;
    ++wrongWays[way];
    if (shown++ < 10) {
      std::printf("wrong run %d (%s, %zu bytes \"%s\"): %s\n", run + 1, echo ? "echo" : "child",
                  output.size(), output.c_str(), Way(true).c_str());
    }
  }
  const double seconds = (GetTickCount() - start) / 1000.0;

  std::printf("%d runs (%d echo, %d child) in %.0f s, %.1f passes a run on average, %d at most\n",
              rounds, (rounds + 1) / 2, rounds / 2, seconds,
              static_cast<double>(totalPasses) / rounds, mostPasses);
  std::printf("wrong runs: %d (echo %d, child %d), %d of them empty\n", wrong[0] + wrong[1],
              wrong[0], wrong[1], empty);
  PrintWays("ways of the wrong runs:", wrongWays);
  PrintWays("ways of all runs:", allWays);
  return wrong[0] + wrong[1] == 0 ? 0 : 1;
}
