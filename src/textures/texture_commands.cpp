#include "textures/texture_commands.h"

#include <filesystem>
#include <system_error>

#include "base/ui.h"
#include "textures/texture_image.h"

namespace plikatra {

namespace {

void warn(Ui& ui, const char* text) { ui.message(text, kAppTitle, MessageIcon::Warning); }

}  // namespace

bool attachTextureFile(Material& material, const std::string& path, int sizeLimit, Ui& ui) {
    std::unique_ptr<TextureImage> image = loadTextureImage(path, sizeLimit, ui);
    if (!image) return false;
    material.texture = std::move(image);
    material.hasTexture = true;
    material.textureFile = path;
    return true;
}

void TextureConfiguration::rebuild(Model* model) {
    entries_.clear();
    selected_ = -1;
    highlighted_ = nullptr;
    resetEnabled_ = false;
    if (!model) return;
    int unnamed = 0;
    for (auto& m : model->materials) {
        entries_.push_back({m->name.empty() ? format(kUnnamedMaterialFormat, ++unnamed) : m->name,
                            m.get()});
    }
}

void TextureConfiguration::open() {
    if (!entries_.empty()) select(0);
}

Material* TextureConfiguration::selectedMaterial() const {
    return selected_ >= 0 ? entries_[selected_].material : nullptr;
}

void TextureConfiguration::select(int index) {
    selected_ = index >= 0 && index < int(entries_.size()) ? index : -1;
    highlighted_ = selectedMaterial();
    resetEnabled_ = highlighted_ && highlighted_->hasTexture;
}

bool TextureConfiguration::specifyTexture(const std::string& path, int sizeLimit, Ui& ui) {
    Material* m = selectedMaterial();
    if (!m) return false;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        warn(ui, kMsgTextureFileMissing);
        return false;
    }
    if (!attachTextureFile(*m, path, sizeLimit, ui)) {
        warn(ui, kMsgTextureLoadFailed);
        return false;
    }
    resetEnabled_ = true;
    return true;
}

bool TextureConfiguration::resetTexture() {
    Material* m = selectedMaterial();
    if (!m) return false;
    m->texture.reset();
    m->hasTexture = false;
    m->textureFile.clear();
    resetEnabled_ = false;
    return true;
}

void TextureConfiguration::close() { highlighted_ = nullptr; }

TexturePreview texturePreview(const Material* material, int clientWidth, int clientHeight) {
    constexpr int kMargin = 2;
    TexturePreview p;
    p.x = p.y = kMargin;
    p.width = std::max(0, clientWidth - 2 * kMargin);
    p.height = std::max(0, clientHeight - 2 * kMargin);
    if (!material || p.width == 0 || p.height == 0) return p;
    const TextureImage* t = material->texture.get();
    if (material->hasTexture && t && t->width > 0 && t->height > 0 &&
        t->pixels.size() >= std::size_t(t->width) * t->height * 3) {
        p.kind = TexturePreview::Kind::Image;
        p.rgb.resize(std::size_t(p.width) * p.height * 3);
        for (int i = 0; i < p.height; ++i) {
            const std::size_t row = std::size_t(std::int64_t(i) * t->height / p.height);
            for (int j = 0; j < p.width; ++j) {
                const std::size_t col = std::size_t(std::int64_t(j) * t->width / p.width);
                const std::uint8_t* s = &t->pixels[(row * t->width + col) * 3];
                std::uint8_t* d = &p.rgb[(std::size_t(i) * p.width + j) * 3];
                d[0] = s[0], d[1] = s[1], d[2] = s[2];
            }
        }
    } else if (material->colorGiven) {
        p.kind = TexturePreview::Kind::Color;
        p.color = material->flatColor;
    }
    return p;
}

}  // namespace plikatra
