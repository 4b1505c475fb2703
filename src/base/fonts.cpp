#include "base/fonts.h"
#include "base/file_io.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <set>

namespace plikatra {

namespace {

bool contains(const std::vector<std::string>& names, const std::string& face) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return equalsIgnoreAsciiCase(n, face); });
}

// Next code point of UTF-8 text; a malformed byte stands for itself so that every byte
// still advances the text.
std::uint32_t nextCodePoint(const std::string& s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    const size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra == 0 || i + extra >= s.size()) {
        ++i;
        return c;
    }
    std::uint32_t cp = c & (0x3Fu >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return c;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3Fu);
    }
    i += extra + 1;
    return cp;
}

// fontconfig's configuration and FreeType's library, set up on first use and kept for the
// life of the process; calls are serialised because neither is safe to share across threads.
struct FontSystem {
    std::mutex mutex;
    FcConfig* config = nullptr;
    FT_Library freetype = nullptr;

    FontSystem() {
        config = FcInitLoadConfigAndFonts();
        if (FT_Init_FreeType(&freetype) != 0) freetype = nullptr;
    }
    ~FontSystem() {
        if (freetype) FT_Done_FreeType(freetype);
        if (config) FcConfigDestroy(config);
    }
    static FontSystem& get() {
        static FontSystem system;
        return system;
    }
};

std::vector<std::string> listFamilies(FcConfig* config) {
    std::set<std::string> unique;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
    FcFontSet* set = config && pattern && objects ? FcFontList(config, pattern, objects) : nullptr;
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            // A face may carry several family names (localised ones, or a style family).
            for (int id = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, id, &family) ==
                             FcResultMatch;
                 ++id)
                unique.insert(reinterpret_cast<const char*>(family));
        }
        FcFontSetDestroy(set);
    }
    if (objects) FcObjectSetDestroy(objects);
    if (pattern) FcPatternDestroy(pattern);
    return {unique.begin(), unique.end()};
}

}  // namespace

bool Fonts::isInstalled(const std::string& face) { return contains(faceNames(), face); }

std::vector<std::string> SystemFonts::faceNames() {
    FontSystem& fs = FontSystem::get();
    std::lock_guard<std::mutex> lock(fs.mutex);
    return listFamilies(fs.config);
}

bool SystemFonts::isInstalled(const std::string& face) {
    FontSystem& fs = FontSystem::get();
    std::lock_guard<std::mutex> lock(fs.mutex);
    const std::vector<std::string> names = listFamilies(fs.config);
    if (contains(names, face)) return true;
    if (!fs.config) return false;

    // The configuration's substitution rules add the metric-compatible replacements of a face
    // with the binding "same"; generic fallbacks come with weaker bindings and do not count.
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcConfigSubstitute(fs.config, pattern, FcMatchPattern);
    bool found = false;
    FcValue value;
    FcValueBinding binding;
    for (int id = 1; !found && FcPatternGetWithBinding(pattern, FC_FAMILY, id, &value, &binding) ==
                                   FcResultMatch;
         ++id) {
        if (binding != FcValueBindingSame || value.type != FcTypeString) continue;
        found = contains(names, reinterpret_cast<const char*>(value.u.s));
    }
    FcPatternDestroy(pattern);
    return found;
}

TextExtent SystemFonts::textExtent(const std::string& face, int pixelSize, const std::string& text) {
    TextExtent extent;
    if (pixelSize < 1) return extent;
    FontSystem& fs = FontSystem::get();
    std::lock_guard<std::mutex> lock(fs.mutex);
    if (!fs.config || !fs.freetype) return extent;

    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return extent;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
    FcConfigSubstitute(fs.config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(fs.config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return extent;

    FcChar8* file = nullptr;
    int index = 0;
    FT_Face ftFace = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        if (FT_New_Face(fs.freetype, reinterpret_cast<const char*>(file), index, &ftFace) != 0)
            ftFace = nullptr;
    }
    FcPatternDestroy(match);
    if (!ftFace) return extent;

    if (FT_Set_Pixel_Sizes(ftFace, 0, static_cast<FT_UInt>(pixelSize)) == 0) {
        long advance = 0;  // 26.6 fixed point
        for (size_t i = 0; i < text.size();) {
            const std::uint32_t cp = nextCodePoint(text, i);
            if (FT_Load_Char(ftFace, cp, FT_LOAD_DEFAULT) == 0) advance += ftFace->glyph->advance.x;
        }
        extent.width = static_cast<int>((advance + 32) >> 6);
        extent.height = static_cast<int>((ftFace->size->metrics.height + 32) >> 6);
    }
    FT_Done_Face(ftFace);
    return extent;
}

}  // namespace plikatra
