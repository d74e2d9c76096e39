#include "cprofilepage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "profilestore.h"
#include "prompts.h"
#include "sheetmessages.h"
#include "sitemgr50.h"
#include "sitestrings.h"
#include "sortedlistbox.h"
#include "textfields.h"
#include "uitexts.h"

namespace options {
namespace {

QString text(int control) {
    return uitexts::dialogText(CProfilePage::kDialogId, control);
}

QLineEdit* makeEdit(QWidget* parent, int id) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::number(id));
    return edit;
}

}  // namespace

CProfilePage::CProfilePage(tsy::SiteMgr50& db, platform::Prompts& prompts, QWidget* parent)
    : QWidget(parent), db_(db), prompts_(prompts) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(uitexts::caption(kDialogId));

    nameEdit_ = makeEdit(this, kName);
    hostEdit_ = makeEdit(this, kHost);
    userEdit_ = makeEdit(this, kUser);
    passwordEdit_ = makeEdit(this, kPassword);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    modeList_ = new QComboBox(this);
    modeList_->setObjectName(QString::number(kMode));
    directoryEdit_ = makeEdit(this, kDirectory);
    profiles_ = new SortedListBox(this);
    profiles_->setObjectName(QString::number(kProfiles));
    newButton_ = new QPushButton(text(kNew), this);
    newButton_->setObjectName(QString::number(kNew));
    newButton_->setAutoDefault(false);
    deleteButton_ = new QPushButton(text(kDelete), this);
    deleteButton_->setObjectName(QString::number(kDelete));
    deleteButton_->setAutoDefault(false);

    auto* nameGroup = new QGroupBox(text(kName), this);
    auto* nameLayout = new QVBoxLayout(nameGroup);
    nameLayout->addWidget(nameEdit_);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (QLineEdit* edit : {hostEdit_, userEdit_, passwordEdit_}) {
        const int id = edit->objectName().toInt();
        auto* label = new QLabel(text(id), this);
        label->setBuddy(edit);
        form->addRow(label, edit);
    }

    auto* modeGroup = new QGroupBox(text(kMode), this);
    auto* modeLayout = new QVBoxLayout(modeGroup);
    modeLayout->addWidget(modeList_);
    modeLayout->addWidget(directoryEdit_);

    auto* left = new QVBoxLayout;
    left->addWidget(nameGroup);
    left->addLayout(form);
    left->addWidget(modeGroup);
    left->addStretch();

    auto* listGroup = new QGroupBox(text(kProfiles), this);
    auto* listLayout = new QVBoxLayout(listGroup);
    listLayout->addWidget(profiles_, 1);
    listLayout->addWidget(newButton_);
    listLayout->addWidget(deleteButton_);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addWidget(listGroup, 2);

    for (QLineEdit* edit : {nameEdit_, hostEdit_, userEdit_, passwordEdit_})
        connect(edit, &QLineEdit::textChanged, this, [this] { markChanged(); });
    connect(profiles_, &QListWidget::itemSelectionChanged, this, [this] {
        const int row = profiles_->selectedRow();
        if (row >= 0 && !showingValues_) selectProfileRow(row);
    });
    connect(modeList_, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { chooseMode(index); });
    connect(newButton_, &QPushButton::clicked, this, &CProfilePage::newProfile);
    connect(deleteButton_, &QPushButton::clicked, this, &CProfilePage::deleteProfile);
}

void CProfilePage::firstDisplay(const std::string& currentProfileName) {
    displayed_ = true;
    modeList_->clear();
    for (int i = 0; i < 3; ++i)
        modeList_->addItem(uitexts::text(kModeTexts + i));
    fillProfileList();
    // The main window names its profile rather than its combo index: a combo still
    // listing a profile deleted in an earlier run would otherwise point one entry off.
    const int row = currentProfileName.empty() ? -1 : profiles_->findExact(currentProfileName);
    if (row >= 0) {
        selectProfileRow(row);
    } else {
        newProfile();
    }
}

void CProfilePage::fillProfileList() {
    profiles_->clear();
    for (const std::string& name : tsy::enumNames(db_, &tsy::SiteMgr50::EnumServProf))
        profiles_->addSorted(name);
}

