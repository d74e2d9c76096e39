#pragma once

#include <QString>
#include <string>

class QLineEdit;

namespace options {

// Stored texts are bytes and need not be valid UTF-8. An edit shows such a text as well
// as it can; as long as the user leaves it alone, its value is the exact bytes shown.
void showBytes(QLineEdit* edit, const std::string& text);
std::string takeBytes(const QLineEdit* edit);

QString fromBytes(const std::string& text);

}  // namespace options
