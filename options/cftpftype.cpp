#include "cftpftype.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

#include "cprofilepage.h"
#include "profilestore.h"
#include "sheetmessages.h"
#include "sitemgr50.h"
#include "sitestrings.h"
#include "sortedlistbox.h"
#include "uitexts.h"

namespace options {
namespace {

constexpr int kExplanation = 9001;  // the static text above the entry field
constexpr int kLongestTyped = 255;

QString text(int control) {
    return uitexts::dialogText(CFtpFtype::kDialogId, control);
}

template <typename T>
T* named(T* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}

// Typed letters become upper case, as the transfer compares upper-cased extensions
// (ASCII letters only, as it does). A ':' cannot be typed: it separates the entries of
// the stored list.
class ExtensionValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.contains(QLatin1Char(':'))) return Invalid;
        for (QChar& c : input)
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = c.toUpper();
        return Acceptable;
    }
};

// The default list of the loaded texts, in stored form.
std::string defaultList() {
    return uitexts::text(session::kDefaultAsciiSuffixesText).toStdString();
}

}  // namespace

CFtpFtype::CFtpFtype(tsy::SiteMgr50& db, platform::Prompts& prompts, CProfilePage& profilePage,
                     QWidget* parent)
    : QWidget(parent), db_(db), prompts_(prompts), profilePage_(profilePage) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(uitexts::caption(kDialogId));

    entryEdit_ = named(new QLineEdit(this), kEntry);
    entryEdit_->setMaxLength(kLongestTyped);
    entryEdit_->setValidator(new ExtensionValidator(entryEdit_));
    addButton_ = named(new QPushButton(text(kAdd), this), kAdd);
    list_ = named(new SortedListBox(this), kList);
    removeButton_ = named(new QPushButton(text(kRemove), this), kRemove);
    resetButton_ = named(new QPushButton(text(kReset), this), kReset);
    for (QPushButton* button : {addButton_, removeButton_, resetButton_})
        button->setAutoDefault(false);

    auto* explanation = new QLabel(text(kExplanation), this);
    explanation->setWordWrap(true);
    auto* entryLabel = new QLabel(text(kEntry), this);
    entryLabel->setBuddy(entryEdit_);

    auto* grid = new QGridLayout;
    grid->addWidget(entryLabel, 0, 0);
    grid->addWidget(entryEdit_, 0, 1);
    grid->addWidget(addButton_, 0, 2);
    grid->addWidget(list_, 1, 1, 3, 1);
    grid->addWidget(removeButton_, 1, 2);
    grid->addWidget(resetButton_, 2, 2);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(grid, 1);

    connect(addButton_, &QPushButton::clicked, this, &CFtpFtype::addEntry);
    entryEdit_->installEventFilter(this);
    connect(removeButton_, &QPushButton::clicked, this, &CFtpFtype::removeEntry);
    connect(resetButton_, &QPushButton::clicked, this, &CFtpFtype::resetList);
}

bool CFtpFtype::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the entry field adds the extension; it does not close the sheet.
    if (watched == entryEdit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            addEntry();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CFtpFtype::activate() {
    if (!shown_ || profilePage_.selectionChanged()) {
        profilePage_.clearSelectionChanged();
        loadList();
    }
    shown_ = true;
}

void CFtpFtype::loadList() {
    const int id = db_.ServProfGetID(profilePage_.profileName());
    if (id >= 0) {
        working_ =
            session::workingSuffixes(tsy::take(db_.GetServProfAsciiSuffix(id)), defaultList());
    } else if (working_.empty()) {
        working_ = session::workingSuffixes("", defaultList());
    }
    fillList(working_);
}

std::vector<std::string> CFtpFtype::splitList(const std::string& working) {
    std::vector<std::string> result;
    std::string entry;
    for (char c : working) {
        if (c == ':') {
            if (!entry.empty()) result.push_back(entry);
            entry.clear();
        } else {
            entry += c;
        }
    }
    return result;
}

void CFtpFtype::fillList(const std::string& working) {
    list_->clear();
    for (const auto& entry : splitList(working))
        list_->addSorted(entry);
}

void CFtpFtype::addEntry() {
    const std::string entry = entryEdit_->text().toStdString();
    if (entry.empty()) return;
    if (static_cast<int>(entry.size()) > kLongestExtension) {
        prompts_.ask({kExtensionTooLong,
                      {std::int64_t{kLongestExtension}},
                      platform::Buttons::Ok,
                      platform::Icon::Warning});
        entryEdit_->setFocus();
        entryEdit_->selectAll();
        return;
    }
    // An extension already listed is not listed twice; one that merely begins like a
    // listed one (HT beside HTM) is a different extension and is added.
    const int existing = list_->findNoCase(entry);
    if (existing >= 0) {
        list_->setCurrentRow(existing);
        return;
    }
    list_->addSorted(entry);
    entryEdit_->clear();
}

void CFtpFtype::removeEntry() {
    const int row = list_->selectedRow();
    if (row >= 0) delete list_->takeItem(row);
}

void CFtpFtype::resetList() {
    fillList(session::workingSuffixes("", defaultList()));
}

std::vector<std::string> CFtpFtype::entries() const {
    std::vector<std::string> result;
    for (int i = 0; i < list_->count(); ++i)
        result.push_back(list_->entry(i));
    return result;
}

std::string CFtpFtype::storedForm() const {
    std::string stored = ":";
    for (const auto& entry : entries())
        stored += entry + ":";
    return stored;
}

bool CFtpFtype::apply() {
    if (!shown_) return true;
    if (profilePage_.selectionChanged()) {
        profilePage_.clearSelectionChanged();
        loadList();
    }
    const std::string name = profilePage_.profileName();
    const int id = db_.ServProfGetID(name);
    if (id < 0) return true;
    if (db_.SetServProfAsciiSuffix(id, storedForm()) < 0) {
        reportSaveFailure(prompts_, name);
        return false;
    }
    return true;
}

}  // namespace options
