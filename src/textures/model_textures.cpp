#include "textures/model_textures.h"

#include <algorithm>
#include <utility>

#include "textures/texture_image.h"
#include "textures/texture_path.h"

namespace plikatra {

namespace {

// Most lines of the warning, so that a model naming hundreds of missing files still gives a
// box that fits on the screen.
constexpr int kMaxListedProblems = 10;

// Keeps the decoders' first message as the reason instead of showing it; everything else
// goes to the real front end.
class ReasonRecorder : public Ui {
public:
    explicit ReasonRecorder(Ui& ui) : ui_(ui) {}
    std::string reason;

    void message(const std::string& text, const std::string&, MessageIcon) override {
        if (reason.empty()) reason = text;
    }
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons,
               MessageIcon icon) override {
        return ui_.ask(text, caption, buttons, icon);
    }
    ProgressFrontEnd& progress() override { return ui_.progress(); }
    Fonts& fonts() override { return ui_.fonts(); }

private:
    Ui& ui_;
};

// A decoder message on one line: its line breaks become spaces, outer spaces go.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

ModelTextures::ModelTextures(std::string baseFile, int sizeLimit, Ui& ui)
    : baseFile_(std::move(baseFile)), sizeLimit_(sizeLimit), ui_(ui) {}

void ModelTextures::attach(const std::string& name, std::span<Material* const> materials) {
    if (name.empty() || materials.empty()) return;
    auto found = loaded_.find(name);
    if (found == loaded_.end()) {
        std::unique_ptr<TextureImage> image;
        std::string reason = kMsgTextureNotFound;
        if (const auto file = resolveModelTexturePath(baseFile_, name)) {
            ReasonRecorder recorder(ui_);
            image = loadTextureImage(*file, sizeLimit_, recorder);
            reason = recorder.reason.empty() ? kMsgTextureUnreadable : oneLine(recorder.reason);
        }
        if (!image) problems_.push_back(format(kMsgTextureNotLoadedLine, name.c_str(), reason.c_str()));
        found = loaded_.emplace(name, std::move(image)).first;
    }
    for (Material* m : materials) {
        m->textureFile = name;
        if (!found->second) continue;
        m->texture = std::make_unique<TextureImage>(*found->second);
        m->hasTexture = true;
    }
}

void ModelTextures::report() {
    if (problems_.empty()) return;
    std::string text = kMsgTexturesNotLoaded;
    const int listed = std::min(int(problems_.size()), kMaxListedProblems);
    for (int i = 0; i < listed; ++i) text += "\n" + problems_[i];
    if (int(problems_.size()) > listed) text += "\n" + format(kMsgMoreTexturesNotLoaded, int(problems_.size()) - listed);
    ui_.message(text, kAppTitle, MessageIcon::Warning);
    problems_.clear();
}

}  // namespace plikatra
