#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "registrystore.h"

namespace tsy {

inline constexpr RegistryRoot HKEY_CURRENT_USER = RegistryRoot::CurrentUser;
inline constexpr RegistryRoot HKEY_LOCAL_MACHINE = RegistryRoot::LocalMachine;

// One key of the settings store. Paths use "\" between keys ("Software\Korvex\...");
// key paths and value names ignore ASCII letter case.
//
// Every call reads the store afresh, so values written by another process are seen at
// once; every Set writes through to disk before it returns. A missing key reads as empty
// and its values as their defaults.
class CRegistryBase {
public:
    // writable: 1 for a key the program writes (created by its first write), 0 for a key
    // it only reads (every Set then fails and nothing is created).
    CRegistryBase(std::string keyPath, RegistryRoot root, int writable);
    ~CRegistryBase() = default;

    // The stored value, else the default (also when the stored value has the other type).
    // The int is accepted as callers pass it; reading never writes.
    std::string GetValueString(const std::string& name, const std::string& defaultValue,
                               int = 1) const;
    std::uint32_t GetValueDWORD(const std::string& name, std::uint32_t defaultValue, int = 1) const;

    // Non-zero when written (a value of the same name and either type is replaced).
    int SetValueString(const std::string& name, const std::string& text);
    int SetValueDWORD(const std::string& name, std::uint32_t value);

    // Non-zero while a sub-key with that 0-based index exists; its name goes to buffer
    // (NUL-terminated). A name that does not fit in size bytes gives 0 and an empty
    // buffer; the std::string form has no such limit.
    int GetNextKey(std::uint32_t index, char* buffer, std::size_t size) const;
    int GetNextKey(std::uint32_t index, std::string& name) const;

    // Whether the key has values of its own or keys below it.
    bool Exists() const;

    const std::string& path() const { return path_; }
    RegistryRoot root() const { return root_; }

private:
    std::string path_;
    RegistryRoot root_;
    bool writable_;
};

}  // namespace tsy
