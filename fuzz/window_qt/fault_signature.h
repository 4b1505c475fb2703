// What a failed run of a sequence shows, reduced to the kind of failure, so that a shortened
// sequence counts as failing only when it fails the same way.
#pragma once

#include <string>

namespace plikatra::winfuzz {

// The first fault line ("FAULT at step ...: message"), sanitizer report line or, when the log
// has neither, how the process ended (`ending`: the exit status, or minus the signal). Details
// that vary from run to run are left out: digits, and what follows the message's first colon.
std::string faultSignature(const std::string& log, int ending);

}  // namespace plikatra::winfuzz
