#include "optionssheet.h"

#include "cftpoptsheet.h"
#include "cprofilepage.h"
#include "profilestore.h"
#include "sitemgr50.h"
#include "sitestrings.h"
#include "uitexts.h"

namespace options {

OptionsOutcome outcomeOf(CFtpOptSheet& sheet, bool accepted, tsy::SiteMgr50& db,
                         const std::string& currentProfileName) {
    OptionsOutcome outcome;
    outcome.accepted = accepted;
    outcome.profileDeleted = sheet.profilePage().deletedInRun();
    if (!accepted) return outcome;
    outcome.profileName = sheet.profilePage().profileName();
    const int id = currentProfileName.empty() ? -1 : db.ServProfGetID(currentProfileName);
    if (id >= 0) {
        outcome.asciiSuffixes = session::workingSuffixes(
            tsy::take(db.GetServProfAsciiSuffix(id)),
            uitexts::text(session::kDefaultAsciiSuffixesText).toStdString());
    }
    return outcome;
}

OptionsOutcome runOptionsSheet(QWidget* parent, tsy::SiteMgr50& db, platform::Prompts& prompts,
                               const std::string& currentProfileName) {
    CFtpOptSheet sheet(db, prompts, currentProfileName, parent);
    const bool accepted = sheet.exec() == QDialog::Accepted;
    return outcomeOf(sheet, accepted, db, currentProfileName);
}

}  // namespace options
