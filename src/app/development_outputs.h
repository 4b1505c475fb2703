// The development of a document written to the other file formats, with the options of the
// document's settings: SVG, the metafile, the bitmap (drawn by an off-screen renderer the
// caller supplies), and the size question of the bitmap.
#pragma once

#include <string>

#include "app/document.h"
#include "output/bitmap_file.h"
#include "output/bitmap_render.h"
#include "output/bitmap_size_dialog.h"
#include "output/emf_writer.h"
#include "output/output_status.h"
#include "output/raster_source.h"
#include "output/text_metrics.h"

namespace plikatra {

// The drawing of the document's development with the settings' options.
DevelopmentDrawing developmentDrawingOf(const Document& doc);

OutputStatus saveDevelopmentSvg(const Document& doc, const std::string& path, TextMetrics& metrics);
// The metafile of the development for a file (or, with kEmfClipboardDescription, the
// clipboard) made for a device of `reference`.
std::vector<std::uint8_t> developmentMetafile(const Document& doc, TextMetrics& metrics,
                                              const EmfReferenceDevice& reference,
                                              const EmfDescription& description = kEmfFileDescription);
OutputStatus saveDevelopmentMetafile(const Document& doc, const std::string& path, TextMetrics& metrics,
                                     const EmfReferenceDevice& reference = {});

// The clipboard's metafile of the development, and a picture of the same drawing for programs
// that take no metafiles: the development's extent at the reference device's resolution (less
// when a side would exceed `pictureLimit` pixels), its text items drawn through `texts`.
struct ClipboardMetafile {
    std::vector<std::uint8_t> metafile;  // empty when it could not be made
    RgbImage picture;
};
ClipboardMetafile clipboardMetafile(const Document& doc, TextMetrics& metrics, const EmfReferenceDevice& reference,
                                    ImageCanvasFactory& texts, int pictureLimit);

// The "Development Size" dialog of a bitmap file of `kind` for the development's extent under
// `limit`.
BitmapSizeDialog bitmapSizeDialogOf(const Document& doc, int limit, BitmapFileKind kind = BitmapFileKind::Bmp);
// A width × height bitmap of the development: rendered by the source `raster` makes for the
// drawing, texts through `texts` (may be null), into `out`.
OutputStatus developmentBitmap(const Document& doc, int width, int height, const RasterFactory& raster,
                               ImageCanvasFactory* texts, RgbImage& out);
// Writes the bitmap as a file of `kind`; a PNG records the resolution at which it prints at
// the development's size on paper.
OutputStatus saveDevelopmentBitmap(const Document& doc, const std::string& path, int width, int height,
                                   const RasterFactory& raster, ImageCanvasFactory* texts,
                                   BitmapFileKind kind = BitmapFileKind::Bmp);

}  // namespace plikatra
