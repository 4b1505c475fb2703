#include "output/bitmap_size_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/file_io.h"

namespace plikatra {

namespace {

// The integer part, saturating; NaN gives 0.
int integerPart(double v) {
    if (!(v == v)) return 0;
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(v);
}

int readInt(const std::string& s) {
    const long v = std::strtol(s.c_str(), nullptr, 10);
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

double readReal(const std::string& s) { return ::strtod_l(s.c_str(), nullptr, cLocale()); }

std::string formatted(const char* format, int value) {
    char text[256];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

BitmapSizeDialog::BitmapSizeDialog(double widthCm, double heightCm, int limit, bool compressed)
    : limit_(limit), compressed_(compressed), w_(widthCm), h_(heightCm) {
    naturalWidth_ = integerPart(kBitmapPixelsPerInch * widthCm / 2.54);
    naturalHeight_ = integerPart(kBitmapPixelsPerInch * heightCm / 2.54);
    int width = naturalWidth_, height = naturalHeight_, scale = 100;
    if (naturalWidth_ > limit) {
        width = limit;
        height = integerPart(limit * h_ / w_);
        scale = integerPart(100.0 * limit / naturalWidth_ + 0.5);
    }
    if (height > limit) {
        width = integerPart(limit * w_ / h_);
        scale = naturalWidth_ > 0 ? integerPart(100.0 * width / naturalWidth_ + 0.5) : 0;
    }
    texts_[static_cast<int>(Field::Width)] = formatted("%d", width);
    texts_[static_cast<int>(Field::Height)] = formatted("%d", integerPart(width * h_ / w_));
    texts_[static_cast<int>(Field::Scale)] = formatted("%d", scale);
}

const std::string& BitmapSizeDialog::text(Field field) const { return texts_[static_cast<int>(field)]; }

int BitmapSizeDialog::width() const { return readInt(text(Field::Width)); }
int BitmapSizeDialog::height() const { return readInt(text(Field::Height)); }
double BitmapSizeDialog::scale() const { return readReal(text(Field::Scale)); }

void BitmapSizeDialog::set(Field field, int value) {
    texts_[static_cast<int>(field)] = formatted("%d", value);
    if (onFieldSet) onFieldSet(field, texts_[static_cast<int>(field)]);
}

void BitmapSizeDialog::edit(Field field, const std::string& text) {
    if (linking_) return;
    texts_[static_cast<int>(field)] = text;
    linking_ = true;
    const double w0 = naturalWidth_;
    switch (field) {
        case Field::Width: {
            const int width = readInt(text);
            if (width <= 0) break;
            set(Field::Height, integerPart(width * h_ / w_ + 0.5));
            set(Field::Scale, w0 > 0 ? integerPart(width / w0 * 100 + 0.5) : 0);
            break;
        }
        case Field::Height: {
            const int height = readInt(text);
            if (height <= 0) break;
            const int width = integerPart(height * w_ / h_ + 0.5);
            set(Field::Width, width);
            set(Field::Scale, w0 > 0 ? integerPart(width / w0 * 100 + 0.5) : 0);
            break;
        }
        case Field::Scale: {
            const double scale = readReal(text);
            if (!(scale > 0.0)) break;
            const int width = integerPart(scale * w0 * 0.01);
            set(Field::Width, width);
            set(Field::Height, integerPart(width * h_ / w_ + 0.5));
            break;
        }
    }
    linking_ = false;
}

BitmapSizeDialog::OkOutcome BitmapSizeDialog::ok() const {
    const int w = width(), h = height();
    if (w < 1 || h < 1 || w > limit_ || h > limit_)
        return {OkOutcome::Kind::Invalid, formatted(kMsgBitmapSizeRange, limit_)};
    const long long megabytes = static_cast<long long>(w) * h * 3 / 1000000;
    if (compressed_ || megabytes < kBitmapLargeMegabytes) return {OkOutcome::Kind::Accept, {}};
    return {OkOutcome::Kind::Ask, formatted(kMsgBitmapSizeLarge, static_cast<int>(megabytes))};
}

}  // namespace plikatra
