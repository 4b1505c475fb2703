// JPEG decoding with libjpeg. The library reports fatal errors through error_exit, which by
// default ends the process; ours jumps back to the decoding function instead. Only plain C
// data lives in the frames the jump crosses, so no destructor is skipped.

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include <jpeglib.h>

#include "base/file_io.h"
#include "base/ui.h"
#include "textures/image_readers.h"

namespace plikatra {

namespace {

// A JPEG can compress a flat picture very well, but not beyond about a thousand pixels a
// byte; a header asking for more than that describes data the file does not hold.
constexpr std::uint64_t kMaxPixelsPerFileByte = 1024;
// Small files may always ask for this many pixels (256 × 256, 192 KB of output).
constexpr std::uint64_t kAlwaysAllowedPixels = 1u << 16;
// The most the decoder itself may allocate. Beyond its row buffers it needs memory in
// proportion to the picture only for progressive and multi-scan files (their coefficients);
// a picture that needs more is refused with the decoder's out-of-memory message instead of
// taking whatever a forged header asks for.
constexpr long kDecoderMemoryLimit = 256L << 20;

struct Decoder {
    jpeg_decompress_struct info;
    jpeg_error_mgr errorManager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onFatalError(j_common_ptr info) {
    // errorManager is not the first member, so find the Decoder from the client data.
    auto* d = static_cast<Decoder*>(info->client_data);
    (*info->err->format_message)(info, d->message);
    std::longjmp(d->jump, 1);
}

// Warnings about damaged data are not shown: the decoder repairs what it can.
void onMessage(j_common_ptr) {}

enum class Outcome { Ok, DecoderError, TooLarge, OutOfMemory };

// Decodes the JPEG data into `img`, bottom row first. `d` must outlive the call; on any
// outcome the decoder is released.
Outcome decode(std::span<const std::uint8_t> data, Decoder& d, DecodedImage& img) {
    const std::uint64_t fileSize = data.size();
    d.info.err = jpeg_std_error(&d.errorManager);
    d.errorManager.error_exit = onFatalError;
    d.errorManager.output_message = onMessage;
    d.message[0] = '\0';
    if (setjmp(d.jump)) {
        jpeg_destroy_decompress(&d.info);
        return Outcome::DecoderError;
    }
    jpeg_create_decompress(&d.info);
    d.info.client_data = &d;
    d.info.mem->max_memory_to_use = kDecoderMemoryLimit;
    jpeg_mem_src(&d.info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d.info, TRUE);

    // Greyscale is expanded below; everything else must come out as RGB, and the decoder
    // itself refuses what it cannot convert (CMYK, for one).
    if (d.info.jpeg_color_space != JCS_GRAYSCALE) d.info.out_color_space = JCS_RGB;

    const std::uint64_t w = d.info.image_width, h = d.info.image_height;
    if (w > kMaxDecodedSide || h > kMaxDecodedSide ||
        w * h > std::max(kAlwaysAllowedPixels, fileSize * kMaxPixelsPerFileByte)) {
        jpeg_destroy_decompress(&d.info);
        img.width = static_cast<int>(w);
        img.height = static_cast<int>(h);
        return Outcome::TooLarge;
    }

    jpeg_start_decompress(&d.info);
    const int width = static_cast<int>(d.info.output_width);
    const int height = static_cast<int>(d.info.output_height);
    const int components = d.info.output_components;
    if (components != 1 && components != 3) {
        jpeg_destroy_decompress(&d.info);
        return Outcome::DecoderError;
    }
    try {
        img.rgb.resize(std::size_t(width) * height * 3);
    } catch (const std::bad_alloc&) {
        jpeg_destroy_decompress(&d.info);
        return Outcome::OutOfMemory;
    }
    img.width = width;
    img.height = height;

    JSAMPARRAY grey = nullptr;
    if (components == 1) grey = (*d.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.info), JPOOL_IMAGE, width, 1);
    const std::size_t rowBytes = std::size_t(width) * 3;
    while (d.info.output_scanline < d.info.output_height) {
        const int top = static_cast<int>(d.info.output_scanline);
        JSAMPLE* dst = img.rgb.data() + std::size_t(height - 1 - top) * rowBytes;
        JSAMPROW row = components == 3 ? dst : grey[0];
        if (jpeg_read_scanlines(&d.info, &row, 1) != 1) {
            jpeg_destroy_decompress(&d.info);
            return Outcome::DecoderError;
        }
        if (components == 1) {
            for (int x = 0; x < width; ++x) dst[x * 3] = dst[x * 3 + 1] = dst[x * 3 + 2] = row[x];
        }
    }
    jpeg_finish_decompress(&d.info);
    jpeg_destroy_decompress(&d.info);
    return Outcome::Ok;
}

}  // namespace

std::optional<DecodedImage> readJpegData(std::span<const std::uint8_t> data, Ui& ui) {
    auto decoder = std::make_unique<Decoder>();
    DecodedImage img;
    switch (decode(data, *decoder, img)) {
        case Outcome::Ok:
            return img;
        case Outcome::DecoderError:
            ui.message(decoder->message[0] ? decoder->message : "Unsupported JPEG file",
                       kJpegErrorCaption, MessageIcon::Error);
            break;
        case Outcome::TooLarge:
            ui.message(format(kMsgJpegTooLarge, img.width, img.height), kJpegErrorCaption,
                       MessageIcon::Error);
            break;
        case Outcome::OutOfMemory:
            ui.message(kMsgJpegOutOfMemory, kAppTitle, MessageIcon::Error);
            break;
    }
    return std::nullopt;
}

std::optional<DecodedImage> readJpegImage(const std::string& path, Ui& ui) {
    std::vector<std::uint8_t> data;
    bool read = false;
    try {
        read = isRegularFile(path) && readWholeFile(path, data);
    } catch (const std::bad_alloc&) {
        ui.message(kMsgJpegOutOfMemory, kAppTitle, MessageIcon::Error);
        return std::nullopt;
    }
    if (!read) {
        ui.message(format(kMsgJpegOpenFailed, path.c_str()), kAppTitle, MessageIcon::Warning);
        return std::nullopt;
    }
    return readJpegData(data, ui);
}

}  // namespace plikatra
