// The font records and fontconfig.
#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace mur::platform {
namespace {

FontRecord g_records[kFontRecords];

// fontconfig's configuration, loaded on the first font asked for.
FcConfig* config() noexcept
{
    static FcConfig* loaded = FcInitLoadConfigAndFonts();
    return loaded;
}

bool generic_family(const char* name) noexcept
{
    for (const char* g : {"sans-serif", "sans", "serif", "monospace", "mono", "cursive", "fantasy", "system-ui"})
        if (strcasecmp(name, g) == 0) return true;
    return false;
}

struct Match {
    char file[sizeof(FontRecord::file)] = "";
    char family[sizeof(FontRecord::family)] = "";
    int32_t index = 0;
    bool familyFound = false;
};

// The best font file for the family, weight and slant; whether an installed
// font carries that family name.
bool match_font(const char* family, int32_t weight, bool italic, Match& out) noexcept
{
    FcConfig* cfg = config();
    if (!cfg) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(cfg, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(cfg, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found) return false;
    bool ok = false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file &&
        std::strlen(reinterpret_cast<const char*>(file)) < sizeof(out.file)) {
        std::strcpy(out.file, reinterpret_cast<const char*>(file));
        int index = 0;
        if (FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
        ok = true;
    }
    out.familyFound = generic_family(family);
    FcChar8* name = nullptr;
    if (FcPatternGetString(found, FC_FAMILY, 0, &name) == FcResultMatch && name &&
        std::strlen(reinterpret_cast<const char*>(name)) < sizeof(out.family))
        std::strcpy(out.family, reinterpret_cast<const char*>(name));
    for (int i = 0; !out.familyFound && FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        out.familyFound = name && strcasecmp(reinterpret_cast<const char*>(name), family) == 0;
    FcPatternDestroy(found);
    return ok;
}

}  // namespace

FontRecord* font_record(int32_t which) noexcept
{
    return which >= 0 && which < kFontRecords ? &g_records[which] : nullptr;
}

bool choose_font_by_name(int32_t which, const char* family, int32_t pixelHeight, int32_t weight, bool italic) noexcept
{
    FontRecord* record = font_record(which);
    if (!record || !family || !*family || std::strlen(family) >= sizeof(record->family)) return false;
    const int32_t w = weight == 0 ? 400 : std::clamp(weight, 1, 1000);
    Match m;
    if (!match_font(family, w, italic, m) || !m.familyFound) return false;
    std::strcpy(record->family, family);
    record->pixelHeight = std::clamp(pixelHeight, 1, kMaxFontPixelHeight);
    record->weight = w;
    record->italic = italic;
    std::strcpy(record->file, m.file);
    record->faceIndex = m.index;
    return true;
}

bool resolve_font_file(FontRecord& record) noexcept
{
    if (record.file[0]) return true;
    Match m;
    if (!match_font(record.family, record.weight, record.italic, m)) return false;
    std::strcpy(record.file, m.file);
    record.faceIndex = m.index;
    return true;
}

int32_t confirm_font_choice(int32_t which) noexcept
{
    FontRecord* record = font_record(which);
    if (!record) return kFontErrorNoFonts;
    if (!record->family[0]) std::strcpy(record->family, "sans-serif");
    if (record->pixelHeight <= 0) record->pixelHeight = 16;
    record->pixelHeight = std::min(record->pixelHeight, kMaxFontPixelHeight);
    if (record->weight <= 0) record->weight = 400;
    record->weight = std::min(record->weight, 1000);
    Match m;
    if (!match_font(record->family, record->weight, record->italic, m)) return kFontErrorNoFonts;
    if (m.family[0]) std::strcpy(record->family, m.family);
    std::strcpy(record->file, m.file);
    record->faceIndex = m.index;
    return 0;
}

void clear_font_record(int32_t which) noexcept
{
    if (FontRecord* record = font_record(which)) {
        *record = FontRecord{};
        record->family[0] = '\0';
        record->pixelHeight = 0;
        record->weight = 0;
    }
}

void reset_font_records() noexcept
{
    for (FontRecord& r : g_records) r = FontRecord{};
}

}  // namespace mur::platform
