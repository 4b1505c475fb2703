#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <regex>

#include "output/png_encoder.h"
#include "output/svg_writer.h"
#include "output_support.h"
#include "test_util.h"

using namespace plikatra;

namespace {

// The text between <g id="name" ...> and the next </g> (groups other than "images" hold no
// groups).
std::string group(const std::string& svg, const std::string& name) {
    const std::size_t start = svg.find("<g id=\"" + name + "\"");
    if (start == std::string::npos) return {};
    const std::size_t end = svg.find("</g>", start);
    return svg.substr(start, end - start);
}

std::vector<std::string> attributes(const std::string& text, const std::string& name) {
    std::vector<std::string> out;
    const std::regex re(" " + name + "=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1]);
    return out;
}

// Total length of "M x y L x y ..." path data.
double pathLength(const std::string& d) {
    double total = 0, x = 0, y = 0;
    const char* p = d.c_str();
    while (*p) {
        const char command = *p++;
        char* end = nullptr;
        const double nx = std::strtod(p, &end);
        const double ny = std::strtod(end, &end);
        p = end;
        if (command == 'L') total += std::hypot(nx - x, ny - y);
        x = nx;
        y = ny;
    }
    return total;
}

double sheetLength(const DevelopmentDrawing& d, LineRole role) {
    double total = 0;
    for (const DrawnLine& l : d.lines)
        if (l.role == role && l.visible()) total += std::hypot(l.end.x - l.start.x, l.end.y - l.start.y) * d.mag2d * 10;
    return total;
}

bool wellFormed(const std::string& svg, std::string& log) {
    test::TempDir dir;
    const std::string file = dir.write("x.svg", svg);
    const int status = std::system(("xmllint --noout " + file + " >" + dir.path() + "/log 2>&1").c_str());
    log = test::readFile(dir.path() + "/log");
    return status == 0;
}

struct CubeSvg {
    std::unique_ptr<Model> model = test::unfoldedCube();
    DevelopmentDrawing drawing;
    std::string svg;
    CubeSvg() {
        auto t = std::make_unique<TextItem>();
        t->text = "a<b & \"c\" 'd' \xc3\xbc \xff\x01";
        t->fontName = "Liberation \"Sans\"";
        t->color = 0x00FF00;
        model->texts.push_back(std::move(t));
        DrawingOptions o;
        o.drawNumbers = true;
        o.whiteUnderLines = true;
        drawing = drawDevelopment(*model, o);
        FreeTypeTextMetrics metrics;
        SvgOptions so;
        so.whiteUnderLines = true;
        svg = exportSvg(drawing, metrics, so);
    }
};

TEST(SvgExport, CubeSheetIsWellFormedXmlWithEveryLayer) {
    CubeSvg c;
    if (!test::haveProgram("xmllint")) GTEST_SKIP() << "xmllint is not installed (libxml2-utils)";
    std::string log;
    EXPECT_TRUE(wellFormed(c.svg, log)) << log;
    std::size_t last = 0;
    for (const char* name : {"images", "faces", "flaps", "underlines", "cut", "mountain", "valley", "numbers", "texts"}) {
        const std::size_t at = c.svg.find("<g id=\"" + std::string(name) + "\"");
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_GT(at, last) << name << " is out of order";
        last = at;
    }
    EXPECT_EQ(attributes(group(c.svg, "faces"), "points").size(), 6u);
    std::size_t numbers = 0;
    for (std::size_t at = 0; (at = group(c.svg, "numbers").find("<text", at)) != std::string::npos; ++at) ++numbers;
    EXPECT_EQ(numbers, 14u);
    // Markup characters escaped, the malformed byte kept as the character it names, the
    // control character dropped.
    EXPECT_NE(c.svg.find(">a&lt;b &amp; &quot;c&quot; &apos;d&apos; \xc3\xbc \xc3\xbf</text>"), std::string::npos);
    EXPECT_NE(c.svg.find("font-family=\"Liberation &quot;Sans&quot;\""), std::string::npos);
    EXPECT_NE(c.svg.find("fill=\"#00ff00\""), std::string::npos);
}

TEST(SvgExport, CutPathsAreAsLongAsTheCutEdges) {
    CubeSvg c;
    for (auto [name, role] : {std::pair{"cut", LineRole::Cut}, std::pair{"mountain", LineRole::Mountain},
                              std::pair{"valley", LineRole::Valley}}) {
        double total = 0;
        for (const std::string& d : attributes(group(c.svg, name), "d")) total += pathLength(d);
        EXPECT_NEAR(total, sheetLength(c.drawing, role), 1e-2) << name;
    }
    EXPECT_GT(sheetLength(c.drawing, LineRole::Cut), 0.0);
}

TEST(SvgExport, SheetInMillimetresWithTheMarginsAndLinePatterns) {
    test::SheetBuilder s;
    s.drawing.grid.sheetWidth = 39.0;  // two A4 cells across
    Part* p = s.part(0, 0, 4, 2);
    s.face(p, {{0, 0}, {2, 0}, {0, 1.5}}, s.material(0.5f, 0.25f, 1.0f));
    s.line(p, {0, 0}, {2, 0}, LineRole::Mountain, kLineDotted);
    s.line(p, {2, 0}, {0, 1.5}, LineRole::Valley, kLineDashDot);
    s.line(p, {0, 1.5}, {0, 0}, LineRole::Cut, kLineNone);  // cut lines switched off
    s.number(p, {0, 0}, {2, 0}, 9);
    FixedTextMetrics metrics;
    SvgOptions o;
    o.lineWidth = 2.0;
    const std::string svg = exportSvg(s.drawing, metrics, o);
    EXPECT_NE(svg.find("width=\"390mm\" height=\"297mm\" viewBox=\"0 0 390 297\""), std::string::npos);
    EXPECT_NE(svg.find("points=\"15,15 35,15 15,30\""), std::string::npos);
    EXPECT_NE(svg.find("fill=\"#7f3fff\""), std::string::npos);
    const std::string mountain = group(svg, "mountain");
    EXPECT_NE(mountain.find("stroke-width=\"0.703\""), std::string::npos);
    EXPECT_NE(mountain.find("stroke-dasharray=\"0.984 1.968 0.984 1.968\""), std::string::npos);
    EXPECT_NE(mountain.find("d=\"M15 15L35 15\""), std::string::npos);
    EXPECT_NE(group(svg, "valley").find("stroke-dasharray=\"3.198 0.984 0.738 0.984\""), std::string::npos);
    EXPECT_EQ(group(svg, "cut").find("<path"), std::string::npos);
    EXPECT_EQ(group(svg, "underlines"), "");
    // The number runs along its edge, upside down as the edge runs left to right, below it:
    // 8 points give a cell of 2.82 mm; fixed metrics make the em the cell and "9" half an em
    // wide, so the base line lies 1.1 cells - 0.8 em = 0.846 mm below the edge.
    const std::string numbers = group(svg, "numbers");
    EXPECT_NE(numbers.find("font-size=\"2.82\""), std::string::npos) << numbers;
    EXPECT_NE(numbers.find("<text x=\"25.705\" y=\"15.846\" transform=\"rotate(-180 25.705 15.846)\">9</text>"),
              std::string::npos)
        << numbers;
    EXPECT_EQ(numbers.find("<path"), std::string::npos);

    // A number that reads as another upside down gets a bar under its base line, turned with
    // it; a number fitted to a small face is set at its share of the size.
    s.drawing.numbers.back().marked = true;
    s.number(p, {0, 0}, {2, 0}, 7);
    s.drawing.numbers.back().scale = 0.5;
    const std::string marked = group(exportSvg(s.drawing, metrics, o), "numbers");
    EXPECT_NE(marked.find("<path d=\"M25.705 16.043 L25.705 16.269 L27.115 16.269 L27.115 16.043 Z\" "
                          "transform=\"rotate(-180 25.705 15.846)\"/>"),
              std::string::npos)
        << marked;
    EXPECT_NE(marked.find("font-size=\"1.41\">7</text>"), std::string::npos) << marked;
}

std::vector<std::uint8_t> decodeBase64(const std::string& s) {
    std::vector<std::uint8_t> out;
    std::uint32_t buffer = 0;
    int bits = 0;
    for (char ch : s) {
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const char* at = std::strchr(alphabet, ch);
        if (ch == '=' || !at) break;
        buffer = buffer << 6 | static_cast<std::uint32_t>(at - alphabet);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<std::uint8_t>(buffer >> bits));
        }
    }
    return out;
}

