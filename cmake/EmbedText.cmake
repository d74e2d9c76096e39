# Writes a C++ source whose function returns the file's bytes: -DSOURCE -DOUTPUT -DFUNCTION
file(READ ${SOURCE} content HEX)
string(LENGTH "${content}" length)
math(EXPR bytes "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," array "${content}")
file(WRITE ${OUTPUT}
"// Generated from ${SOURCE}; do not edit.\n#include <string_view>\n"
"namespace { const char kData[] = {${array} 0}; }\n"
"std::string_view ${FUNCTION}() { return std::string_view(kData, ${bytes}); }\n")
