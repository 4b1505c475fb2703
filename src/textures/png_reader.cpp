// PNG decoding with libpng. The library reports a fatal error through its error callback and
// then jumps back to the setjmp of the step that called it. Each step keeps only plain C data
// in its frame, so no destructor is skipped; the pixels are allocated between the steps,
// outside any jump.

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "base/file_io.h"
#include "base/ui.h"
#include "textures/image_readers.h"

namespace plikatra {

namespace {

// Deflate cannot expand a compressed byte into more than this many bytes, so image data that
// inflates beyond it describes bytes the file does not hold.
constexpr std::uint64_t kMaxInflateRatio = 1032;
// Small pictures may always be asked for, whatever the file's size.
constexpr std::uint64_t kAlwaysAllowedImageBytes = 1u << 16;

struct Decoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
    char message[256] = "";

    ~Decoder() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

void onError(png_structp png, png_const_charp text) {
    auto* d = static_cast<Decoder*>(png_get_error_ptr(png));
    std::snprintf(d->message, sizeof d->message, "%s", text);
    png_longjmp(png, 1);
}

// Warnings are not shown: the decoder passes over the damage it warns about.
void onWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, png_size_t n) {
    auto* d = static_cast<Decoder*>(png_get_io_ptr(png));
    if (n > d->data.size() - d->pos) png_error(png, kMsgPngTruncated);
    std::memcpy(out, d->data.data() + d->pos, n);
    d->pos += n;
}

// Reads the header and sets the conversions to 8-bit RGB. `storedBytes` is the size of the
// image data once inflated, before any conversion.
bool readHeader(Decoder& d, png_uint_32& width, png_uint_32& height, std::uint64_t& storedBytes) {
    if (setjmp(png_jmpbuf(d.png))) return false;
    png_set_read_fn(d.png, &d, readBytes);
    png_read_info(d.png, d.info);
    width = png_get_image_width(d.png, d.info);
    height = png_get_image_height(d.png, d.info);
    storedBytes = std::uint64_t(height) * (png_get_rowbytes(d.png, d.info) + 1);

    const int colorType = png_get_color_type(d.png, d.info);
    const int bitDepth = png_get_bit_depth(d.png, d.info);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d.png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(d.png);
    if (bitDepth == 16) png_set_scale_16(d.png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(d.png, d.info, PNG_INFO_tRNS))
        png_set_strip_alpha(d.png);
    if (!(colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(d.png);
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);
    if (png_get_channels(d.png, d.info) != 3 || png_get_bit_depth(d.png, d.info) != 8 ||
        png_get_rowbytes(d.png, d.info) != std::size_t(width) * 3)
        png_error(d.png, "Unsupported PNG pixel format");
    return true;
}

bool readRows(Decoder& d, png_bytepp rows) {
    if (setjmp(png_jmpbuf(d.png))) return false;
    png_read_image(d.png, rows);
    return true;
}

enum class Outcome { Ok, DecoderError, TooLarge, OutOfMemory };

// Decodes the PNG data into `img`, bottom row first.
Outcome decode(std::span<const std::uint8_t> data, Decoder& d, DecodedImage& img) {
    d.data = data;
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d, onError, onWarning);
    if (!d.png) return Outcome::OutOfMemory;
    d.info = png_create_info_struct(d.png);
    if (!d.info) return Outcome::OutOfMemory;

    png_uint_32 width = 0, height = 0;
    std::uint64_t storedBytes = 0;
    if (!readHeader(d, width, height, storedBytes)) return Outcome::DecoderError;
    img.width = static_cast<int>(width);
    img.height = static_cast<int>(height);
    if (width > kMaxDecodedSide || height > kMaxDecodedSide ||
        storedBytes > std::max(kAlwaysAllowedImageBytes, data.size() * kMaxInflateRatio))
        return Outcome::TooLarge;

    std::vector<png_bytep> rows;
    try {
        img.rgb.resize(std::size_t(width) * height * 3);
        rows.resize(height);
    } catch (const std::bad_alloc&) {
        return Outcome::OutOfMemory;
    }
    const std::size_t rowBytes = std::size_t(width) * 3;
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = img.rgb.data() + std::size_t(height - 1 - y) * rowBytes;
    return readRows(d, rows.data()) ? Outcome::Ok : Outcome::DecoderError;
}

}  // namespace

bool hasPngSignature(std::span<const std::uint8_t> data) {
    return data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0;
}

std::optional<DecodedImage> readPngData(std::span<const std::uint8_t> data, Ui& ui) {
    Decoder decoder;
    DecodedImage img;
    switch (decode(data, decoder, img)) {
        case Outcome::Ok:
            return img;
        case Outcome::DecoderError:
            ui.message(decoder.message[0] ? decoder.message : "Unsupported PNG file", kPngErrorCaption,
                       MessageIcon::Error);
            break;
        case Outcome::TooLarge:
            ui.message(format(kMsgPngTooLarge, img.width, img.height), kPngErrorCaption,
                       MessageIcon::Error);
            break;
        case Outcome::OutOfMemory:
            ui.message(kMsgPngOutOfMemory, kAppTitle, MessageIcon::Error);
            break;
    }
    return std::nullopt;
}

std::optional<DecodedImage> readPngImage(const std::string& path, Ui& ui) {
    std::vector<std::uint8_t> data;
    bool read = false;
    try {
        read = isRegularFile(path) && readWholeFile(path, data);
    } catch (const std::bad_alloc&) {
        ui.message(kMsgPngOutOfMemory, kAppTitle, MessageIcon::Error);
        return std::nullopt;
    }
    if (!read) {
        ui.message(format(kMsgPngOpenFailed, path.c_str()), kAppTitle, MessageIcon::Warning);
        return std::nullopt;
    }
    return readPngData(data, ui);
}

}  // namespace plikatra
