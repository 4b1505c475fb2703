// Decoders that turn BMP, JPEG and PNG files into plain RGB pixels for texture loading.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/ui.h"

namespace plikatra {

// Pixels as the decoders hand them over: width × height × 3 bytes, R, G, B, no row padding,
// bottom row of the picture first.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// Neither decoder accepts a picture wider or taller than this: no texture can be larger,
// and it keeps a forged header from asking for gigabytes.
inline constexpr int kMaxDecodedSide = 16384;

// Messages of the bitmap reader, shown under the caption kBmpErrorCaption.
inline constexpr const char* kBmpErrorCaption = "Error";
inline constexpr const char* kMsgBmpOpenFailed = "Failed to open DIB file %s.\n";
inline constexpr const char* kMsgBmpUnknownFormat = "Unknown DIB file format.";
inline constexpr const char* kMsgBmpConversionError = "Image file conversion error.";
inline constexpr const char* kMsgBmpOutOfMemory = "Out of memory.";

// Messages of the JPEG reader.
inline constexpr const char* kMsgJpegOpenFailed = "JPEG :\nCan't open %s\n";
inline constexpr const char* kMsgJpegOutOfMemory = "JpegFile :\nOut of memory";
inline constexpr const char* kJpegErrorCaption = "JPEG Error";
// Our own refusal of a header whose size the file cannot back, in the decoder's box.
inline constexpr const char* kMsgJpegTooLarge = "Image too large to load (%d x %d pixels)";

// Messages of the PNG reader; the decoder's own texts are shown under kPngErrorCaption too.
inline constexpr const char* kMsgPngOpenFailed = "PNG :\nCan't open %s\n";
inline constexpr const char* kMsgPngOutOfMemory = "PngFile :\nOut of memory";
inline constexpr const char* kPngErrorCaption = "PNG Error";
inline constexpr const char* kMsgPngTooLarge = "Image too large to load (%d x %d pixels)";
inline constexpr const char* kMsgPngTruncated = "The PNG file ends before its image data";

// Reads a Windows bitmap (with or without the 14-byte file header; core, info, V4 and V5
// headers; 1, 4, 8, 16, 24 and 32 bits per pixel; uncompressed, RLE8, RLE4 and bit fields).
// Problems are reported through `ui` and give none.
std::optional<DecodedImage> readBmpImage(const std::string& path, Ui& ui);
// The same for the bytes of a bitmap file held in memory.
std::optional<DecodedImage> readBmpData(std::span<const std::uint8_t> data, Ui& ui);

// Decodes a JPEG file; greyscale pictures come out with equal R, G and B. Problems, the
// decoder's own included, are reported through `ui` and give none.
std::optional<DecodedImage> readJpegImage(const std::string& path, Ui& ui);
// The same for the bytes of a JPEG file held in memory.
std::optional<DecodedImage> readJpegData(std::span<const std::uint8_t> data, Ui& ui);

// Decodes a PNG file of any colour type and bit depth: palettes and grey expand to RGB,
// 16-bit samples scale to 8 bits, and alpha (an alpha channel or a transparent colour) is
// dropped, as the other decoders drop it. Problems, the decoder's own included, are reported
// through `ui` and give none.
std::optional<DecodedImage> readPngImage(const std::string& path, Ui& ui);
// The same for the bytes of a PNG file held in memory.
std::optional<DecodedImage> readPngData(std::span<const std::uint8_t> data, Ui& ui);
// Whether the bytes start with the PNG signature.
bool hasPngSignature(std::span<const std::uint8_t> data);

}  // namespace plikatra
