// The local pane's file operations in a folder of the test's own, with the desktop trash
// in the same scratch folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "localcommands.h"
#include "localpaths.h"
#include "scratchconfig.h"
#include "scriptedprompts.h"
#include "testfiles.h"
#include "trash.h"

namespace fs = std::filesystem;
using transfer::DeleteOutcome;
using transfer::LowerCaseOutcome;

namespace {

class LocalCommands : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = scratch_.root() + "/pane/";
        fs::create_directories(dir_);
        // The trash of the home's file system is the one in XDG_DATA_HOME.
        scratch_.set("HOME", scratch_.root());
        scratch_.set("XDG_DATA_HOME", scratch_.root() + "/data");
    }
    void file(const std::string& name, const std::string& contents = "x") {
        testsupport::writeFile(dir_ + name, contents);
    }
    std::set<std::string> entries(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.insert(e.path().filename().string());
        return names;
    }
    std::set<std::string> trashed() { return entries(scratch_.root() + "/data/Trash/files"); }

    ScratchConfig scratch_;
    std::string dir_;
    testsupport::ScriptedPrompts prompts_;
};

}  // namespace

TEST_F(LocalCommands, RenameNeverReplaces) {
    file("a.txt", "a");
    file("b.txt", "b");
    fs::create_directory(dir_ + "dir");
    struct Case {
        const char* from;
        const char* to;
        int error;
    } cases[] = {
        {"a.txt", "b.txt", EEXIST},   {"a.txt", "dir", EEXIST}, {"dir", "b.txt", EEXIST},
        {"missing", "c.txt", ENOENT}, {"a.txt", "c.txt", 0},    {"dir", "folder", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(transfer::renameNoReplace(dir_ + c.from, dir_ + c.to), c.error) << c.from;
    EXPECT_EQ(testsupport::readFile(dir_ + "b.txt"), "b");
    EXPECT_EQ(testsupport::readFile(dir_ + "c.txt"), "a");
    EXPECT_EQ(entries(dir_), (std::set<std::string>{"b.txt", "c.txt", "folder"}));
}

TEST_F(LocalCommands, NewDirectoryTypedCancelledOrEmpty) {
    struct Case {
        std::optional<std::string> typed;  // nullopt: the edit was cancelled
        const char* made;                  // "" for none
    } cases[] = {{"www", "www"}, {std::nullopt, "新目录"}, {"", ""}};
    for (const Case& c : cases) {
        const std::string name = transfer::newDirectoryName(c.typed, "新目录");
        EXPECT_EQ(name, c.made);
        EXPECT_EQ(transfer::makeLocalDirectory(dir_, name), 0);
    }
    EXPECT_EQ(entries(dir_), (std::set<std::string>{"www", "新目录"}));
    EXPECT_EQ(transfer::makeLocalDirectory(dir_, "www"), EEXIST);
}

TEST_F(LocalCommands, UpOneLevelStopsAtTheRoot) {
    EXPECT_EQ(transfer::parentPath("/"), "/");
    EXPECT_EQ(transfer::parentPath("/home/"), "/");
    EXPECT_EQ(transfer::parentPath("/home/web/"), "/home/");
}

TEST_F(LocalCommands, LowerCaseNeverLosesAFile) {
    file("README.TXT", "upper");
    file("readme.txt", "lower");  // both exist on a case-sensitive file system
    file("INDEX.HTML", "index");
    file("$$TSY$$.tmp", "bystander");
    file("Ärger.TXT", "umlaut");
    file("lower.html", "same");
    fs::create_directory(dir_ + "IMAGES");
    const std::vector<std::string> names{"README.TXT", "INDEX.HTML", "Ärger.TXT", "lower.html",
                                         "IMAGES"};
    const auto outcomes = transfer::lowerCaseNames(dir_, names, prompts_);
    EXPECT_EQ(outcomes,
              (std::vector<LowerCaseOutcome>{
                  LowerCaseOutcome::NameTaken, LowerCaseOutcome::Renamed, LowerCaseOutcome::Renamed,
                  LowerCaseOutcome::AlreadyLower, LowerCaseOutcome::Renamed}));
    EXPECT_EQ(entries(dir_),
              (std::set<std::string>{"README.TXT", "readme.txt", "index.html", "$$TSY$$.tmp",
                                     "Ärger.txt", "lower.html", "images"}));
    EXPECT_EQ(testsupport::readFile(dir_ + "README.TXT"), "upper");
    EXPECT_EQ(testsupport::readFile(dir_ + "readme.txt"), "lower");
    EXPECT_EQ(testsupport::readFile(dir_ + "$$TSY$$.tmp"), "bystander");
    EXPECT_EQ(testsupport::readFile(dir_ + "index.html"), "index");
    ASSERT_EQ(prompts_.asked().size(), 1u);
    EXPECT_EQ(prompts_.asked()[0].id, 1308);
    EXPECT_EQ(std::get<std::string>(prompts_.asked()[0].args[0]), "\nREADME.TXT");
}

TEST_F(LocalCommands, DeleteToTrashOrForGood) {
    const std::string outside = scratch_.root() + "/outside/";
    fs::create_directories(outside);
    testsupport::writeFile(outside + "keep.txt", "keep");
    file("one.txt");
    file("site/a/b/page.html");
    fs::create_symlink(outside + "keep.txt", dir_ + "site/a/link.txt");
    fs::create_directory_symlink(outside, dir_ + "site/outside-link");
    file("two.txt");
    file("three.txt");
    using Items = std::vector<transfer::LocalItem>;
    std::vector<transfer::DeleteQuestion> asked;
    auto confirm = [&](const transfer::DeleteQuestion& q) {
        asked.push_back(q);
        return q.subject != "refused";
    };

    // Refused at the confirmation: nothing happens.
    EXPECT_TRUE(transfer::deleteLocalItems(dir_, Items{{"refused", false}}, false, confirm,
                                           platform::moveToTrash, prompts_)
                    .empty());
    // To the trash, the folder with everything in it.
    auto outcomes = transfer::deleteLocalItems(dir_, Items{{"site", true}, {"one.txt", false}},
                                               false, confirm, platform::moveToTrash, prompts_);
    EXPECT_EQ(outcomes, (std::vector{DeleteOutcome::Trashed, DeleteOutcome::Trashed}));
    EXPECT_EQ(trashed(), (std::set<std::string>{"site", "one.txt"}));
    // For good: a tree's links go, never what they point to.
    fs::rename(scratch_.root() + "/data/Trash/files/site", dir_ + "site");
    outcomes = transfer::deleteLocalItems(dir_, Items{{"site", true}}, true, confirm,
                                          platform::moveToTrash, prompts_);
    EXPECT_EQ(outcomes, std::vector{DeleteOutcome::Deleted});
    EXPECT_EQ(testsupport::readFile(outside + "keep.txt"), "keep");
    // No trash: asked before deleting for good; a failed item is named, the others go on.
    auto noTrash = [](const std::string&) { return false; };
    prompts_.answer(platform::Answer::Yes);
    prompts_.answer(platform::Answer::Yes);
    prompts_.answer(platform::Answer::Ok);
    prompts_.answer(platform::Answer::No);
    outcomes = transfer::deleteLocalItems(
        dir_, Items{{"two.txt", false}, {"three.txt/x", false}, {"three.txt", false}}, false,
        confirm, noTrash, prompts_);
    EXPECT_EQ(outcomes,
              (std::vector{DeleteOutcome::Deleted, DeleteOutcome::Failed, DeleteOutcome::Kept}));
    EXPECT_EQ(prompts_.askedIds(), (std::vector<int>{1306, 1306, 1230, 1306}));
    EXPECT_EQ(entries(dir_), std::set<std::string>{"three.txt"});

    ASSERT_EQ(asked.size(), 4u);
    const struct {
        int mode;
        const char* subject;
        bool permanent;
    } questions[] = {
        {1, "refused", false}, {2, "site", false}, {0, "site", true}, {3, "two.txt", false}};
    for (std::size_t i = 0; i < asked.size(); ++i) {
        EXPECT_EQ(asked[i].mode, questions[i].mode) << i;
        EXPECT_EQ(asked[i].subject, questions[i].subject) << i;
        EXPECT_EQ(asked[i].permanent, questions[i].permanent) << i;
    }
}
