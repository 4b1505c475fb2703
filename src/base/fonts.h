// The installed fonts as the core sees them: which face names exist, and how large a text
// comes out in a face at a size. Behind an interface so that the desktop program, the terminal
// tool and the tests can each supply their own.
#pragma once

#include <string>
#include <vector>

namespace plikatra {

// Face used when a requested face is not installed.
inline constexpr const char* kDefaultFontName = "Arial";

// Size of a line of text in pixels.
struct TextExtent {
    int width = 0;
    int height = 0;
};

class Fonts {
public:
    virtual ~Fonts() = default;
    // Names of the installed faces (family names), each once.
    virtual std::vector<std::string> faceNames() = 0;
    // Whether text set in `face` is shown in that face. Face names compare ignoring ASCII case,
    // as the font picker treats them.
    virtual bool isInstalled(const std::string& face);
    // Extent of `text` (UTF-8, one line) in `face` at a height of `pixelSize` pixels.
    virtual TextExtent textExtent(const std::string& face, int pixelSize,
                                  const std::string& text) = 0;
};

// The fonts fontconfig knows, measured with FreeType. A face that fontconfig substitutes by a
// metric-compatible one (as it does for widely used proprietary faces) counts as installed, since
// text set in it keeps its size.
class SystemFonts : public Fonts {
public:
    std::vector<std::string> faceNames() override;
    bool isInstalled(const std::string& face) override;
    // The face fontconfig picks for `face` is measured; 0 × 0 when none can be loaded.
    TextExtent textExtent(const std::string& face, int pixelSize, const std::string& text) override;
};

}  // namespace plikatra
