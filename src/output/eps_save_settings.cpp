#include "output/eps_save_settings.h"

namespace plikatra {

EpsSaveSettings initialEpsSaveSettings(const Model& model, bool omitFillFace, bool omitFillFlap) {
    EpsSaveSettings state;
    state.omitFillFace = omitFillFace;
    state.omitFillFlap = omitFillFlap;
    if (!model.texts.empty()) state.info = kEpsTextNotSupported;
    return state;
}

}  // namespace plikatra
