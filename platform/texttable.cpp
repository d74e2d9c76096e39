#include "texttable.h"

#include <charconv>

namespace platform {
namespace {

enum class Section { None, Strings, Dialog, Menu };

bool toInt(std::string_view text, int& value) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                out.push_back(next == 'n' ? '\n' : next == 't' ? '\t' : '\\');
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

template <typename Map, typename Key>
const std::string* find(const Map& map, const Key& key) {
    auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

}  // namespace

TextTable TextTable::parse(std::string_view source, std::vector<std::string>* problems) {
    TextTable table;
    Section section = Section::None;
    int group = 0;
    int lineNumber = 0;
    auto problem = [&](const std::string& what) {
        if (problems) problems->push_back("line " + std::to_string(lineNumber) + ": " + what);
    };

    while (!source.empty()) {
        std::size_t end = source.find('\n');
        std::string_view line = source.substr(0, end);
        source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        if (line.front() == '[') {
            std::string_view header = line.substr(1, line.find(']') - 1);
            section = Section::None;
            if (header == "strings") {
                section = Section::Strings;
            } else if (header.starts_with("dialog ") && toInt(header.substr(7), group)) {
                section = Section::Dialog;
            } else if (header.starts_with("menu ") && toInt(header.substr(5), group)) {
                section = Section::Menu;
            } else {
                problem("unknown section");
            }
            continue;
        }

        std::size_t equals = line.find('=');
        int id = 0;
        if (equals == std::string_view::npos) {
            problem("no '='");
            continue;
        }
        std::string_view key = line.substr(0, equals);
        std::string text = unescape(line.substr(equals + 1));
        if (section == Section::Dialog && key == "caption") {
            id = kCaption;
        } else if (!toInt(key, id)) {
            problem("key is not a number");
            continue;
        }
        switch (section) {
            case Section::Strings:
                table.strings_[id] = std::move(text);
                break;
            case Section::Dialog:
                table.dialogs_[{group, id}] = std::move(text);
                break;
            case Section::Menu:
                table.menus_[{group, id}] = std::move(text);
                break;
            case Section::None:
                problem("entry outside a section");
                break;
        }
    }
    return table;
}

const std::string* TextTable::string(int id) const {
    return find(strings_, id);
}

const std::string* TextTable::dialogText(int dialog, int control) const {
    return find(dialogs_, std::pair{dialog, control});
}

const std::string* TextTable::menuText(int menu, int command) const {
    return find(menus_, std::pair{menu, command});
}

std::vector<int> TextTable::stringIds() const {
    std::vector<int> ids;
    for (const auto& [id, text] : strings_)
        ids.push_back(id);
    return ids;
}

std::vector<std::pair<int, int>> TextTable::dialogKeys() const {
    std::vector<std::pair<int, int>> keys;
    for (const auto& [key, text] : dialogs_)
        keys.push_back(key);
    return keys;
}

std::vector<std::pair<int, int>> TextTable::menuKeys() const {
    std::vector<std::pair<int, int>> keys;
    for (const auto& [key, text] : menus_)
        keys.push_back(key);
    return keys;
}

}  // namespace platform
