#include "output/png_encoder.h"

#include <png.h>
#include <zlib.h>

#include <cstring>

namespace plikatra {

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {  // PNG is big-endian
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void chunk(std::vector<std::uint8_t>& out, const char type[4], const std::uint8_t* data, std::size_t size) {
    put32(out, static_cast<std::uint32_t>(size));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size) out.insert(out.end(), data, data + size);
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    put32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::vector<std::uint8_t> encodePng(const RgbImage& image) {
    if (image.empty()) return {};
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // filter: none
        const std::uint8_t* row = image.pixel(0, y);
        raw.insert(raw.end(), row, row + rowBytes);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    packed.resize(packedSize);

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    put32(header, static_cast<std::uint32_t>(image.width));
    put32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
    chunk(out, "IHDR", header.data(), header.size());
    chunk(out, "IDAT", packed.data(), packed.size());
    chunk(out, "IEND", nullptr, 0);
    return out;
}

std::string base64(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const std::uint32_t v = static_cast<std::uint32_t>(bytes[i]) << 16 | static_cast<std::uint32_t>(bytes[i + 1]) << 8 | bytes[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < bytes.size()) {
        std::uint32_t v = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

void flushNothing(png_structp) {}

// libpng reports errors by longjmp; nothing with a destructor may live between its setjmp and
// the calls that can jump, so the rows are prepared by the caller.
bool writeWithLibpng(const RgbImage& image, int ppmX, int ppmY, std::vector<png_bytep>& rows,
                     std::vector<std::uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (ppmX > 0 && ppmY > 0)
        png_set_pHYs(png, info, static_cast<png_uint_32>(ppmX), static_cast<png_uint_32>(ppmY), PNG_RESOLUTION_METER);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::vector<std::uint8_t> encodePngFile(const RgbImage& image, int pixelsPerMetreX, int pixelsPerMetreY) {
    std::vector<std::uint8_t> out;
    if (image.empty()) return out;
    std::vector<std::uint8_t> pixels = image.pixels;  // libpng takes rows as non-const pointers
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.data() + y * rowBytes;
    if (!writeWithLibpng(image, pixelsPerMetreX, pixelsPerMetreY, rows, out)) out.clear();
    return out;
}

}  // namespace plikatra
