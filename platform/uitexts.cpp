#include "uitexts.h"

#include <atomic>

namespace uitexts {
namespace {

std::atomic<platform::ResourceLanguageModule*> installed{nullptr};

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void install(platform::ResourceLanguageModule* module) {
    installed.store(module);
}

platform::ResourceLanguageModule* module() {
    return installed.load();
}

QString text(int id) {
    auto* m = module();
    return m ? fromUtf8(m->string(id)) : QString();
}

QString message(int id, const std::vector<platform::MessageArg>& args) {
    auto* m = module();
    return m ? fromUtf8(platform::formatMessage(m->string(id), args)) : QString();
}

QString dialogText(int dialog, int control) {
    auto* m = module();
    return m ? fromUtf8(m->dialogText(dialog, control)) : QString();
}

QString caption(int dialog) {
    return dialogText(dialog, platform::TextTable::kCaption);
}

QString menuText(int menu, int command) {
    auto* m = module();
    return m ? fromUtf8(m->menuText(menu, command)) : QString();
}

}  // namespace uitexts
