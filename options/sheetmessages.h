#pragma once

#include <string>

#include "prompts.h"

namespace options {

// Messages of the sheet's own checks.
inline constexpr int kPortPrompt = 1310;        // the port field holds no port number
inline constexpr int kExtensionTooLong = 1311;  // %d: the longest extension accepted
inline constexpr int kSaveFailed = 1312;        // %s: the profile name

// Tells the user that the store refused to save the named profile.
inline void reportSaveFailure(platform::Prompts& prompts, const std::string& name) {
    prompts.ask({kSaveFailed, {name}, platform::Buttons::Ok, platform::Icon::Error});
}

}  // namespace options
