#include "import/mqo_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/load_progress.h"
#include "quiet_readers.h"
#include "recording_progress.h"
#include "test_util.h"

using namespace std::string_literals;

namespace plikatra {
namespace {

const std::string kHeader = "Metasequoia Document\nFormat Text Ver 1.0\n\n";
const std::string kSquare = "\tvertex 4 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t1 1 0\n\t\t0 1 0\n\t}\n";

// An object block: `vertices` is a whole vertex block, then one face line per entry.
std::string object(const std::string& name, const std::vector<std::string>& faces,
                   const std::string& vertices = kSquare) {
    std::string s = "Object \"" + name + "\" {\n" + vertices + "\tface 1 {\n";
    for (const auto& f : faces) s += "\t\t" + f + "\n";
    return s + "\t}\n}\n";
}

struct Loaded {
    int result = -1;
    Model model;
    const Solid& solid(std::size_t i = 0) const { return *model.solids.at(i); }
};

std::unique_ptr<Loaded> load(const std::string& text, Ui* ui = nullptr) {
    test::TempDir dir;
    auto out = std::make_unique<Loaded>();
    RecordingFrontEnd quiet;
    out->result = readMqo(dir.write("m.mqo", text), out->model, ReadContext{ui ? *ui : quiet});
    return out;
}

int result(const std::string& text, Ui* ui = nullptr) { return load(text, ui)->result; }

TEST(MqoReader, HeaderLines) {
    const std::string body = object("o", {"4 V(0 1 2 3)"});
    EXPECT_EQ(result(kHeader + body), kReadOk);
    EXPECT_EQ(result("METASEQUOIA document\r\nformat TEXT vEr 1\r\n" + body), kReadOk);
    for (const char* bad : {"Metasequoia Document\nFormat Text Ver 1.1\n", "Metasequoia Document\nFormat Text Ver\n",
                            "Metasequoia Document\nFormat Compress Ver 1.0\n", "Metasequoia\nFormat Text Ver 1.0\n",
                            "\nMetasequoia Document\nFormat Text Ver 1.0\n", ""})
        EXPECT_EQ(result(bad + body), kReadFailed) << bad;
}

TEST(MqoReader, FaceLines) {
    const std::string six = "\tvertex 6 {\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n\t}\n";
    auto l = load(kHeader + "Material 3 {\n\"a\"\n\"b\"\n\"c\"\n}\n" +
                  object("f",
                         {
                             "4 V(0 1 2 3) M(2)",
                             "3 V(1 0 4) M(5) UV(0 0 1 0 1 1)",            // no material 5
                             "5 V(1 5 4 3 2) M(-1) UV(1 1 2 2 3 3 4 4 5 5)",  // four corners kept
                             "3 V(0 1 9) M(0)",                              // no vertex 9: dropped
                             "3 V 0 1 3) M(0)",                              // no "(": no corners
                             "3 V(3 2 1) COL(1 1 1) M(0)",                   // M not right after V
                         },
                         six));
    ASSERT_EQ(l->result, kReadOk);
    const Solid& s = l->solid();
    ASSERT_EQ(s.faces.size(), 4u);
    auto origin = [&](int f, int k) { return s.faces[f]->halfedges[k]->origin->index - 1; };
    auto u = [&](int f, int k) { return s.faces[f]->halfedges[k]->texCoord->u; };
    EXPECT_EQ(std::vector<int>({origin(0, 0), origin(0, 1), origin(0, 2), origin(0, 3)}), std::vector<int>({3, 2, 1, 0}));
    EXPECT_EQ(s.faces[0]->materialIndex, 2);
    EXPECT_EQ(s.faces[0]->halfedges[0]->texCoord, nullptr);
    // UV pairs follow the file's corner order: (0, 0) at vertex 1, (1, 0) at 0, (1, 1) at 4.
    EXPECT_EQ(s.faces[1]->materialIndex, -1);
    EXPECT_EQ(origin(1, 0), 4);
    EXPECT_EQ(u(1, 0), 1.0);
    EXPECT_EQ(s.faces[1]->halfedges[0]->texCoord->v, 1.0);  // v as written
    EXPECT_EQ(origin(1, 2), 1);
    EXPECT_EQ(s.faces[1]->halfedges[2]->texCoord->v, 0.0);
    ASSERT_EQ(s.faces[2]->halfedges.size(), 4u);
    EXPECT_EQ(origin(2, 0), 3);
    EXPECT_EQ(u(2, 0), 4.0);
    EXPECT_EQ(s.faces[3]->materialIndex, -1);
    EXPECT_EQ(s.texCoords.size(), 7u);
    EXPECT_TRUE(l->model.bTextureCoodinates);

    for (const char* bad : {"3 X(0 1 2)", "4 V(0 1 2)", "2147483647 V(0 1 2)"})
        EXPECT_EQ(result(kHeader + object("f", {bad})), kReadFailed) << bad;
}

TEST(MqoReader, VertexNumbersRunAcrossObjectsAndFacesIndexTheirOwn) {
    auto l = load(kHeader + object("one", {"4 V(0 1 2 3)"}) + object("two", {"4 V(3 2 1 0)"}));
    ASSERT_EQ(l->result, kReadOk);
    for (int o = 0; o < 2; ++o)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(l->solid(o).vertices[k]->index, 4 * o + k + 1);
    EXPECT_EQ(l->solid(1).faces[0]->halfedges[0]->origin, l->solid(1).vertices[0].get());
    EXPECT_EQ(l->solid(1).name, "two");
}

TEST(MqoReader, SkippedBlocksAndBinaryData) {
    // The data holds braces, brackets, line feeds and a lead byte that must not be read.
    const std::string data = "[12]\n" + "}\n{\n[ 9 ]\n\0\x81"s + "\n";
    const std::string scene = "Scene {\n\tdirlights 1 {\n\t\tlight {\n\t\t}\n\t}\n\tblob " + data + "}\nLoose " + data;
    const std::string attrs = "\tvisible 0\n\tscale 2 2 2\n\tvertexattr {\n\t\tuid {\n\t\t\tdata " + data + "\t\t}\n\t}\n";
    auto l = load(kHeader + scene + object("o", {"4 V(0 1 2 3)"}, attrs + kSquare) + "Other {\n{\n}\n}\nEof\n");
    ASSERT_EQ(l->result, kReadOk);
    EXPECT_TRUE(l->solid().visible);
    EXPECT_EQ(l->solid().vertices[2]->position.y, 1.0);  // not scaled
    EXPECT_EQ(l->solid().faces.size(), 1u);

    const std::string body = object("o", {"4 V(0 1 2 3)"});
    EXPECT_EQ(result(kHeader + "Blob [0]\n" + body), kReadOk);
    EXPECT_EQ(result(kHeader + "Blob {\n data [100000]\n}\n" + body), kReadFailed);
    EXPECT_EQ(result(kHeader + "Blob [-20]\n" + body), kReadFailed);  // never backwards
    EXPECT_EQ(result(kHeader + "Blob {\n a {\n}\n" + body), kReadFailed);
}

TEST(MqoReader, BinaryVertices) {
    std::string records;
    for (float f : {0.f, 0.f, 0.f, 1.5f, 0.f, 0.f, 1.5f, 2.f, 0.f, 0.f, 2.f, -0.25f}) {
        unsigned char b[4];
        std::memcpy(b, &f, 4);
        records.append(reinterpret_cast<const char*>(b), 4);
    }
    const std::string head = "\tBVertex 4 {\n\t\tVector 4 [48]\n";
    const std::string rest = "\t\tweit {\n\t\t\t0 1.0\n\t\t}\n\t\tcolor {\n\t\t\t1 255\n\t\t}\n\t}\n";
    auto l = load(kHeader + object("a", {"4 V(0 1 2 3)"}) + object("b", {"4 V(0 1 2 3)"}, head + records + rest));
    ASSERT_EQ(l->result, kReadOk);
    const Solid& s = l->solid(1);
    ASSERT_EQ(s.vertices.size(), 4u);
    EXPECT_EQ(s.vertices[0]->index, 5);
    EXPECT_EQ(s.vertices[1]->position.x, 1.5);
    EXPECT_EQ(s.vertices[2]->position.y, 2.0);
    EXPECT_EQ(s.vertices[3]->position.z, -0.25);

    EXPECT_EQ(result(kHeader + "Object \"b\" {\n" + head + records.substr(0, 40)), kReadFailed);
    EXPECT_EQ(result(kHeader + "Object \"b\" {\n\tBVertex 1 {\n\t\tVector 2000000000 [0]\n" + records), kReadFailed);
}

TEST(MqoReader, MaterialLines) {
    auto l = load(kHeader + "Material 5 {\n" +
                  "\t\"red\" shader(3) foo(1) col(1 0 0 1)\n"
                  "\t\"tex\" col(0.5 0.25 1 0.5) proj_pos(0 0 0) tex(\"a b(c).bmp\") power(5)\n"
                  "\t\"plain\" dif(0.8)\n"
                  "\t\"broken\" col 1 0 0 1 ) x col(0 1 0 1)\n"
                  "\t\"short\" col(1 1)\n}\n" +
                  object("o", {"4 V(0 1 2 3)"}));
    ASSERT_EQ(l->result, kReadOk);
    const auto& m = l->model.materials;
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0]->name, "red");
    EXPECT_EQ(m[0]->flatColor.r, 1.0f);
    EXPECT_EQ(m[0]->diffuse.g, 0.0f);
    EXPECT_EQ(m[0]->emission.r, 0.0f);
    EXPECT_TRUE(m[0]->colorGiven);
    EXPECT_EQ(m[1]->ambient.g, 0.25f);
    EXPECT_EQ(m[1]->diffuse.a, 0.5f);
    EXPECT_EQ(m[1]->textureFile, "a b(c).bmp");
    EXPECT_FALSE(m[1]->hasTexture);  // no such file: passed over
    // Without a readable colour a material looks like faces without one.
    for (int i : {2, 3, 4}) EXPECT_EQ(m[i]->diffuse.r, Material().diffuse.r) << i;
}

