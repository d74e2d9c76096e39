// Message formatting, locale names, language modules and child processes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "localeinfo.h"
#include "messageformat.h"
#include "process.h"
#include "resourcelanguagemodule.h"

using platform::formatMessage;
using platform::MessageArg;

TEST(MessageFormat, PrintfPlaceholdersTakeArgumentsInOrder) {
    EXPECT_EQ(formatMessage("已连接服务器 '%s'.", {std::string("ftp.example.org")}),
              "已连接服务器 'ftp.example.org'.");
    EXPECT_EQ(formatMessage("错误 (errno = %d)", {std::int64_t{28}}), "错误 (errno = 28)");
    EXPECT_EQ(formatMessage("%4.1f K 字节/sec", {12.345}), "12.3 K 字节/sec");
    EXPECT_EQ(formatMessage("%s and %s, 100%%", {std::string("a"), std::string("b")}),
              "a and b, 100%");
}

TEST(MessageFormat, NumberedInsertsKeepTheirWidths) {
    EXPECT_EQ(formatMessage("共有 %1!8d! 字节，已传送 %2!8d! 字节",
                            {std::int64_t{5368709120}, std::int64_t{42}}),
              "共有 5368709120 字节，已传送       42 字节");
    EXPECT_EQ(formatMessage("源文件: %1!s!%2!c!%3!s!",
                            {std::string("/home/a"), '/', std::string("x.html")}),
              "源文件: /home/a/x.html");
    // Inserts may come in another order than their arguments.
    EXPECT_EQ(formatMessage("%2!s! before %1!s!", {std::string("one"), std::string("two")}),
              "two before one");
}

TEST(MessageFormat, MissingOrMismatchedArgumentsNeverCrash) {
    EXPECT_EQ(formatMessage("%s|%d|%1!s!|%9!d!", {}), "|0||0");
    EXPECT_EQ(formatMessage("%d", {std::string("text")}), "0");
    EXPECT_EQ(formatMessage("%s", {std::int64_t{7}}), "7");
    EXPECT_EQ(formatMessage("at 50%, then %", {}), "at 50%, then %");
    EXPECT_EQ(formatMessage("%99999999999999999999999!s!", {std::string("x")}), "");
}

TEST(Locale, PosixNamesMapToAbbreviationsAndModuleCodes) {
    struct Row {
        const char* name;
        const char* abbreviation;
        const char* code;
    } rows[] = {
        {"zh_CN.UTF-8", "CHS", "zh"}, {"zh_TW.UTF-8", "CHT", "ch"}, {"en_US.UTF-8", "ENU", "en"},
        {"en_GB", "ENG", "en"},       {"C", "ENU", "en"},           {"POSIX", "ENU", "en"},
        {"C.UTF-8", "ENU", "en"},     {"ja_JP.eucJP", "JPN", "jp"}, {"de_DE@euro", "DEU", "de"},
    };
    for (const auto& r : rows) {
        auto info = platform::localeFromName(r.name);
        EXPECT_EQ(info.abbreviation, r.abbreviation) << r.name;
        EXPECT_EQ(platform::languageCode(info.abbreviation), r.code) << r.name;
    }
    EXPECT_TRUE(platform::localeFromName("xx_YY").abbreviation.empty());
    EXPECT_EQ(platform::localeFromName("zh_CN").ansiCodePage, 936);
    EXPECT_EQ(platform::localeFromName("zh_CN").localeId, 0x0804);
}

namespace {

class LanguageModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("trandel-modules-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        builtIn_ = platform::TextTable::parse(
            "[strings]\n105=已连接. 确定要退出吗？\n1201=已连接服务器 '%s'.\n"
            "[dialog 100]\ncaption=关于传送文件\n1=确定\n[menu 134]\n32777=删除\n");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void writeModule(const std::string& name, const std::string& contents) {
        std::ofstream(dir_ / name) << contents;
    }
    std::filesystem::path dir_;
    platform::TextTable builtIn_;
};

}  // namespace

TEST_F(LanguageModuleTest, ModuleForTheLocaleReplacesStringsDialogsAndMenus) {
    writeModule("ftp_en.dll",
                "[strings]\n105=Connected. Quit anyway?\n[dialog 100]\ncaption=About\n"
                "[menu 134]\n32777=Delete\n");
    platform::ResourceLanguageModule module("ftp", builtIn_, dir_.string());
    EXPECT_EQ(module.loadForLocale(platform::localeFromName("en_US.UTF-8")), 1);
    EXPECT_EQ(module.languageAbbreviation(), "ENU");
    EXPECT_EQ(module.ansiCodePage(), 1252);
    EXPECT_EQ(module.string(105), "Connected. Quit anyway?");
    EXPECT_EQ(module.dialogText(100, platform::TextTable::kCaption), "About");
    EXPECT_EQ(module.menuText(134, 32777), "Delete");
    // What the module lacks still comes from the built-in texts.
    EXPECT_EQ(module.string(1201), "已连接服务器 '%s'.");
    EXPECT_EQ(module.dialogText(100, 1), "确定");

    module.unload();
    EXPECT_FALSE(module.moduleLoaded());
    EXPECT_EQ(module.string(105), "已连接. 确定要退出吗？");
}

TEST_F(LanguageModuleTest, ChineseLocaleLooksForTheZhModule) {
    writeModule("ftp_zh.dll", "[strings]\n105=zh module\n");
    platform::ResourceLanguageModule module("ftp", builtIn_, dir_.string());
    EXPECT_EQ(module.loadForLocale(platform::localeFromName("zh_CN.UTF-8")), 1);
    EXPECT_EQ(module.modulePath(), (dir_ / "ftp_zh.dll").string());
    EXPECT_EQ(module.string(105), "zh module");
}

TEST_F(LanguageModuleTest, MissingOrEmptyModuleFallsBackToBuiltInTexts) {
    writeModule("ftp_jp.dll", "# nothing but a comment\n");
    platform::ResourceLanguageModule module("ftp", builtIn_, dir_.string());
    EXPECT_EQ(module.loadForLocale(platform::localeFromName("de_DE.UTF-8")), 0);
    EXPECT_EQ(module.loadForLocale(platform::localeFromName("ja_JP.UTF-8")), 0);
    EXPECT_EQ(module.loadForLocale(platform::localeFromName("xx_YY")), 0);
    EXPECT_FALSE(module.moduleLoaded());
    EXPECT_TRUE(module.languageAbbreviation().empty());
    EXPECT_EQ(module.string(105), "已连接. 确定要退出吗？");
    EXPECT_EQ(module.string(99999), "");
}

TEST_F(LanguageModuleTest, EnvironmentDecidesTheLocale) {
    writeModule("mig_en.dll", "[strings]\n1=English\n");
    platform::ResourceLanguageModule module("mig", builtIn_, dir_.string());
    ::setenv("LC_ALL", "en_GB.UTF-8", 1);
    EXPECT_EQ(module.loadForLocale(), 1);
    ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
    EXPECT_EQ(module.loadForLocale(), 0);
    ::unsetenv("LC_ALL");
}

TEST(Process, ExitCodesAndFailuresToStart) {
    auto outcome = platform::runAndWait("/bin/sh", {"-c", "exit 3"});
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.exitCode, 3);

    outcome = platform::runAndWait("/bin/sh", {"-c", "kill -9 $$"});
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.exited) << "a killed process has no exit code to read";

    outcome = platform::runAndWait("/nonexistent/tsymig", {"-m0"});
    EXPECT_FALSE(outcome.started);
}
