#pragma once

#include <QDialog>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "coalesceddisplay.h"
#include "transferhost.h"

class QLabel;
class QLayout;
class QProgressBar;
class QTimer;

// The modeless window that accompanies an upload or download: source and target, the
// representation type, a file and a byte counter with their bars, the direction and the
// server. While it is up it disables the main window; Cancel, Escape and its close box
// ask the job to end after the current file and give the main window back; Stop now ends
// the file in progress too, leaving it partial.
class TransferProgressDialog : public QDialog, public transfer::TransferDisplay {
    Q_OBJECT
public:
    static constexpr int kDialogId = 126;
    static constexpr int kCoalesceMs = 50;  // at most about 20 byte updates a second
    static constexpr int kStopNow = 1397;

    explicit TransferProgressDialog(QWidget* parent);
    ~TransferProgressDialog() override;

    // Disables the owner (the parent's window) when it is enabled; false when the
    // window could not be made.
    bool createModeless();
    void releaseOwner();

    void setSourceLine(const std::string& path, const std::string& name = {},
                       char separator = 0) override;
    void setTargetLine(const std::string& path, const std::string& name = {},
                       char separator = 0) override;
    void setModeLine(bool binary) override;
    void setFileCounter(std::int64_t total, std::int64_t done) override;
    void setByteCounter(std::int64_t total, std::int64_t done);
    void setDirectionIcon(int direction) override;
    void setServerName(const std::string& name) override;

    // Where the running job's byte counts and lines are read from, on a timer (the
    // display may be null).
    void setProgressSource(std::function<std::pair<std::int64_t, std::int64_t>()> source,
                           transfer::CoalescedDisplay* display = nullptr);

    int fileBar() const;
    int byteBar() const;

    // 30 + "..." + 30 for texts over 60 bytes, cut at character boundaries.
    static std::string shorten(const std::string& text);
    // Done as a percentage of total, without overflow, 0 for a total of 0.
    static int percent(std::int64_t total, std::int64_t done);
    // The server name centred in a field of 40.
    static std::string centredServerName(const std::string& name);

signals:
    void cancelRequested();
    void stopNowRequested();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The computer, the direction arrow and the server, with their names.
    QLayout* createPictures();
    void cancel();
    void pollProgress();

    QPointer<QWidget> owner_;
    bool ownerDisabled_ = false;
    enum class Minimized { None, Minimized, Restored } minimizedState_ = Minimized::None;
    QLabel* source_ = nullptr;
    QLabel* target_ = nullptr;
    QLabel* files_ = nullptr;
    QProgressBar* fileBar_ = nullptr;
    QLabel* bytes_ = nullptr;
    QProgressBar* byteBar_ = nullptr;
    QLabel* mode_ = nullptr;
    QLabel* direction_ = nullptr;
    QLabel* server_ = nullptr;
    QTimer* poll_ = nullptr;
    std::function<std::pair<std::int64_t, std::int64_t>()> source_fn_;
    transfer::CoalescedDisplay* display_ = nullptr;
    std::pair<std::int64_t, std::int64_t> shown_{-1, -1};
};
