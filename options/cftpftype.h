#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;

namespace platform {
class Prompts;
}
namespace tsy {
class SiteMgr50;
}

namespace options {

class CProfilePage;
class SortedListBox;

// The second page of the options sheet: the extensions that travel as text in automatic
// mode, for the profile named on the profile page.
class CFtpFtype : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDialogId = 144;
    // Controls.
    static constexpr int kEntry = 1041, kAdd = 1056, kList = 1055, kRemove = 1057, kReset = 1043;
    // The longest extension accepted: lists written by earlier editions were read back
    // into buffers of this size, so a longer one would not survive there.
    static constexpr int kLongestExtension = 31;

    CFtpFtype(tsy::SiteMgr50& db, platform::Prompts& prompts, CProfilePage& profilePage,
              QWidget* parent = nullptr);

    // The page becomes the visible one: the list is loaded on the first display and again
    // when the profile page has selected another profile since.
    void activate();
    bool shown() const { return shown_; }
    // The page's part of OK: stores the list for the profile the profile page names.
    bool apply();

    void addEntry();
    void removeEntry();
    void resetList();

    std::vector<std::string> entries() const;
    // The stored form of the list: ':' and every entry followed by ':'.
    std::string storedForm() const;

    // The extensions of a working list (each followed by ':'), in their order; text after
    // the last ':' is not an entry.
    static std::vector<std::string> splitList(const std::string& working);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadList();
    void fillList(const std::string& working);

    tsy::SiteMgr50& db_;
    platform::Prompts& prompts_;
    CProfilePage& profilePage_;
    bool shown_ = false;
    std::string working_;  // the list as last loaded, without the leading ':'

    QLineEdit* entryEdit_ = nullptr;
    QPushButton* addButton_ = nullptr;
    SortedListBox* list_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* resetButton_ = nullptr;
};

}  // namespace options
