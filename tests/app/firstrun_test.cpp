// A first run from an empty configuration: the options sheet opens by itself, a profile
// is created in it, and Connect fills the remote pane.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "connecttestfixture.h"

using testsupport::DataStep;
using testsupport::ScriptedFtpServer;

namespace {

template <typename T>
T* in(QWidget* sheet, int id) {
    return sheet->findChild<T*>(QString::number(id));
}

void type(QWidget* sheet, int id, const QString& text) {
    QLineEdit* field = in<QLineEdit>(sheet, id);
    ASSERT_NE(field, nullptr) << id;
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

}  // namespace

TEST_F(ConnectTest, FirstRunLeadsThroughTheOptionsSheetToAListing) {
    ScriptedFtpServer server;
    server.expectLogin("alice");
    server.expect("PWD", "257 \"/home/alice\"\r\n").expect("site IDLE 7200", "200 OK\r\n");
    server.expect("NOOP", "200 OK\r\n").expect("PWD", "257 \"/home/alice\"\r\n").expectPasv();
    server.expectSendData("LIST -la",
                          DataStep{.data = "-rw-r--r-- 1 a b 12 Mar  1 09:12 index.html\r\n"});
    server.start();

    window_ = std::make_unique<MainWindow>(MainWindow::Context{&db_, "", ""});
    window_->setPrompts(&prompts_);
    ASSERT_TRUE(window_->initialize());
    window_->show();

    // The sheet is modal: it is filled in from the event loop once it shows.
    bool filled = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* sheet = QApplication::activeModalWidget();
        if (!sheet || sheet->objectName() != "CFtpOptSheet" || filled) return;
        filled = true;
        type(sheet, 1045, "My site");
        type(sheet, 1036, "127.0.0.1");
        type(sheet, 1038, "alice");
        type(sheet, 1040, "pw");
        auto* tabs = sheet->findChild<QTabWidget*>();
        tabs->setCurrentIndex(tabs->count() - 1);
        QApplication::processEvents();
        in<QCheckBox>(sheet, 1064)->setChecked(true);
        // The scripted server speaks plain FTP: the user says so (new profiles require TLS).
        auto* encryption = in<QComboBox>(sheet, 1343);
        encryption->setCurrentIndex(encryption->findData(session::kPlainFtp));
        type(sheet, 1065, QString::number(server.port()));
        QTest::mouseClick(in<QPushButton>(sheet, 1), Qt::LeftButton);
    });
    driver.start(50);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return filled && !QApplication::activeModalWidget(); }, 10000));
    driver.stop();

    session::ServerProfile stored;
    ASSERT_EQ(session::loadProfile(db_, "My site", stored), 1);
    EXPECT_EQ(stored.port, server.port());
    EXPECT_EQ(stored.encryption, session::kPlainFtp);
    EXPECT_EQ(window_->currentProfile().name, "My site");
    EXPECT_EQ(window_->control<QComboBox>(1000)->currentText(), "My site");

    ASSERT_TRUE(connect());
    EXPECT_EQ(remoteNames(), std::vector<std::string>{"index.html"});
    EXPECT_TRUE(server.mismatches().empty()) << ::testing::PrintToString(server.commands());
}
