#pragma once

#include <QDialog>
#include <string>

class QDialogButtonBox;
class QTabWidget;

namespace platform {
class Prompts;
}
namespace tsy {
class SiteMgr50;
}

namespace options {

class CAdvancedPage;
class CFtpFtype;
class CProfilePage;

// The options sheet: the profile page, the automatic-mode page and the advanced page in
// tabs, with OK and Cancel. Each run starts fresh; the profile page's first display
// happens when the sheet is first shown.
class CFtpOptSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCaption = 1237;
    enum Page { ProfilePage = 0, ExtensionPage = 1, AdvancedPage = 2 };

    CFtpOptSheet(tsy::SiteMgr50& db, platform::Prompts& prompts, std::string currentProfileName,
                 QWidget* parent = nullptr);
    ~CFtpOptSheet() override;

    CProfilePage& profilePage() { return *profilePage_; }
    QTabWidget& tabs() { return *tabs_; }
    // Switches pages as a click on a tab does (the page left may refuse).
    void showPage(Page page);
    Page currentPage() const;

public slots:
    // OK: the pages save in tab order, each only if it has been shown; a page that
    // refuses keeps the sheet open.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void pageChanged(int index);
    bool leavePage(int index);
    void activatePage(int index);

    std::string currentProfileName_;
    QTabWidget* tabs_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    CProfilePage* profilePage_ = nullptr;
    CFtpFtype* extensionPage_ = nullptr;
    CAdvancedPage* advancedPage_ = nullptr;
    int activeIndex_ = -1;
    bool reverting_ = false;
};

}  // namespace options
