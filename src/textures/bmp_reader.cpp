// Windows bitmap reading. The file is read whole and every offset taken from it is checked
// against its size before use; sizes are computed in 64 bits so forged headers cannot wrap.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <new>
#include <sys/stat.h>

#include "base/byte_cursor.h"
#include "base/file_io.h"
#include "base/ui.h"
#include "textures/image_readers.h"

namespace plikatra {

namespace {

// Bitmap files are never larger than this: the biggest picture we accept, 32 bits per pixel,
// plus generous room for headers and colour table.
constexpr std::uint64_t kMaxBmpFileSize =
    std::uint64_t(kMaxDecodedSide) * kMaxDecodedSide * 4 + (1u << 20);

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV2HeaderSize = 52;  // the first size that carries its own masks
constexpr std::uint32_t kV3HeaderSize = 56;
constexpr std::uint32_t kOs2V2HeaderSize = 64;  // compression 3 and 4 mean other things there
constexpr std::uint32_t kV4HeaderSize = 108;
constexpr std::uint32_t kV5HeaderSize = 124;

bool isKnownHeaderSize(std::uint32_t size) {
    return size == kCoreHeaderSize || size == kInfoHeaderSize || size == kV2HeaderSize ||
           size == kV3HeaderSize || size == kOs2V2HeaderSize || size == kV4HeaderSize ||
           size == kV5HeaderSize;
}

void report(Ui& ui, const std::string& text) { ui.message(text, kBmpErrorCaption, MessageIcon::Error); }

// Thrown inside the reader for a picture that cannot be converted; caught at the top.
struct ConversionError {};

using Palette = std::array<std::array<std::uint8_t, 3>, 256>;  // R, G, B

// One colour channel of a bit-field pixel, scaled to 8 bits.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0), bits_(std::popcount(mask)) {}
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (bits_ == 0) return 0;
        const std::uint32_t v = (pixel & mask_) >> shift_;
        if (bits_ >= 8) return static_cast<std::uint8_t>(std::min<std::uint32_t>(v >> (bits_ - 8), 255));
        const std::uint32_t max = (1u << bits_) - 1;
        return static_cast<std::uint8_t>(std::min<std::uint32_t>((v * 255 + max / 2) / max, 255));
    }

private:
    std::uint32_t mask_;
    int shift_;
    int bits_;
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top first
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t masks[3] = {0, 0, 0};
};

// Pixel indices of an RLE8 or RLE4 stream, one byte per pixel, bottom row first; pixels the
// stream skips keep index 0. The stream must reach its end mark or fill every row.
void decodeRle(ByteCursor& b, std::uint64_t pos, int width, int height, bool rle4,
               std::vector<std::uint8_t>& index) {
    std::int64_t x = 0, y = 0;
    auto put = [&](std::uint8_t v) {
        // Past the row end a run only moves the position; rows do not wrap.
        if (x < width) index[std::size_t(y) * width + std::size_t(x)] = v;
        ++x;
    };
    for (;;) {
        if (y >= height) return;
        if (!b.at(pos).has(2)) throw ConversionError{};
        const std::uint8_t count = b.at(pos).u8(), value = b.at(pos + 1).u8();
        pos += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k) put(rle4 ? ((k & 1) ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (!b.at(pos).has(2)) throw ConversionError{};
            x += b.at(pos).u8();
            y += b.at(pos + 1).u8();
            pos += 2;
        } else {
            // Absolute run: `value` pixels, padded to a 16-bit boundary.
            const std::uint64_t bytes = rle4 ? (value + 1u) / 2 : value;
            if (!b.at(pos).has(bytes)) throw ConversionError{};
            for (int k = 0; k < value; ++k) {
                const std::uint8_t byte = b.at(pos + (rle4 ? k / 2 : k)).u8();
                if (y < height) put(rle4 ? ((k & 1) ? byte & 15 : byte >> 4) : byte);
            }
            pos += bytes + (bytes & 1);
        }
    }
}

