// The file of uploads left partial: what it keeps, what it ignores, and that windows
// sharing it keep each other's entries.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "partialuploads.h"
#include "testfiles.h"

namespace fs = std::filesystem;
using transfer::PartialUpload;
using transfer::PartialUploadStore;
using transfer::ServerIdentity;

namespace {

class PartialUploads : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(root_);
        path_ = transfer::partialUploadsFile((root_ / "state" / "trandel").string());
    }
    void TearDown() override { fs::remove_all(root_); }

    const fs::path root_ = fs::temp_directory_path() /
                           ("trandel-partial-" + std::to_string(::getpid()) + "-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string path_;
};

struct Hostile {
    const char* what;
    ServerIdentity server;
    std::string serverPath;
    std::string local;
};

const Hostile kHostile[] = {
    {"plain", {"ftp.example.org", 21, "web"}, "/site/a.bin", "/home/u/a.bin"},
    {"tab and line ends", {"h\tost", 2121, "u\nser"}, "/site/a\tb\r\n.bin", "/home/u/x\ny"},
    {"bytes that are no UTF-8",
     {"ftp.example.org", 21, "\xff\xfe"},
     "/site/\xb0\xa1.bin",
     std::string("/home/u/\x80\0z", 11)},
    {"escapes written as text", {"\\x41", 990, "\\"}, "/site/\\x0a", "/home/u/\\\\x"},
    {"Chinese, spaces and a colon port", {"主机:2121", 2121, "用户 名"}, "/站点/文 件", "/家/文件"},
};

// Lines the store cannot take; the valid line before them stays.
const char* const kCorrupt[] = {
    "h\t21\tu\t/p\t/l\t10\n",            // a field missing
    "h\t0\tu\t/p\t/l\t10\t5\n",          // no port
    "h\t21\tu\t/p\t/l\tten\t5\n",        // not a number
    "h\\x4\t21\tu\t/p\t/l\t10\t5\n",     // a cut escape
    "h\\q\t21\tu\t/p\t/l\t10\t5\n",      // no escape
    "h\t21\tu\t/p\t/l\t10\t5\textra\n",  // a field too many
    "h\t21\tu\t/p\t/l\t10\t5",           // no line end
};

}  // namespace

TEST_F(PartialUploads, HostileNamesComeBackAsTheyWereWritten) {
    PartialUploadStore writer;
    writer.open(path_);
    std::int64_t n = 0;
    for (const Hostile& row : kHostile)
        writer.remember(row.server, row.serverPath, {row.local, ++n, n * 1000000007});
    PartialUploadStore reader;
    reader.open(path_);
    n = 0;
    for (const Hostile& row : kHostile) {
        SCOPED_TRACE(row.what);
        ++n;
        EXPECT_EQ(reader.find(row.server, row.serverPath),
                  (PartialUpload{row.local, n, n * 1000000007}));
    }
    EXPECT_EQ(reader.entries().size(), std::size(kHostile));
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(fs::path(path_).parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(PartialUploads, ADamagedFileReadsAsWhatIsValidInIt) {
    const std::string good = "h\t21\tu\t/p\t/l\t10\t5\n";
    const std::string header = "trandel partial uploads 1\n";
    struct Row {
        const char* what;
        std::string text;
        std::size_t entries;
    };
    std::vector<Row> rows = {
        {"no header", good, 0},
        {"another header", "trandel partial uploads 2\n" + good, 0},
        {"binary noise", testsupport::randomBytes(4096, 7), 0},
        {"empty", "", 0},
    };
    for (const char* line : kCorrupt)
        rows.push_back({line, header + good + line, 1});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::writeFile(path_, row.text);
        PartialUploadStore store;
        store.open(path_);
        EXPECT_EQ(store.entries().size(), row.entries);
        // It is written anew, whole.
        store.remember({"h", 21, "u"}, "/q", {"/l", 1, 2});
        PartialUploadStore again;
        again.open(path_);
        EXPECT_EQ(again.entries().size(), row.entries + 1);
    }
    // Neither a folder nor a FIFO in its place holds up or crashes the job.
    fs::remove(path_);
    ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    PartialUploadStore store;
    store.open(path_);
    EXPECT_TRUE(store.entries().empty());
    fs::remove(path_);
    fs::create_directories(fs::path(path_) / "x");
    store.open(path_);
    store.remember({"h", 21, "u"}, "/q", {"/l", 1, 2});
    EXPECT_EQ(store.entries().size(), 1u) << "kept by the object when the file cannot be";
}

// Two windows, each with what it read at its start: neither drops the other's entry.
TEST_F(PartialUploads, WindowsSharingTheFileKeepEachOthersEntries) {
    PartialUploadStore first, second;
    first.open(path_);
    second.open(path_);
    first.remember({"a", 21, "u"}, "/x", {"/l/x", 1, 1});
    second.remember({"b", 21, "u"}, "/y", {"/l/y", 2, 2});
    second.remember({"a", 21, "u"}, "/z", {"/l/z", 3, 3});
    first.forget({"a", 21, "u"}, "/z");
    PartialUploadStore third;
    third.open(path_);
    ASSERT_EQ(third.entries().size(), 2u);
    EXPECT_TRUE(third.find({"a", 21, "u"}, "/x"));
    EXPECT_TRUE(third.find({"b", 21, "u"}, "/y"));
    EXPECT_FALSE(third.find({"a", 22, "u"}, "/x")) << "another port is another server";
}

TEST_F(PartialUploads, TheOldestEntriesGoBeyondTheBound) {
    PartialUploadStore store;
    store.open(path_);
    for (std::size_t n = 0; n <= PartialUploadStore::kMaxEntries; ++n)
        store.remember({"h", 21, "u"}, "/f" + std::to_string(n), {"/l", 1, 1});
    PartialUploadStore reader;
    reader.open(path_);
    EXPECT_EQ(reader.entries().size(), PartialUploadStore::kMaxEntries);
    EXPECT_FALSE(reader.find({"h", 21, "u"}, "/f0"));
    EXPECT_TRUE(reader.find({"h", 21, "u"}, "/f1"));
}
