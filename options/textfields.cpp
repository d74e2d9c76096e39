#include "textfields.h"

#include <QByteArray>
#include <QLineEdit>
#include <QVariant>

namespace options {
namespace {
constexpr const char* kShownBytes = "shownBytes";
constexpr const char* kShownText = "shownText";
}  // namespace

QString fromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void showBytes(QLineEdit* edit, const std::string& text) {
    const QString shown = fromBytes(text);
    edit->setProperty(kShownBytes, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    edit->setProperty(kShownText, shown);
    edit->setText(shown);
}

std::string takeBytes(const QLineEdit* edit) {
    const QString text = edit->text();
    if (edit->property(kShownText).toString() == text) {
        const QByteArray bytes = edit->property(kShownBytes).toByteArray();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return text.toStdString();
}

}  // namespace options
