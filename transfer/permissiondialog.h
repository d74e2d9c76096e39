#pragma once

#include <QDialog>
#include <optional>

class QCheckBox;
class QLineEdit;

// The UNIX permissions as nine check boxes (read, write, execute of owner, group and
// others: controls 1100 to 1108), three read-only digits (1109, 1111, 1112) and the text
// form (1110). Only the boxes take input; every click brings the digits, the text and
// the result in step. Button 1 ends the dialog with 1, button 2 and Escape with 2.
class PermissionDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 200;
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    PermissionDialog(int initialMode, QWidget* parent);
    void reject() override { done(kCancel); }

    // The mode shown now, three decimal digits such as 755.
    int resultMode() const { return resultMode_; }

    // Shows the dialog modally; the chosen mode, or nothing when cancelled.
    static std::optional<int> ask(QWidget* parent, int initialMode);

private:
    void boxClicked(int permissionClass);
    void synchronise();

    QCheckBox* boxes_[9] = {};
    QLineEdit* digits_[3] = {};
    QLineEdit* text_ = nullptr;
    int bits_[3] = {};
    int resultMode_ = 0;
};
