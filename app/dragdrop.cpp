#include "dragdrop.h"

#include <QUrl>
#include <filesystem>

namespace dragdrop {
namespace {

// Percent-decoding of the encoded form gives the bytes back; decoding to text first
// would turn bytes that are not UTF-8 into replacement characters.
std::string bytesOf(const QString& encoded) {
    const QByteArray bytes = QByteArray::fromPercentEncoding(encoded.toLatin1());
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

QUrl fileUrl(const std::string& path) {
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

std::string localPathOf(const QUrl& url) {
    if (!url.isValid() || url.scheme().compare("file", Qt::CaseInsensitive) != 0) return {};
    const QString host = url.host();
    if (!host.isEmpty() && host.compare("localhost", Qt::CaseInsensitive) != 0) return {};
    std::string path = bytesOf(url.path(QUrl::FullyEncoded));
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::unique_ptr<QMimeData> localDragData(const std::string& folder,
                                         const std::vector<std::string>& namesInListOrder) {
    QList<QUrl> urls;
    for (auto name = namesInListOrder.rbegin(); name != namesInListOrder.rend(); ++name)
        urls << fileUrl(folder + *name);
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

DroppedPaths readDrop(const QMimeData& data) {
    DroppedPaths dropped;
    for (const QUrl& url : data.urls()) {
        const std::string path = localPathOf(url);
        std::error_code error;
        if (path.empty())
            dropped.refused.push_back(
                {DropRefusal::kNotLocalFile, url.toString(QUrl::PreferLocalFile).toStdString()});
        else if (!std::filesystem::exists(std::filesystem::path(path), error))
            dropped.refused.push_back({DropRefusal::kMissing, path});
        else
            dropped.paths.push_back(path);
    }
    return dropped;
}

DropDecision decideDrop(bool hasSession, bool jobRunning, bool refreshIdle) {
    if (!hasSession || jobRunning) return DropDecision::Ignore;
    return refreshIdle ? DropDecision::Upload : DropDecision::Discard;
}

}  // namespace dragdrop