void CProfilePage::selectProfileRow(int row) {
    if (row < 0 || row >= profiles_->count()) return;
    if (profiles_->selectedRow() != row) {
        showingValues_ = true;
        profiles_->setCurrentRow(row);
        showingValues_ = false;
    }
    selectionChanged_ = true;
    if (session::loadProfile(db_, profiles_->entry(row), record_)) {
        name_ = record_.name;
        host_ = record_.host;
        user_ = record_.user;
        password_ = record_.password;
        mode_ = record_.initialDirMode;
        // The stored directory stays in the edit, disabled unless the mode uses it, so
        // that OK keeps it for a later switch back to the specified directory.
        directory_ = record_.initialRemoteDir;
        emit recordLoaded();
    }
    showValues();
}

void CProfilePage::newProfile() {
    name_ = uitexts::text(kNewName).toStdString();
    host_.clear();
    user_.clear();
    password_.clear();
    directory_.clear();
    fieldsChanged_ = true;
    showingValues_ = true;
    profiles_->clearSelection();
    profiles_->setCurrentRow(-1);
    showingValues_ = false;
    mode_ = 1;
    showValues();
    nameEdit_->setFocus();
    nameEdit_->selectAll();
    session::clearProfile(record_);
}

void CProfilePage::deleteProfile() {
    const int row = profiles_->selectedRow();
    if (row < 0) return;
    const std::string name = profiles_->entry(row);
    const platform::Message question{
        kDeleteQuestion, {name}, platform::Buttons::OkCancel, platform::Icon::Question};
    if (prompts_.ask(question) == platform::Answer::Ok) {
        if (db_.ServProfDel(name) == 0) {
            showingValues_ = true;
            delete profiles_->takeItem(row);
            profiles_->clearSelection();
            profiles_->setCurrentRow(-1);
            showingValues_ = false;
            name_.clear();
            host_.clear();
            user_.clear();
            password_.clear();
            directory_.clear();
            mode_ = 1;
            profileDeleted_ = true;
            deletedInRun_ = true;
        } else {
            takeValues();
        }
        showValues();
    }
    fieldsChanged_ = false;
}

void CProfilePage::chooseMode(int mode) {
    takeValues();
    mode_ = mode;
    enableDirectory();
}

void CProfilePage::enableDirectory() {
    directoryEdit_->setEnabled(mode_ == kSpecifiedDirectory);
}

void CProfilePage::showValues() {
    showBytes(nameEdit_, name_);
    showBytes(hostEdit_, host_);
    showBytes(userEdit_, user_);
    showBytes(passwordEdit_, password_);
    showBytes(directoryEdit_, directory_);
    modeList_->setCurrentIndex(mode_ >= 0 && mode_ < modeList_->count() ? mode_ : -1);
    enableDirectory();
}

void CProfilePage::takeValues() {
    name_ = takeBytes(nameEdit_);
    host_ = takeBytes(hostEdit_);
    user_ = takeBytes(userEdit_);
    password_ = takeBytes(passwordEdit_);
    directory_ = takeBytes(directoryEdit_);
    // A stored mode the list does not know stays as it was.
    if (modeList_->currentIndex() >= 0) mode_ = modeList_->currentIndex();
}

std::string CProfilePage::profileName() const {
    return takeBytes(nameEdit_);
}

bool CProfilePage::apply() {
    takeValues();
    const bool complete = !name_.empty() && !host_.empty() && !user_.empty() &&
                          (mode_ != kSpecifiedDirectory || !directory_.empty());
    if (!(profileDeleted_ || !fieldsChanged_ || complete)) {
        emit activationRequested();
        prompts_.ask({kMissingEntries, {}, platform::Buttons::Ok, platform::Icon::Warning});
        QLineEdit* empty = name_.empty()   ? nameEdit_
                           : host_.empty() ? hostEdit_
                           : user_.empty() ? userEdit_
                                           : nullptr;
        if (empty) empty->setFocus();
        return false;
    }
    profileDeleted_ = false;
    record_.name = name_;
    record_.host = host_;
    record_.user = user_;
    record_.password = password_;
    record_.initialRemoteDir = directory_;
    record_.initialDirMode = mode_;
    // After a deletion the fields may be left empty: there is nothing to save then.
    if (record_.name.empty()) return true;
    if (!session::saveProfile(db_, record_)) {
        emit activationRequested();
        reportSaveFailure(prompts_, record_.name);
        return false;
    }
    return true;
}

}  // namespace options
