#include "transfermode.h"

namespace transfer {

bool isBinaryByExtension(const std::string& name, const std::string& textExtensions) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return true;
    const std::string list =
        ":" + (textExtensions.empty() ? std::string(kDefaultTextExtensions) : textExtensions);
    std::string key = ":" + name.substr(dot + 1) + ":";
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return list.find(key) == std::string::npos;
}

bool chooseBinary(TransferMode mode, const std::string& name, const std::string& textExtensions) {
    switch (mode) {
        case TransferMode::Automatic:
            return isBinaryByExtension(name, textExtensions);
        case TransferMode::Text:
            return false;
        default:
            return true;
    }
}

}  // namespace transfer
