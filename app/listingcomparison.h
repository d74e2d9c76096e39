#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "keydispatcher.h"

// The listing comparison: a pane's refresh lists only the entries missing on, or newer
// than their namesakes on, the other pane as it shows now. No Qt here.
namespace comparison {

enum class ListingFilter { None, NotOnOtherSide, Newer };

// One pane's one-shot flags, set by its commands and used up by its refresh.
struct PaneFilters {
    bool notOnOtherSide = false;
    bool newer = false;

    // Both set: the missing-entries filter wins.
    ListingFilter active() const;
    // At the end of a refresh: a refresh that got as far as listing uses the flags up;
    // one that stopped early keeps them for the next.
    void refreshEnded(bool listed);
};

// The key two names are matched by: ASCII letters folded to lower case, every other byte
// as it is (so multi-byte names are never folded half-way).
std::string nameKey(std::string_view name);
bool sameName(std::string_view a, std::string_view b);

// Whether an entry with this modified-time text is listed, given the date text of the
// other pane's first entry of the same name (nullptr: there is none). Texts are compared
// byte by byte: "2000/12/07" is older than any "2000/12/07 hh:mm".
bool passesComparison(ListingFilter filter, std::string_view dateText,
                      const std::string* namesakeDateText);

// The same for a pane's model: other.findName(name) gives the row (< 0: none) and
// other.item(row).dateText its text.
template <typename OtherModel>
bool passesComparison(const PaneFilters& filters, const std::string& name,
                      std::string_view dateText, const OtherModel& other) {
    const ListingFilter filter = filters.active();
    if (filter == ListingFilter::None) return true;
    const int row = other.findName(name);
    return passesComparison(filter, dateText, row < 0 ? nullptr : &other.item(row).dateText);
}

// The window's flags: each pane's own.
struct ListingFilters {
    PaneFilters local;
    PaneFilters remote;
};

// What a comparison command does next.
enum class ComparisonStep {
    Nothing,         // not a comparison command, or the local newer one without a session
    SetAndRefresh,   // set the command's flag, then refresh its pane
    ConnectionLost,  // the remote newer command found the connection dead: the flag stays unset
};

// The step of command for a window with or without a session. connectionAlive (a NOOP)
// is asked only by the remote newer command; the remote missing-entries command leaves
// the check to its refresh, so a dead connection keeps its flag for the next refresh.
ComparisonStep comparisonStep(keys::Command command, bool hasSession,
                              const std::function<bool()>& connectionAlive);

}  // namespace comparison
