// How long the list panes take to fill: a local refresh of a directory of 100,000 files
// and the insertion of a 100,000-entry remote listing, details view, sorted by name.
// Also counts how often the desktop was asked for file types.
//   panesbench [files]
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "builtintexts.h"
#include "filetypes.h"
#include "mainwindow.h"
#include "resourcelanguagemodule.h"
#include "uitexts.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    useDesktopIconTheme();
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const char* extensions[] = {"html", "htm", "css", "js",  "png",
                                "jpg",  "gif", "txt", "xml", "pdf"};

    platform::ResourceLanguageModule texts("ftp", platform::TextTable::parse(builtinTexts()), ".");
    uitexts::install(&texts);

    const fs::path dir = fs::temp_directory_path() / ("panesbench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (int i = 0; i < files; ++i) {
        std::ofstream(dir / ("page" + std::to_string(i) + "." + extensions[i % 10])) << "x";
    }
    const auto previous = fs::current_path();
    fs::current_path(dir);

    MainWindow window;
    window.applyDisplayMode(3);
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();

    const std::size_t queriesBefore = window.fileTypeCache().desktopQueries();
    QElapsedTimer timer;
    timer.start();
    window.refreshLocal();
    QApplication::processEvents();
    const double localMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const std::size_t localQueries = window.fileTypeCache().desktopQueries() - queriesBefore;

    const std::size_t remoteBefore = window.fileTypeCache().desktopQueries();
    timer.restart();
    auto& model = window.remoteModel();
    model.beginFill();
    for (int i = 0; i < files; ++i)
        window.insertRemoteItem(i, "remote" + std::to_string(i) + "." + extensions[i % 10],
                                4096 + i, "2024/03/01 09:12", "-rw-r--r--", ftp::EntryType::File,
                                false);
    window.sortList(MainWindow::RemoteSide, 0, 0);
    model.endFill();
    QApplication::processEvents();
    const double remoteMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const std::size_t remoteQueries = window.fileTypeCache().desktopQueries() - remoteBefore;

    std::printf("local refresh of %d files:      %8.1f ms  (%zu desktop type queries)\n", files,
                localMs, localQueries);
    std::printf("remote insertion of %d entries: %8.1f ms  (%zu desktop type queries)\n", files,
                remoteMs, remoteQueries);
    window.hide();
    fs::current_path(previous);
    fs::remove_all(dir);
    uitexts::install(nullptr);
    return 0;
}
