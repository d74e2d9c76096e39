#pragma once

#include <string>
#include <vector>

namespace platform {

struct ProcessOutcome {
    bool started = false;
    bool exited = false;  // ended normally, so exitCode is meaningful
    int exitCode = 0;
};

// Starts the program with the arguments (argv[0] is the program path) in a process
// group of its own, and waits without a time limit until it has ended.
ProcessOutcome runAndWait(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace platform
