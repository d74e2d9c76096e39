#pragma once

#include <QWidget>
#include <string>

#include "serverprofile.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace platform {
class Prompts;
}
namespace tsy {
class SiteMgr50;
}

namespace options {

class SortedListBox;

// The first page of the options sheet: creates, edits, selects and deletes server
// profiles. It holds the working copy of the profile that the other pages edit too.
class CProfilePage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDialogId = 116;
    // Controls.
    static constexpr int kName = 1045, kHost = 1036, kUser = 1038, kPassword = 1040;
    static constexpr int kMode = 1058, kDirectory = 1059, kProfiles = 1042;
    static constexpr int kNew = 1047, kDelete = 1044;
    // Texts.
    static constexpr int kDeleteQuestion = 1233, kNewName = 1235, kMissingEntries = 1236;
    static constexpr int kModeTexts = 1266;  // 1266 default, 1267 last used, 1268 specified
    static constexpr int kSpecifiedDirectory = 2;

    CProfilePage(tsy::SiteMgr50& db, platform::Prompts& prompts, QWidget* parent = nullptr);

    // Fills the lists and shows the named profile, or the New state when it is empty or
    // not stored.
    void firstDisplay(const std::string& currentProfileName);
    bool displayed() const { return displayed_; }

    // The page's part of OK: checks the entries (message and focus when they are
    // incomplete) and saves the profile. False keeps the sheet open on this page.
    bool apply();

    // What the other pages share.
    session::ServerProfile& record() { return record_; }
    std::string profileName() const;
    bool selectionChanged() const { return selectionChanged_; }
    void clearSelectionChanged() { selectionChanged_ = false; }

    bool fieldsChanged() const { return fieldsChanged_; }
    bool profileDeleted() const { return profileDeleted_; }
    // Whether a profile was deleted at any time in this run (the flag above is cleared
    // by OK; a deletion stays done whatever closes the sheet).
    bool deletedInRun() const { return deletedInRun_; }
    int mode() const { return mode_; }

    // Buttons and list, as the user drives them.
    void selectProfileRow(int row);
    void newProfile();
    void deleteProfile();
    void chooseMode(int mode);

signals:
    // Another profile was loaded into the record: pages that show it reload.
    void recordLoaded();
    // The page wants to be the visible one (its entries are refused).
    void activationRequested();

private:
    void fillProfileList();
    void showValues();
    void takeValues();
    void enableDirectory();
    void markChanged() { fieldsChanged_ = true; }

    tsy::SiteMgr50& db_;
    platform::Prompts& prompts_;
    session::ServerProfile record_;

    // Values of the controls.
    std::string name_, host_, user_, password_, directory_;
    int mode_ = -1;

    bool displayed_ = false;
    bool fieldsChanged_ = false;
    bool profileDeleted_ = false;
    bool selectionChanged_ = false;
    bool deletedInRun_ = false;
    bool showingValues_ = false;  // selection changes made by the page itself

    QLineEdit* nameEdit_ = nullptr;
    QLineEdit* hostEdit_ = nullptr;
    QLineEdit* userEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QComboBox* modeList_ = nullptr;
    QLineEdit* directoryEdit_ = nullptr;
    SortedListBox* profiles_ = nullptr;
    QPushButton* newButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
};

}  // namespace options
