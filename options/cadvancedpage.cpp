#include "cadvancedpage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "cprofilepage.h"
#include "profilestore.h"
#include "sheetmessages.h"
#include "textfields.h"
#include "uitexts.h"

namespace options {
namespace {

// Texts of the group boxes; the port's is keyed by the port field.
constexpr int kPassiveGroup = 9001, kPortGroup = CAdvancedPage::kPort, kFirewallGroup = 9002;

// The choices in the order shown, with their captions' numbers.
struct EncryptionChoice {
    int value;
    int caption;
};
constexpr EncryptionChoice kEncryptionChoices[] = {
    {session::kRequireExplicitTls, 1344},
    {session::kExplicitTlsIfAvailable, 1345},
    {session::kRequireImplicitTls, 1346},
    {session::kPlainFtp, 1347},
};

constexpr EncryptionChoice kNameEncodingChoices[] = {
    {session::kAutomaticNames, 1351},
    {session::kUtf8Names, 1352},
    {session::kGb18030Names, 1353},
};

QString text(int control) {
    return uitexts::dialogText(CAdvancedPage::kDialogId, control);
}

template <typename T>
T* named(T* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}

}  // namespace

CAdvancedPage::CAdvancedPage(tsy::SiteMgr50& db, platform::Prompts& prompts,
                             CProfilePage& profilePage, QWidget* parent)
    : QWidget(parent), db_(db), prompts_(prompts), profilePage_(profilePage) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(uitexts::caption(kDialogId));

    passiveBox_ = named(new QCheckBox(text(kPassive), this), kPassive);
    portEdit_ = named(new QLineEdit(this), kPort);
    portEdit_->setAlignment(Qt::AlignRight);
    portEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), portEdit_));
    portEdit_->setMaxLength(10);
    resetButton_ = named(new QPushButton(text(kReset), this), kReset);
    resetButton_->setAutoDefault(false);
    firewallBox_ = named(new QCheckBox(text(kFirewall), this), kFirewall);
    firewallHostEdit_ = named(new QLineEdit(this), kFirewallHost);
    firewallUserEdit_ = named(new QLineEdit(this), kFirewallUser);
    firewallPasswordEdit_ = named(new QLineEdit(this), kFirewallPassword);
    firewallPasswordEdit_->setEchoMode(QLineEdit::Password);
    encryptionBox_ = named(new QComboBox(this), kEncryption);
    for (const EncryptionChoice& choice : kEncryptionChoices)
        encryptionBox_->addItem(uitexts::text(choice.caption), choice.value);
    nameEncodingBox_ = named(new QComboBox(this), kNameEncoding);
    for (const EncryptionChoice& choice : kNameEncodingChoices)
        nameEncodingBox_->addItem(uitexts::text(choice.caption), choice.value);
    alwaysListBox_ = named(new QCheckBox(uitexts::text(kAlwaysList), this), kAlwaysList);
    verifyBox_ = named(new QCheckBox(uitexts::text(kVerify), this), kVerify);

    auto* passiveGroup = new QGroupBox(text(kPassiveGroup), this);
    auto* passiveLayout = new QVBoxLayout(passiveGroup);
    passiveLayout->addWidget(passiveBox_);

    auto* portGroup = new QGroupBox(text(kPortGroup), this);
    auto* portLayout = new QHBoxLayout(portGroup);
    portLayout->addWidget(portEdit_, 1);
    portLayout->addWidget(resetButton_);

    auto* top = new QHBoxLayout;
    top->addWidget(passiveGroup, 1);
    top->addWidget(portGroup, 1);

    auto* encryptionGroup = new QGroupBox(uitexts::text(kEncryption), this);
    auto* encryptionLayout = new QVBoxLayout(encryptionGroup);
    encryptionLayout->addWidget(encryptionBox_);
    encryptionLayout->addWidget(verifyBox_);

    auto* namesGroup = new QGroupBox(uitexts::text(kNameEncoding), this);
    auto* namesLayout = new QVBoxLayout(namesGroup);
    namesLayout->addWidget(nameEncodingBox_);
    namesLayout->addWidget(alwaysListBox_);

    auto* firewallGroup = new QGroupBox(text(kFirewallGroup), this);
    auto* firewallLayout = new QVBoxLayout(firewallGroup);
    firewallLayout->addWidget(firewallBox_);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (QLineEdit* edit : {firewallHostEdit_, firewallUserEdit_, firewallPasswordEdit_}) {
        auto* label = new QLabel(text(edit->objectName().toInt()), firewallGroup);
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    firewallLayout->addLayout(form);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(encryptionGroup);
    layout->addWidget(namesGroup);
    layout->addWidget(firewallGroup);
    layout->addStretch();

    connect(resetButton_, &QPushButton::clicked, this, &CAdvancedPage::resetPort);
    connect(encryptionBox_, &QComboBox::activated, this, &CAdvancedPage::encryptionChosen);
}

