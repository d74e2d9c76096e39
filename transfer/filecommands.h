#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// What the file commands of both panes share: the delete confirmation and the name a
// new directory gets.
namespace transfer {

// The confirmation's mode: 0 one directory, 1 one file, n > 1 several items.
inline int deleteConfirmMode(std::size_t count, bool firstIsDirectory) {
    if (count > 1) return static_cast<int>(count);
    return firstIsDirectory ? 0 : 1;
}

struct DeleteQuestion {
    int mode = 1;
    std::string subject;     // the name, in modes 0 and 1
    bool permanent = false;  // a local delete that bypasses the trash
};

// Shows the confirmation (the window's dialog); true to go ahead.
using ConfirmDelete = std::function<bool(const DeleteQuestion&)>;

// The name a new directory gets when its in-place edit ends: the typed text, or
// cancelledName when the edit was cancelled (typed is empty then). An empty typed text
// makes no directory: the result is empty.
inline std::string newDirectoryName(const std::optional<std::string>& typed,
                                    const std::string& cancelledName) {
    return typed ? *typed : cancelledName;
}

}  // namespace transfer
