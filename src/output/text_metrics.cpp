#include "output/text_metrics.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <map>
#include <mutex>

namespace plikatra {

namespace {

// A font without a height asks for the device's default size.
constexpr double kDefaultEm = 12.0;

int roundToInt(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

std::u32string decodeUtf8(const std::string& s) {
    std::u32string out;
    out.reserve(s.size());
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = byte(i);
        const size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        bool ok = extra > 0 && i + extra < s.size();
        char32_t cp = c & (0x3Fu >> extra);
        for (size_t k = 1; ok && k <= extra; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (byte(i + k) & 0x3Fu);
        }
        if (!ok) {
            out.push_back(c);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

double emHeight(const Font& font, double cellPerEm) {
    if (font.height < 0) return -static_cast<double>(font.height);
    if (font.height == 0) return kDefaultEm;
    return cellPerEm > 0.0 ? font.height / cellPerEm : font.height;
}

TextLayout TextMetrics::layout(const Font& font, const std::string& utf8) {
    TextLayout out;
    const std::vector<double> exact = advances(font, decodeUtf8(utf8));
    out.advances.reserve(exact.size());
    double position = 0.0;
    int placed = 0;
    for (double a : exact) {
        position += a;
        const int next = roundToInt(position);
        out.advances.push_back(next - placed);
        placed = next;
    }
    out.width = placed;
    const FontMetrics m = fontMetrics(font);
    out.height = roundToInt(m.ascent + m.descent);
    out.ascent = roundToInt(m.ascent);
    return out;
}

FontMetrics FixedTextMetrics::fontMetrics(const Font& font) {
    const double em = emHeight(font, 1.0);
    return {em, 0.8 * em, 0.2 * em};
}

std::vector<double> FixedTextMetrics::advances(const Font& font, const std::u32string& text) {
    return std::vector<double>(text.size(), emHeight(font, 1.0) / 2);
}

// One loaded face and its proportions per em.
struct LoadedFace {
    FT_Face face = nullptr;
    std::string file;
    double unitsPerEm = 1.0;
    double ascentPerEm = 0.0;
    double descentPerEm = 0.0;
};

// fontconfig and FreeType are not safe to share across threads, so all calls are serialised.
struct FreeTypeTextMetrics::Impl {
    std::mutex mutex;
    FcConfig* config = nullptr;
    FT_Library library = nullptr;
    std::map<std::string, LoadedFace> faces;  // by face name and boldness
    FixedTextMetrics fallback;

    Impl() {
        config = FcInitLoadConfigAndFonts();
        if (FT_Init_FreeType(&library) != 0) library = nullptr;
    }
    ~Impl() {
        for (auto& [key, f] : faces)
            if (f.face) FT_Done_Face(f.face);
        if (library) FT_Done_FreeType(library);
        if (config) FcConfigDestroy(config);
    }

    const LoadedFace& face(const Font& font) {
        const bool bold = font.weight >= 600;
        const std::string key = font.face + std::string(1, bold ? '\1' : '\0');
        auto it = faces.find(key);
        if (it != faces.end()) return it->second;
        LoadedFace loaded = load(font.face, bold);
        return faces.emplace(key, std::move(loaded)).first->second;
    }

    LoadedFace load(const std::string& name, bool bold) {
        LoadedFace out;
        if (!config || !library) return out;
        FcPattern* pattern = FcPatternCreate();
        if (!pattern) return out;
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        FcPatternDestroy(pattern);
        if (!match) return out;
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            out.file = reinterpret_cast<const char*>(file);
            if (FT_New_Face(library, out.file.c_str(), index, &out.face) != 0) out.face = nullptr;
        }
        FcPatternDestroy(match);
        if (!out.face || out.face->units_per_EM == 0) {
            if (out.face) FT_Done_Face(out.face);
            return {};
        }
        out.unitsPerEm = out.face->units_per_EM;
        // Windows sizes a cell by the OS/2 table's win metrics; other faces by their
        // ascender and descender.
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(out.face, FT_SFNT_OS2));
        double ascent = out.face->ascender, descent = -out.face->descender;
        if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
            ascent = os2->usWinAscent;
            descent = os2->usWinDescent;
        }
        out.ascentPerEm = ascent / out.unitsPerEm;
        out.descentPerEm = descent / out.unitsPerEm;
        return out;
    }
};

FreeTypeTextMetrics::FreeTypeTextMetrics() : impl_(std::make_unique<Impl>()) {}
FreeTypeTextMetrics::~FreeTypeTextMetrics() = default;

FontMetrics FreeTypeTextMetrics::fontMetrics(const Font& font) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    const LoadedFace& f = impl_->face(font);
    if (!f.face) return impl_->fallback.fontMetrics(font);
    const double em = emHeight(font, f.ascentPerEm + f.descentPerEm);
    return {em, em * f.ascentPerEm, em * f.descentPerEm};
}

std::vector<double> FreeTypeTextMetrics::advances(const Font& font, const std::u32string& text) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    const LoadedFace& f = impl_->face(font);
    if (!f.face) return impl_->fallback.advances(font, text);
    const double perUnit = emHeight(font, f.ascentPerEm + f.descentPerEm) / f.unitsPerEm;
    std::vector<double> out;
    out.reserve(text.size());
    for (char32_t c : text) {
        // A character the face lacks takes the advance of its missing-glyph box.
        const FT_UInt glyph = FT_Get_Char_Index(f.face, c);
        FT_Fixed advance = 0;
        if (FT_Get_Advance(f.face, glyph, FT_LOAD_NO_SCALE, &advance) != 0) advance = 0;
        out.push_back(static_cast<double>(advance) * perUnit);
    }
    return out;
}

std::string FreeTypeTextMetrics::faceFile(const Font& font) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->face(font).file;
}

}  // namespace plikatra
