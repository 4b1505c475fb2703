#include "workfile/work_file_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>

#include "app/options.h"
#include "base/settings.h"
#include "model/primitive_shapes.h"
#include "test_util.h"

namespace plikatra {
namespace {

namespace fs = std::filesystem;

// Every test starts from the initial settings, since the file copies several of them.
class WorkFileWriterTest : public ::testing::Test {
protected:
    Settings& settings() { return settings_; }
    WorkFileDocumentState stateOf(const Model& m) { return {m.bFinished, workFileSettingsOf(settings_)}; }
    bool writeWorkFile(Model& m, const std::string& path, std::string* error) {
        return plikatra::writeWorkFile(m, path, stateOf(m), error);
    }
    Settings settings_;
};

// The text from the line that starts with `from` up to (not including) the one that starts
// with `to`.
std::string section(const std::string& text, const std::string& from, const std::string& to) {
    const size_t a = text.find("\n" + from);
    const size_t b = text.find("\n" + to, a + 1);
    if (a == std::string::npos || b == std::string::npos) return "<missing>";
    return text.substr(a + 1, b - a);
}

TEST_F(WorkFileWriterTest, CubeMatchesGoldenFile) {
    auto cube = test::makeCube();
    const std::string golden =
        test::readFile(PLIKATRA_SOURCE_DIR "/tests/workfile/data/cube.ufd");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(workFileText(*cube, {}), golden);
}

// Two triangles of a square folded along the diagonal in one part, with a flap on a cut edge,
// an erased fold line, a textured material and a text item.
TEST_F(WorkFileWriterTest, WritesDevelopmentRecordsExactly) {
    Model m;
    Solid* s = test::addPolygonSolid(
        m, {{0, 0, 0}, {2.5, 0, 0}, {2.5, 1.25, 0}, {0, 1.25, 0.1234567}}, {{0, 1, 2}, {0, 2, 3}});
    s->name = "sheet";
    Face* f0 = s->faces[0].get();
    Face* f1 = s->faces[1].get();
    f0->normal = f1->normal = {0, 0, 1};
    f1->planeD = -0.5;
    f1->materialIndex = 0;
    auto corner = [](Face* f, int i) { return f->halfedges[static_cast<size_t>(i)].get(); };
    const double flat[2][3][2] = {{{0, 0}, {2.5, 0}, {2.5, 1.25}}, {{0, 0}, {2.5, 1.25}, {0, 1.25}}};
    for (int i = 0; i < 3; ++i) {
        corner(f0, i)->flatX = flat[0][i][0], corner(f0, i)->flatY = flat[0][i][1];
        corner(f1, i)->flatX = flat[1][i][0], corner(f1, i)->flatY = flat[1][i][1];
    }
    corner(f0, 0)->texCoord = s->addTexCoord(0.0, 1.0);
    corner(f0, 1)->texCoord = s->addTexCoord(0.5, 1.0);
    corner(f0, 2)->texCoord = s->addTexCoord(0.5, 0.25);
    Halfedge* fold0 = corner(f0, 2);
    Halfedge* fold1 = corner(f1, 0);
    fold0->twin = fold1, fold1->twin = fold0;
    fold0->lineShown = fold1->lineShown = false;
    corner(f1, 1)->hasFlap = true;
    corner(f1, 1)->flapHeight = 0.75;

    auto edge = [&](Halfedge* a, Halfedge* b, int va, int vb, int kind, bool mountain) {
        auto e = std::make_unique<Edge>();
        e->a = a, e->b = b, e->kind = kind, e->mountain = mountain;
        e->va = s->vertices[static_cast<size_t>(va)].get();
        e->vb = s->vertices[static_cast<size_t>(vb)].get();
        s->edges.push_back(std::move(e));
    };
    edge(corner(f0, 0), nullptr, 0, 1, kEdgeOpen, true);
    edge(corner(f0, 1), nullptr, 1, 2, kEdgeOpen, false);
    edge(fold0, fold1, 2, 0, kEdgeKeep, false);
    edge(corner(f1, 1), nullptr, 2, 3, kEdgeCut, true);
    edge(corner(f1, 2), nullptr, 3, 0, kEdgeNormal, false);
    edge(nullptr, nullptr, 1, 3, kEdgeNormal, false);

    auto part = std::make_unique<Part>();
    part->index = 4;  // stale: the file numbers parts by position
    part->solid = s;
    part->x = 1.5, part->y = 2.25, part->width = 5.0, part->height = 3.5;
    part->faces = {f0, f1};
    f0->part = f1->part = part.get();
    m.parts.push_back(std::move(part));

    Material* mat = m.addMaterial();
    mat->name = "paper";
    mat->setColor(0.25f, 0.5f, 0.75f);
    mat->specular = {0.1f, 0.2f, 0.3f, 1.0f};
    mat->shininess = 12.5f;
    mat->colorGiven = mat->hasTexture = true;
    mat->texture = std::make_unique<TextureImage>();
    mat->texture->width = mat->texture->height = 2;
    // Bytes that look like a line end or a string end must pass through untouched.
    mat->texture->pixels = {1, 2, 3, '\n', 0, 255, 4, 5, 6, 7, 8, '\r'};

    auto text = std::make_unique<TextItem>();
    text->text = "Hello world";
    text->fontName = "Liberation Sans";
    text->fontSize = 24;
    text->x = 1.0, text->y = -2.0, text->width = 3.5, text->height = 1.25;
    text->color = 10 | (20 << 8) | (30 << 16);
    m.texts.push_back(std::move(text));

    m.boundsMax = {2.5, 1.25, 0.1234567};
    m.boundsMin = {0, 0, 0};
    m.dMag3d = 0.5, m.dMag2d = 20.0;
    m.dKavimozuX = -1.0, m.dKavimozuY = 2.0, m.dKavimozuWidth = 30.0, m.dKavimozuHeight = 40.0;
    m.dKavimozuMargin = 0.25;
    m.bReverse = m.bTextureCoodinates = true;
    // Every setting the file copies moves away from its initial value, so a value taken from
    // the wrong entry shows.
    Settings& st = settings();
    st.iAngleEps = 170, st.iTaniLineType = 3, st.iYamaLineType = 0, st.iCutLineType = 1;
    st.bDrawNorishiro = false, st.bDrawEdgeNumber = true, st.bUseMaterial = false;
    st.iEdgeNumberFontSize = 12, st.bNorishiroReverse = true, st.bEdgeIdReverse = true;
    st.bEnableLineAlpha = true, st.dTextureLineAlpha = 0.75, st.bCullEdge = false;
    st.iPageType = 3, st.dPageMarginSide = 0.5, st.dPageMarginTop = 2.0;
    st.bDrawWhiteBkLine = true;

    EXPECT_EQ(workFileText(m, WorkFileDocumentState{true, workFileSettingsOf(st)}),
              test::readFile(PLIKATRA_SOURCE_DIR "/tests/workfile/data/development.ufd"));
    m.bFinished = false;
    EXPECT_NE(workFileText(m, stateOf(m)).find("\nbFinished 0\n"), std::string::npos);
}

TEST_F(WorkFileWriterTest, NumbersVerticesAndFacesPerSolidAndPartsByPosition) {
    auto m = test::makeCube();
    Solid* second = test::addPolygonSolid(*m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    Face* face = second->faces[0].get();
    face->index = 6;  // the running number over all solids that construction leaves
    second->vertices[2]->index = 9;
    auto e = std::make_unique<Edge>();
    e->a = face->halfedges[0].get(), e->kind = kEdgeOpen;
    e->va = second->vertices[0].get(), e->vb = second->vertices[1].get();
    second->edges.push_back(std::move(e));
    m->parts.push_back(std::make_unique<Part>());
    m->parts[0]->index = 7, m->parts[0]->solid = second, face->part = m->parts[0].get();

    const std::string out = workFileText(*m, {});
    const std::string solid2 = section(out, "faces 1", "defaultmaterial");
    EXPECT_EQ(solid2.substr(0, 56), "faces 1\n-1 0 0.000000 0.000000 0.000000 0.000000 3 \n0 0.");
    EXPECT_NE(solid2.find("\n2 0.000000"), std::string::npos);
    EXPECT_NE(solid2.find("\nedges 1\n0 -1 0 1 21 0\n"), std::string::npos);
    EXPECT_NE(out.find("\nparts 1\n1 0.000000"), std::string::npos);
    // Writing numbers the records only: the elements keep the numbers they had.
    EXPECT_EQ(face->index, 6);
    EXPECT_EQ(second->vertices[2]->index, 9);
    EXPECT_EQ(m->parts[0]->index, 7);
}

TEST_F(WorkFileWriterTest, PrintsSpecialNumbersAsTheCLibraryDoes) {
    // The untouched bounds are ±DBL_MAX: 309 digits before the point each, none cut off.
    Model empty;
    const std::string model = section(workFileText(empty, {}), "model", "solids");
    EXPECT_EQ(model.size(), 6 + 6 * (309 + 7) + 3 + 5 + 1);
    EXPECT_EQ(model.substr(0, 22), "model -179769313486231");
    EXPECT_EQ(model.substr(model.size() - 17), "124858368.000000\n");

    auto cube = test::makeCube();
    Halfedge* h = cube->solids[0]->faces[0]->halfedges[0].get();
    h->flatX = -0.0;
    h->flatY = std::nan("");
    h->flapHeight = -std::nan("");
    EXPECT_NE(workFileText(*cube, {}).find("\n0 -0.000000 nan 0.000000 0.000000 0 1 -nan\n"),
              std::string::npos);
}

TEST_F(WorkFileWriterTest, KeepsNamesOnOneLineAndPromisesNoMissingTexture) {
    Model m;
    test::addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}})->name = "a\nb";
    m.addMaterial()->hasTexture = true;  // no image to go with the flag
    const std::string out = workFileText(m, {});
    EXPECT_NE(out.find("\nsolid\na b\n1\n"), std::string::npos);
    EXPECT_NE(out.find(" 0 0\nparts 0\n"), std::string::npos);
}

