#pragma once

#include <string_view>

// The program's own texts in the text table form, compiled in.
std::string_view builtinTexts();
