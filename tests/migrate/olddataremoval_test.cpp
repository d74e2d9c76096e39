// The earlier edition's data folders: which are offered, and how they are deleted.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "folderdeletion.h"
#include "olddataremoval.h"
#include "previousedition.h"
#include "treeremoval.h"

namespace fs = std::filesystem;
using migration::dataFolderOfSiteDb;
using migration::deletionRefusal;
using migration::findDeletableFolders;
using migration::Refusal;
using namespace previousedition;

namespace {

const char* const kSecondSiteKey = "Software\\Korvex\\TSY4WT\\Lumora\\Settings\\Site";
const char* const kSecondMachineKey = "SOFTWARE\\Korvex\\TSY4WT";

void setSiteDb(const std::string& siteDb, const char* key = migration::kOldSiteKey) {
    userKey(key).SetValueString("SiteDB", siteDb);
}

class OldFolders : public ::testing::Test {
protected:
    void SetUp() override {
        config_.set("HOME", config_.root() + "/home");
        fs::create_directories(config_.root() + "/home");
        fs::create_directories(old_ + "/Site");
    }
    ScratchConfig config_;
    const std::string old_ = config_.root() + "/old";
};

TEST(OldFolderNames, TheDataFolderIsTheSiteDbWithoutItsSiteFolder) {
    EXPECT_EQ(dataFolderOfSiteDb("/srv/old/Site/"), "/srv/old");
    EXPECT_EQ(dataFolderOfSiteDb("/srv/old/SITE/"), "/srv/old");
    EXPECT_EQ(dataFolderOfSiteDb("/srv/old//Site/"), "/srv/old");
    EXPECT_EQ(dataFolderOfSiteDb("//Site/"), "/");
    EXPECT_EQ(dataFolderOfSiteDb("/Site/"), "") << "too short to leave a folder";
    EXPECT_EQ(dataFolderOfSiteDb("/srv/old/Site"), "") << "no trailing separator";
    EXPECT_EQ(dataFolderOfSiteDb("/srv/old/Sites/"), "");
    EXPECT_EQ(dataFolderOfSiteDb("C:\\Old\\Site\\"), "");
}

TEST_F(OldFolders, AnUninstalledEditionsExistingFolderIsOffered) {
    setSiteDb(old_ + "/Site/");
    EXPECT_EQ(findDeletableFolders(), std::vector<std::string>{old_});
    // Still installed: kept.
    setInstallFolder("/opt/lumora");
    EXPECT_TRUE(findDeletableFolders().empty());
}

TEST_F(OldFolders, BothVariantsNamingTheSameFolderGiveOneEntry) {
    setSiteDb(old_ + "/Site/");
    setSiteDb(old_ + "/Site/", kSecondSiteKey);
    EXPECT_EQ(findDeletableFolders(), std::vector<std::string>{old_});
    // Another name of the same directory is the same folder.
    fs::create_directory_symlink(old_, config_.root() + "/alias");
    setSiteDb(config_.root() + "/alias/site/", kSecondSiteKey);
    EXPECT_EQ(findDeletableFolders(), std::vector<std::string>{old_});

    // Names that differ only in letter case count as one, as they did where the
    // earlier edition ran.
    migration::OldFolders folders{{old_, config_.root() + "/OLD", "", old_}, {}};
    migration::cleanDeletableFolders(folders);
    EXPECT_EQ(folders.deletableFolders, std::vector<std::string>{old_});
}

TEST_F(OldFolders, TheFolderOfTheInstalledOtherVariantIsNeverOffered) {
    setSiteDb(old_ + "/Site/");
    setSiteDb(config_.root() + "/OLD/Site/", kSecondSiteKey);
    setInstallFolder("/opt/lumora-t", kSecondMachineKey);
    EXPECT_TRUE(findDeletableFolders().empty());

    // Each variant on its own folder: only the uninstalled one is offered.
    fs::create_directories(config_.root() + "/other");
    setSiteDb(config_.root() + "/other/Site/", kSecondSiteKey);
    EXPECT_EQ(findDeletableFolders(), std::vector<std::string>{old_});
}

TEST_F(OldFolders, RootsMountPointsAndOddValuesAreNeverOffered) {
    for (const std::string& siteDb : std::vector<std::string>{
             "//Site/", "/Site/", "/proc/Site/", "/proc/self/../Site/", "old/Site/",
             (old_ + "/Site"), (config_.root() + "/gone/Site/"), (old_ + "/Site/x/")}) {
        setSiteDb(siteDb);
        EXPECT_TRUE(findDeletableFolders().empty()) << siteDb;
    }
}

TEST_F(OldFolders, FoldersTheUserOrTheCurrentVersionNeedsAreNeverOffered) {
    // The user's home, and a folder that holds it.
    for (const std::string& siteDb : {config_.root() + "/home/Site/", config_.root() + "/Site/"}) {
        setSiteDb(siteDb);
        EXPECT_TRUE(findDeletableFolders().empty()) << siteDb;
    }
    // Our own settings and data folder.
    setSiteDb(config_.dir() + "/Site/");
    fs::create_directories(config_.dir());
    EXPECT_TRUE(findDeletableFolders().empty());
    // A folder that holds our site database, wherever "SiteDB" put it.
    userKey(tsy::CTscCommon::getHKCUTsypageSite())
        .SetValueString("SiteDB", old_ + "/current/Site/");
    setSiteDb(old_ + "/Site/");
    EXPECT_TRUE(findDeletableFolders().empty());
}

TEST_F(OldFolders, RefusalsFollowLinks) {
    const std::vector<std::string> guarded{config_.dir()};
    fs::create_directories(config_.dir());
    EXPECT_EQ(deletionRefusal(old_, guarded), Refusal::None);
    EXPECT_EQ(deletionRefusal("/", guarded), Refusal::FileSystemRoot);
    EXPECT_EQ(deletionRefusal("/proc", guarded), Refusal::FileSystemRoot);
    EXPECT_EQ(deletionRefusal(config_.root() + "/home", guarded), Refusal::Home);
    EXPECT_EQ(deletionRefusal(config_.root(), guarded), Refusal::Home);
    EXPECT_EQ(deletionRefusal(config_.dir(), guarded), Refusal::HoldsCurrentData);
    EXPECT_EQ(deletionRefusal("old", guarded), Refusal::NotAbsolute);
    EXPECT_EQ(deletionRefusal(old_ + "/missing", guarded), Refusal::Missing);
    fs::create_directory_symlink(config_.root() + "/home", old_ + "/home-link");
    EXPECT_EQ(deletionRefusal(old_ + "/home-link", guarded), Refusal::Home);
    fs::create_directory_symlink("/", old_ + "/root-link");
    EXPECT_EQ(deletionRefusal(old_ + "/root-link", guarded), Refusal::FileSystemRoot);
}

TEST_F(OldFolders, DeletionRemovesLinksButNeverWhatTheyPointTo) {
    const std::string outside = config_.root() + "/outside";
    writeFile(outside + "/keep.txt", "keep");
    writeFile(outside + "/folder/deep.txt", "deep");
    writeFile(old_ + "/Site/STP", "sites");
    writeFile(old_ + "/a/b/c/file.html", "<html>");
    fs::create_symlink(outside + "/keep.txt", old_ + "/file-link");
    fs::create_directory_symlink(outside + "/folder", old_ + "/a/folder-link");
    fs::create_symlink(outside + "/nothing", old_ + "/dangling");
    ASSERT_EQ(::mkfifo((old_ + "/a/pipe").c_str(), 0600), 0);

    EXPECT_TRUE(platform::removeTree(old_));
    EXPECT_FALSE(fs::exists(fs::symlink_status(old_)));
    EXPECT_EQ(readFile(outside + "/keep.txt"), "keep");
    EXPECT_EQ(readFile(outside + "/folder/deep.txt"), "deep");

    // A folder that is itself a link loses only the link.
    fs::create_directory_symlink(outside, config_.root() + "/old-link");
    EXPECT_TRUE(platform::removeTree(config_.root() + "/old-link"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(config_.root() + "/old-link")));
    EXPECT_EQ(readFile(outside + "/keep.txt"), "keep");
    EXPECT_FALSE(platform::removeTree(config_.root() + "/old-link"));
}

TEST_F(OldFolders, DeletingChecksEachFolderAgain) {
    const std::string second = config_.root() + "/second";
    writeFile(second + "/Site/SVP", "servers");
    writeFile(old_ + "/Site/SVP", "servers");
    EXPECT_TRUE(migration::deleteOldFolders({old_, second, config_.root() + "/gone"}));
    EXPECT_FALSE(fs::exists(old_));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_TRUE(migration::deleteOldFolders({}));

    // A folder that came to hold the home, or our data, since it was offered stays.
    fs::create_directories(config_.dir());
    EXPECT_FALSE(migration::deleteOldFolders({config_.root()}));
    EXPECT_TRUE(fs::exists(config_.dir()));
    EXPECT_FALSE(migration::deleteOldFolders({"/"}));
}

}  // namespace
