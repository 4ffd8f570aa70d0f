// A scratch setting for whole conversions through the windows of a copy of ludvane.exe: the
// program in a folder of its own, the files of the stand-in interpreter (the test prefix's own
// cmd.exe, fake_cmd.exe: its log and delay) in the scratch folder, a sample Steam game folder
// holding the plan's 36 items, and an Epic location to convert into. Shared by the conversion
// tests and the conversion benchmark.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "tests/ui/ui_driver.h"

namespace conversion_rig {

// One item of the link plan: its name relative to the game folders and whether it is a folder
// (made a junction) rather than a file (made a symbolic link).
struct PlanItem {
  std::string name;
  bool junction;
};

// The 36 items in the plan's order.
const std::vector<PlanItem>& PlanItems();

// The command line the stand-in logs for an item: "/d /v:off /c mklink "D+x" "S+x"", with /J
// for a junction.
std::string LoggedCommandFor(const PlanItem& item, const std::string& destination,
                             const std::string& steam);

// The logged command lines of the whole plan, in order.
std::vector<std::string> PlanCommands(const std::string& destination, const std::string& steam);

// Every file and folder under `folder`, by relative name, with the file's bytes ("<folder>" for
// a folder).
std::map<std::string, std::string> TreeSnapshot(const std::string& folder);

bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

class Rig {
 public:
  // Fills a fresh scratch folder `name` in the temporary folder. `epicName` is the last part of
  // the Epic location, in the ANSI code page; empty for the scratch folder itself, which holds
  // the Steam folder.
  explicit Rig(const std::string& name, const std::string& epicName = "Epic");

  // False when something could not be put in place (the program, the stand-in, the sample).
  bool Ready() const { return ready_; }

  // The scratch folder that holds all of the rig, with a trailing backslash.
  const std::string& Folder() const { return scratch_.Path(); }
  std::string LudvaneExe() const { return appFolder_ + "ludvane.exe"; }
  const std::string& AppFolder() const { return appFolder_; }
  // The Steam game folder, with a trailing backslash, as the program shows it.
  const std::string& Steam() const { return steam_; }
  // The folder the user picks for the Epic copy, without a trailing backslash.
  const std::string& Epic() const { return epic_; }
  // The destination game folder the program fills: the Epic location and GTAV\.
  std::string Destination() const { return epic_ + "\\GTAV\\"; }

  // How long the stand-in waits after each link before it answers; 0 for no wait. The stand-in's
  // files are the latest rig's.
  void SetStandInDelay(int milliseconds) const;
  // The links the stand-in refuses, one a line: a link path's end, or "*" for every link.
  void SetStandInRefusals(const std::string& lines) const;
  // The stand-in's log, one command line each, and a fresh start for it.
  std::vector<std::string> LoggedCommands() const;
  void ClearLog() const;

 private:
  ui_driver::ScratchFolder scratch_;
  std::string appFolder_;
  std::string steam_;
  std::string epic_;
  bool ready_ = false;
};

// Points the registry at the rig's Steam folder; call before the program starts.
bool PointRegistryAtSteam(const Rig& rig);

// With the program started from the rig: waits for its main window, checks that the Steam field
// shows the rig's Steam folder, picks the Epic location in the folder picker and presses start.
// Returns the confirmation box ("确认是否操作？"), still open, or null with `failure` saying why.
HWND PressStart(const ui_driver::Process& ludvane, const Rig& rig, std::string* failure);

// Waits for a visible message box of the process showing `text` (code page 936, read back in
// UTF-16 whatever the system locale), looking every `pollInterval`.
ui_driver::MessageBoxFacts WaitForMessageText(
    DWORD processId, const std::string& text,
    ui_driver::milliseconds timeout = ui_driver::kDefaultTimeout,
    ui_driver::milliseconds pollInterval = ui_driver::milliseconds(20));

}  // namespace conversion_rig
