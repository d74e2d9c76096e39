// The list panes and the local pane: rows, sizes, sorting, display modes, the type
// cache, the comparison filters, typed paths and the directory history.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "drivecombo.h"
#include "filelistview.h"
#include "filetypes.h"
#include "localpanecontroller.h"
#include "mainwindow.h"
#include "remotepanecontroller.h"
#include "scriptedprompts.h"
#include "uitestfixture.h"

namespace fs = std::filesystem;

namespace {

std::time_t at(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

class PanesTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        root_ = fs::temp_directory_path() / ("trandel-panes-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "site");
        fs::current_path(root_ / "site");
        window_ = std::make_unique<MainWindow>();
        window_->setPrompts(&prompts_);
    }
    void TearDown() override {
        window_.reset();
        fs::current_path(previous_);
        fs::remove_all(root_);
    }
    void file(const std::string& name, std::size_t size, std::time_t modified = 0) {
        const fs::path path = root_ / "site" / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << std::string(size, 'x');
        if (modified) {
            timespec times[2] = {{modified, 0}, {modified, 0}};
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
    }
    void directory(const std::string& name) { fs::create_directories(root_ / "site" / name); }

    std::vector<std::string> localNames() {
        std::vector<std::string> names;
        for (int i = 0; i < window_->localModel().size(); ++i)
            names.push_back(window_->localModel().item(i).name);
        return names;
    }
    std::vector<std::string> remoteNames() {
        std::vector<std::string> names;
        for (int i = 0; i < window_->remoteModel().size(); ++i)
            names.push_back(window_->remoteModel().item(i).name);
        return names;
    }
    QString localCell(int row, int column) {
        auto& model = window_->localModel();
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    }
    // Fills the remote pane the way the remote refresh does.
    void remote(
        std::initializer_list<std::tuple<std::string, std::int64_t, std::string, bool>> rows) {
        auto& model = window_->remoteModel();
        model.beginFill();
        int count = 0;
        for (const auto& [name, size, date, dir] : rows)
            count += window_->insertRemoteItem(
                count, name, size, date, dir ? "drwxr-xr-x" : "-rw-r--r--",
                dir ? ftp::EntryType::Directory : ftp::EntryType::File, dir);
        window_->sortList(MainWindow::RemoteSide, 0, 0);
        model.endFill();
    }

    UiTexts texts_;
    testsupport::ScriptedPrompts prompts_;
    fs::path previous_, root_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace

TEST(SizeText, HalfAKilobyteGoesUpAndTinyFilesShowOne) {
    EXPECT_EQ(sizeText(0), "0 KB");
    EXPECT_EQ(sizeText(1), "1 KB");
    EXPECT_EQ(sizeText(1535), "1 KB");
    EXPECT_EQ(sizeText(1536), "2 KB");
    EXPECT_EQ(sizeText(5368709120LL), "5242880 KB") << "sizes are 64-bit";
}

TEST_F(PanesTest, LocalRowsCarryTheirColumnsAndDirectoriesShowNoSize) {
    file("index.html", 1536, at(2024, 3, 9, 14, 5, 33));
    file("empty.txt", 0);
    directory("images");
    window_->refreshLocal();
    EXPECT_EQ(window_->localFolder(), (root_ / "site").string() + "/");
    ASSERT_EQ(localNames(), (std::vector<std::string>{"images", "empty.txt", "index.html"}));
    EXPECT_EQ(localCell(0, 1), "");
    EXPECT_EQ(localCell(1, 1), "0 KB");
    EXPECT_EQ(localCell(2, 1), "2 KB");
    EXPECT_EQ(localCell(2, 3), "2024/03/09 14:05");
    EXPECT_EQ(window_->localModel().item(2).timeKey, 140533);
    EXPECT_FALSE(localCell(2, 2).isEmpty()) << "a type name from the desktop";
    EXPECT_EQ(window_->localModel().item(0).typeName,
              window_->fileTypeCache().folderType().typeName);
}

TEST_F(PanesTest, HiddenFilesAreListedAndDotEntriesAreNot) {
    file(".htaccess", 10);
    window_->refreshLocal();
    EXPECT_EQ(localNames(), std::vector<std::string>{".htaccess"});
}

TEST_F(PanesTest, SortRulesAndColumnClicks) {
    file("b.txt", 300, at(2024, 1, 2, 10, 0, 5));
    file("A.txt", 100, at(2024, 1, 2, 10, 0, 50));
    file("c.TXT", 200, at(2024, 1, 1, 9, 0, 0));
    directory("zdir");
    directory("Adir");
    window_->refreshLocal();
    // A refresh sorts by name, case-insensitively, directories first.
    EXPECT_EQ(localNames(), (std::vector<std::string>{"Adir", "zdir", "A.txt", "b.txt", "c.TXT"}));

    auto* header = window_->localList().detailsView()->header();
    // First click on the size column: smallest first; directories still first.
    emit header->sectionClicked(1);
    EXPECT_EQ(localNames(), (std::vector<std::string>{"Adir", "zdir", "A.txt", "c.TXT", "b.txt"}));
    emit header->sectionClicked(1);
    EXPECT_EQ(localNames(), (std::vector<std::string>{"Adir", "zdir", "b.txt", "c.TXT", "A.txt"}));

    // Names: the first click gives the greatest first; directories stay first.
    emit header->sectionClicked(0);
    EXPECT_EQ(localNames(), (std::vector<std::string>{"zdir", "Adir", "c.TXT", "b.txt", "A.txt"}));

    // Dates: equal minutes fall back on the seconds.
    window_->sortList(MainWindow::LocalSide, 3, 0);
    std::vector<std::string> byDate = localNames();
    EXPECT_EQ(std::vector<std::string>(byDate.begin() + 2, byDate.end()),
              (std::vector<std::string>{"c.TXT", "b.txt", "A.txt"}));
    window_->sortList(MainWindow::LocalSide, 3, 1);
    byDate = localNames();
    EXPECT_EQ(std::vector<std::string>(byDate.begin() + 2, byDate.end()),
              (std::vector<std::string>{"A.txt", "b.txt", "c.TXT"}));

    // A refresh sorts by name again and keeps the click directions.
    window_->refreshLocal();
    EXPECT_EQ(localNames().front(), "Adir");
    emit header->sectionClicked(1);
    EXPECT_EQ(localNames()[2], "A.txt") << "the third click on the size column: smallest first";
}

TEST_F(PanesTest, RemoteRowsAndTheirPermissionColumn) {
    remote({{"index.html", 1536, "2024/03/09 14:05", false}, {"images", 0, "2024/01/01", true}});
    EXPECT_EQ(remoteNames(), (std::vector<std::string>{"images", "index.html"}));
    auto& model = window_->remoteModel();
    EXPECT_EQ(model.data(model.index(1, 1), Qt::DisplayRole).toString(), "2 KB");
    EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), "");
    EXPECT_EQ(model.item(0).entryType, ftp::EntryType::Directory);
    EXPECT_EQ(model.data(model.index(1, 4), Qt::DisplayRole).toString(), "")
        << "without a UNIX session the permission column stays empty";
    // Equal sizes sort stably, and the remote list has no seconds to fall back on.
    remote({{"b", 10, "2024/01/01 10:00", false}, {"a", 10, "2024/01/01 10:00", false}});
    window_->sortList(MainWindow::RemoteSide, 3, 0);
    EXPECT_EQ(remoteNames(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(PanesTest, DisplayModeRadiosSwitchBothLists) {
    window_->initialize();
    QTest::mouseClick(window_->control<QAbstractButton>(1053), Qt::LeftButton);
    EXPECT_EQ(window_->displayMode(), 1);
    EXPECT_EQ(window_->localList().mode(), FileListView::SmallIcons);
    EXPECT_EQ(window_->remoteList().mode(), FileListView::SmallIcons);
    EXPECT_EQ(window_->localList().currentView(), window_->localList().iconView());
    QTest::mouseClick(window_->control<QAbstractButton>(1054), Qt::LeftButton);
    EXPECT_EQ(window_->remoteList().iconView()->flow(), QListView::TopToBottom);
    QTest::mouseClick(window_->control<QAbstractButton>(1055), Qt::LeftButton);
    EXPECT_EQ(window_->localList().currentView(), window_->localList().detailsView());
    EXPECT_TRUE(window_->control<QAbstractButton>(1055)->isChecked());
    window_->applyDisplayMode(7);
    EXPECT_EQ(window_->displayMode(), 3) << "an unknown mode applies nothing";
}

TEST_F(PanesTest, TypeCacheRules) {
    FileTypeCache cache;
    const std::size_t start = cache.desktopQueries();
    // A directory named like a page is a folder, and does not poison the cache.
    auto folder = cache.lookupLocal("/x/", "pages.htm", true);
    EXPECT_EQ(folder.typeName, cache.folderType().typeName);
    auto page = cache.lookupLocal("/x/", "index.htm", false);
    EXPECT_NE(page.typeName, folder.typeName);
    cache.lookupLocal("/x/", "other.HTM", false);
    cache.lookupRemote("remote.htm");
    EXPECT_EQ(cache.desktopQueries() - start, 2u) << "one folder query, one for htm";
    EXPECT_EQ(cache.count(), 1u);
    // A file whose whole name has a type of its own does not give it to its extension.
    cache.lookupLocal("/x/", "CMakeLists.txt", false);
    EXPECT_EQ(cache.lookupRemote("robots.txt").typeName, cache.lookupRemote("notes.txt").typeName);
    EXPECT_EQ(cache.desktopQueries() - start, 3u);
    EXPECT_EQ(cache.count(), 2u);

    // exe, cur and ico are asked every time; names without an extension are not cached.
    cache.lookupRemote("setup.exe");
    cache.lookupRemote("setup.exe");
    cache.lookupLocal("/x/", "README", false);
    EXPECT_EQ(cache.desktopQueries() - start, 6u);
    EXPECT_EQ(cache.count(), 2u);

    // A full cache still answers, asking each time for the extensions it could not keep.
    for (std::size_t i = 0; cache.count() < FileTypeCache::kCapacity; ++i)
        cache.lookupRemote("f." + std::to_string(i) + "x");
    const std::size_t full = cache.desktopQueries();
    cache.lookupRemote("late.zzq");
    cache.lookupRemote("late.zzq");
    cache.lookupRemote("again.htm");
    EXPECT_EQ(cache.desktopQueries() - full, 2u);
    EXPECT_EQ(cache.count(), FileTypeCache::kCapacity);
}

TEST_F(PanesTest, RemoteTypeLookupNeverTouchesTheLocalDirectory) {
    window_->refreshLocal();
    remote({{"unknownthing.qqq", 5, "2024/01/01 10:00", false}, {"notes", 5, "2024/01/01", false}});
    EXPECT_TRUE(fs::is_empty(root_ / "site"));
}

TEST_F(PanesTest, ComparisonFiltersAgainstTheOtherPane) {
    file("index.html", 10, at(2000, 12, 7, 10, 31, 0));
    file("same.html", 10, at(2000, 12, 7, 10, 30, 0));
    file("older.html", 10, at(2000, 12, 7, 10, 29, 0));
    file("local-only.css", 10, at(2000, 12, 7, 10, 29, 0));
    remote({{"INDEX.HTML", 10, "2000/12/07 10:30", false},
            {"same.html", 10, "2000/12/07 10:30", false},
            {"older.html", 10, "2000/12/07 10:30", false},
            {"server-only.js", 10, "1999/05/03", false},
            {"day.txt", 10, "2000/12/07", false}});

    // The local keys: Ctrl+D works without a session, Ctrl+U needs one.
    QWidget* localView = window_->localList().currentView();
    QTest::keyClick(localView, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(localNames(), std::vector<std::string>{"local-only.css"});
    EXPECT_FALSE(window_->listingFilters().local.notOnOtherSide) << "a filter lasts one refresh";
    QTest::keyClick(localView, Qt::Key_F5);
    QTest::keyClick(localView, Qt::Key_U, Qt::ControlModifier);
    EXPECT_FALSE(window_->listingFilters().local.newer);
    EXPECT_EQ(localNames().size(), 4u);

    window_->listingFilters().local.newer = true;
    window_->refreshLocal();
    EXPECT_EQ(localNames(), std::vector<std::string>{"index.html"}) << "equal texts are not newer";

    window_->refreshLocal();
    EXPECT_EQ(localNames().size(), 4u);

    window_->listingFilters().remote.notOnOtherSide = true;
    remote({{"INDEX.HTML", 10, "2000/12/07 10:30", false},
            {"server-only.js", 10, "1999/05/03", false},
            {"older.html", 10, "2000/12/07 10:30", false}});
    EXPECT_EQ(remoteNames(), std::vector<std::string>{"server-only.js"});
    window_->listingFilters().remote.notOnOtherSide = false;
    window_->listingFilters().remote.newer = true;
    remote({{"INDEX.HTML", 10, "2000/12/07 10:30", false},
            {"same.html", 10, "2000/12/07 10:30", false},
            {"older.html", 10, "2000/12/07 10:30", false}});
    EXPECT_EQ(remoteNames(), std::vector<std::string>{"older.html"});

    // Both flags of a pane: the not-on-the-other-side filter wins. The other pane is
    // taken as it shows now, itself filtered down to older.html.
    window_->listingFilters().local.notOnOtherSide = true;
    window_->listingFilters().local.newer = true;
    window_->refreshLocal();
    EXPECT_EQ(localNames(),
              (std::vector<std::string>{"index.html", "local-only.css", "same.html"}));
}

TEST_F(PanesTest, TypedPathsWildcardsAndHistory) {
    file("sub/a.htm", 1);
    file("sub/b.HTM", 1);
    file("sub/c.css", 1);
    directory("sub/x.htm");
    window_->refreshLocal();
    const std::string site = window_->localFolder();

    window_->localPane().pathTyped(site + "sub/*.htm");
    EXPECT_EQ(window_->localFolder(), site + "sub/");
    EXPECT_EQ(localNames(), (std::vector<std::string>{"x.htm", "a.htm", "b.HTM"}));
    window_->refreshLocal();
    EXPECT_EQ(localNames().size(), 4u) << "the filter was used up";

    // Wildcards without a "/" are just a directory that does not exist: no filter.
    window_->localPane().pathTyped("*.htm");
    EXPECT_FALSE(window_->nameFilter().active);
    auto* combo = window_->control<QComboBox>(1031);
    EXPECT_EQ(combo->currentText().toStdString(), site + "sub/");

    // A path that cannot be entered leaves its filter for the next refresh of either pane.
    window_->localPane().pathTyped(site + "missing/*.css");
    EXPECT_TRUE(window_->nameFilter().active);
    EXPECT_EQ(window_->nameFilter().text, "*.css");
    window_->refreshLocal();
    EXPECT_EQ(localNames(), std::vector<std::string>{"c.css"});

    // History: one entry per directory; names differing only in case are two directories.
    const int entries = combo->count();
    ::chdir(site.c_str());
    window_->refreshLocal();
    EXPECT_EQ(combo->count(), entries);
    fs::create_directories(root_ / "SITE2");
    fs::create_directories(root_ / "site2");
    ::chdir((root_ / "SITE2").c_str());
    window_->refreshLocal();
    ::chdir((root_ / "site2").c_str());
    window_->refreshLocal();
    EXPECT_EQ(combo->count(), entries + 2);
    window_->refreshLocal();
    EXPECT_EQ(combo->count(), entries + 2);
}

TEST_F(PanesTest, SizesAndTimesShowWholeAndNamesTakeTheRoomLeft) {
    file("price-list-for-the-spring-season.html", 10, at(2026, 12, 8, 8, 45, 0));
    fs::resize_file(root_ / "site" / "price-list-for-the-spring-season.html", 12LL << 20);
    window_->initialize();
    remote({{"holiday-photos-2026.zip", 98765432, "2026/12/08 08:45", false}});
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    for (FileListView* list : {&window_->localList(), &window_->remoteList()}) {
        QTreeView* view = list->detailsView();
        const QFontMetrics metrics(view->font());
        for (int column : {1, 3})
            for (int row = 0; row < view->model()->rowCount(); ++row) {
                const QString text = view->model()->index(row, column).data().toString();
                EXPECT_GE(view->columnWidth(column), metrics.horizontalAdvance(text) + 8)
                    << text.toStdString();
            }
    }
    window_->resize(window_->width() + 600, window_->height());
    QApplication::processEvents();
    for (FileListView* list : {&window_->localList(), &window_->remoteList()}) {
        QTreeView* view = list->detailsView();
        int total = 0;
        for (int column = 0; column < view->header()->count(); ++column)
            total += view->columnWidth(column);
        EXPECT_EQ(total, view->viewport()->width()) << "the name column takes the room left";
        EXPECT_GE(view->columnWidth(0), 100);
    }
}

TEST_F(PanesTest, UnreadableDirectoryListsNothing) {
    file("secret/inside.txt", 1);
    const fs::path secret = root_ / "site" / "secret";
    EXPECT_EQ(window_->enumerateLocal(secret.string() + "/"), 1);
    EXPECT_EQ(localNames().size(), 1u);
    EXPECT_EQ(window_->enumerateLocal((root_ / "nowhere").string() + "/"), 0);
    EXPECT_TRUE(localNames().empty());
}

TEST_F(PanesTest, DriveComboSelectsTheMountThatHoldsThePath) {
    window_->refreshLocal();
    auto* drives = window_->control<DriveCombo>(1001);
    ASSERT_GT(drives->count(), 0);
    EXPECT_EQ(drives->rootAt(0), "/");
    EXPECT_GE(drives->currentIndex(), 0);
}

TEST(Mounts, TableIsReadAndKernelFileSystemsLeftOut) {
    const fs::path table = fs::temp_directory_path() / ("mounts-" + std::to_string(::getpid()));
    std::ofstream(table) << "/dev/sda1 / ext4 rw 0 0\n"
                            "proc /proc proc rw 0 0\n"
                            "tmpfs /run tmpfs rw 0 0\n"
                            "/dev/sdb1 /media/me/USB\\040STICK vfat rw 0 0\n"
                            "server:/export /mnt/share nfs4 rw 0 0\n"
                            "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
                            "/dev/sda2 /home ext4 rw 0 0\n";
    auto mounts = platform::listMountPoints(table.string());
    fs::remove(table);
    ASSERT_EQ(mounts.size(), 5u);
    EXPECT_EQ(mounts[1].path, "/media/me/USB STICK/");
    EXPECT_EQ(mounts[1].type, platform::DriveType::Removable);
    EXPECT_EQ(mounts[2].type, platform::DriveType::Network);
    EXPECT_EQ(mounts[3].type, platform::DriveType::Optical);
    EXPECT_EQ(platform::mountIndexOf("/home/me/site/", mounts), 4);
    EXPECT_EQ(platform::mountIndexOf("/homework/", mounts), 0);
    EXPECT_EQ(platform::mountIndexOf("relative/", mounts), -1);
}

TEST_F(PanesTest, ScreenshotsOfBothPanesInTheThreeModes) {
    for (const char* name : {"index.html", "about.html", "contact.html", "robots.txt", "logo.png",
                             "site.css", "menu.js", "favicon.ico"})
        file(name, 2400);
    directory("images");
    directory("blog");
    window_->initialize();
    remote({{"index.html", 812, "2024/03/01 09:12", false},
            {"old", 0, "2023/11/20", true},
            {"robots.txt", 24, "2024/02/11 18:40", false},
            {"images", 0, "2024/01/05 08:00", true},
            {"prices.pdf", 208000, "2022/06/30", false},
            {"feed.xml", 5100, "2024/03/01 09:12", false}});
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    QDir().mkpath(screenshotPath(""));
    for (int mode : {3, 2, 1}) {
        window_->applyDisplayMode(mode);
        QApplication::processEvents();
        EXPECT_TRUE(
            window_->grab().save(screenshotPath(QStringLiteral("panes_mode%1.png").arg(mode))));
    }
}
