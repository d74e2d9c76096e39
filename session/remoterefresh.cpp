#include "remoterefresh.h"

#include "fileentry.h"
#include "ftpsession.h"

namespace session {

RefreshOutcome refreshRemote(ftp::FtpSession& session, RemotePane& pane, NameFilter& filter) {
    if (session.checkAlive()) return RefreshOutcome::ConnectionLost;
    std::string directory;
    if (!session.currentDirectory(directory))
        return session.lastError < 0 ? RefreshOutcome::ConnectionLost
                                     : RefreshOutcome::DirectoryInvalid;
    pane.showRemotePath(directory);

    auto entries = session.list();
    if (!entries)
        return session.lastError < 0 ? RefreshOutcome::ConnectionLost : RefreshOutcome::ListRefused;

    std::string match;
    const bool filtering = filter.active;
    if (filtering) {
        const auto dot = filter.text.find('.');
        match = dot == std::string::npos ? filter.text : filter.text.substr(dot);
        filter.active = false;
        filter.text.clear();
    }

    std::vector<RemoteRow> rows;
    rows.reserve(entries->size());
    for (const ftp::FileEntry& entry : *entries) {
        if (entry.kind == ftp::FileEntry::NotAnEntry) continue;
        if (filtering && entry.name.find(match) == std::string::npos) continue;
        RemoteRow row{entry.name,       entry.size,           entry.dateText,
                      entry.attributes, ftp::EntryType::File, false};
        if (entry.kind == ftp::FileEntry::Directory) {
            row.size = 0;
            row.entryType = ftp::EntryType::Directory;
            row.isDirectory = true;
        } else if (entry.kind == ftp::FileEntry::Link) {
            if (session.changeDirectory(entry.name, true)) {
                session.changeDirectory(directory, true);
                row.size = 0;
                row.entryType = ftp::EntryType::Directory;
                row.isDirectory = true;
            } else {
                row.entryType = ftp::EntryType::LinkToFile;
            }
        }
        rows.push_back(std::move(row));
    }
    pane.showRemoteRows(rows);
    return RefreshOutcome::Listed;
}

}  // namespace session
