// Texture files named by OBJ material libraries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/obj_reader.h"
#include "recording_front_end.h"
#include "test_util.h"
#include "textures/model_textures.h"

namespace plikatra::test {
namespace {

const std::string kObjDir = std::string(PLIKATRA_CORPUS_DIR) + "/obj";

// A 2 × 2 24-bit bitmap of one colour (0xRRGGBB).
std::string flatBmp(std::uint32_t rgb) {
    std::string s(54, '\0');
    const auto put = [&s](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    s[0] = 'B', s[1] = 'M';
    put(10, 54), put(14, 40), put(18, 2), put(22, 2);
    s[26] = 1, s[28] = 24;
    const std::string pixel{char(rgb & 0xFF), char((rgb >> 8) & 0xFF), char(rgb >> 16)};
    const std::string row = pixel + pixel + std::string(2, '\0');
    return s + row + row;
}

// The texture's first pixel as 0xRRGGBB.
std::uint32_t firstPixel(const Material& m) {
    const auto& p = m.texture->pixels;
    return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
}

// A triangle of its own for each material name, after its own "usemtl".
std::string trianglesUsing(const std::string& mtllib, const std::vector<std::string>& names) {
    std::string obj = "mtllib " + mtllib + "\nvt 0 0\nvt 1 0\nvt 0 1\n";
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string x = std::to_string(2 * i);
        obj += "v " + x + " 0 0\nv " + x + ".5 0 0\nv " + x + " 1 0\nusemtl " + names[i] + "\nf -3/1 -2/2 -1/3\n";
    }
    return obj;
}

TEST(ObjTextures, CorpusDuckOpensWithItsYellowTexture) {
    RecordingFrontEnd ui;
    Model m;
    ASSERT_EQ(readObj(kObjDir + "/duck/duck-full.obj", m, ReadContext{ui, 256}), kReadOk);
    EXPECT_TRUE(ui.entries.empty());
    ASSERT_EQ(m.materials.size(), 1u);
    const Material& duck = *m.materials[0];
    EXPECT_EQ(duck.textureFile, "images/duckCM.bmp");
    ASSERT_TRUE(duck.hasTexture);
    ASSERT_TRUE(duck.texture);
    EXPECT_EQ(duck.texture->width, 256);  // 512 wide asks for 1024, cut to the limit
    // Mostly yellow: red and green well above blue, unlike the grey Kd of 0.8.
    long long r = 0, g = 0, b = 0;
    const auto& p = duck.texture->pixels;
    for (std::size_t i = 0; i < p.size(); i += 3) r += p[i], g += p[i + 1], b += p[i + 2];
    const long long n = static_cast<long long>(p.size() / 3);
    EXPECT_GT(r / n, 150);
    EXPECT_GT(g / n, 120);
    EXPECT_LT(b / n, 100);
}

// Names as exporters on Windows write them, with options before (and after) the file name,
// in a library kept in a folder of its own: every name is resolved from the library's folder.
TEST(ObjTextures, WindowsPathsOptionsQuotesAndCaseAreResolvedFromTheLibrarysFolder) {
    TempDir dir;
    dir.write("lib/maps/red.bmp", flatBmp(0xFF0000));
    dir.write("lib/green tex.bmp", flatBmp(0x00FF00));
    dir.write("lib/blue one.bmp", flatBmp(0x0000FF));
    dir.write("lib/grey.bmp", flatBmp(0x808080));
    dir.write("lib/m.mtl",
              "newmtl red\r\nKd 0.1 0.1 0.1\r\nmap_Kd -s 1 1 1 -bm 0.5 maps\\Red.BMP\r\n"
              "newmtl green\nmap_Kd -clamp on -o 0.5 .\\green tex.bmp\n"
              "newmtl blue\nmap_Kd \"blue one.bmp\" -blendu off\n"
              "newmtl grey\nmap_Kd -type sphere -mm 0 1 C:\\textures\\grey.bmp\n"
              "newmtl unused\nmap_Kd nowhere.bmp\n");
    const std::string obj = dir.write("m.obj", trianglesUsing("lib/m.mtl", {"red", "green", "blue", "grey"}));
    RecordingFrontEnd ui;
    Model m;
    ASSERT_EQ(readObj(obj, m, ReadContext{ui, 64}), kReadOk);
    EXPECT_TRUE(ui.entries.empty()) << ui.texts()[0];
    const std::uint32_t expected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(m.materials[i]->name);
        ASSERT_TRUE(m.materials[i]->hasTexture);
        EXPECT_EQ(m.materials[i]->texture->width, 64);
        EXPECT_EQ(firstPixel(*m.materials[i]), expected[i]);
    }
    EXPECT_EQ(m.materials[0]->textureFile, "maps\\Red.BMP");
    EXPECT_EQ(m.materials[1]->textureFile, ".\\green tex.bmp");
    EXPECT_EQ(m.materials[2]->textureFile, "blue one.bmp");
    EXPECT_EQ(m.materials[0]->diffuse.r, 0.1f);  // the colour is read as well
}

// Textures that cannot be used leave their materials' colours and give one warning naming each
// file with its reason; the model opens. A name shared by several materials counts once.
TEST(ObjTextures, MissingAndBrokenTexturesGiveOneWarningAndTheModelOpens) {
    TempDir dir;
    dir.write("broken.bmp", "not a picture at all");
    dir.write("m.mtl",
              "newmtl a\nKd 1 0 0\nmap_Kd missing.bmp\n"
              "newmtl b\nKd 0 1 0\nmap_Kd broken.bmp\n"
              "newmtl c\nKd 0 0 1\nmap_Kd missing.bmp\nmap_Kd \n");
    const std::string obj = dir.write("m.obj", trianglesUsing("m.mtl", {"a", "b", "c", "a"}));
    RecordingFrontEnd ui;
    Model m;
    ASSERT_EQ(readObj(obj, m, ReadContext{ui, 64}), kReadOk);
    ASSERT_EQ(m.materials.size(), 4u);
    for (const auto& mat : m.materials) EXPECT_FALSE(mat->hasTexture) << mat->name;
    EXPECT_EQ(m.materials[1]->flatColor.g, 1.0f);
    EXPECT_EQ(m.materials[3]->flatColor.r, 1.0f);
    EXPECT_EQ(m.materials[0]->textureFile, "missing.bmp");
    EXPECT_EQ(m.materials[2]->textureFile, "");  // an empty statement names no file
    ASSERT_EQ(ui.entries.size(), 1u);
    EXPECT_EQ(ui.entries[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.entries[0].text, std::string(kMsgTexturesNotLoaded) +
                                      "\nmissing.bmp: file not found"
                                      "\nbroken.bmp: Unknown DIB file format.");
}

// A real library with options of every kind before the file names, none of the files present.
TEST(ObjTextures, CorpusLibraryWithMapOptionsNamesItsFiles) {
    RecordingFrontEnd ui;
    Model m;
    ASSERT_EQ(readObj(kObjDir + "/texture_options/texture-options-issue-85.obj", m, ReadContext{ui, 64}),
              kReadOk);
    ASSERT_EQ(m.materials.size(), 1u);
    EXPECT_EQ(m.materials[0]->textureFile, "diffuse.jpg");  // after "-o 0.1"
    EXPECT_FALSE(m.materials[0]->hasTexture);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(kMsgTexturesNotLoaded) +
                                                   "\ndiffuse.jpg: file not found"});
}

TEST(ObjTextures, ManyFailedTexturesAreListedUpToTen) {
    TempDir dir;
    std::string mtl;
    std::vector<std::string> names;
    for (int i = 0; i < 13; ++i) {
        names.push_back("m" + std::to_string(i));
        mtl += "newmtl m" + std::to_string(i) + "\nmap_Kd gone" + std::to_string(i) + ".bmp\n";
    }
    dir.write("m.mtl", mtl);
    RecordingFrontEnd ui;
    Model m;
    ASSERT_EQ(readObj(dir.write("m.obj", trianglesUsing("m.mtl", names)), m, ReadContext{ui, 64}), kReadOk);
    ASSERT_EQ(ui.entries.size(), 1u);
    const std::string& text = ui.entries[0].text;
    EXPECT_NE(text.find("gone9.bmp"), std::string::npos);
    EXPECT_EQ(text.find("gone10.bmp"), std::string::npos);
    EXPECT_NE(text.find("\n... and 3 more"), std::string::npos);
}

}  // namespace
}  // namespace plikatra::test