DecodedImage convert(ByteCursor& b, const Header& h, std::uint64_t pixelPos,
                     const Palette& palette) {
    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height < 0 ? -h.height : h.height);
    const bool topDown = h.height < 0;
    const std::size_t pixelCount = std::size_t(width) * height;

    DecodedImage img;
    img.width = width;
    img.height = height;

    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        // A run pair gives at most 255 pixels per 2 bytes, but end marks and skips let a tiny
        // stream describe a big picture; a picture far beyond what the stream holds is forged.
        const std::uint64_t budget = std::max<std::uint64_t>(1u << 22, (std::uint64_t(b.size()) - pixelPos) * 256);
        if (pixelCount > budget) throw ConversionError{};
        std::vector<std::uint8_t> index(pixelCount, 0);
        decodeRle(b, pixelPos, width, height, h.compression == kBiRle4, index);
        img.rgb.resize(pixelCount * 3);
        for (std::size_t i = 0; i < pixelCount; ++i) {
            const auto& c = palette[index[i]];
            img.rgb[i * 3] = c[0];
            img.rgb[i * 3 + 1] = c[1];
            img.rgb[i * 3 + 2] = c[2];
        }
        return img;
    }

    const std::uint64_t rowBits = std::uint64_t(width) * h.bitCount;
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    const std::uint64_t needed = stride * (height - 1) + (rowBits + 7) / 8;
    if (!b.at(pixelPos).has(needed)) throw ConversionError{};
    img.rgb.resize(pixelCount * 3);

    std::uint32_t masks[3] = {h.masks[0], h.masks[1], h.masks[2]};
    if (h.compression == kBiRgb && h.bitCount == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (h.compression == kBiRgb && h.bitCount == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

    for (int r = 0; r < height; ++r) {
        const std::uint8_t* src = b.at(pixelPos + stride * r).take((rowBits + 7) / 8);
        const int outRow = topDown ? height - 1 - r : r;
        std::uint8_t* dst = img.rgb.data() + std::size_t(outRow) * width * 3;
        for (int x = 0; x < width; ++x, dst += 3) {
            switch (h.bitCount) {
                case 1:
                case 4:
                case 8: {
                    const int bit = x * h.bitCount;
                    const int shift = 8 - h.bitCount - bit % 8;
                    const int idx = (src[bit / 8] >> shift) & ((1 << h.bitCount) - 1);
                    dst[0] = palette[idx][0], dst[1] = palette[idx][1], dst[2] = palette[idx][2];
                    break;
                }
                case 24:
                    dst[0] = src[x * 3 + 2], dst[1] = src[x * 3 + 1], dst[2] = src[x * 3];
                    break;
                default: {
                    const std::uint8_t* p = src + std::size_t(x) * (h.bitCount / 8);
                    std::uint32_t v = p[0] | (p[1] << 8);
                    if (h.bitCount == 32) v |= (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
                    dst[0] = red(v), dst[1] = green(v), dst[2] = blue(v);
                }
            }
        }
    }
    return img;
}

// Parses the headers and colour table and converts the pixels. Returns none after reporting
// an unknown header; throws ConversionError for a picture that cannot be converted.
std::optional<DecodedImage> parse(ByteCursor& b, Ui& ui) {
    std::uint64_t pos = 0;
    bool fileHeader = false;
    std::uint64_t offBits = 0;
    if (b.size() >= 2 && b.at(0).u8() == 'B' && b.at(1).u8() == 'M') {
        if (!b.at(0).has(kFileHeaderSize)) throw ConversionError{};
        offBits = b.at(10).u32();
        pos = kFileHeaderSize;
        fileHeader = true;
    }
    if (!b.at(pos).has(4)) {
        report(ui, kMsgBmpUnknownFormat);
        return std::nullopt;
    }
    const std::uint32_t headerSize = b.at(pos).u32();
    if (!isKnownHeaderSize(headerSize)) {
        report(ui, kMsgBmpUnknownFormat);
        return std::nullopt;
    }
    if (!b.at(pos).has(headerSize)) throw ConversionError{};

    Header h;
    std::uint64_t clrUsed = 0;
    std::uint64_t entrySize = 4;
    std::uint64_t maskBytes = 0;
    if (headerSize == kCoreHeaderSize) {
        h.width = b.at(pos + 4).u16();
        h.height = b.at(pos + 6).u16();
        h.bitCount = b.at(pos + 10).u16();
        entrySize = 3;
    } else {
        h.width = static_cast<std::int32_t>(b.at(pos + 4).u32());
        h.height = static_cast<std::int32_t>(b.at(pos + 8).u32());
        h.bitCount = b.at(pos + 14).u16();
        h.compression = b.at(pos + 16).u32();
        clrUsed = b.at(pos + 32).u32();
        if (headerSize == kOs2V2HeaderSize && h.compression > kBiRle4) throw ConversionError{};
        if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
            std::uint64_t maskPos = pos + 40;
            if (headerSize < kV2HeaderSize) {
                // The masks follow a plain info header, before the colour table.
                maskBytes = h.compression == kBiAlphaBitfields ? 16 : 12;
                maskPos = pos + headerSize;
                if (!b.at(maskPos).has(maskBytes)) throw ConversionError{};
            }
            for (int i = 0; i < 3; ++i) h.masks[i] = b.at(maskPos + 4 * i).u32();
        }
    }

    const std::int64_t absHeight = h.height < 0 ? -h.height : h.height;
    if (h.width < 1 || absHeight < 1 || h.width > kMaxDecodedSide || absHeight > kMaxDecodedSide)
        throw ConversionError{};
    const int bpp = h.bitCount;
    bool formatOk = false;
    switch (h.compression) {
        case kBiRgb: formatOk = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; break;
        case kBiRle8: formatOk = bpp == 8 && h.height > 0; break;
        case kBiRle4: formatOk = bpp == 4 && h.height > 0; break;
        case kBiBitfields:
        case kBiAlphaBitfields: formatOk = bpp == 16 || bpp == 32; break;
        default: break;
    }
    if (!formatOk) throw ConversionError{};

    const std::uint64_t tableCount =
        clrUsed != 0 ? clrUsed : (bpp == 1 ? 2 : bpp == 4 ? 16 : bpp == 8 ? 256 : 0);
    const std::uint64_t tablePos = pos + headerSize + maskBytes;
    if (tableCount > std::uint64_t(b.size()) || !b.at(tablePos).has(tableCount * entrySize)) throw ConversionError{};
    Palette palette{};
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(tableCount, 256); ++i) {
        const std::uint64_t e = tablePos + i * entrySize;
        palette[i] = {b.at(e + 2).u8(), b.at(e + 1).u8(), b.at(e).u8()};
    }

    const std::uint64_t pixelPos = fileHeader ? offBits : tablePos + tableCount * entrySize;
    if (pixelPos > std::uint64_t(b.size())) throw ConversionError{};
    return convert(b, h, pixelPos, palette);
}

}  // namespace

