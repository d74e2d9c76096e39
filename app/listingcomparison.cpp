#include "listingcomparison.h"

namespace comparison {

ListingFilter PaneFilters::active() const {
    if (notOnOtherSide) return ListingFilter::NotOnOtherSide;
    if (newer) return ListingFilter::Newer;
    return ListingFilter::None;
}

void PaneFilters::refreshEnded(bool listed) {
    if (listed) *this = {};
}

std::string nameKey(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && nameKey(a) == nameKey(b);
}

bool passesComparison(ListingFilter filter, std::string_view dateText,
                      const std::string* namesakeDateText) {
    switch (filter) {
        case ListingFilter::None:
            return true;
        case ListingFilter::NotOnOtherSide:
            return namesakeDateText == nullptr;
        case ListingFilter::Newer:
            return namesakeDateText != nullptr && dateText > std::string_view(*namesakeDateText);
    }
    return true;
}

ComparisonStep comparisonStep(keys::Command command, bool hasSession,
                              const std::function<bool()>& connectionAlive) {
    switch (command) {
        case keys::Command::ListLocalMissingOnServer:
        case keys::Command::ListRemoteMissingLocally:
            return ComparisonStep::SetAndRefresh;
        case keys::Command::ListNewerLocal:
            return hasSession ? ComparisonStep::SetAndRefresh : ComparisonStep::Nothing;
        case keys::Command::ListNewerRemote:
            return connectionAlive() ? ComparisonStep::SetAndRefresh
                                     : ComparisonStep::ConnectionLost;
        default:
            return ComparisonStep::Nothing;
    }
}

}  // namespace comparison
