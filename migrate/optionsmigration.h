#pragma once

#include <cstdint>

namespace migration {

// Whether the earlier edition left per-user settings: its Settings key exists.
bool oldSettingsFound();

// Copies the earlier edition's option values, recent mail list, contents-manager
// settings, custom colours, bookmarks, template addresses and user dictionary into the
// current version. A value the earlier edition lacks is written with its default, so the
// current keys always end up complete. Always succeeds.
bool migrateOptions();

// The tree-view flags changed layout between the editions.
constexpr std::uint32_t convertFileTree(std::uint32_t old) {
    return (old >> 4) & 0x07F00000u;
}

}  // namespace migration
