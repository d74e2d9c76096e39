#pragma once

#include <QDialog>
#include <QString>

#include "migrationplan.h"

class QCheckBox;

// The migration dialog: what to migrate from the earlier edition, whether to show it
// again, and which of the earlier edition's folders to delete. Controls carry their
// numbers as object names. The dialog only collects the choices; the work is done by
// the caller after OK.
class MigrationDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 102;
    static constexpr int kFolderLines = 4;  // folders 1008 to 1011

    MigrationDialog(const migration::Probes& probes, bool done, QWidget* parent = nullptr);

    migration::Choices choices() const;
    QWidget* control(int id) const;

public slots:
    void showAbout();

private:
    QCheckBox* checkBox(int id) const;
    // The offer to delete the earlier edition's folders, with the folders named.
    QWidget* createDeletionFrame(const std::vector<std::string>& folders);
};
