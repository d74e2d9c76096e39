#pragma once

#include <QDialog>

class QPlainTextEdit;

// The publish report of the last job, as text the user can read and copy.
class PublishReportDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCaption = 1394;
    static constexpr int kMainWindowDialog = 102;  // whose Close button text it shares
    explicit PublishReportDialog(QWidget* parent = nullptr);
    void setReport(const QString& text);
    QString report() const;

private:
    QPlainTextEdit* text_ = nullptr;
};
