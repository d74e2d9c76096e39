#include "migrationdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "aboutdialog.h"
#include "artwork.h"
#include "uitexts.h"

namespace {

constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kEarlierServerSettings = 1000;
constexpr int kSiteAndServerSettings = 1001;
constexpr int kOptionSettings = 1002;
constexpr int kNeverShowAgain = 1003;
constexpr int kDeleteFolders = 1006;
constexpr int kDeletionFrame = 1007;
constexpr int kFirstFolder = 1008;
constexpr int kMigrationFrame = 1012;
constexpr int kIntroduction = 1013;
constexpr int kDeletionNote = 1014;
constexpr int kAboutString = 101;
constexpr int kFirstDeletionString = 108;  // 108 to 111, joined
constexpr int kLastDeletionString = 111;

// A folder path on one line: shortened in the middle when it is too long, whole in the
// tool tip, so that a deep path neither widens the dialog nor hides its last folder.
class PathLabel : public QLabel {
public:
    PathLabel(const QString& path, QWidget* parent) : QLabel(path, parent) {
        setToolTip(path);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setMinimumHeight(fontMetrics().height());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        const QRect area = contentsRect();
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

QString text(int id) {
    return uitexts::dialogText(MigrationDialog::kDialogId, id);
}

template <typename Widget>
Widget* named(Widget* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}

}  // namespace

QWidget* MigrationDialog::createDeletionFrame(const std::vector<std::string>& folders) {
    const bool anyFolder = !folders.empty();
    auto* deletionFrame = named(new QGroupBox(this), kDeletionFrame);
    auto* deleteFolders = named(new QCheckBox(text(kDeleteFolders), deletionFrame), kDeleteFolders);
    deleteFolders->setChecked(anyFolder);
    QString note;
    for (int id = kFirstDeletionString; id <= kLastDeletionString; ++id)
        note += uitexts::text(id);
    auto* deletionNote = named(new QPlainTextEdit(note, deletionFrame), kDeletionNote);
    deletionNote->setReadOnly(true);
    deletionNote->setFixedHeight(deletionNote->fontMetrics().lineSpacing() * 7 + 12);
    auto* deletionLayout = new QVBoxLayout(deletionFrame);
    deletionLayout->addWidget(deleteFolders);
    deletionLayout->addWidget(deletionNote);
    for (int line = 0; line < kFolderLines; ++line) {
        const std::size_t index = static_cast<std::size_t>(line);
        const QString folder =
            index < folders.size() ? QString::fromStdString(folders[index]) : QString();
        deletionLayout->addWidget(named(new PathLabel(folder, deletionFrame), kFirstFolder + line));
    }
    deletionFrame->setEnabled(anyFolder);
    deleteFolders->setEnabled(anyFolder);
    deletionNote->setEnabled(anyFolder);
    return deletionFrame;
}

MigrationDialog::MigrationDialog(const migration::Probes& probes, bool done, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(uitexts::caption(kDialogId));
    setWindowIcon(artwork::image(artwork::ProgramIcon, palette(), QSize(32, 32)));

    // What to migrate.
    auto* migrationFrame = named(new QGroupBox(text(kMigrationFrame), this), kMigrationFrame);
    auto* introduction = named(new QLabel(text(kIntroduction), migrationFrame), kIntroduction);
    introduction->setWordWrap(true);
    auto* earlier =
        named(new QCheckBox(text(kEarlierServerSettings), migrationFrame), kEarlierServerSettings);
    auto* sites =
        named(new QCheckBox(text(kSiteAndServerSettings), migrationFrame), kSiteAndServerSettings);
    auto* options = named(new QCheckBox(text(kOptionSettings), migrationFrame), kOptionSettings);
    auto* migrationLayout = new QVBoxLayout(migrationFrame);
    migrationLayout->addWidget(introduction);
    migrationLayout->addSpacing(4);
    // The earlier edition's server settings are never offered: the site check box takes
    // its place.
    migrationLayout->addWidget(earlier);
    migrationLayout->addWidget(sites);
    migrationLayout->addWidget(options);
    earlier->setChecked(false);
    earlier->hide();

    sites->setEnabled(probes.oldSiteDataFound);
    sites->setChecked(probes.oldSiteDataFound && !done);
    options->setEnabled(probes.oldSettingsFound);
    options->setChecked(probes.oldSettingsFound && !done);
    const bool anyMigration = probes.oldSiteDataFound || probes.oldSettingsFound;
    migrationFrame->setEnabled(anyMigration);
    introduction->setEnabled(anyMigration);

    auto* neverShow = named(new QCheckBox(text(kNeverShowAgain), this), kNeverShowAgain);
    neverShow->setChecked(true);

    QWidget* deletionFrame = createDeletionFrame(probes.deletableFolders);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = named(buttons->addButton(text(kOk), QDialogButtonBox::AcceptRole), kOk);
    ok->setDefault(true);
    named(buttons->addButton(text(kCancel), QDialogButtonBox::RejectRole), kCancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* buttonRow = new QHBoxLayout;
    // The About item: this platform's window menu cannot take one, so it is a button.
    const QString about = uitexts::text(kAboutString);
    if (!about.isEmpty()) {
        auto* aboutButton = new QPushButton(about, this);
        aboutButton->setObjectName("about");
        aboutButton->setAutoDefault(false);
        connect(aboutButton, &QPushButton::clicked, this, &MigrationDialog::showAbout);
        buttonRow->addWidget(aboutButton);
    }
    buttonRow->addStretch();
    buttonRow->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(migrationFrame);
    layout->addWidget(neverShow);
    layout->addWidget(deletionFrame);
    layout->addLayout(buttonRow);
    setMinimumWidth(520);
    ok->setFocus();
}

QWidget* MigrationDialog::control(int id) const {
    return findChild<QWidget*>(QString::number(id));
}

QCheckBox* MigrationDialog::checkBox(int id) const {
    return findChild<QCheckBox*>(QString::number(id));
}

migration::Choices MigrationDialog::choices() const {
    migration::Choices choices;
    choices.siteAndServerSettings = checkBox(kSiteAndServerSettings)->isChecked();
    choices.optionSettings = checkBox(kOptionSettings)->isChecked();
    choices.neverShowAgain = checkBox(kNeverShowAgain)->isChecked();
    choices.deleteFolders = checkBox(kDeleteFolders)->isChecked();
    return choices;
}

void MigrationDialog::showAbout() {
    AboutDialog about(this);
    about.exec();
}
