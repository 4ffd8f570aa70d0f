// The link plan: the 36 items that turn a Steam game folder into an Epic one, in their order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/link_command.h"

namespace link {

// The plan's items: the update archive, the 33 files and the two junctions.
constexpr int kPlanItemCount = 36;

// The 33 files at the top of the game folder, one text with the names joined by CR LF.
extern const char kTopLevelFiles[];

// Splits a text at each CR LF; a text without one is a single name.
std::vector<std::string> SplitAtLineBreaks(const std::string& text);

using LinkMaker = std::function<LinkAttempt(const std::string& linkPath,
                                            const std::string& sourcePath, int kind)>;

// What the plan left at the destination. An item is in place when its name is there after its
// turn: made now, or kept from an earlier run (mklink refuses to replace a name that exists).
struct PlanOutcome {
  // The relative names of the items not in place, in the plan's order: their link was refused,
  // or they were skipped because their folder was not a plain folder.
  std::vector<std::string> missing;
  // The first non-empty line the interpreter printed for the first refused link, in the ANSI
  // code page; empty when none was refused or it printed nothing.
  std::string firstRefusal;
};

// Walks the plan for the destination game folder and the Steam game folder (both ending in a
// backslash): creates the real folders the links sit in, makes each link through `makeLink`,
// and calls `itemDone` after each of the 36 items, whatever became of it. Nothing is made in a
// folder that is not a plain folder, and each folder written into is held until the plan ends.
PlanOutcome RunLinkPlan(const std::string& destination, const std::string& steam,
                        const LinkMaker& makeLink, const std::function<void()>& itemDone);

// True when the Steam game folder (ending in a backslash) holds at least one of the plan's 36
// names, as a file or a folder. One that holds none is not the game's folder: every link would
// dangle. Some are enough: the Epic client supplies the rest.
bool HoldsAnyPlanName(const std::string& steam);

}  // namespace link
