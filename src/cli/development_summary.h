// The counts plikatra-cli prints about a development.
#pragma once

#include <nlohmann/json.hpp>

#include "model/model.h"

namespace plikatra {

struct DevelopmentSummary {
    int parts = 0;
    int faces = 0;
    int largestJoinNumber = 0;
    int flaps = 0;
};

DevelopmentSummary summarizeDevelopment(const Model& model);

// The JSON fields shared by the commands that end with a development.
nlohmann::json developmentJson(const Model& model);

// The same as lines of text on standard output.
void printDevelopment(const Model& model);

}  // namespace plikatra
