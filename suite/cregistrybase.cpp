#include "cregistrybase.h"

#include <cstring>
#include <vector>

namespace tsy {

CRegistryBase::CRegistryBase(std::string keyPath, RegistryRoot root, int writable)
    : path_(normalizeKeyPath(keyPath)), root_(root), writable_(writable != 0) {}

std::string CRegistryBase::GetValueString(const std::string& name, const std::string& defaultValue,
                                          int) const {
    RegistryData data;
    RegistryStore::load(root_, data);
    const RegistryValue* value = data.findValue(path_, name);
    return value && !value->isDword ? value->text : defaultValue;
}

std::uint32_t CRegistryBase::GetValueDWORD(const std::string& name, std::uint32_t defaultValue,
                                           int) const {
    RegistryData data;
    RegistryStore::load(root_, data);
    const RegistryValue* value = data.findValue(path_, name);
    return value && value->isDword ? value->dword : defaultValue;
}

int CRegistryBase::SetValueString(const std::string& name, const std::string& text) {
    if (!writable_) return 0;
    return RegistryStore::update(
               root_, [&](RegistryData& data) { return data.setString(path_, name, text); })
               ? 1
               : 0;
}

int CRegistryBase::SetValueDWORD(const std::string& name, std::uint32_t value) {
    if (!writable_) return 0;
    return RegistryStore::update(
               root_, [&](RegistryData& data) { return data.setDword(path_, name, value); })
               ? 1
               : 0;
}

int CRegistryBase::GetNextKey(std::uint32_t index, std::string& name) const {
    RegistryData data;
    RegistryStore::load(root_, data);
    std::vector<std::string> names = data.subKeys(path_);
    if (index >= names.size()) return 0;
    name = names[index];
    return 1;
}

int CRegistryBase::GetNextKey(std::uint32_t index, char* buffer, std::size_t size) const {
    if (buffer && size > 0) buffer[0] = '\0';
    std::string name;
    if (!GetNextKey(index, name) || !buffer || name.size() >= size) return 0;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return 1;
}

bool CRegistryBase::Exists() const {
    RegistryData data;
    RegistryStore::load(root_, data);
    return data.keyExists(path_);
}

}  // namespace tsy
