#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// The texts of one program in one language: strings by number, the texts of dialog
// controls by dialog and control number, and menu item texts by menu and command.
//
// Source form, UTF-8, one entry a line:
//   # comment
//   [strings]            then   1201=text
//   [dialog 102]         then   caption=text   or   1019=text
//   [menu 134]           then   32777=text
// The text is everything after the first '=', blanks included; "\n", "\t" and "\\"
// stand for a line break, a tab and a backslash.
class TextTable {
public:
    static constexpr int kCaption = -1;  // control number of a dialog's caption

    // Lines that cannot be read are skipped and listed in problems (when given).
    static TextTable parse(std::string_view source, std::vector<std::string>* problems = nullptr);

    const std::string* string(int id) const;
    const std::string* dialogText(int dialog, int control) const;
    const std::string* menuText(int menu, int command) const;

    bool empty() const { return strings_.empty() && dialogs_.empty() && menus_.empty(); }
    std::vector<int> stringIds() const;
    std::vector<std::pair<int, int>> dialogKeys() const;
    std::vector<std::pair<int, int>> menuKeys() const;

private:
    std::map<int, std::string> strings_;
    std::map<std::pair<int, int>, std::string> dialogs_;
    std::map<std::pair<int, int>, std::string> menus_;
};

}  // namespace platform
