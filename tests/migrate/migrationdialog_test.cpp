// The migration dialog: its initial state from the probes and the switch, OK and Cancel,
// the About box, and screenshots.
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "aboutdialog.h"
#include "migrationapp.h"
#include "migrationdialog.h"
#include "migtexts.h"
#include "previousedition.h"
#include "profilestore.h"

using namespace previousedition;

namespace {

const QString kDeletionNote =
    "Application data used by the previous Lumora is found."
    "  You can delete the data, because the previous Lumora has already been deleted from your PC."
    "  Unless you have a plan to use the data for later migration, it is recommended that you "
    "delete it."
    "  Before you delete the data by clicking the OK button, copy the necessary files in the "
    "following folders to another folder:";

QCheckBox* checkBox(MigrationDialog& dialog, int id) {
    auto* box = qobject_cast<QCheckBox*>(dialog.control(id));
    EXPECT_NE(box, nullptr) << id;
    return box;
}

void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
}

// A run of tsymig inside the test, with the dialog handed to the test once it is on
// screen; the test's answer ends it.
class DialogRun : public ::testing::Test {
protected:
    int run(const std::vector<std::string>& arguments,
            const std::function<void(MigrationDialog&)>& answer) {
        MigrationApp::Environment environment;
        environment.programFolder = MIG_TEXTS_DIR;
        environment.runDialog = [&](MigrationDialog& dialog) {
            dialogShown_ = true;
            dialog.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            answer(dialog);
            return dialog.result();
        };
        MigrationApp app(arguments, environment);
        if (!app.start()) return app.exitCode();
        return app.runDialog();
    }
    std::string settingsBytes() { return readFile(config_.dir() + "/user.settings"); }

    ScratchConfig config_;
    const std::string old_ = config_.root() + "/old";
    bool dialogShown_ = false;
};

TEST_F(DialogRun, AfterAMigrationOnlyTheFoldersAreOfferedAndCancelChangesNothing) {
    buildSiteDatabase(old_);
    userKey(migration::kOldOptionsKey).SetValueDWORD("fontSize", 12);
    const std::string before = settingsBytes();
    const int code = run({"-m1"}, [&](MigrationDialog& dialog) {
        QCheckBox* earlier = checkBox(dialog, 1000);
        QCheckBox* sites = checkBox(dialog, 1001);
        QCheckBox* options = checkBox(dialog, 1002);
        EXPECT_FALSE(earlier->isVisible());
        EXPECT_FALSE(earlier->isChecked());
        EXPECT_TRUE(sites->isEnabled());
        EXPECT_FALSE(sites->isChecked());
        EXPECT_TRUE(options->isEnabled());
        EXPECT_FALSE(options->isChecked());
        EXPECT_TRUE(dialog.control(1012)->isEnabled());
        EXPECT_TRUE(dialog.control(1013)->isEnabled());
        EXPECT_TRUE(checkBox(dialog, 1003)->isChecked());
        EXPECT_TRUE(checkBox(dialog, 1006)->isChecked());
        EXPECT_TRUE(checkBox(dialog, 1006)->isEnabled());
        EXPECT_TRUE(dialog.control(1007)->isEnabled());
        EXPECT_TRUE(dialog.control(1014)->isEnabled());
        EXPECT_EQ(qobject_cast<QPlainTextEdit*>(dialog.control(1014))->toPlainText(),
                  kDeletionNote);
        EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(dialog.control(1014))->isReadOnly());
        EXPECT_EQ(qobject_cast<QLabel*>(dialog.control(1008))->text().toStdString(), old_);
        for (int id = 1009; id <= 1011; ++id)
            EXPECT_EQ(qobject_cast<QLabel*>(dialog.control(id))->text(), "") << id;
        // The site check box stands where the hidden one would, right below the text.
        QWidget* text = dialog.control(1013);
        EXPECT_LT(sites->y() - (text->y() + text->height()), earlier->sizeHint().height());
        EXPECT_LT(sites->y(), options->y());
        click(dialog.control(2));
    });
    EXPECT_TRUE(dialogShown_);
    EXPECT_EQ(code, migration::kOfferAgain);
    EXPECT_EQ(settingsBytes(), before);
    EXPECT_TRUE(std::filesystem::exists(old_));
}

TEST_F(DialogRun, ATrailingSwitchWithoutItsCharacterCountsAsNone) {
    buildSiteDatabase(old_);
    setInstallFolder("/opt/lumora");  // still installed: its folder is not offered

    // "-m1": nothing left but data that was offered before: no dialog.
    EXPECT_EQ(run({"-m1"}, [](MigrationDialog&) { FAIL() << "no dialog expected"; }),
              migration::kNothingLeft);
    EXPECT_FALSE(dialogShown_);

    const int code = run({"-m"}, [&](MigrationDialog& dialog) {
        EXPECT_TRUE(checkBox(dialog, 1001)->isChecked());
        EXPECT_TRUE(checkBox(dialog, 1002)->isChecked());
        EXPECT_FALSE(checkBox(dialog, 1006)->isChecked());
        EXPECT_FALSE(checkBox(dialog, 1006)->isEnabled());
        EXPECT_FALSE(dialog.control(1007)->isEnabled());
        EXPECT_FALSE(dialog.control(1014)->isEnabled());
        // Untick everything and leave "never show again" ticked: nothing changes.
        click(checkBox(dialog, 1001));
        click(checkBox(dialog, 1002));
        EXPECT_FALSE(checkBox(dialog, 1001)->isChecked());
        EXPECT_FALSE(checkBox(dialog, 1002)->isChecked());
        click(dialog.control(1));
    });
    EXPECT_TRUE(dialogShown_);
    EXPECT_EQ(code, migration::kNothingLeft);
    EXPECT_FALSE(currentKey(tsy::CTscCommon::getHKCUTsypageSite()).Exists());
    EXPECT_FALSE(currentKey(tsy::CTscCommon::getHKCUTsypageOptions()).Exists());
}

