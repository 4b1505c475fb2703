#include "output/bitmap_file.h"

#include <cmath>
#include <string_view>

#include "base/file_io.h"
#include "output/png_encoder.h"

namespace plikatra {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

std::size_t bmpRowStride(int width) {
    return width > 0 ? (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3) : 0;
}

std::vector<std::uint8_t> bmpPixelRows(const RgbImage& image) {
    const std::size_t stride = bmpRowStride(image.width);
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(image.empty() ? 0 : image.height), 0);
    for (int y = 0; y < image.height && !image.empty(); ++y) {
        std::uint8_t* out = rows.data() + stride * static_cast<std::size_t>(image.height - 1 - y);
        const std::uint8_t* in = image.pixel(0, y);
        for (int x = 0; x < image.width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return rows;
}

std::vector<std::uint8_t> encodeBmp(const RgbImage& image) {
    const std::vector<std::uint8_t> rows = bmpPixelRows(image);
    const auto imageSize = static_cast<std::uint32_t>(rows.size());
    std::vector<std::uint8_t> out;
    out.reserve(kBmpHeaderSize + rows.size());
    out.push_back('B');
    out.push_back('M');
    put32(out, kBmpHeaderSize + imageSize);
    put16(out, 0);
    put16(out, 0);
    put32(out, kBmpHeaderSize);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(image.empty() ? 0 : image.width));
    put32(out, static_cast<std::uint32_t>(image.empty() ? 0 : image.height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // no compression
    put32(out, imageSize);
    put32(out, kBitmapPixelsPerMetre);
    put32(out, kBitmapPixelsPerMetre);
    put32(out, 0);
    put32(out, 0);
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

OutputStatus writeBmpFile(const std::string& path, const RgbImage& image) {
    const std::vector<std::uint8_t> bytes = encodeBmp(image);
    if (!replaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
        return OutputStatus::failure(kMsgBmpWriteError);
    return OutputStatus::success();
}

int pixelsPerMetre(int pixels, double cm) {
    if (!(cm > 0) || pixels < 1) return 0;
    const double ppm = std::round(pixels * 100.0 / cm);
    return ppm >= 1 && ppm <= 2147483647.0 ? static_cast<int>(ppm) : 0;
}

OutputStatus writePngFile(const std::string& path, const RgbImage& image, double widthCm, double heightCm) {
    const std::vector<std::uint8_t> bytes =
        encodePngFile(image, pixelsPerMetre(image.width, widthCm), pixelsPerMetre(image.height, heightCm));
    if (bytes.empty() ||
        !replaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
        return OutputStatus::failure(kMsgBmpWriteError);
    return OutputStatus::success();
}

void slideColorToWhite(RgbImage& image) {
    for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
        std::uint8_t* p = image.pixels.data() + i;
        if (p[0] > 251 && p[1] > 251 && p[2] > 251) p[0] = p[1] = p[2] = 255;
    }
}

}  // namespace plikatra
