// Encapsulated PostScript export of the development at true paper size.
#pragma once

#include <cstdio>
#include <string>

#include "base/ui.h"
#include "development/development_drawing.h"
#include "model/model.h"

namespace plikatra {

// Points per centimetre (72 / 2.54): development units times dMag2d times this give points.
inline constexpr double kPointsPerCm = 28.346456692913385;

struct EpsOptions {
    DrawingOptions drawing;
    bool omitFaceFill = false;  // "Don't Fill Surfaces"
    bool omitFlapFill = false;  // "Don't Fill Flaps"
};

// Writes the development of `model` (flaps, face fills, fold and cut lines, join numbers)
// to `out` as one EPS drawing, framed by the area the parts and texts take now; the model is
// only read. Numbers are written in the "C" locale whatever the process locale. Stream errors
// are left to the caller; always returns 0.
int exportEps(const Model& model, const EpsOptions& options, std::FILE* out);

// Writes the EPS to `path` through a temporary file beside it that replaces `path` only once
// it is complete, so a failed export leaves an existing file untouched. On failure returns
// false and, when `error` is given, stores kMsgCannotWriteFile there.
bool writeEpsFile(const Model& model, const EpsOptions& options, const std::string& path,
                  std::string* error);

}  // namespace plikatra
