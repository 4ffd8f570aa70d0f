// The link plan: the 36 items that turn a Steam game folder into an Epic one, in their order.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace link {

// The 33 files at the top of the game folder, one text with the names joined by CR LF.
extern const char kTopLevelFiles[];

// Splits a text at each CR LF; a text without one is a single name.
std::vector<std::string> SplitAtLineBreaks(const std::string& text);

using LinkMaker =
    std::function<bool(const std::string& linkPath, const std::string& sourcePath, int kind)>;

// Walks the plan for the destination game folder and the Steam game folder (both ending in a
// backslash): creates the real folders the links sit in, makes each link through `makeLink`,
// and calls `itemDone` after each of the 36 items, whatever became of it. Nothing is made in a
// folder that is not a plain folder, and each folder written into is held until the plan ends.
void RunLinkPlan(const std::string& destination, const std::string& steam,
                 const LinkMaker& makeLink, const std::function<void()>& itemDone);

// True when the Steam game folder (ending in a backslash) holds at least one of the plan's 36
// names, as a file or a folder. One that holds none is not the game's folder: every link would
// dangle. Some are enough: the Epic client supplies the rest.
bool HoldsAnyPlanName(const std::string& steam);

}  // namespace link
