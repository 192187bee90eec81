#include "layers/blend_modes.h"

namespace mur {

int32_t blend_mode_id(const char* name) noexcept
{
    if (!name) return kModeNormal;
    const std::string_view wanted(name);
    for (const BlendModeInfo& mode : kBlendModes)
        if (mode.name == wanted) return mode.id;
    return kModeNormal;
}

std::string_view blend_mode_name(int32_t id) noexcept
{
    for (const BlendModeInfo& mode : kBlendModes)
        if (mode.id == id) return mode.name;
    return {};
}

}  // namespace mur
