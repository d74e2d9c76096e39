#include "transferprogressdialog.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "artwork.h"
#include "messageformat.h"
#include "uitexts.h"

namespace {

// Texts of the controls that have no number of their own.
constexpr int kFilesGroup = 9001;
constexpr int kStatusGroup = 9002;
constexpr int kComputerLabel = 9003;

constexpr int kSourceOnly = 1214, kTargetOnly = 1215, kSourceWithName = 1216,
              kTargetWithSeparator = 1217, kTargetWithName = 1218;
constexpr int kByteCounter = 1223, kFileCounter = 1224;
constexpr int kModeText = 1005, kModeBinary = 1006;
constexpr int kUploadIcon = 1;

QString fromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString text(int id) {
    return uitexts::dialogText(TransferProgressDialog::kDialogId, id);
}

QLabel* newLabel(QWidget* parent, int id, const QString& initial) {
    auto* l = new QLabel(initial, parent);
    l->setObjectName(QString::number(id));
    l->setTextFormat(Qt::PlainText);
    return l;
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string TransferProgressDialog::shorten(const std::string& text) {
    if (text.size() <= 60) return text;
    std::size_t head = 30;
    while (head > 0 && isContinuationByte(text[head]))
        --head;
    std::size_t tail = text.size() - 30;
    while (tail < text.size() && isContinuationByte(text[tail]))
        ++tail;
    return text.substr(0, head) + "..." + text.substr(tail);
}

int TransferProgressDialog::percent(std::int64_t total, std::int64_t done) {
    if (total <= 0 || done <= 0) return 0;
    return static_cast<int>(static_cast<__int128>(done) * 100 / total);
}

std::string TransferProgressDialog::centredServerName(const std::string& name) {
    if (name.size() >= 40) return name;
    return std::string((40 - name.size()) / 2, ' ') + name;
}

QLayout* TransferProgressDialog::createPictures() {
    auto icon = [this](artwork::Image picture) {
        auto* l = new QLabel(this);
        l->setPixmap(artwork::image(picture, palette(), QSize(32, 32)));
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    auto* computerText = newLabel(this, kComputerLabel, text(kComputerLabel));
    computerText->setAlignment(Qt::AlignCenter);
    direction_ = new QLabel(this);
    direction_->setObjectName("1028");
    direction_->setAlignment(Qt::AlignCenter);
    server_ = newLabel(this, 1026, QString());
    server_->setAlignment(Qt::AlignCenter);
    auto* pictures = new QGridLayout;
    pictures->addWidget(icon(artwork::Computer), 0, 0);
    pictures->addWidget(direction_, 0, 1);
    pictures->addWidget(icon(artwork::Server), 0, 2);
    pictures->addWidget(computerText, 1, 0);
    pictures->addWidget(server_, 1, 2);
    pictures->setColumnStretch(1, 1);
    return pictures;
}

TransferProgressDialog::TransferProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(kDialogId));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(uitexts::caption(kDialogId));
    auto label = [this](int id, const QString& initial) { return newLabel(this, id, initial); };

    source_ = label(1032, text(1032));
    target_ = label(1035, text(1035));
    auto* filesGroup = new QGroupBox(text(kFilesGroup), this);
    auto* filesLayout = new QVBoxLayout(filesGroup);
    filesLayout->addWidget(source_);
    filesLayout->addWidget(target_);

    files_ = label(1036, text(1036));
    files_->setAlignment(Qt::AlignCenter);
    fileBar_ = new QProgressBar(this);
    fileBar_->setObjectName("1007");
    fileBar_->setRange(0, 100);
    fileBar_->setTextVisible(false);
    bytes_ = label(1037, text(1037));
    bytes_->setAlignment(Qt::AlignCenter);
    byteBar_ = new QProgressBar(this);
    byteBar_->setObjectName("1012");
    byteBar_->setRange(0, 100);
    byteBar_->setTextVisible(false);
    mode_ = label(1024, QString());
    auto* statusGroup = new QGroupBox(text(kStatusGroup), this);
    auto* statusLayout = new QVBoxLayout(statusGroup);
    statusLayout->addWidget(files_);
    statusLayout->addWidget(fileBar_);
    statusLayout->addWidget(bytes_);
    statusLayout->addWidget(byteBar_);
    statusLayout->addWidget(mode_);

    QLayout* pictures = createPictures();
    setDirectionIcon(kUploadIcon);

    auto* cancel = new QPushButton(text(2), this);
    cancel->setObjectName("2");
    connect(cancel, &QPushButton::clicked, this, &TransferProgressDialog::cancel);
    // Cancel stays the default: a finished file is never left half-published.
    auto* stopNow = new QPushButton(uitexts::text(kStopNow), this);
    stopNow->setObjectName(QString::number(kStopNow));
    stopNow->setAutoDefault(false);
    connect(stopNow, &QPushButton::clicked, this, [this] {
        emit stopNowRequested();
        TransferProgressDialog::cancel();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(stopNow);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filesGroup);
    layout->addWidget(statusGroup);
    layout->addLayout(pictures);
    layout->addLayout(buttons);
    setMinimumWidth(440);

    poll_ = new QTimer(this);
    poll_->setInterval(kCoalesceMs);
    connect(poll_, &QTimer::timeout, this, &TransferProgressDialog::pollProgress);
}

TransferProgressDialog::~TransferProgressDialog() {
    releaseOwner();
}

bool TransferProgressDialog::createModeless() {
    owner_ = parentWidget() ? parentWidget()->window() : nullptr;
    if (owner_ && owner_->isEnabled()) {
        owner_->setEnabled(false);
        ownerDisabled_ = true;
        // Disabling a window disables its child windows too; this one stays usable.
        setEnabled(true);
    }
    return true;
}

void TransferProgressDialog::releaseOwner() {
    poll_->stop();
    pollProgress();
    // The job that fed the figures may end right after this; never read it again.
    source_fn_ = nullptr;
    display_ = nullptr;
    if (ownerDisabled_ && owner_) owner_->setEnabled(true);
    ownerDisabled_ = false;
    minimizedState_ = Minimized::None;
}

void TransferProgressDialog::setSourceLine(const std::string& path, const std::string& name,
                                           char separator) {
    if (minimizedState_ == Minimized::Minimized) {
        // Minimized, the caption (what the task bar shows) names the file instead.
        std::string shown = name;
        if (shown.empty()) {
            const auto slash = path.rfind('/');
            if (slash == std::string::npos) return;
            shown = path.substr(slash + 1);
        }
        setWindowTitle(fromBytes(shown));
        return;
    }
    const std::string text =
        name.empty() ? platform::formatMessage(
                           uitexts::module() ? uitexts::module()->string(kSourceOnly) : "", {path})
                     : platform::formatMessage(
                           uitexts::module() ? uitexts::module()->string(kSourceWithName) : "",
                           {path, separator, name});
    source_->setText(fromBytes(shorten(text)));
}

void TransferProgressDialog::setTargetLine(const std::string& path, const std::string& name,
                                           char separator) {
    auto pattern = [](int id) {
        return uitexts::module() ? uitexts::module()->string(id) : std::string();
    };
    std::string text;
    if (name.empty())
        text = platform::formatMessage(pattern(kTargetOnly), {path});
    else if (separator != 0)
        text = platform::formatMessage(pattern(kTargetWithSeparator), {path, separator, name});
    else
        text = platform::formatMessage(pattern(kTargetWithName), {path, name});
    target_->setText(fromBytes(shorten(text)));
}

void TransferProgressDialog::setModeLine(bool binary) {
    mode_->setText(uitexts::text(binary ? kModeBinary : kModeText));
}

void TransferProgressDialog::setFileCounter(std::int64_t total, std::int64_t done) {
    files_->setText(uitexts::message(kFileCounter, {total, done}));
    fileBar_->setValue(percent(total, done));
}

void TransferProgressDialog::setByteCounter(std::int64_t total, std::int64_t done) {
    shown_ = {total, done};
    bytes_->setText(uitexts::message(kByteCounter, {total, done}));
    byteBar_->setValue(percent(total, done));
}

void TransferProgressDialog::setDirectionIcon(int direction) {
    direction_->setPixmap(
        artwork::image(direction == kUploadIcon ? artwork::UploadArrow : artwork::DownloadArrow,
                       palette(), QSize(48, 32)));
}

void TransferProgressDialog::setServerName(const std::string& name) {
    server_->setText(fromBytes(centredServerName(name)));
}

void TransferProgressDialog::setProgressSource(
    std::function<std::pair<std::int64_t, std::int64_t>()> source,
    transfer::CoalescedDisplay* display) {
    source_fn_ = std::move(source);
    display_ = display;
    if (source_fn_ || display_) poll_->start();
}

void TransferProgressDialog::pollProgress() {
    if (display_) display_->applyTo(*this);
    if (!source_fn_) return;
    const auto now = source_fn_();
    if (now != shown_) setByteCounter(now.first, now.second);
}

int TransferProgressDialog::fileBar() const {
    return fileBar_->value();
}
int TransferProgressDialog::byteBar() const {
    return byteBar_->value();
}

void TransferProgressDialog::cancel() {
    emit cancelRequested();
    releaseOwner();
    hide();
}

void TransferProgressDialog::reject() {
    cancel();
}

void TransferProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    cancel();
}

void TransferProgressDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !owner_) return;
    if (isMinimized()) {
        minimizedState_ = Minimized::Minimized;
        owner_->hide();
    } else if (minimizedState_ == Minimized::Minimized) {
        minimizedState_ = Minimized::Restored;
        owner_->show();
    }
}
