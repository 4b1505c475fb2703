#include "output/export_format.h"

#include "base/file_io.h"

namespace plikatra {

DevelopmentFileFormat developmentFileFormat(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return DevelopmentFileFormat::Unsupported;
    const std::string_view ext = std::string_view(path).substr(dot);
    if (equalsIgnoreAsciiCase(ext, ".bmp")) return DevelopmentFileFormat::Bitmap;
    if (equalsIgnoreAsciiCase(ext, ".png")) return DevelopmentFileFormat::Png;
    if (equalsIgnoreAsciiCase(ext, ".emf")) return DevelopmentFileFormat::Metafile;
    if (equalsIgnoreAsciiCase(ext, ".eps")) return DevelopmentFileFormat::Eps;
    if (equalsIgnoreAsciiCase(ext, ".svg")) return DevelopmentFileFormat::Svg;
    if (equalsIgnoreAsciiCase(ext, ".pdf")) return DevelopmentFileFormat::Pdf;
    return DevelopmentFileFormat::Unsupported;
}

}  // namespace plikatra
