// The "Development Size (BMP Format)" dialog as a model without a window: the proposed size,
// the three linked fields, and what OK leads to.
#pragma once

#include <functional>
#include <string>

namespace plikatra {

inline constexpr const char* kBitmapSizeTitle = "Development Size (BMP Format)";
inline constexpr const char* kPngSizeTitle = "Development Size (PNG Format)";
inline constexpr const char* kBitmapSizeWidthLabel = "Width";
inline constexpr const char* kBitmapSizeHeightLabel = "Height";
inline constexpr const char* kBitmapSizeScaleLabel = "Scale";
inline constexpr const char* kBitmapSizeNote = "* Calculate by 72pix/inch";
inline constexpr const char* kMsgBitmapSizeRange =
    "Specify a value of 1 - %d for vertical and horizontal pixel number";
inline constexpr const char* kMsgBitmapSizeLarge =
    "The BMP file size will be about %d MB.\nIt may not be saved correctly in Windows98/ME. Continue?";

inline constexpr int kBitmapFileLimit = 4096;       // pixels per side of a bitmap file
inline constexpr int kClipboardBitmapLimit = 1024;  // pixels per side on the clipboard
inline constexpr int kBitmapFieldChars = 5;         // characters each field takes
inline constexpr double kBitmapPixelsPerInch = 72.0;
// From this many megabytes on, OK asks before closing.
inline constexpr int kBitmapLargeMegabytes = 16;

class BitmapSizeDialog {
public:
    enum class Field { Width, Height, Scale };

    // What OK leads to.
    struct OkOutcome {
        enum class Kind {
            Invalid,  // show `text` and keep the dialog open
            Ask,      // ask `text` with Yes and No; close only on Yes
            Accept,   // close with width() × height()
        };
        Kind kind = Kind::Accept;
        std::string text;
    };

    // For a sheet extent of widthCm × heightCm on paper and a limit of `limit` pixels per
    // side: the natural size at 72 pixels per inch, cut down to the limit by width and then
    // by height, the height following the width's proportion.
    // A compressed file (PNG) is not asked about its size: a mostly white sheet packs small.
    BitmapSizeDialog(double widthCm, double heightCm, int limit, bool compressed = false);

    int limit() const { return limit_; }
    const char* title() const { return compressed_ ? kPngSizeTitle : kBitmapSizeTitle; }
    double widthCm() const { return w_; }
    double heightCm() const { return h_; }
    int naturalWidth() const { return naturalWidth_; }
    int naturalHeight() const { return naturalHeight_; }

    // The fields' texts ("%d" for numbers the dialog sets).
    const std::string& text(Field field) const;
    // The fields read as numbers (0 when a field holds no number).
    int width() const;
    int height() const;
    double scale() const;

    // The user changed `field` to `text`. A positive number there sets the other two
    // fields: width gives height and scale, height gives width and scale, scale (a real
    // number) gives width and height.
    void edit(Field field, const std::string& text);

    // Told every field the linking sets, so the window can show it. Edits the window
    // reports while it runs come from the linking itself and are ignored.
    std::function<void(Field, const std::string&)> onFieldSet;

    OkOutcome ok() const;

private:
    int limit_;
    bool compressed_ = false;
    double w_, h_;  // the extent in centimetres
    int naturalWidth_ = 0, naturalHeight_ = 0;
    std::string texts_[3];
    bool linking_ = false;

    void set(Field field, int value);
};

}  // namespace plikatra