TEST_F(WorkFileWriterTest, SaveReplacesPreviousFileWholeAndLeavesNoTemporary) {
    auto cube = test::makeCube();
    const std::string expected = workFileText(*cube, {});
    test::TempDir dir;
    const std::string path = dir.write("doc.ufd", std::string(100000, 'x'));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeWorkFile(*cube, path, nullptr));
    EXPECT_EQ(test::readFile(path), expected);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // The stream form writes the same bytes and leaves the stream open for its owner.
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(WorkFileWriter(*cube, {}).write(f), 0);
    EXPECT_GE(std::fputs("tail", f), 0);
    std::fclose(f);
    EXPECT_EQ(test::readFile(path), expected + "tail");
}

TEST_F(WorkFileWriterTest, FailedSaveKeepsPreviousFileAndReportsConstantMessage) {
    auto cube = test::makeCube();
    test::TempDir dir;
    const std::string old = dir.write("doc.ufd", "previous content");
    std::string error;

    // Writing stops part way once the file outgrows the size limit.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1000;
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool written = writeWorkFile(*cube, old, &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "Cannot write to file");
    EXPECT_EQ(test::readFile(old), "previous content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // A folder in the target's place cannot be replaced by a file.
    dir.write("taken.ufd/inside", "keep");
    error.clear();
    EXPECT_FALSE(writeWorkFile(*cube, dir.path() + "/taken.ufd", &error));
    EXPECT_EQ(error, kMsgCannotWriteFile);
    EXPECT_EQ(test::readFile(dir.path() + "/taken.ufd/inside"), "keep");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);

    error.clear();
    EXPECT_FALSE(writeWorkFile(*cube, dir.path() + "/missing/doc.ufd", &error));
    EXPECT_EQ(error, kMsgCannotWriteFile);
    EXPECT_FALSE(fs::exists(dir.path() + "/missing"));
}

