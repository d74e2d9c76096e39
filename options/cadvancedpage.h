#pragma once

#include <QWidget>
#include <string>

class QCheckBox;
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

class CProfilePage;

// The third page of the options sheet: passive mode, port and firewall of the profile
// the profile page shows. It keeps nothing of its own: it edits the profile page's
// working record.
class CAdvancedPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDialogId = 201;
    // Controls.
    static constexpr int kPassive = 1064, kPort = 1065, kReset = 1066, kFirewall = 1046;
    static constexpr int kFirewallHost = 1016, kFirewallUser = 1017, kFirewallPassword = 1018;
    // The encryption choice, named by its caption's number.
    static constexpr int kEncryption = 1343;
    // How the server's names are encoded, and the listing command, by their captions.
    static constexpr int kNameEncoding = 1350, kAlwaysList = 1354;
    // Whether transfers are checked against the server's size and hash.
    static constexpr int kVerify = 1384;
    static constexpr unsigned kDefaultPort = 21;
    static constexpr unsigned kHighestPort = 65535;

    CAdvancedPage(tsy::SiteMgr50& db, platform::Prompts& prompts, CProfilePage& profilePage,
                  QWidget* parent = nullptr);

    // The page becomes the visible one: it shows the working record.
    void activate();
    bool shown() const { return shown_; }
    // Another profile was loaded into the working record.
    void reload();
    // The page stops being the visible one: false (after a prompt) when the port field
    // holds no port number, and the page stays. Otherwise the values go into the record,
    // so that they are still there when the page is shown again.
    bool leave();
    // The page's part of OK, after the profile page has saved: false keeps the sheet open.
    bool apply();

    // The port of the chosen encryption: 990 for implicit TLS, else 21.
    void resetPort();
    unsigned defaultPort() const;
    void focusPort();

private:
    // False, after the prompt, when the port field holds no port number.
    bool takeValues();
    void showValues();
    void writeRecord();
    // A new encryption choice takes its own default port when the field holds the other's.
    void encryptionChosen();

    tsy::SiteMgr50& db_;
    platform::Prompts& prompts_;
    CProfilePage& profilePage_;
    bool shown_ = false;

    // Values of the controls.
    bool passive_ = false;
    unsigned port_ = kDefaultPort;
    bool useFirewall_ = false;
    int encryption_ = 0;
    int nameEncoding_ = 0;
    bool alwaysList_ = false;
    bool verify_ = true;
    std::string firewallHost_, firewallUser_, firewallPassword_;

    QCheckBox* passiveBox_ = nullptr;
    QLineEdit* portEdit_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QComboBox* encryptionBox_ = nullptr;
    QComboBox* nameEncodingBox_ = nullptr;
    QCheckBox* alwaysListBox_ = nullptr;
    QCheckBox* firewallBox_ = nullptr;
    QCheckBox* verifyBox_ = nullptr;
    QLineEdit* firewallHostEdit_ = nullptr;
    QLineEdit* firewallUserEdit_ = nullptr;
    QLineEdit* firewallPasswordEdit_ = nullptr;
};

}  // namespace options
