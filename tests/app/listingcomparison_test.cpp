// The listing comparison: which entries a filtered refresh lists, how long the flags
// last, and what each comparison command does next.
#include <gtest/gtest.h>

#include <vector>

#include "listingcomparison.h"

using namespace comparison;

namespace {

// The other pane as it shows now: names and modified-time texts in list order.
struct Pane {
    struct Item {
        std::string name;
        std::string dateText;
    };
    std::vector<Item> items;
    int findName(const std::string& name) const {
        for (std::size_t i = 0; i < items.size(); ++i)
            if (sameName(items[i].name, name)) return static_cast<int>(i);
        return -1;
    }
    const Item& item(int row) const { return items[static_cast<std::size_t>(row)]; }
};

const Pane kServer{{{"INDEX.HTML", "2000/12/07 10:30"},
                    {"same.html", "2000/12/07 10:30"},
                    {"day.txt", "1999/05/03"},
                    {"dup.css", "2000/01/01 00:00"},
                    {"Dup.css", "2030/01/01 00:00"},
                    {"\xC4\xDA.htm", "2000/12/07 10:30"}}};

}  // namespace

TEST(ListingComparison, WhichEntriesAreListed) {
    const struct {
        const char* what;
        PaneFilters filters;
        const char* name;
        const char* dateText;
        bool listed;
    } cases[] = {
        {"no filter lists everything", {}, "index.html", "1990/01/01 00:00", true},
        {"names match ignoring case", {true, false}, "index.html", "2000/12/07 10:31", false},
        {"a name the other side lacks", {true, false}, "local-only.css", "", true},
        {"newer by a minute", {false, true}, "index.html", "2000/12/07 10:31", true},
        {"equal texts are not newer", {false, true}, "same.html", "2000/12/07 10:30", false},
        {"older", {false, true}, "SAME.HTML", "2000/12/07 10:29", false},
        {"without a namesake nothing is newer",
         {false, true},
         "new.html",
         "2030/01/01 00:00",
         false},
        {"a date-only text is older than that day's times",
         {false, true},
         "day.txt",
         "1999/05/03 00:00",
         true},
        {"a date-only text against a date-only text",
         {false, true},
         "day.txt",
         "1999/05/03",
         false},
        {"the first namesake counts", {false, true}, "DUP.CSS", "2001/01/01 00:00", true},
        {"both flags: the missing filter wins",
         {true, true},
         "index.html",
         "2030/01/01 00:00",
         false},
        {"both flags: a missing name is listed though not newer", {true, true}, "x.html", "", true},
        {"bytes above ASCII are matched exactly", {true, false}, "\xE4\xDA.htm", "", true},
        {"bytes above ASCII compare unsigned", {false, true}, "\xC4\xDA.htm", "\xFF", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(passesComparison(c.filters, c.name, c.dateText, kServer), c.listed) << c.what;
}

TEST(ListingComparison, FlagsLastOneRefreshThatListed) {
    PaneFilters filters{true, true};
    filters.refreshEnded(false);
    EXPECT_EQ(filters.active(), ListingFilter::NotOnOtherSide) << "kept after an early stop";
    filters.refreshEnded(true);
    EXPECT_EQ(filters.active(), ListingFilter::None);
    EXPECT_FALSE(filters.newer);
}

TEST(ListingComparison, CommandSteps) {
    using keys::Command;
    const struct {
        Command command;
        bool hasSession;
        bool alive;
        ComparisonStep step;
        int probes;
    } cases[] = {
        {Command::ListLocalMissingOnServer, false, false, ComparisonStep::SetAndRefresh, 0},
        {Command::ListRemoteMissingLocally, true, false, ComparisonStep::SetAndRefresh, 0},
        {Command::ListNewerLocal, false, true, ComparisonStep::Nothing, 0},
        {Command::ListNewerLocal, true, true, ComparisonStep::SetAndRefresh, 0},
        {Command::ListNewerRemote, true, true, ComparisonStep::SetAndRefresh, 1},
        {Command::ListNewerRemote, true, false, ComparisonStep::ConnectionLost, 1},
        {Command::RefreshLocal, true, true, ComparisonStep::Nothing, 0},
    };
    for (const auto& c : cases) {
        int probes = 0;
        auto alive = [&] {
            ++probes;
            return c.alive;
        };
        EXPECT_EQ(comparisonStep(c.command, c.hasSession, alive), c.step)
            << static_cast<int>(c.command);
        EXPECT_EQ(probes, c.probes);
    }
}
