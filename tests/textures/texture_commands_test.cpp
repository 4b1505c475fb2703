#include <gtest/gtest.h>

#include "texture_test_util.h"
#include "textures/texture_commands.h"

namespace plikatra::test {
namespace {

struct FakeHost : TextureCommandHost {
    std::optional<std::string> chosen;
    int chooseCalls = 0, dialogShown = 0, redraws = 0, modified = 0;
    std::optional<std::string> chooseTextureFile() override { return ++chooseCalls, chosen; }
    void showTextureConfiguration() override { ++dialogShown; }
    void redrawAllViews() override { ++redraws; }
    void setDocumentModified() override { ++modified; }
};

struct TextureCommands : ::testing::Test {
    TextureCommands() { model.bTextureCoodinates = true; }
    TextureTestScope scope;
    FakeHost host;
    TextureConfiguration dialog{host};
    Model model;
    const std::string good = corpusTexture("bmp8_palette_6x6.bmp");
};

TEST_F(TextureCommands, SetTextureOnModelWithoutUvOnlyWarns) {
    model.bTextureCoodinates = false;
    setTexture(model, host, dialog);
    EXPECT_EQ(scope.ui.texts(), std::vector<std::string>{
        "Current model has no uv-coordinate for texture,\nso texture image cannot be set."});
    EXPECT_EQ(host.chooseCalls + host.dialogShown, 0);
}

TEST_F(TextureCommands, SetTextureOnDefaultOrOnlyMaterial) {
    host.chosen = good;
    setTexture(model, host, dialog);
    EXPECT_TRUE(model.defaultMaterial.hasTexture);
    ASSERT_TRUE(model.defaultMaterial.texture);
    EXPECT_EQ(model.defaultMaterial.textureFile, good);

    Material* only = model.addMaterial();
    setTexture(model, host, dialog);
    EXPECT_TRUE(only->hasTexture);
    EXPECT_EQ(host.modified, 2);
    EXPECT_EQ(host.dialogShown, 0);

    const TextureImage* before = only->texture.get();  // a failed load keeps it
    host.chosen = scope.dir.write("bad.bmp", "not a bitmap");
    setTexture(model, host, dialog);
    EXPECT_EQ(scope.ui.texts().back(), "Failed to load texture image");
    EXPECT_EQ(only->texture.get(), before);
    EXPECT_EQ(only->textureFile, good);
    EXPECT_EQ(host.modified, 2);
}

TEST_F(TextureCommands, ConfigurationListAndButtons) {
    model.addMaterial();
    model.addMaterial()->name = "Wood";
    model.addMaterial();
    model.addMaterial();
    dialog.rebuild(&model);
    std::vector<std::string> names;
    for (const auto& e : dialog.entries()) names.push_back(e.text);
    EXPECT_EQ(names, (std::vector<std::string>{"Pattern-1", "Wood", "Pattern-2", "Pattern-3"}));

    setTexture(model, host, dialog);  // several materials: the dialog on its first entry
    EXPECT_EQ(host.dialogShown, 1);
    EXPECT_EQ(host.chooseCalls, 0);
    EXPECT_EQ(dialog.highlightedMaterial(), model.materials[0].get());
    EXPECT_FALSE(dialog.resetTextureEnabled());

    dialog.select(1);
    Material* wood = model.materials[1].get();
    host.chosen = scope.dir.path() + "/gone.bmp";
    dialog.specifyTexture();
    EXPECT_EQ(scope.ui.texts(), std::vector<std::string>{"File does not exist"});
    host.chosen = good;
    dialog.specifyTexture();
    EXPECT_TRUE(wood->hasTexture);
    EXPECT_TRUE(dialog.resetTextureEnabled());
    dialog.select(0);
    EXPECT_FALSE(dialog.resetTextureEnabled());
    dialog.select(1);
    dialog.resetTexture();
    EXPECT_FALSE(wood->texture);
    EXPECT_EQ(wood->textureFile, "");
    EXPECT_FALSE(dialog.resetTextureEnabled());
    EXPECT_EQ(host.modified, 2);
    dialog.close();
    EXPECT_EQ(dialog.highlightedMaterial(), nullptr);
}

TEST(TextureCoordinates, ReverseTwiceRestoresAndOnlyWhileEditable) {
    Model model;
    TexCoord* a = model.addSolid()->addTexCoord(0.25, 0.75);
    FakeHost host;
    reverseTextureUCommand(&model, false, host);
    EXPECT_DOUBLE_EQ(a->u, 0.75);
    EXPECT_DOUBLE_EQ(a->v, 0.75);
    reverseTextureUCommand(&model, false, host);
    reverseTextureVCommand(&model, false, host);
    EXPECT_DOUBLE_EQ(a->u, 0.25);
    EXPECT_DOUBLE_EQ(a->v, 0.25);
    reverseTextureVCommand(&model, true, host);  // finished development: disabled
    reverseTextureUCommand(nullptr, false, host);
    EXPECT_DOUBLE_EQ(a->v, 0.25);
    EXPECT_EQ(host.redraws, 3);
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
