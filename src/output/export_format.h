// Which writer a chosen development file name asks for, and the texts around saving and
// copying the development.
#pragma once

#include <string>

namespace plikatra {

inline constexpr const char* kDevelopmentFileFilter =
    "BMP Format (*.bmp)|*.bmp|PNG Format (*.png)|*.png|EPS Format (No Texture) (*.eps)|*.eps|EMF Format (No Texture) (*.emf)|*.emf|"
    "PDF (*.pdf)|*.pdf|SVG (*.svg)|*.svg||";
inline constexpr const char* kPdfFileFilter = "PDF (*.pdf)|*.pdf||";
inline constexpr const char* kDevelopmentFileDefaultExtension = "bmp";
inline constexpr const char* kMsgFormatNotSupported = "Specified file format is not supported";
inline constexpr const char* kMsgFailedToOpenClipboard = "Failed to open clipboard";
inline constexpr const char* kMsgCannotEmptyClipboard = "Cannot delete existing data on clipboard";
inline constexpr const char* kMsgCannotSetClipboard = "Cannot set data to clipboard";
inline constexpr const char* kMsgFailedToCopyToClipboard = "Failed to copy to clipboard";
// The clipboard format the metafile is offered under.
inline constexpr const char* kMetafileMimeType = "image/x-emf";

enum class DevelopmentFileFormat { Bitmap, Png, Metafile, Eps, Svg, Pdf, Unsupported };

// The format named by the extension of `path` (".bmp", ".png", ".emf", ".eps", ".svg", ".pdf", any
// case).
DevelopmentFileFormat developmentFileFormat(const std::string& path);

}  // namespace plikatra
