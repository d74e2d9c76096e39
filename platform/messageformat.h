#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// One argument of a message text: a number, a real, a character or a text.
using MessageArg = std::variant<std::int64_t, double, char, std::string>;

// Fills a message text's placeholders: printf-style ones taken in order ("%s", "%d",
// "%4.1f", "%c", "%%") and numbered inserts ("%1!s!", "%2!8d!"). A placeholder without
// an argument, or with one of another kind, is filled as well as it can be and never
// reads past the arguments.
std::string formatMessage(std::string_view pattern, const std::vector<MessageArg>& args);

}  // namespace platform
