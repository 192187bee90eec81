#include "platform/avi_compression.h"

namespace mur::platform {
namespace {

AviCompression hostSetting;
AviCompressionDialog attachedDialog = nullptr;
void* dialogUser = nullptr;

bool valid(const AviCompression& c) noexcept
{
    switch (c.codec) {
    case AviCodec::Cancelled:
    case AviCodec::Dib: return true;
    case AviCodec::MotionJpeg: return c.quality >= 1 && c.quality <= 100;
    }
    return false;
}

}  // namespace

bool set_avi_compression(int32_t codec, int32_t quality) noexcept
{
    if (codec < -1 || codec > 1) return false;
    const AviCompression wanted{AviCodec(codec), codec == 1 ? quality : 0};
    if (!valid(wanted)) return false;
    hostSetting = wanted;
    return true;
}

AviCompression avi_compression_setting() noexcept { return hostSetting; }

void attach_avi_compression_dialog(AviCompressionDialog dialog, void* user) noexcept
{
    attachedDialog = dialog;
    dialogUser = user;
}

void detach_avi_compression_dialog() noexcept { attach_avi_compression_dialog(nullptr, nullptr); }

AviCompression choose_avi_compression(MUR_Window owner) noexcept
{
    if (!attachedDialog) return hostSetting;
    const AviCompression chosen = attachedDialog(dialogUser, owner, hostSetting);
    return valid(chosen) ? chosen : AviCompression{AviCodec::Cancelled, 0};
}

}  // namespace mur::platform
