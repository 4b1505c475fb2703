// The outputs of the command-line tool that need Qt's painting (made in cli/qt, on its off-screen
// platform, so no display is needed): PDF.
#pragma once

#include <string>

#include "app/document.h"

namespace plikatra {

// The printed pages of the development as a PDF file.
bool writePdf(const Document& doc, const std::string& path, std::string& error);

}  // namespace plikatra
