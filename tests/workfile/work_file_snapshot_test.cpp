// The copy a recovery copy is written from: the same text the writer gives, however the model
// changes after the copy was taken.
#include <gtest/gtest.h>

#include "model/primitive_shapes.h"
#include "test_util.h"
#include "workfile/work_file_writer.h"

namespace plikatra {
namespace {

TEST(WorkFileSnapshot, ComposesTheWritersTextAsItWasWhenTaken) {
    auto m = makeTorus(12, 8);
    Material* mat = m->addMaterial();
    mat->name = "painted";
    mat->hasTexture = true;
    mat->texture = std::make_unique<TextureImage>();
    mat->texture->width = 2;
    mat->texture->height = 1;
    mat->texture->pixels = {1, 2, 3, 4, 5, 6};
    m->solids[0]->faces.front()->materialIndex = 0;
    ASSERT_TRUE(createDevelopment(*m));
    auto text = std::make_unique<TextItem>();
    text->text = "label";
    m->texts.push_back(std::move(text));
    WorkFileDocumentState state;
    state.bFinished = true;
    state.settings.iPageType = 3;

    const std::string written = workFileText(*m, state);
    const WorkFileSnapshot snapshot(*m, state);
    EXPECT_EQ(snapshot.text(), written);

    m->solids[0]->vertices[0]->position.x += 1.0;
    m->solids[0]->faces.front()->halfedges.front()->flatX += 1.0;
    m->texts.front()->text = "changed";
    mat->texture->pixels[0] = 99;
    m->parts.front()->x += 1.0;
    m->dMag2d *= 2.0;
    EXPECT_EQ(snapshot.text(), written);
    EXPECT_NE(workFileText(*m, state), written);
}

}  // namespace
}  // namespace plikatra