std::uint32_t be32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

TEST(PngEncoder, RowsInflateBackToThePixels) {
    RgbImage img(5, 3);
    for (std::size_t i = 0; i < img.pixels.size(); ++i) img.pixels[i] = static_cast<std::uint8_t>(i * 7);
    const std::vector<std::uint8_t> png = encodePng(img);
    ASSERT_GT(png.size(), 8u + 25u + 12u + 12u);
    EXPECT_EQ(std::vector<std::uint8_t>(png.begin(), png.begin() + 8),
              (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    EXPECT_EQ(be32(png, 8), 13u);
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(be32(png, 16), 5u);
    EXPECT_EQ(be32(png, 20), 3u);
    EXPECT_EQ(png[24], 8);
    EXPECT_EQ(png[25], 2);
    EXPECT_EQ(be32(png, 29), static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17)));
    const std::size_t idat = 33;
    ASSERT_EQ(std::string(png.begin() + idat + 4, png.begin() + idat + 8), "IDAT");
    const std::uint32_t size = be32(png, idat);
    std::vector<std::uint8_t> raw(3 * (1 + 15));
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize, png.data() + idat + 8, size), Z_OK);
    ASSERT_EQ(rawSize, raw.size());
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(raw[static_cast<std::size_t>(y) * 16], 0);
        EXPECT_TRUE(std::equal(raw.begin() + y * 16 + 1, raw.begin() + y * 16 + 16, img.pixel(0, y)));
    }
    EXPECT_EQ(std::string(png.end() - 8, png.end() - 4), "IEND");
    EXPECT_EQ(base64({'M', 'a', 'n', 'y'}), "TWFueQ==");
    EXPECT_EQ(base64({'M', 'a'}), "TWE=");
}

