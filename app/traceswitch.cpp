#include "traceswitch.h"

#include "fileio.h"
#include "registrystore.h"
#include "trace.h"
#include "uitexts.h"

TraceSwitch::TraceSwitch(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("trace"));
    setTextFormat(Qt::PlainText);
}

std::string TraceSwitch::filePath() {
    const std::string folder = tsy::RegistryStore::stateFolder();
    return folder.empty() ? std::string() : folder + "/" + ftp::trace::kDefaultFileName;
}

bool TraceSwitch::toggle() {
    bool switched = true;
    if (ftp::trace::traceEnabled()) {
        ftp::trace::disable();
    } else {
        const std::string path = filePath();
        switched = !path.empty() && tsy::ensurePrivateFolder(tsy::RegistryStore::stateFolder()) &&
                   ftp::trace::enable(path);
    }
    showState();
    return switched;
}

void TraceSwitch::showState() {
    const bool tracing = ftp::trace::traceEnabled();
    setText(tracing ? uitexts::text(kTracingText) : QString());
    setToolTip(tracing ? uitexts::message(kTracingTip, {filePath()}) : QString());
    setVisible(tracing);
}
