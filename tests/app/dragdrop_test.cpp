// Drag and drop data: the local pane's URLs and what a drop from the desktop uploads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "dragdrop.h"

using namespace dragdrop;
namespace fs = std::filesystem;

namespace {

class DragDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Qt's own temporary folder could not remove names that are not UTF-8.
        std::string pattern = (fs::temp_directory_path() / "dragdrop-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern + "/";
        for (const std::string& name :
             {std::string("a.html"), std::string("caf\xE9.txt"), std::string("\xC4\xDA.htm"),
              std::string("新目录/x"), std::string(130, 'd') + "/" + std::string(140, 'f')}) {
            fs::create_directories(fs::path(root_ + name).parent_path());
            std::ofstream(root_ + name) << name;
        }
    }
    void TearDown() override { fs::remove_all(root_); }
    // A drop as a desktop file manager sends it: percent-encoded URLs, one a line.
    static std::unique_ptr<QMimeData> uriList(const std::vector<std::string>& urls) {
        QByteArray text;
        for (const auto& url : urls)
            text += QByteArray::fromStdString(url) + "\r\n";
        auto data = std::make_unique<QMimeData>();
        data->setData("text/uri-list", text);
        return data;
    }
    std::string url(const std::string& name) const {
        return "file://" +
               QByteArray::fromStdString(root_ + name).toPercentEncoding("/").toStdString();
    }

    std::string root_;
};

}  // namespace

TEST_F(DragDropTest, ADropGivesTheLocalPathsAsBytes) {
    const std::string longName = std::string(130, 'd') + "/" + std::string(140, 'f');
    const struct {
        const char* what;
        std::vector<std::string> urls;
        std::vector<std::string> paths;  // below root_
        std::vector<std::pair<int, std::string>> refused;
    } cases[] = {
        {"three files in the drop's order",
         {url("caf\xE9.txt"), url("a.html"), url("\xC4\xDA.htm")},
         {"caf\xE9.txt", "a.html", "\xC4\xDA.htm"},
         {}},
        {"a folder, with or without its slash",
         {url("新目录/"), url("新目录")},
         {"新目录", "新目录"},
         {}},
        {"UTF-8 left unencoded", {"file://" + root_ + "新目录/x"}, {"新目录/x"}, {}},
        {"localhost", {"file://localhost" + root_ + "a.html"}, {"a.html"}, {}},
        {"longer than 260 bytes", {url(longName)}, {longName}, {}},
        {"other schemes and hosts are refused",
         {"http://127.0.0.1/a.html", url("a.html"), "file://server/share/a.html"},
         {"a.html"},
         {{1302, "http://127.0.0.1/a.html"}, {1302, "//server/share/a.html"}}},
        {"a path that does not exist", {url("gone.html")}, {}, {{1303, "gone.html"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DroppedPaths dropped = readDrop(*uriList(c.urls));
        std::vector<std::string> paths;
        for (const auto& path : c.paths)
            paths.push_back(root_ + path);
        EXPECT_EQ(dropped.paths, paths);
        std::vector<std::pair<int, std::string>> refused;
        for (const auto& r : dropped.refused)
            refused.emplace_back(r.messageId, r.messageId == DropRefusal::kMissing
                                                  ? r.subject.substr(root_.size())
                                                  : r.subject);
        EXPECT_EQ(refused, c.refused);
    }
}

TEST_F(DragDropTest, TheLocalDragCarriesFileUrlsInReverseListOrder) {
    const std::vector<std::string> names{"a.html", "caf\xE9.txt", "\xC4\xDA.htm"};
    const auto data = localDragData(root_, names);
    const QByteArray list = data->data("text/uri-list");
    EXPECT_EQ(list, QByteArray::fromStdString(url("\xC4\xDA.htm") + "\r\n" + url("caf\xE9.txt") +
                                              "\r\n" + url("a.html") + "\r\n"));
    // What a drop target reads back is the same bytes, in the drag's order.
    EXPECT_EQ(readDrop(*uriList({list.toStdString()})).paths,
              (std::vector<std::string>{root_ + names[2], root_ + names[1], root_ + names[0]}));
    EXPECT_EQ(readDrop(*data).paths.size(), 3u);
}

TEST(DropDecision, WhenTheServerPaneTakesADrop) {
    const struct {
        bool hasSession, jobRunning, refreshIdle;
        DropDecision decision;
    } cases[] = {
        {false, false, true, DropDecision::Ignore}, {true, true, true, DropDecision::Ignore},
        {false, true, false, DropDecision::Ignore}, {true, true, false, DropDecision::Ignore},
        {true, false, true, DropDecision::Upload},  {true, false, false, DropDecision::Discard},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decideDrop(c.hasSession, c.jobRunning, c.refreshIdle), c.decision)
            << c.hasSession << c.jobRunning << c.refreshIdle;
}