TEST(MqoReader, TokenizerRules) {
    // Quotes keep spaces, tabs and separators; the byte after a double-byte lead byte belongs
    // to the token even when it is a quote, a brace or a parenthesis.
    auto l = load(kHeader + "Material 2 {\n\"\x83}\" col(0 0 1 1)\n\x81( col(0 1 0 1)\n}\n" +
                  object("a b\t(c){d}", {"4 V(0 1 2 3)"}) + object("\x95\"x", {"4 V(0 1 2 3)"}) + "Object {\n}\n");
    ASSERT_EQ(l->result, kReadOk);
    EXPECT_EQ(l->model.materials[0]->name, "\x83}");
    EXPECT_EQ(l->model.materials[0]->diffuse.b, 1.0f);
    EXPECT_EQ(l->model.materials[1]->name, "\x81(");
    EXPECT_EQ(l->model.materials[1]->diffuse.g, 1.0f);
    EXPECT_EQ(l->solid(0).name, "a b\t(c){d}");
    EXPECT_EQ(l->solid(1).name, "\x95\"x");

    // A read takes at most 8191 bytes of a line and the rest comes back as a line of its own;
    // the first object's vertices are counted through the second object's numbers.
    auto verticesRead = [](std::size_t spaces) {
        const std::string line = "1 0 0" + std::string(spaces, ' ') + "0 1 0";
        auto v = load(kHeader + "Object \"o\" {\n\tvertex 9 {\n" + line + "\n\t}\n}\n" + object("sq", {"4 V(0 1 2 3)"}));
        return v->result == kReadOk ? v->solid().vertices[0]->index - 1 : -1;
    };
    EXPECT_EQ(verticesRead(8185), 1);  // the second triple starts at byte 8190: cut apart
    EXPECT_EQ(verticesRead(8186), 2);  // starts at byte 8191: read whole as the next piece
}

