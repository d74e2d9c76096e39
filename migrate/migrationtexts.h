#pragma once

#include <string_view>

// tsymig's own texts in the text table form, compiled in.
std::string_view migrationBuiltinTexts();
