#include "filetypes.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

namespace {

bool neverCached(const std::string& extension) {
    return extension == "exe" || extension == "cur" || extension == "ico";
}

}  // namespace

void useDesktopIconTheme() {
    // Without a desktop session no theme is chosen; the common one gives file icons.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
        for (const char* theme : {"Adwaita", "breeze", "gnome"})
            if (QFileInfo::exists(QStringLiteral("/usr/share/icons/%1/index.theme").arg(theme))) {
                QIcon::setThemeName(QString::fromLatin1(theme));
                break;
            }
    }
}

FileTypeCache::FileTypeCache() {
    icons_.emplace_back();  // index 0: no icon
    iconNames_.emplace_back();
    folder_ = ask(mimes_.mimeTypeForName("inode/directory"), true);
}

std::string FileTypeCache::extensionOf(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

const FileTypeCache::Type* FileTypeCache::find(const std::string& extension) const {
    if (entries_.empty() || neverCached(extension)) return nullptr;
    for (const Entry& entry : entries_)
        if (entry.extension == extension) return &entry.type;
    return nullptr;
}

void FileTypeCache::add(const std::string& extension, const Type& type) {
    if (extension.empty() || type.iconIndex == 0 || entries_.size() >= kCapacity) return;
    if (find(extension) || neverCached(extension)) return;
    entries_.push_back({extension, type});
}

const QIcon& FileTypeCache::icon(int index) const {
    return index > 0 && static_cast<std::size_t>(index) < icons_.size() ? icons_[index] : icons_[0];
}

FileTypeCache::Type FileTypeCache::lookupFile(const std::string& name) {
    const std::string extension = extensionOf(name);
    if (const Type* hit = find(extension)) return *hit;
    // A type kept per extension must be the extension's type: asked by the whole name,
    // "CMakeLists.txt" would make every ".txt" file a build script.
    const std::string probe = extension.empty() ? name : "name." + extension;
    Type type =
        ask(mimes_.mimeTypeForFile(QString::fromStdString(probe), QMimeDatabase::MatchExtension),
            false);
    add(extension, type);
    return type;
}

int FileTypeCache::iconIndexFor(const QMimeType& mime, bool directory) {
    const QString name = directory ? QStringLiteral("folder") : mime.iconName();
    for (std::size_t i = 1; i < iconNames_.size(); ++i)
        if (iconNames_[i] == name) return static_cast<int>(i);
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull() && !directory) icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(directory ? QStyle::SP_DirIcon
                                                             : QStyle::SP_FileIcon);
    icons_.push_back(icon);
    iconNames_.push_back(name);
    return static_cast<int>(icons_.size() - 1);
}

FileTypeCache::Type FileTypeCache::ask(const QMimeType& mime, bool directory) {
    ++queries_;
    Type type;
    if (!mime.isValid()) return type;
    type.iconIndex = iconIndexFor(mime, directory);
    type.typeName = mime.comment().toStdString();
    return type;
}

FileTypeCache::Type FileTypeCache::lookupLocal(const std::string&, const std::string& name,
                                               bool isDirectory) {
    // A directory is a folder whatever its name says; folders are asked each time.
    if (isDirectory) return ask(mimes_.mimeTypeForName(QStringLiteral("inode/directory")), true);
    return lookupFile(name);
}

FileTypeCache::Type FileTypeCache::lookupRemote(const std::string& name) {
    return lookupFile(name);
}
