#include "trash.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace platform {

bool moveToTrash(const std::string& path) {
    // The home trash is made inside the data folder, which a fresh account may lack.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    // Local names are bytes; the file name codec gives them back unchanged.
    return QFile::moveToTrash(QFile::decodeName(QByteArray::fromStdString(path)));
}

}  // namespace platform
