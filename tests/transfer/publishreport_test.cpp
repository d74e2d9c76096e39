// The publish report: its lines for one entry of each kind, and its log file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "publishreport.h"
#include "testfiles.h"

using transfer::PublishReport;

namespace {

// "id(arg,arg)": the ids and arguments, without any language.
std::string formatted(int id, const std::vector<platform::MessageArg>& args) {
    std::string text = std::to_string(id) + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) text += ",";
        text += std::visit(
            [](const auto& v) {
                if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>)
                    return v;
                else if constexpr (std::is_same_v<std::decay_t<decltype(v)>, double>)
                    return std::string("#");  // times and rates vary
                else
                    return std::to_string(v);
            },
            args[i]);
    }
    return text + ")";
}

}  // namespace

TEST(PublishReport, OneLineForEachOutcomeAndTheTotals) {
    PublishReport report;
    report.begin(true, "ftp.example.org");
    report.sent("/site/a.bin", 100, "SHA-256");
    report.sent("/site/b.bin", 20, "size");
    report.sent("/site/c.txt", 3, "");
    report.skipped("/home/u/fifo", 1295, {std::string("/home/u/fifo")});
    report.failed("/site/d.bin", 1380, {std::string("d.bin")});
    report.leftPartial("/site/e.bin");
    report.end();
    EXPECT_EQ(report.count(PublishReport::Kind::Sent), 3);
    EXPECT_EQ(report.verified(), 2);
    EXPECT_EQ(report.bytes(), 123);

    std::string text = report.render(formatted);
    // The title's time varies: only its id and server are compared.
    const std::size_t firstLine = text.find('\n');
    EXPECT_EQ(text.substr(0, 21), "1382(ftp.example.org,");
    EXPECT_EQ(text.substr(firstLine + 1),
              "1385(/site/a.bin,100,SHA-256)\n"
              "1385(/site/b.bin,20,1391())\n"
              "1386(/site/c.txt,3)\n"
              "1387(1295(/home/u/fifo))\n"
              "1388(/site/d.bin,1380(d.bin))\n"
              "1389(/site/e.bin)\n"
              "1390(3,2,1,1,123,#,#)\n");
}

TEST(PublishReport, LogFileIsOwnerOnlyUnderTheStateFolder) {
    const std::string state =
        std::filesystem::temp_directory_path() / ("trandel-state-" + std::to_string(::getpid()));
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    EXPECT_EQ(transfer::reportLogDirectory(), state + "/trandel");
    ::setenv("XDG_STATE_HOME", "relative", 1);  // not absolute: ignored
    EXPECT_NE(transfer::reportLogDirectory(), "relative/trandel");
    if (saved)
        ::setenv("XDG_STATE_HOME", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_STATE_HOME");

    const std::string first = transfer::writeReportLog(state + "/trandel", "one\n");
    const std::string second = transfer::writeReportLog(state + "/trandel", "two\n");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);  // a second job in the same second keeps the first's log
    EXPECT_EQ(testsupport::readFile(first), "one\n");
    struct stat st {};
    ASSERT_EQ(::stat(first.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((state + "/trandel").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::filesystem::remove_all(state);
}
