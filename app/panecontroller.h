#pragma once

#include <QObject>
#include <optional>
#include <string>

#include "keydispatcher.h"

class FileListView;
class PaneHost;
class QPoint;

// What both panes' owners share: the in-place name editor (rename and new directory),
// the context menu, select all and the partner a locked move takes along.
class PaneController : public QObject {
    Q_OBJECT
public:
    PaneController(PaneHost& host, FileListView& list, int menu, QObject* parent);

    void setPartner(PaneController* partner) { partner_ = partner; }
    // A command of this pane, from a key or the context menu.
    virtual void run(keys::Command command) = 0;
    // The second half of a locked move: into the relative name, or "..". On failure the
    // lock turns off with message 111. False when a lost connection ends the command.
    virtual bool follow(const std::string& name) = 0;
    void selectAll();

protected:
    enum class Editing { Rename, NewDirectory };
    // Opens the editor on the row; the end of the edit calls editEnded.
    void startEdit(int row, Editing kind);
    // typed is empty for a cancelled edit.
    virtual void editEnded(Editing kind, const std::optional<std::string>& typed) = 0;
    // The model's text of an edit that was not cancelled.
    void noteTyped(std::string text) { typed_ = std::move(text); }
    virtual bool menuMayOpen() = 0;
    // The move on this side was done: the other side follows when the lock is on.
    bool moveTogether(const std::string& name);
    void unlock();
    // "YY/MM/DD hh:mm" of now, the placeholder row's date.
    static std::string nowText();
    // The first selected row's name, or empty.
    virtual std::string firstSelectedName() const = 0;

    PaneHost& host_;
    FileListView& list_;

private:
    void showMenu(const QPoint& position);
    void editorClosed(bool cancelled);

    int menu_;
    PaneController* partner_ = nullptr;
    std::optional<Editing> editing_;
    std::optional<std::string> typed_;
};