// A file of several megabytes goes out in pieces: the saved bytes are the text's, and a size
// limit reached in a later piece still fails the whole save.
TEST_F(WorkFileWriterTest, LargeFileIsWrittenInPiecesWithTheSameBytes) {
    auto sphere = makeIcosphere(5);
    const std::string expected = workFileText(*sphere, stateOf(*sphere));
    ASSERT_GT(expected.size(), 3u << 20);
    test::TempDir dir;
    const std::string path = dir.path() + "/big.ufd";
    ASSERT_TRUE(writeWorkFile(*sphere, path, nullptr));
    EXPECT_TRUE(test::readFile(path) == expected);

    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 2u << 20;
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string error;
    const bool written = writeWorkFile(*sphere, path, &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, kMsgCannotWriteFile);
    EXPECT_TRUE(test::readFile(path) == expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // Progress is told the bytes after each piece, and the estimate is near enough for a bar.
    std::vector<std::size_t> told;
    auto record = [&](std::size_t n) { return told.push_back(n), true; };
    ASSERT_TRUE(plikatra::writeWorkFile(*sphere, path, stateOf(*sphere), nullptr, record));
    ASSERT_GE(told.size(), 3u);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), expected.size());
    const double estimate = static_cast<double>(estimatedWorkFileBytes(*sphere));
    EXPECT_GT(estimate, expected.size() * 0.6);
    EXPECT_LT(estimate, expected.size() * 1.6);
    // Stopped after the second piece: nothing more is composed, the previous file stands and
    // there is no error to show.
    int pieces = 0;
    error = "x";
    EXPECT_FALSE(plikatra::writeWorkFile(*sphere, path, stateOf(*sphere), &error,
                                         [&](std::size_t) { return ++pieces < 2; }));
    EXPECT_EQ(pieces, 2);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(test::readFile(path) == expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace plikatra
