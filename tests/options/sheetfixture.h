#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "cadvancedpage.h"
#include "cftpftype.h"
#include "cftpoptsheet.h"
#include "cprofilepage.h"
#include "profilestore.h"
#include "scratchconfig.h"
#include "scriptedprompts.h"
#include "sitemgr50.h"
#include "sitestrings.h"
#include "uitestfixture.h"

// A site database in a scratch configuration folder, the sheet's texts and scripted
// prompts; the sheet is opened over them as the main window opens it.
class SheetTest : public ::testing::Test {
protected:
    using Sheet = options::CFtpOptSheet;

    void SetUp() override { ASSERT_GE(session::openSiteDatabase(db_), 0); }

    // A complete profile, stored.
    session::ServerProfile store(const std::string& name, const std::string& host = "127.0.0.1",
                                 const std::string& user = "ann") {
        session::ServerProfile p;
        p.name = name;
        p.host = host;
        p.user = user;
        p.password = "secret";
        p.initialDirMode = 1;
        EXPECT_EQ(session::saveProfile(db_, p), 1);
        return p;
    }

    Sheet& open(const std::string& currentProfileName) {
        sheet_ = std::make_unique<Sheet>(db_, prompts_, currentProfileName);
        current_ = sheet_.get();
        sheet_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet_.get()));
        sheet_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(sheet_.get()));
        return *sheet_;
    }

    template <typename T = QWidget>
    T* control(int id) {
        T* found = current_->findChild<T*>(QString::number(id));
        EXPECT_NE(found, nullptr) << "control " << id;
        return found;
    }
    QLineEdit* edit(int id) { return control<QLineEdit>(id); }
    void click(int id) { QTest::mouseClick(control<QPushButton>(id), Qt::LeftButton); }
    // Replaces an edit's text as the user does: select all, then type.
    void type(int id, const QString& text) {
        QLineEdit* field = edit(id);
        field->setFocus();
        field->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(field, Qt::Key_Delete);
        } else {
            QTest::keyClicks(field, text);
        }
    }
    void selectProfile(const std::string& name) {
        auto* list = control<QListWidget>(options::CProfilePage::kProfiles);
        const auto found = list->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name;
        list->setCurrentItem(found.front());
    }
    std::vector<std::string> listed(int id) {
        std::vector<std::string> names;
        auto* list = control<QListWidget>(id);
        for (int i = 0; i < list->count(); ++i)
            names.push_back(list->item(i)->text().toStdString());
        return names;
    }
    // OK as the user presses it: true when the sheet closed.
    bool pressOk() {
        click(1);
        return current_->result() == QDialog::Accepted && !current_->isVisible();
    }
    void pressCancel() { click(2); }

    std::vector<std::string> storedNames() {
        return tsy::enumNames(db_, &tsy::SiteMgr50::EnumServProf);
    }
    tsy::ServProfInfo stored(const std::string& name) {
        tsy::ServProfInfo info;
        EXPECT_GE(db_.GetServProfInfo(name, info), 0) << name;
        return info;
    }
    std::optional<std::string> storedSuffixes(const std::string& name) {
        return stored(name).asciiSuffix;
    }
    void storeSuffixes(const std::string& name, const std::string& text) {
        ASSERT_GE(db_.SetServProfAsciiSuffix(db_.ServProfGetID(name), text), 0);
    }

    ScratchConfig config_;
    tsy::SiteMgr50 db_;
    UiTexts texts_;
    testsupport::ScriptedPrompts prompts_;
    std::unique_ptr<Sheet> sheet_;
    Sheet* current_ = nullptr;  // the sheet the helpers work on
};
