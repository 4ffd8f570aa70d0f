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
extern const wchar_t kTopLevelFiles[];

// Splits a text at each CR LF; a text without one is a single name.
std::vector<std::wstring> SplitAtLineBreaks(const std::wstring& text);

using LinkMaker = std::function<LinkAttempt(const std::wstring& linkPath,
                                            const std::wstring& sourcePath, int kind)>;

// Why an item of the plan is not in place.
enum class MissingCause {
  kNameTaken,     // something else stands at its name: a real file or folder, or another link
  kRefused,       // the interpreter refused the link for a reason of its own (mostly privilege)
  kPathNotFound,  // the interpreter found no path: a folder on the way or the Steam item
  kAccessDenied,  // the system denied access to the link's place or to a folder on the way
  kSystemError,   // a folder on the way could not be made or held for another reason
};

// One item of the plan that is not in place, with its cause and the system's or the
// interpreter's own words for it (none for a name taken).
struct MissingItem {
  std::wstring name;
  MissingCause cause;
  std::wstring words;
};

bool operator==(const MissingItem& a, const MissingItem& b);

// What the plan left at the destination. An item is in place when its link was made now, or
// when its name leads to the Steam item already, as an earlier run's link does (mklink refuses
// to replace a name that exists); an update archive that is there already is kept.
struct PlanOutcome {
  // The items not in place, in the plan's order.
  std::vector<MissingItem> missing;
};

// The cause of a refused link whose name is not there, by the interpreter's first line: mklink
// prints the system's own words for the errors it meets.
MissingCause CauseOfRefusal(const std::wstring& words);

// Walks the plan for the destination game folder and the Steam game folder (both ending in a
// backslash): creates the real folders the links sit in, makes each link through `makeLink`,
// and calls `itemDone` after each of the 36 items, whatever became of it. Nothing is made in a
// folder that is not a plain folder, and each folder written into is held until the plan ends.
// `destinationError` is the system's error from making the destination game folder, 0 if none:
// it is the cause when that folder is not there.
PlanOutcome RunLinkPlan(const std::wstring& destination, const std::wstring& steam,
                        const LinkMaker& makeLink, const std::function<void()>& itemDone,
                        unsigned long destinationError = 0);

// True when the Steam game folder (ending in a backslash) holds at least one of the plan's 36
// names, as a file or a folder. One that holds none is not the game's folder: every link would
// dangle. Some are enough: the Epic client supplies the rest.
bool HoldsAnyPlanName(const std::wstring& steam);

// True when the Steam game folder (ending in a backslash) is the Enhanced edition's: it holds
// GTA5_Enhanced.exe, in any case. That edition has many of the plan's names with other contents,
// so the Epic client's verification would find every archive wrong and rewrite them through the
// junctions into the Steam copy.
bool IsEnhancedEdition(const std::wstring& steam);

}  // namespace link
