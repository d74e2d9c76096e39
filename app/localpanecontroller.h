#pragma once

#include "panecontroller.h"

class DirectoryCombo;
class DriveCombo;

// The local pane's owner: the local list's events (open, in-place edits, context menu),
// the local commands, the local up button, the drive and directory boxes and the local
// half of the lock. Moves go to absolute paths built from the pane's own directory.
class LocalPaneController : public PaneController {
    Q_OBJECT
public:
    LocalPaneController(PaneHost& host, DriveCombo& drives, DirectoryCombo& directories,
                        QObject* parent);

    void run(keys::Command command) override;
    bool follow(const std::string& name) override;

    void openRow(int row);
    void upOneLevel();
    void changeDirectory();
    void newDirectory();
    void rename();
    void deleteSelected(bool permanently);
    void lowerCaseNames();
    // Ctrl+D and Ctrl+U: the next refresh lists only what differs from the server pane.
    void compare(keys::Command command);
    // Enter in the directory box.
    void pathTyped(const std::string& typed);

private:
    void editEnded(Editing kind, const std::optional<std::string>& typed) override;
    bool menuMayOpen() override;
    std::string firstSelectedName() const override;
    // Changes into the directory; false when it cannot be entered.
    bool enter(const std::string& path);
    void driveChosen(int index);

    DriveCombo& drives_;
    DirectoryCombo& directories_;
};
