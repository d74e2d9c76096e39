#pragma once

#include <QMimeData>
#include <memory>
#include <string>
#include <vector>

// Drag and drop between the panes and the desktop, in the desktop's own terms: a list of
// file:// URLs (text/uri-list). Paths are the file system's bytes, whatever their
// encoding; a byte that is not UTF-8 travels percent-encoded and comes back unchanged.
namespace dragdrop {

// The drag data of the local pane's selected entries in folder (ending in "/"): their
// file:// URLs in reverse list order, as the drop target receives and uploads them.
std::unique_ptr<QMimeData> localDragData(const std::string& folder,
                                         const std::vector<std::string>& namesInListOrder);

// The file:// URL of a local path given as bytes, and the path of such a URL (empty when
// the URL is not a local file: another scheme, or a host other than localhost).
QUrl fileUrl(const std::string& path);
std::string localPathOf(const QUrl& url);

// A dropped URL that is not uploaded: the status-bar message id and its "%s".
struct DropRefusal {
    static constexpr int kNotLocalFile = 1302;  // not a file: URL of this machine
    static constexpr int kMissing = 1303;       // a local path that does not exist
    int messageId = kNotLocalFile;
    std::string subject;  // the URL as text, or the path
};

// What a drop holds, in its order: the local paths to upload, and the refused URLs.
struct DroppedPaths {
    std::vector<std::string> paths;
    std::vector<DropRefusal> refused;
};
DroppedPaths readDrop(const QMimeData& data);

// Whether the server pane takes a drop. No drop is ever kept for later: a later Upload
// click uploads the local selection.
enum class DropDecision {
    Ignore,   // no session, or an upload or download is running
    Upload,   // start the upload of the dropped paths now
    Discard,  // the server pane is being refreshed: nothing starts, nothing is remembered
};
DropDecision decideDrop(bool hasSession, bool jobRunning, bool refreshIdle);

}  // namespace dragdrop
