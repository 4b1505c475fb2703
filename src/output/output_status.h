// The outcome of an output step: success, or the message the front end shows.
#pragma once

#include <string>

namespace plikatra {

struct OutputStatus {
    std::string message;  // empty on success

    bool ok() const { return message.empty(); }
    static OutputStatus success() { return {}; }
    static OutputStatus failure(std::string text) { return {std::move(text)}; }
};

}  // namespace plikatra
