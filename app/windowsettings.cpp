#include "windowsettings.h"

#include <cstdint>
#include <utility>

#include "cregistrybase.h"

namespace {

// The values, in the order they are read and written, as pointers into the record.
template <typename Settings>
auto fields(Settings& s) {
    auto& p = s.placement;
    return std::to_array<std::pair<const char*, decltype(&s.mode)>>({
        {"mode", &s.mode},
        {"list_pos", &s.listPos},
        {"disp_mode", &s.dispMode},
        {"wndpl_flags", &p.flags},
        {"wndpl_showCmd", &p.showCmd},
        {"wndpl_ptMinPosX", &p.minX},
        {"wndpl_ptMinPosY", &p.minY},
        {"wndpl_ptMaxPosX", &p.maxX},
        {"wndpl_ptMaxPosY", &p.maxY},
        {"wndpl_rcNormalPosTop", &p.top},
        {"wndpl_rcNormalPosLeft", &p.left},
        {"wndpl_rcNormalPosBottom", &p.bottom},
        {"wndpl_rcNormalPosRight", &p.right},
        {"lastUsedProfile", &s.lastUsedProfile},
    });
}

}  // namespace

ViewSettings readViewSettings(const std::string& keyPath) {
    const tsy::CRegistryBase key(keyPath, tsy::HKEY_CURRENT_USER, 1);
    ViewSettings settings;
    for (auto [name, field] : fields(settings))
        *field =
            static_cast<std::int32_t>(key.GetValueDWORD(name, static_cast<std::uint32_t>(*field)));
    return settings;
}

void writeViewSettings(const std::string& keyPath, const ViewSettings& settings) {
    tsy::CRegistryBase key(keyPath, tsy::HKEY_CURRENT_USER, 1);
    ViewSettings copy = settings;
    for (auto [name, field] : fields(copy))
        key.SetValueDWORD(name, static_cast<std::uint32_t>(*field));
}