TEST(MqoReader, FileEndsAndBlockLines) {
    const std::string body = object("o", {"4 V(0 1 2 3)"});
    EXPECT_EQ(result(kHeader + body.substr(0, body.size() - 1)), kReadOk);  // no end line needed
    EXPECT_EQ(result(kHeader + body.substr(0, body.size() - 2)), kReadFailed);
    EXPECT_EQ(result(kHeader + "Material 1 {\n\"m\" col(1 1 1 1)\n"), kReadFailed);
    EXPECT_EQ(result(kHeader + "Eof\n"), kReadFailed);  // no face at all
    for (const char* bad : {"Object \"o\"\n", "Material 1\n", "Object \"o\" {\n\tvertex 4 4\n}\n",
                            "Object \"o\" {\n\tface 1 (\n}\n"})
        EXPECT_EQ(result(kHeader + bad + body), kReadFailed) << bad;
    // With two tokens "vertex" is no block line; the block it opens is skipped.
    auto skipped = load(kHeader + "Object \"o\" {\n\tvertex {\n0 0 0\n}\n}\n" + body);
    ASSERT_EQ(skipped->result, kReadOk);
    EXPECT_EQ(skipped->solid().vertices[0]->index, 1);
}

TEST(MqoReader, ProgressAndCancel) {
    std::string vertices = "\tvertex 400 {\n";
    for (int i = 0; i < 400; ++i) vertices += std::to_string(i) + " " + std::to_string(i % 7) + " 0\n";
    const std::string text = kHeader + object("o", {"3 V(0 1 7)"}, vertices + "\t}\n");
    RecordingFrontEnd ui;
    RecordingProgress& rec = ui.progressWindow;
    ASSERT_EQ(result(text, &ui), kReadOk);
    EXPECT_EQ(rec.captions.front(), kLoadFileTitle);
    EXPECT_EQ(rec.texts, std::vector<std::string>({kLoadingFileText, kConstructingModelText}));
    EXPECT_GT(rec.percents.size(), 50u);
    EXPECT_EQ(rec.percents.back(), 100);
    rec.clear();
    rec.cancelAtPercent = 50;
    EXPECT_EQ(result(text, &ui), kReadCancelled);
    EXPECT_EQ(rec.openWindows(), 0);
}

}  // namespace
}  // namespace plikatra
