#include <gtest/gtest.h>

#include "app/document.h"
#include "texture_test_util.h"
#include "textures/texture_commands.h"

namespace plikatra::test {
namespace {

struct TextureCommands : ::testing::Test {
    TextureCommands() {
        auto m = std::make_unique<Model>();
        m->bTextureCoodinates = true;
        doc.adopt(std::move(m));
        doc.addListener([this](DocumentEvent e) { redraws += e == DocumentEvent::Redraw; });
    }
    Model& model() { return *doc.model(); }
    TextureTestScope scope;
    Settings settings;
    Document doc{scope.ui, settings};
    int redraws = 0;
    const std::string good = corpusTexture("bmp8_palette_6x6.bmp");
};

TEST_F(TextureCommands, SetTextureOnModelWithoutUvOnlyWarns) {
    model().bTextureCoodinates = false;
    scope.ui.textureFiles = {good};
    doc.setTexture();
    EXPECT_EQ(scope.ui.texts(), std::vector<std::string>{
        "Current model has no uv-coordinate for texture,\nso texture image cannot be set."});
    EXPECT_EQ(scope.ui.textureFiles.size(), 1u);  // no file was asked for
    EXPECT_EQ(scope.ui.textureConfigurationShown, 0);
}

TEST_F(TextureCommands, SetTextureOnDefaultOrOnlyMaterial) {
    scope.ui.textureFiles = {good};
    doc.setTexture();
    EXPECT_TRUE(model().defaultMaterial.hasTexture);
    ASSERT_TRUE(model().defaultMaterial.texture);
    EXPECT_EQ(model().defaultMaterial.textureFile, good);
    EXPECT_TRUE(doc.modified());

    Material* only = model().addMaterial();
    doc.setModified(false);
    scope.ui.textureFiles = {good};
    doc.setTexture();
    EXPECT_TRUE(only->hasTexture);
    EXPECT_TRUE(doc.modified());
    EXPECT_EQ(scope.ui.textureConfigurationShown, 0);

    const TextureImage* before = only->texture.get();  // a failed load keeps it
    doc.setModified(false);
    scope.ui.textureFiles = {scope.dir.write("bad.bmp", "not a bitmap")};
    doc.setTexture();
    EXPECT_EQ(scope.ui.texts().back(), "Failed to load texture image");
    EXPECT_EQ(only->texture.get(), before);
    EXPECT_EQ(only->textureFile, good);
    EXPECT_FALSE(doc.modified());
}

TEST_F(TextureCommands, ConfigurationListAndButtons) {
    model().addMaterial();
    model().addMaterial()->name = "Wood";
    model().addMaterial();
    model().addMaterial();
    TextureConfiguration& dialog = doc.textureConfiguration();
    dialog.rebuild(&model());
    std::vector<std::string> names;
    for (const auto& e : dialog.entries()) names.push_back(e.text);
    EXPECT_EQ(names, (std::vector<std::string>{"Pattern-1", "Wood", "Pattern-2", "Pattern-3"}));

    doc.setTexture();  // several materials: the dialog on its first entry
    EXPECT_EQ(scope.ui.textureConfigurationShown, 1);
    EXPECT_EQ(dialog.highlightedMaterial(), model().materials[0].get());
    EXPECT_FALSE(dialog.resetTextureEnabled());

    doc.selectTextureEntry(1);
    Material* wood = model().materials[1].get();
    scope.ui.textureFiles = {scope.dir.path() + "/gone.bmp"};
    doc.specifyTexture();
    EXPECT_EQ(scope.ui.texts(), std::vector<std::string>{"File does not exist"});
    EXPECT_FALSE(doc.modified());
    scope.ui.textureFiles = {good};
    doc.specifyTexture();
    EXPECT_TRUE(wood->hasTexture);
    EXPECT_TRUE(dialog.resetTextureEnabled());
    EXPECT_TRUE(doc.modified());
    doc.selectTextureEntry(0);
    EXPECT_FALSE(dialog.resetTextureEnabled());
    doc.selectTextureEntry(1);
    doc.setModified(false);
    doc.resetTexture();
    EXPECT_FALSE(wood->texture);
    EXPECT_EQ(wood->textureFile, "");
    EXPECT_FALSE(dialog.resetTextureEnabled());
    EXPECT_TRUE(doc.modified());
    const int before = redraws;
    doc.closeTextureConfiguration();
    EXPECT_EQ(dialog.highlightedMaterial(), nullptr);
    EXPECT_EQ(redraws, before + 1);
}

TEST_F(TextureCommands, ReverseTwiceRestoresAndOnlyWhileEditable) {
    TexCoord* a = model().addSolid()->addTexCoord(0.25, 0.75);
    EXPECT_TRUE(doc.reverseTextureU());
    EXPECT_DOUBLE_EQ(a->u, 0.75);
    EXPECT_DOUBLE_EQ(a->v, 0.75);
    doc.reverseTextureU();
    doc.reverseTextureV();
    EXPECT_DOUBLE_EQ(a->u, 0.25);
    EXPECT_DOUBLE_EQ(a->v, 0.25);
    EXPECT_EQ(redraws, 3);
    model().bFinished = true;  // finished development: disabled
    EXPECT_FALSE(doc.reverseTextureV());
    EXPECT_DOUBLE_EQ(a->v, 0.25);
    EXPECT_FALSE(reverseTextureUCoordinate(nullptr));
    EXPECT_EQ(redraws, 3);
}

TEST(TextureCoordinates, PreviewInsideMargin) {
    Material m;
    m.colorGiven = true;
    EXPECT_EQ(texturePreview(&m, 20, 10).kind, TexturePreview::Kind::Color);
    m.texture = std::make_unique<TextureImage>(TextureImage{2, 2, {10, 0, 0, 20, 0, 0, 30, 0, 0, 40, 0, 0}});
    m.hasTexture = true;
    TexturePreview p = texturePreview(&m, 8, 6);
    ASSERT_EQ(p.kind, TexturePreview::Kind::Image);
    EXPECT_EQ(p.x, 2);
    ASSERT_EQ(p.rgb.size(), 4u * 2 * 3);
    const std::uint8_t expect[] = {10, 10, 20, 20, 30, 30, 40, 40};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p.rgb[i * 3], expect[i]) << i;
}

}  // namespace
}  // namespace plikatra::test
