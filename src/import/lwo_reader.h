// LWO object files (IFF forms of type LWOB and LWO2).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads an LWO file into `model` as one solid with its surfaces as materials and runs
// construction; returns a reader result code (0 or 1, the reader cannot be cancelled). An
// LWOB file that ends before its form is kept as far as it goes, with a warning naming it.
int readLwo(const std::string& path, Model& model, const ReadContext& ctx);
// The same for the bytes of a file held in memory; `path` only names the file in messages.
int readLwoData(std::span<const std::uint8_t> data, Model& model, const ReadContext& ctx,
                const std::string& path = {});

}  // namespace plikatra
