#include "cftpoptsheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "cadvancedpage.h"
#include "cftpftype.h"
#include "cprofilepage.h"
#include "qtprompts.h"
#include "uitexts.h"

namespace options {
namespace {
constexpr int kOkButton = 1, kCancelButton = 2;
}  // namespace

CFtpOptSheet::CFtpOptSheet(tsy::SiteMgr50& db, platform::Prompts& prompts,
                           std::string currentProfileName, QWidget* parent)
    : QDialog(parent), currentProfileName_(std::move(currentProfileName)) {
    setObjectName(QStringLiteral("CFtpOptSheet"));
    setWindowTitle(uitexts::text(kCaption));

    tabs_ = new QTabWidget(this);
    profilePage_ = new CProfilePage(db, prompts, tabs_);
    extensionPage_ = new CFtpFtype(db, prompts, *profilePage_, tabs_);
    advancedPage_ = new CAdvancedPage(db, prompts, *profilePage_, tabs_);
    for (QWidget* page :
         {static_cast<QWidget*>(profilePage_), static_cast<QWidget*>(extensionPage_),
          static_cast<QWidget*>(advancedPage_)})
        tabs_->addTab(page, page->windowTitle());

    buttons_ = new QDialogButtonBox(this);
    QPushButton* ok =
        buttons_->addButton(messageButtonText(kOkButton), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QString::number(kOkButton));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons_->addButton(messageButtonText(kCancelButton), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QString::number(kCancelButton));
    connect(buttons_, &QDialogButtonBox::accepted, this, &CFtpOptSheet::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &CFtpOptSheet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons_);

    connect(tabs_, &QTabWidget::currentChanged, this, &CFtpOptSheet::pageChanged);
    connect(profilePage_, &CProfilePage::recordLoaded, this, [this] {
        if (advancedPage_->shown()) advancedPage_->reload();
    });
    connect(profilePage_, &CProfilePage::activationRequested, this,
            [this] { showPage(ProfilePage); });
}

CFtpOptSheet::~CFtpOptSheet() = default;

void CFtpOptSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activeIndex_ < 0) activatePage(tabs_->currentIndex());
}

void CFtpOptSheet::showPage(Page page) {
    tabs_->setCurrentIndex(page);
}

CFtpOptSheet::Page CFtpOptSheet::currentPage() const {
    return static_cast<Page>(tabs_->currentIndex());
}

void CFtpOptSheet::activatePage(int index) {
    activeIndex_ = index;
    switch (index) {
        case ProfilePage:
            if (!profilePage_->displayed()) profilePage_->firstDisplay(currentProfileName_);
            break;
        case ExtensionPage:
            extensionPage_->activate();
            break;
        case AdvancedPage:
            advancedPage_->activate();
            break;
    }
}

bool CFtpOptSheet::leavePage(int index) {
    return index != AdvancedPage || advancedPage_->leave();
}

void CFtpOptSheet::pageChanged(int index) {
    if (reverting_ || activeIndex_ < 0) return;
    if (!leavePage(activeIndex_)) {
        // The page left holds a value it cannot take: it stays the visible one.
        reverting_ = true;
        tabs_->setCurrentIndex(activeIndex_);
        reverting_ = false;
        advancedPage_->focusPort();
        return;
    }
    activatePage(index);
}

void CFtpOptSheet::accept() {
    if (activeIndex_ >= 0 && !leavePage(activeIndex_)) {
        advancedPage_->focusPort();
        return;
    }
    if (!profilePage_->apply()) return;
    if (!extensionPage_->apply()) return;
    if (!advancedPage_->apply()) return;
    QDialog::accept();
}

}  // namespace options
