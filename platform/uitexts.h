#pragma once

#include <QString>
#include <vector>

#include "messageformat.h"
#include "resourcelanguagemodule.h"

// The running program's texts for its windows. The program installs its language
// module once at start-up; until then, and in tests without one, texts are empty.
namespace uitexts {

void install(platform::ResourceLanguageModule* module);
platform::ResourceLanguageModule* module();

QString text(int id);
QString message(int id, const std::vector<platform::MessageArg>& args);
QString dialogText(int dialog, int control);
QString caption(int dialog);
QString menuText(int menu, int command);

}  // namespace uitexts
