// The models the benchmarks compare methods on: each a name and a way to make it, either
// generated or read from a folder of model files made by other people.
#pragma once

#include <memory>
#include <string>

#include "app/open_model.h"
#include "model/model.h"
#include "silent_ui.h"

namespace plikatra::bench {

struct Shape {
    const char* name;
    std::unique_ptr<Model> (*make)();
};

// The model file `path` under the folder `root`, read as the program reads it; null when
// it cannot be read.
inline std::unique_ptr<Model> readCorpusModel(const std::string& root, const char* path) {
    SilentUi ui;
    LoadOutcome outcome;
    return readModelFile(root + "/" + path, ModelFileOptions{}, ui, outcome);
}

}  // namespace plikatra::bench
