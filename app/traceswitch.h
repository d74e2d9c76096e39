#pragma once

#include <QLabel>
#include <string>

// The FTP trace's switch and its lasting mark in the status bar. The trace goes to the
// user's state folder, not to the current folder: that is the local folder being
// published, and uploading it would publish the whole FTP dialogue with it.
class TraceSwitch : public QLabel {
public:
    static constexpr int kTracingText = 1298;
    static constexpr int kTracingTip = 1299;

    explicit TraceSwitch(QWidget* parent);

    // Switches the trace on or off; false when it could not be switched on.
    bool toggle();
    // Shown only while tracing, with the file's path as its tip.
    void showState();
    // Where the trace is written; empty when no folder can be found.
    static std::string filePath();
};
