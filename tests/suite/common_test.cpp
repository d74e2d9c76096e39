// Product folders, key paths and the path and file helpers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "ctsccommon.h"
#include "pathhelpers.h"
#include "scratchconfig.h"
#include "testfiles.h"

using testsupport::readFile;
using testsupport::writeFile;
using tsy::CTscCommon;

namespace {

TEST(Common, ProductFoldersEndInASeparator) {
    ScratchConfig config;
    for (int type : {CTscCommon::ProductTop, CTscCommon::UserDictionary, CTscCommon::SuiteHome}) {
        EXPECT_EQ(CTscCommon::getProductFolder(type, 0), config.dir() + "/") << type;
    }
    EXPECT_TRUE(tsy::is_directory(config.dir()));
    EXPECT_EQ(CTscCommon::getProductFolder(3, 0), "");

    // The folder of the running program, where tsymig is looked for.
    std::string programs = CTscCommon::getProductFolder(CTscCommon::Programs, 0);
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(programs, std::filesystem::path(self).parent_path().string() + "/");
}

TEST(Common, KeyPathsOfTheCurrentVersion) {
    const std::string base = CTscCommon::getHKCUTsypageBase();
    EXPECT_EQ(base, "Software\\Korvex\\Tessaly\\5.0");
    EXPECT_EQ(CTscCommon::getHKCUTsypageSettings(), base + "\\Settings");
    EXPECT_EQ(CTscCommon::getHKCUTsypageSite(), base + "\\Settings\\Site");
    EXPECT_EQ(CTscCommon::getHKCUTsypageOptions(), base + "\\Settings\\Options");
    EXPECT_EQ(CTscCommon::getHKCUTsypageContentsMgr(), base + "\\Settings\\Contents Mgr");
    // The application settings sit below the same base.
    EXPECT_EQ("Software\\" + CTscCommon::getSetRegistryKey() + "\\" + CTscCommon::key_trandel +
                  "\\settings",
              base + "\\trandel\\settings");
}

TEST(Common, PathHelpers) {
    ScratchConfig config;
    std::string folder = config.root();
    EXPECT_FALSE(tsy::hasEndYenMark(folder));
    tsy::addLastYenMark(folder);
    EXPECT_TRUE(tsy::hasEndYenMark(folder));
    EXPECT_FALSE(tsy::hasEndYenMark(""));
    EXPECT_FALSE(tsy::hasEndYenMark("C:\\Site\\"));  // "\" is no separator here

    const std::string file = folder + "user.dic";
    writeFile(file, "words");
    std::filesystem::create_symlink(file, folder + "link");
    EXPECT_TRUE(tsy::is_file(file));
    EXPECT_TRUE(tsy::is_file(folder + "link"));
    EXPECT_FALSE(tsy::is_file(config.root()));
    EXPECT_FALSE(tsy::is_file(folder + "missing"));
    EXPECT_FALSE(tsy::is_file(""));
    EXPECT_TRUE(tsy::is_directory(config.root()));
    EXPECT_TRUE(tsy::is_directory(folder));
    EXPECT_FALSE(tsy::is_directory(file));

    EXPECT_TRUE(tsy::have_drive("/home"));
    EXPECT_FALSE(tsy::have_drive("relative/path"));
    EXPECT_FALSE(tsy::have_drive(""));
    EXPECT_TRUE(tsy::is_drive_root("/"));
    EXPECT_TRUE(tsy::is_drive_root("/proc/"));  // a mount point
    EXPECT_TRUE(tsy::is_drive_root("/proc/self/.."));
    EXPECT_FALSE(tsy::is_drive_root(folder));
    EXPECT_FALSE(tsy::is_drive_root(folder + "missing"));
    EXPECT_FALSE(tsy::is_drive_root("proc"));
}

TEST(Common, CopyFileReplacesWholeOrNotAtAll) {
    ScratchConfig config;
    const std::string source = config.root() + "/user.dic";
    const std::string target = config.root() + "/copy.dic";
    std::string big(300000, 'w');
    writeFile(source, big);
    ::chmod(source.c_str(), 0640);

    EXPECT_TRUE(tsy::TsyCopyFile(source, target, 0));
    EXPECT_EQ(readFile(target), big);
    EXPECT_EQ(ScratchConfig::mode(target), 0640u);

    writeFile(source, "new words");
    EXPECT_FALSE(tsy::TsyCopyFile(source, target, 1));  // kept
    EXPECT_EQ(readFile(target), big);
    EXPECT_TRUE(tsy::TsyCopyFile(source, target, 0));  // replaced
    EXPECT_EQ(readFile(target), "new words");

    EXPECT_FALSE(tsy::TsyCopyFile(config.root() + "/missing", target, 0));
    EXPECT_FALSE(tsy::TsyCopyFile(config.root(), target, 0));  // not a file
    EXPECT_FALSE(tsy::TsyCopyFile(source, config.root() + "/no/such/folder/x", 0));
    EXPECT_EQ(readFile(target), "new words");
    for (const auto& entry : std::filesystem::directory_iterator(config.root())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
    }
}

}  // namespace
