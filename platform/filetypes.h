#pragma once

#include <QIcon>
#include <QMimeDatabase>
#include <QString>
#include <string>
#include <vector>

// Chooses an installed icon theme when the desktop has named none.
void useDesktopIconTheme();

// Icons and type names of files and folders, from the desktop's MIME database and icon
// theme, behind a per-extension cache: the desktop is asked at most once per extension,
// except for the extensions whose icons differ from file to file.
class FileTypeCache {
public:
    static constexpr std::size_t kCapacity = 1024;

    struct Type {
        int iconIndex = 0;  // index into icons(); 0 is "no icon"
        std::string typeName;
    };

    FileTypeCache();

    // A local file or directory; directories are asked each time and never cached.
    Type lookupLocal(const std::string& directory, const std::string& name, bool isDirectory);
    // A remote file, by its name alone: nothing is created or read locally.
    Type lookupRemote(const std::string& name);
    // What remote directories show.
    const Type& folderType() const { return folder_; }

    const QIcon& icon(int index) const;
    std::size_t count() const { return entries_.size(); }
    // How many times the desktop was asked, for the benchmark and the tests.
    std::size_t desktopQueries() const { return queries_; }

    // Lower-case text after the last "."; empty when the name has none.
    static std::string extensionOf(const std::string& name);

private:
    struct Entry {
        std::string extension;
        Type type;
    };
    const Type* find(const std::string& extension) const;
    void add(const std::string& extension, const Type& type);
    Type lookupFile(const std::string& name);
    Type ask(const QMimeType& mime, bool directory);
    int iconIndexFor(const QMimeType& mime, bool directory);

    QMimeDatabase mimes_;
    std::vector<Entry> entries_;
    std::vector<QIcon> icons_;
    std::vector<QString> iconNames_;
    Type folder_;
    std::size_t queries_ = 0;
};
