#pragma once

#include <optional>
#include <string>
#include <vector>

#include "messageformat.h"

namespace platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Question, Error };
enum class Answer { Ok, Cancel, Yes, No };

// A message box by string number: the text is that string with its placeholders filled.
struct Message {
    int id = 0;
    std::vector<MessageArg> args;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Warning;
};

// Every modal question the programs ask goes through this one interface: the window
// shows dialogs, tests install a scripted implementation that records the questions
// and gives chosen answers. Called on the UI thread only (workers go through their
// run-on-UI-thread helper).
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual Answer ask(const Message& message) = 0;
    // The password prompt for a host; nothing when the user cancels.
    virtual std::optional<std::string> askPassword(const std::string& host) = 0;
};

}  // namespace platform