std::optional<DecodedImage> readBmpData(std::span<const std::uint8_t> data, Ui& ui) {
    try {
        if (data.size() > kMaxBmpFileSize) throw ConversionError{};
        ByteCursor in(data, true);
        return parse(in, ui);
    } catch (const ConversionError&) {
        report(ui, kMsgBmpConversionError);
    } catch (const import_exception&) {
        // A header or offset pointing past the end of the file.
        report(ui, kMsgBmpConversionError);
    } catch (const std::bad_alloc&) {
        report(ui, kMsgBmpOutOfMemory);
    }
    return std::nullopt;
}

std::optional<DecodedImage> readBmpImage(const std::string& path, Ui& ui) {
    // A file too large to be a picture we accept is refused without reading it.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        std::uint64_t(st.st_size) > kMaxBmpFileSize) {
        report(ui, kMsgBmpConversionError);
        return std::nullopt;
    }
    std::vector<std::uint8_t> data;
    bool read = false;
    try {
        read = isRegularFile(path) && readWholeFile(path, data) && !data.empty();
    } catch (const std::bad_alloc&) {
        report(ui, kMsgBmpOutOfMemory);
        return std::nullopt;
    }
    if (!read) {
        report(ui, format(kMsgBmpOpenFailed, path.c_str()));
        return std::nullopt;
    }
    return readBmpData(data, ui);
}

}  // namespace plikatra
