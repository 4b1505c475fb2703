// The "EPS Save Settings" dialog as data: what it shows and what OK stores.
#pragma once

#include <string>

#include "model/model.h"

namespace plikatra {

inline constexpr const char* kEpsSaveSettingsTitle = "EPS Save Settings";
inline constexpr const char* kEpsOmitFillFaceLabel = "Don't Fill Surfaces";
inline constexpr const char* kEpsOmitFillFlapLabel = "Don't Fill Flaps";
inline constexpr const char* kEpsTextNotSupported = "* Text output is not supported";

struct EpsSaveSettings {
    bool omitFillFace = false;  // "Don't Fill Surfaces"
    bool omitFillFlap = false;  // "Don't Fill Flaps"
    std::string info;           // read-only line: empty or kEpsTextNotSupported
};

// The dialog's initial state: both check boxes as the options have them, and the note that text
// items are left out when the development of `model` holds any. OK stores the check boxes back
// into the settings.
EpsSaveSettings initialEpsSaveSettings(const Model& model, bool omitFillFace, bool omitFillFlap);

}  // namespace plikatra
