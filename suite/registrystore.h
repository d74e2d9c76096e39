#pragma once

#include <functional>
#include <string>

#include "registrydata.h"

namespace tsy {

enum class RegistryRoot { CurrentUser, LocalMachine };

// The two settings files, one per root, in the configuration folder:
//   $TESSALY_CONFIG_DIR/                  when that variable is set (also moves the data)
//   $XDG_CONFIG_HOME/tessaly/             else, when that is an absolute path
//   ~/.config/tessaly/                    else
// Files: "user.settings" (current user) and "machine.settings" (local machine), 0600; a
// folder made for them is 0700.
//
// Readers take no lock: a file is only ever replaced whole by a rename, so a reader sees
// the old or the new file. Writers take an advisory lock on a lock file beside it, read
// the current file, apply their change and rename a fully written copy over it; two
// processes therefore never lose each other's values.
//
// A file with lines that cannot be read is read as far as it can be. Before the next
// write replaces it, the original is kept beside it as "<file>.damaged-<time>" and a
// note goes to stderr; nothing that was in it is lost.
class RegistryStore {
public:
    static constexpr const char* kConfigVariable = "TESSALY_CONFIG_DIR";

    // Without trailing '/'; empty when no home folder can be found. A relative value of
    // the variable is taken relative to the directory current when it is first seen.
    static std::string configFolder();
    // The data folder (site database, dictionary): the configuration folder when the
    // variable is set, else $XDG_DATA_HOME/tessaly or ~/.local/share/tessaly.
    static std::string dataFolder();
    // What the programs keep for the user alone, such as the FTP trace: the
    // configuration folder when the variable is set, else $XDG_STATE_HOME/tessaly or
    // ~/.local/state/tessaly. Not created here.
    static std::string stateFolder();
    static std::string filePath(RegistryRoot root);

    // A missing file reads as an empty store; false when the file exists but cannot be read.
    static bool load(RegistryRoot root, RegistryData& data);

    // change() alters the freshly read data and returns whether anything changed; the
    // result is then written. False when the store could not be read or written.
    static bool update(RegistryRoot root, const std::function<bool(RegistryData&)>& change);
};

}  // namespace tsy