void CAdvancedPage::activate() {
    shown_ = true;
    reload();
}

void CAdvancedPage::reload() {
    const session::ServerProfile& record = profilePage_.record();
    useFirewall_ = record.useFirewall != 0;
    passive_ = record.passiveMode != 0;
    firewallHost_ = record.firewallHost;
    firewallUser_ = record.firewallUser;
    firewallPassword_ = record.firewallPassword;
    port_ = static_cast<unsigned>(record.port);
    encryption_ = record.encryption;
    nameEncoding_ = record.nameEncoding;
    alwaysList_ = record.listCommand == session::kAlwaysList;
    verify_ = record.verifyTransfers != 0;
    showValues();
}

void CAdvancedPage::showValues() {
    passiveBox_->setChecked(passive_);
    portEdit_->setText(QString::number(port_));
    firewallBox_->setChecked(useFirewall_);
    verifyBox_->setChecked(verify_);
    // A value this version does not know shows as nothing chosen, and stays as it is.
    encryptionBox_->setCurrentIndex(encryptionBox_->findData(encryption_));
    nameEncodingBox_->setCurrentIndex(nameEncodingBox_->findData(nameEncoding_));
    alwaysListBox_->setChecked(alwaysList_);
    showBytes(firewallHostEdit_, firewallHost_);
    showBytes(firewallUserEdit_, firewallUser_);
    showBytes(firewallPasswordEdit_, firewallPassword_);
}

bool CAdvancedPage::takeValues() {
    bool number = false;
    const unsigned port = portEdit_->text().toUInt(&number);
    if (!number || port > kHighestPort) {
        prompts_.ask({kPortPrompt, {}, platform::Buttons::Ok, platform::Icon::Warning});
        return false;
    }
    port_ = port;
    passive_ = passiveBox_->isChecked();
    useFirewall_ = firewallBox_->isChecked();
    verify_ = verifyBox_->isChecked();
    if (encryptionBox_->currentIndex() >= 0) encryption_ = encryptionBox_->currentData().toInt();
    if (nameEncodingBox_->currentIndex() >= 0)
        nameEncoding_ = nameEncodingBox_->currentData().toInt();
    alwaysList_ = alwaysListBox_->isChecked();
    firewallHost_ = takeBytes(firewallHostEdit_);
    firewallUser_ = takeBytes(firewallUserEdit_);
    firewallPassword_ = takeBytes(firewallPasswordEdit_);
    return true;
}

void CAdvancedPage::writeRecord() {
    session::ServerProfile& record = profilePage_.record();
    record.port = static_cast<int>(port_ == 0 ? defaultPort() : port_);
    record.encryption = encryption_;
    record.nameEncoding = nameEncoding_;
    record.listCommand = alwaysList_ ? session::kAlwaysList : session::kMachineListing;
    record.verifyTransfers = verify_ ? 1 : 0;
    record.useFirewall = useFirewall_ ? 1 : 0;
    record.passiveMode = passive_ ? 1 : 0;
    record.firewallHost = firewallHost_;
    record.firewallUser = firewallUser_;
    record.firewallPassword = firewallPassword_;
}

bool CAdvancedPage::leave() {
    if (!takeValues()) return false;
    writeRecord();
    return true;
}

unsigned CAdvancedPage::defaultPort() const {
    const int chosen =
        encryptionBox_->currentIndex() >= 0 ? encryptionBox_->currentData().toInt() : encryption_;
    return chosen == session::kRequireImplicitTls ? session::kImplicitTlsPort : kDefaultPort;
}

void CAdvancedPage::resetPort() {
    // Only the port changes; a field that holds no number is simply replaced.
    port_ = defaultPort();
    portEdit_->setText(QString::number(port_));
}

void CAdvancedPage::encryptionChosen() {
    const QString shown = portEdit_->text();
    if (shown == QString::number(kDefaultPort) ||
        shown == QString::number(session::kImplicitTlsPort))
        resetPort();
}

void CAdvancedPage::focusPort() {
    portEdit_->setFocus();
    portEdit_->selectAll();
}

bool CAdvancedPage::apply() {
    if (!shown_) return true;
    if (!takeValues()) {
        focusPort();
        return false;
    }
    if (port_ == 0) port_ = defaultPort();
    writeRecord();
    showValues();
    const session::ServerProfile& record = profilePage_.record();
    // After a deletion the profile page may name no profile: nothing to save then.
    if (record.name.empty()) return true;
    if (!session::saveProfile(db_, record)) {
        reportSaveFailure(prompts_, record.name);
        return false;
    }
    return true;
}

}  // namespace options
