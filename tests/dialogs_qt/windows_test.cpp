// The two modeless windows follow the document: refilled when a file opens, and changing the
// model only through the document's operations.
#include <QImage>
#include <QListWidget>
#include <QPushButton>

#include "qt/dialogs/object_list_window.h"
#include "qt/dialogs/texture_window.h"
#include "form_test_util.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

using Windows = DocumentFixture;

std::unique_ptr<Model> cubeWithSolids() {
    auto model = makeCube();
    model->solids[0]->name = "body";
    model->addSolid("");
    model->addSolid("");
    return model;
}

void clickRow(QListWidget* list, int row) {
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

TEST_F(Windows, ObjectListShowsAndSetsVisibility) {
    ObjectListWindow window(doc);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Object List");
    auto* list = child<QListWidget>(&window, "objects");
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(list->isEnabled());

    doc.adopt(cubeWithSolids());  // refilled on FileOpened
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "body");
    EXPECT_EQ(list->item(1)->text(), "Object-1");
    EXPECT_EQ(list->item(2)->text(), "Object-2");
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(list->selectedItems().size(), 3);

    clickRow(list, 1);
    EXPECT_FALSE(doc.model()->solids[1]->visible);
    EXPECT_TRUE(doc.model()->solids[0]->visible);
    click(child<QPushButton>(&window, "deselectAll"));
    for (const auto& s : doc.model()->solids) EXPECT_FALSE(s->visible);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    click(child<QPushButton>(&window, "selectAll"));
    for (const auto& s : doc.model()->solids) EXPECT_TRUE(s->visible);
    EXPECT_EQ(list->selectedItems().size(), 3);
}

TEST_F(Windows, ObjectListIsFixedWhileADevelopmentExists) {
    ObjectListWindow window(doc);
    window.show();
    openCube(true);
    auto* list = child<QListWidget>(&window, "objects");
    ASSERT_EQ(list->count(), 1);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_FALSE(child<QPushButton>(&window, "deselectAll")->isEnabled());
    // Even a selection made behind the disabled list's back changes nothing.
    list->item(0)->setSelected(false);
    EXPECT_TRUE(doc.model()->solids[0]->visible);
    EXPECT_TRUE(list->item(0)->isSelected());
}

std::unique_ptr<Model> cubeWithMaterials() {
    auto model = makeCube();
    model->bTextureCoodinates = true;
    Material* plain = model->addMaterial();
    plain->colorGiven = true;
    plain->setColor(0.0f, 1.0f, 0.0f);
    Material* textured = model->addMaterial();
    textured->name = "skin";
    textured->texture = std::make_unique<TextureImage>();
    textured->texture->width = textured->texture->height = 64;
    textured->texture->pixels.assign(64 * 64 * 3, 0);
    for (size_t i = 0; i < textured->texture->pixels.size(); i += 3)
        textured->texture->pixels[i + 2] = 255;  // blue
    textured->hasTexture = true;
    model->addMaterial();
    return model;
}

QColor previewCentre(QWidget* preview) {
    const QImage image = preview->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

TEST_F(Windows, TextureConfigurationFollowsTheSelection) {
    TextureConfigurationWindow window(doc);
    doc.adopt(cubeWithMaterials());
    auto* list = child<QListWidget>(&window, "materials");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "Pattern-1");
    EXPECT_EQ(list->item(1)->text(), "skin");
    EXPECT_EQ(list->item(2)->text(), "Pattern-2");

    // "Set Texture..." with several materials opens the window on the first entry.
    rec.textureConfigurationShown = 0;
    doc.setTexture();
    window.show();
    EXPECT_EQ(rec.textureConfigurationShown, 1);
    EXPECT_EQ(list->currentRow(), 0);
    auto* preview = child<QWidget>(&window, "preview");
    auto* reset = child<QPushButton>(&window, "resetTexture");
    EXPECT_FALSE(reset->isEnabled());
    EXPECT_EQ(previewCentre(preview), QColor(0, 255, 0));

    clickRow(list, 1);
    EXPECT_EQ(doc.textureConfiguration().highlightedMaterial(), doc.model()->materials[1].get());
    EXPECT_TRUE(reset->isEnabled());
    EXPECT_EQ(previewCentre(preview), QColor(0, 0, 255));

    doc.setModified(false);
    click(reset);
    EXPECT_FALSE(doc.model()->materials[1]->hasTexture);
    EXPECT_FALSE(reset->isEnabled());
    EXPECT_TRUE(doc.modified());

    click(child<QPushButton>(&window, "close"));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(doc.textureConfiguration().highlightedMaterial(), nullptr);
}

TEST_F(Windows, TextureConfigurationSpecifiesThroughTheFrontEnd) {
    TextureConfigurationWindow window(doc);
    doc.adopt(cubeWithMaterials());
    window.show();
    clickRow(child<QListWidget>(&window, "materials"), 2);
    rec.textureFiles = {"/nonexistent/texture.bmp"};
    click(child<QPushButton>(&window, "specifyTexture"));
    EXPECT_EQ(rec.texts(), std::vector<std::string>{kMsgTextureFileMissing});
    EXPECT_FALSE(doc.model()->materials[2]->hasTexture);

    // Escape closes like "Close".
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(doc.textureConfiguration().highlightedMaterial(), nullptr);
}

}  // namespace
