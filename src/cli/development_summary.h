// The counts plikatra-cli prints about a development.
#pragma once

#include <nlohmann/json.hpp>

#include "development/development_drawing.h"
#include "model/model.h"

namespace plikatra {

struct DevelopmentSummary {
    int parts = 0;
    int faces = 0;
    int largestJoinNumber = 0;
    int flaps = 0;
};

DevelopmentSummary summarizeDevelopment(const Model& model);

// The JSON fields shared by the commands that end with a development; the pages are those of
// `grid`, the grid the development is printed on.
nlohmann::json developmentJson(const Model& model, const SheetGrid& grid);

// The same as lines of text on standard output.
void printDevelopment(const Model& model, const SheetGrid& grid);

}  // namespace plikatra