TEST(SvgExport, TexturesAreClippedToTheirFacesAndFollowTheTextureCoordinates) {
    Model m;
    Solid* solid = test::addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    Face* face = solid->faces[0].get();
    const double uv[3][2] = {{0, 0}, {1, 0}, {0, 0.5}};
    for (int i = 0; i < 3; ++i)
        face->halfedges[static_cast<std::size_t>(i)]->texCoord = solid->addTexCoord(uv[i][0], uv[i][1]);
    test::SheetBuilder s;
    Material* textured = s.material(1, 1, 1, true);
    textured->texture = std::make_unique<TextureImage>();
    textured->texture->width = 4;
    textured->texture->height = 4;
    textured->texture->pixels.assign(48, 200);
    Part* p = s.part(0, 0, 4, 4);
    s.face(p, {{1, 1}, {3, 1}, {1, 2}}, textured).face = face;
    s.face(p, {{3, 1}, {3, 3}, {1, 2}}, textured);  // no face, no coordinates: left out
    FixedTextMetrics metrics;
    const std::string svg = exportSvg(s.drawing, metrics, {});
    if (test::haveProgram("xmllint")) {
        std::string log;
        EXPECT_TRUE(wellFormed(svg, log)) << log;
    }
    const std::vector<std::string> hrefs = attributes(svg, "xlink:href");
    ASSERT_EQ(hrefs.size(), 2u);
    const std::string prefix = "data:image/png;base64,";
    ASSERT_EQ(hrefs[0].rfind(prefix, 0), 0u);
    const std::vector<std::uint8_t> png = decodeBase64(hrefs[0].substr(prefix.size()));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(be32(png, 16), 4u);
    EXPECT_EQ(hrefs[1], "#texture0");
    EXPECT_NE(svg.find("<clipPath id=\"clip0\"><polygon points=\"25,25 45,25 25,35\"/></clipPath>"), std::string::npos);
    EXPECT_EQ(svg.find("clip1"), std::string::npos);
    // Texture pixel (u W, v H) goes to the sheet: (0,0) to (25,25), (4,0) to (45,25), (0,2) to (25,35).
    EXPECT_NE(svg.find("transform=\"matrix(5 0 0 5 25 25)\""), std::string::npos);
    EXPECT_NE(group(svg, "faces").find("fill=\"none\""), std::string::npos);
}

}  // namespace
