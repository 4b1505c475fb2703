// The outputs of the command-line tool that need Qt's painting (made in qt/cli, on its off-screen
// platform, so no display is needed): PDF and the bitmap with its texts. Their raster parts are
// rendered off screen without a display too.
#pragma once

#include <string>

#include "app/document.h"
#include "output/bitmap_file.h"

namespace plikatra {

// The printed pages of the development as a PDF file.
bool writePdf(const Document& doc, const std::string& path, std::string& error);

// The bitmap file of the development at width × height pixels.
bool writeBmp(const Document& doc, const std::string& path, int width, int height, std::string& error,
              BitmapFileKind kind = BitmapFileKind::Bmp);

}  // namespace plikatra
