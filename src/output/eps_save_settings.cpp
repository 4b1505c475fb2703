#include "output/eps_save_settings.h"

#include "app/settings.h"

namespace plikatra {

EpsSaveSettings initialEpsSaveSettings(const Model& model) {
    EpsSaveSettings state;
    state.omitFillFace = settings().bOmitFillFaceInEPS;
    state.omitFillFlap = settings().bOmitFillNorishiroInEPS;
    if (!model.texts.empty()) state.info = kEpsTextNotSupported;
    return state;
}

void acceptEpsSaveSettings(const EpsSaveSettings& state) {
    settings().bOmitFillFaceInEPS = state.omitFillFace;
    settings().bOmitFillNorishiroInEPS = state.omitFillFlap;
}

}  // namespace plikatra
