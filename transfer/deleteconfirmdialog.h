#pragma once

#include <QDialog>

#include "filecommands.h"

// Asks before a delete: one directory (mode 0), one file (mode 1) or n > 1 items, each
// with its own caption and text. A local delete that bypasses the trash also says that
// it cannot be undone. Button 1 ends the dialog with 1 (go ahead); button 2 and Escape
// with 2.
class DeleteConfirmDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 159;
    static constexpr int kYes = 1;
    static constexpr int kNo = 2;

    DeleteConfirmDialog(QWidget* parent, const transfer::DeleteQuestion& question);
    void reject() override { done(kNo); }

    // Shows the dialog modally; true when the user chose to go ahead.
    static bool confirm(QWidget* parent, const transfer::DeleteQuestion& question);
};