TEST_F(DialogRun, OkWithoutNeverShowAgainDoesTheWorkAndOffersAgain) {
    buildSiteDatabase(old_);
    const int code = run({"-m0"}, [&](MigrationDialog& dialog) {
        EXPECT_TRUE(checkBox(dialog, 1001)->isChecked());
        click(checkBox(dialog, 1003));
        EXPECT_FALSE(checkBox(dialog, 1003)->isChecked());
        click(checkBox(dialog, 1006));  // keep the folder
        click(dialog.control(1));
    });
    EXPECT_EQ(code, migration::kOfferAgain);
    tsy::SiteMgr50 current;
    ASSERT_EQ(session::openSiteDatabase(current), 0);
    EXPECT_GE(current.ServProfGetID("old-server"), 0);
    EXPECT_TRUE(std::filesystem::exists(old_));
}

TEST_F(DialogRun, OkDeletesTheTickedFolders) {
    buildSiteDatabase(old_);
    const int code = run({"-m1"}, [&](MigrationDialog& dialog) { click(dialog.control(1)); });
    EXPECT_EQ(code, migration::kNothingLeft);
    EXPECT_FALSE(std::filesystem::exists(old_));
}

TEST(MigrationDialog, OnlyOptionSettings) {
    MigTexts texts;
    migration::Probes probes;
    probes.oldSettingsFound = true;
    MigrationDialog dialog(probes, false);
    EXPECT_FALSE(checkBox(dialog, 1001)->isEnabled());
    EXPECT_FALSE(checkBox(dialog, 1001)->isChecked());
    EXPECT_TRUE(checkBox(dialog, 1002)->isEnabled());
    EXPECT_TRUE(checkBox(dialog, 1002)->isChecked());
    EXPECT_TRUE(dialog.control(1012)->isEnabled());
    const migration::Choices choices = dialog.choices();
    EXPECT_FALSE(choices.siteAndServerSettings);
    EXPECT_TRUE(choices.optionSettings);
    EXPECT_TRUE(choices.neverShowAgain);
    EXPECT_FALSE(choices.deleteFolders);
}

TEST(MigrationDialog, OnlyFoldersDisablesTheMigrationPart) {
    MigTexts texts;
    migration::Probes probes;
    probes.deletableFolders = {"/srv/old", "/srv/older"};
    MigrationDialog dialog(probes, true);
    EXPECT_FALSE(dialog.control(1012)->isEnabled());
    EXPECT_FALSE(dialog.control(1013)->isEnabled());
    EXPECT_FALSE(checkBox(dialog, 1001)->isEnabled());
    EXPECT_FALSE(checkBox(dialog, 1002)->isEnabled());
    EXPECT_EQ(qobject_cast<QLabel*>(dialog.control(1009))->text(), "/srv/older");
    EXPECT_TRUE(dialog.choices().deleteFolders);
}

// Closes the modal dialog that is about to open, noting what it showed.
void closeNextModal(QString& seen) {
    QTimer::singleShot(0, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        seen = modal->objectName();
        if (auto* version = modal->findChild<QLabel*>("9002")) seen += " " + version->text();
        click(modal->findChild<QPushButton*>("1"));
    });
}

TEST(MigrationDialog, TheAboutButtonOpensTheAboutBox) {
    MigTexts texts;
    MigrationDialog dialog(migration::Probes{}, false);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* about = dialog.findChild<QPushButton*>("about");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), "tsymig 版本信息(&A)...");
    QString seen;
    closeNextModal(seen);
    click(about);
    EXPECT_EQ(seen, "100 Version 5.0.0");
}

void saveScreenshot(QWidget& widget, const QString& name) {
    QDir().mkpath(SCREENSHOT_DIR);
    const QPixmap picture = widget.grab();
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.save(QStringLiteral(SCREENSHOT_DIR "/") + name));
}

TEST(MigrationDialogScreenshot, ChineseEnglishAndAbout) {
    for (auto language : {MigTexts::Language::Chinese, MigTexts::Language::English}) {
        MigTexts texts(language);
        migration::Probes probes;
        probes.oldSiteDataFound = true;
        probes.oldSettingsFound = true;
        probes.deletableFolders = {"/home/ann/Lumora",
                                   "/home/ann/documents/a rather long folder name/of an older "
                                   "edition of the suite/that keeps going/Lumora"};
        MigrationDialog dialog(probes, false);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        const QString suffix = language == MigTexts::Language::Chinese ? "zh" : "en";
        saveScreenshot(dialog, "tsymig_" + suffix + ".png");
        AboutDialog about(&dialog);
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        saveScreenshot(about, "tsymig_about_" + suffix + ".png");
    }
}

}  // namespace
