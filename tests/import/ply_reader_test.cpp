#include "import/ply_reader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/model_stats.h"
#include "recording_front_end.h"

namespace plikatra {
namespace {

struct Read {
    int result = -1;
    ModelStats stats;
    std::vector<std::string> messages;
    std::vector<std::vector<double>> faceUvs;  // per face, u and v of each corner
    std::vector<int> cornerCounts;
};

Read readBytes(const std::string& bytes, const std::string& name = "model.ply") {
    RecordingFrontEnd ui;
    Model model;
    Read r;
    r.result = readPlyData({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, name, model,
                           ReadContext{ui, kMinTextureSide});
    r.messages = ui.texts();
    if (r.result != kReadOk) return r;
    r.stats = modelStats(model);
    for (const auto& solid : model.solids)
        for (const auto& face : solid->faces) {
            r.cornerCounts.push_back(static_cast<int>(face->halfedges.size()));
            std::vector<double> uv;
            for (const auto& h : face->halfedges)
                if (h->texCoord) uv.insert(uv.end(), {h->texCoord->u, h->texCoord->v});
            r.faceUvs.push_back(uv);
        }
    return r;
}

// A unit cube of six quads, with per-vertex texture coordinates, colours, a normal list and an
// element the reader has no use for, in the given encoding.
std::string cube(const std::string& format) {
    const float corners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                 {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    std::string s = "ply\nformat " + format +
                    " 1.0\ncomment made by a test\nelement vertex 8\nproperty float x\nproperty float y\n"
                    "property float z\nproperty uchar red\nproperty float s\nproperty float t\n"
                    "element face 6\nproperty list uchar int vertex_indices\nproperty uchar flags\n"
                    "element edge 1\nproperty int vertex1\nproperty int vertex2\nend_header\n";
    const bool ascii = format == "ascii", big = format == "binary_big_endian";
    auto put = [&](auto value) {
        auto bits = std::bit_cast<std::array<char, sizeof value>>(value);
        if (big) std::reverse(bits.begin(), bits.end());
        s.append(bits.data(), bits.size());
    };
    for (int i = 0; i < 8; ++i) {
        const float u = static_cast<float>(i) / 8, v = 0.25f;
        if (ascii) {
            s += std::to_string(corners[i][0]) + " " + std::to_string(corners[i][1]) + " " +
                 std::to_string(corners[i][2]) + " 200 " + std::to_string(u) + " 0.25\n";
        } else {
            for (float c : corners[i]) put(c);
            put(std::uint8_t{200});
            put(u);
            put(v);
        }
    }
    for (const auto& q : quads) {
        if (ascii) {
            s += "4 " + std::to_string(q[0]) + " " + std::to_string(q[1]) + " " + std::to_string(q[2]) + " " +
                 std::to_string(q[3]) + " 7\n";
        } else {
            put(std::uint8_t{4});
            for (int k : q) put(std::int32_t{k});
            put(std::uint8_t{7});
        }
    }
    if (ascii) s += "0 1\n";
    else put(std::int32_t{0}), put(std::int32_t{1});
    return s;
}

TEST(PlyReader, EveryEncodingGivesTheSameClosedCubeOfQuads) {
    for (const char* format : {"ascii", "binary_little_endian", "binary_big_endian"}) {
        SCOPED_TRACE(format);
        const Read r = readBytes(cube(format));
        ASSERT_EQ(r.result, kReadOk);
        EXPECT_TRUE(r.messages.empty());
        EXPECT_EQ(r.stats.faces, 6);
        EXPECT_EQ(r.stats.vertices, 8);
        EXPECT_EQ(r.stats.edges, 12);
        EXPECT_EQ(r.stats.openEdges, 0);
        EXPECT_EQ(r.cornerCounts, std::vector<int>(6, 4));
        // Per-vertex coordinates, v turned as the other readers turn it: corner 3 of the first
        // face is vertex 3 with s = 3/8, t = 0.25.
        ASSERT_EQ(r.faceUvs[0].size(), 8u);
        EXPECT_DOUBLE_EQ(r.faceUvs[0][2], 3.0 / 8);
        EXPECT_DOUBLE_EQ(r.faceUvs[0][3], 0.75);
    }
}

TEST(PlyReader, CornerCoordinatesAndBadFaces) {
    // A texcoord list per face wins over the vertices' own; a face naming vertex 9 of 4, and a
    // face whose corners collapse to two, are left out and counted in one warning.
    const std::string text =
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty double x\nproperty double y\nproperty double z\n"
        "element face 4\nproperty list uchar uint vertex_index\nproperty list uchar float texcoord\nend_header\n"
        "0 0 0\n1 0 0\n1 1 0\n0 1 0\n"
        "3 0 1 2 6 0 0 1 0 1 1\n3 0 2 3 0\n3 0 2 9 0\n4 0 0 1 1 0\n";
    const Read r = readBytes(text, "bad.ply");
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.stats.faces, 2);
    EXPECT_EQ(r.faceUvs[0], (std::vector<double>{0, 1, 1, 1, 1, 0}));
    EXPECT_TRUE(r.faceUvs[1].empty());
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(r.messages[0].find("bad.ply: 2 faces"), std::string::npos);
}

TEST(PlyReader, DamagedFilesEndCleanly) {
    const std::string whole = cube("binary_little_endian");
    const std::size_t body = whole.find("end_header\n") + 11;
    // Cut inside the faces: what came before opens, and the warning says the file ends early.
    const Read cut = readBytes(whole.substr(0, whole.size() - 20), "cut.ply");
    ASSERT_EQ(cut.result, kReadOk);
    EXPECT_EQ(cut.stats.faces, 5);
    ASSERT_EQ(cut.messages.size(), 1u);
    EXPECT_NE(cut.messages[0].find("cut.ply\" ends early"), std::string::npos);
    // Every cut, random bytes in the body and the header, counts past the file: no crash, no
    // hang, no allocation of what the file cannot hold.
    for (std::size_t n = 0; n < whole.size(); ++n) readBytes(whole.substr(0, n));
    std::mt19937 random(11);
    for (int i = 0; i < 300; ++i) {
        std::string bytes = whole;
        const std::size_t from = i % 2 ? body : 0;
        for (int k = 0; k < 6; ++k) bytes[from + random() % (bytes.size() - from)] = static_cast<char>(random());
        readBytes(bytes);
    }
    std::string huge = whole;
    huge.replace(huge.find("element face 6"), 14, "element face 999999999999");
    EXPECT_EQ(readBytes(huge).stats.faces, 6);
    EXPECT_EQ(readBytes("ply\nformat ascii 1.0\nelement vertex 18446744073709551615\nproperty float x\n"
                        "element face 1\nproperty list uint uint vertex_indices\nend_header\n1 2 3\n")
                  .result,
              kReadFailed);
    // Not a PLY header at all.
    EXPECT_EQ(readBytes("").result, kReadFailed);
    EXPECT_EQ(readBytes("ply\nformat binary_middle_endian 1.0\nend_header\n").result, kReadFailed);
    EXPECT_EQ(readBytes("solid x\n").result, kReadFailed);
}

}  // namespace
}  // namespace plikatra
