#include "import/gltf_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/model_stats.h"
#include "recording_front_end.h"
#include "test_util.h"

namespace plikatra {
namespace {

const std::string kGltf = PLIKATRA_CORPUS_DIR "/gltf/";

struct Read {
    int result = -1;
    std::unique_ptr<Model> model = std::make_unique<Model>();
    ModelStats stats;
    std::vector<std::string> messages;
};

Read readBytes(const std::string& bytes, const std::string& path = "/nowhere/model.gltf") {
    RecordingFrontEnd ui;
    Read r;
    r.result = readGltfData({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, path, *r.model,
                            ReadContext{ui, 256});
    if (r.result == kReadOk) r.stats = modelStats(*r.model);
    r.messages = ui.texts();
    return r;
}

std::string base64(const std::string& in) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < in.size(); i += 3) {
        std::uint32_t n = static_cast<std::uint8_t>(in[i]) << 16;
        if (i + 1 < in.size()) n |= static_cast<std::uint8_t>(in[i + 1]) << 8;
        if (i + 2 < in.size()) n |= static_cast<std::uint8_t>(in[i + 2]);
        out += digits[n >> 18 & 63];
        out += digits[n >> 12 & 63];
        out += i + 1 < in.size() ? digits[n >> 6 & 63] : '=';
        out += i + 2 < in.size() ? digits[n & 63] : '=';
    }
    return out;
}

template <typename T>
void append(std::string& s, std::initializer_list<T> values) {
    for (T v : values) s.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// A unit square of two indexed triangles, drawn by two nodes: one moved 5 along x and turned a
// quarter round z, the other a child of it scaled by 2; a third primitive draws points. The
// material gives a red base colour. `extra` is spliced into the JSON's top level.
std::string squareScene(const std::string& extra = "", int indexCount = 6) {
    std::string buffer;
    append<float>(buffer, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    append<std::uint16_t>(buffer, {0, 1, 2, 0, 2, 3});
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
      "nodes": [{"name": "moved", "mesh": 0, "translation": [5, 0, 0],
                 "rotation": [0, 0, 0.7071067811865476, 0.7071067811865476], "children": [1]},
                {"mesh": 0, "scale": [2, 2, 2]}],
      "meshes": [{"name": "square", "primitives": [
          {"attributes": {"POSITION": 0}, "indices": 1, "material": 0},
          {"attributes": {"POSITION": 0}, "mode": 0}]}],
      "materials": [{"name": "red", "pbrMetallicRoughness": {"baseColorFactor": [1, 0, 0, 1]}}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3",
                     "min": [0, 0, 0], "max": [1, 1, 0]},
                    {"bufferView": 1, "componentType": 5123, "count": )" +
           std::to_string(indexCount) + R"(, "type": "SCALAR"}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48},
                      {"buffer": 0, "byteOffset": 48, "byteLength": 12}],
      "buffers": [{"byteLength": 60, "uri": "data:application/octet-stream;base64,)" +
           base64(buffer) + R"("}])" + extra + "}";
}

TEST(GltfReader, DuckOpensWholeAndTexturedFromBinaryAndSeparateFiles) {
    for (const char* name : {"duck/duck.glb", "duck/duck.gltf"}) {
        SCOPED_TRACE(name);
        const Read r = readBytes(test::readFile(kGltf + name), kGltf + name);
        ASSERT_EQ(r.result, kReadOk) << (r.messages.empty() ? "" : r.messages[0]);
        EXPECT_TRUE(r.messages.empty());
        EXPECT_EQ(r.stats.faces, 4212);
        // The converter split corners at texture seams; shared positions join them again, as
        // the OBJ of the same duck has them.
        EXPECT_EQ(r.stats.vertices, 2108);
        EXPECT_EQ(r.stats.texturedMaterials, 1);
        EXPECT_TRUE(r.model->bTextureCoodinates);
        // The duck is yellow: its picture's mean is far from the grey of an untextured model.
        const TextureImage& t = *r.model->materials[0]->texture;
        double red = 0, blue = 0;
        for (std::size_t i = 0; i + 2 < t.pixels.size(); i += 3) red += t.pixels[i], blue += t.pixels[i + 2];
        EXPECT_GT(red, 1.5 * blue);
    }
    const Read box = readBytes(test::readFile(kGltf + "cornell_box/cornell_box.glb"), "cornell_box.glb");
    ASSERT_EQ(box.result, kReadOk);
    EXPECT_EQ(box.stats.faces, 36);
    // Materials come as the primitives use them: one of the five draws nothing.
    EXPECT_EQ(box.stats.materials, 4);
}

TEST(GltfReader, NodeTransformsMaterialsAndModes) {
    const Read r = readBytes(squareScene());
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.stats.solids, 2);
    EXPECT_EQ(r.stats.faces, 4);
    ASSERT_EQ(r.model->materials.size(), 1u);
    EXPECT_FLOAT_EQ(r.model->materials[0]->diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(r.model->materials[0]->diffuse.g, 0.0f);
    // Corner (1, 1) of the parent goes to (5 - 1, 1); of the child, scaled first, to (5 - 2, 2).
    auto has = [&](int solid, double x, double y) {
        for (const auto& v : r.model->solids[solid]->vertices)
            if (std::abs(v->position.x - x) < 1e-9 && std::abs(v->position.y - y) < 1e-9) return true;
        return false;
    };
    EXPECT_TRUE(has(0, 4, 1));
    EXPECT_TRUE(has(1, 3, 2));
    // The points are named in one warning; the rest opens.
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(r.messages[0].find("2 mesh parts drawn as points or lines"), std::string::npos);
}

TEST(GltfReader, DamagedFilesAreRefusedOrTrimmedNeverTrusted) {
    // More indices than their view holds: that primitive is left out, and nothing else to draw
    // means the file fails.
    EXPECT_NE(readBytes(squareScene("", 7)).result, kReadOk);
    // A node that is its own child does not loop.
    std::string cyclic = squareScene();
    cyclic.replace(cyclic.find("\"scale\": [2, 2, 2]"), 18, "\"scale\": [2, 2, 2], \"children\": [1]");
    const Read loop = readBytes(cyclic);
    EXPECT_EQ(loop.result, kReadOk);
    // Not glTF: the reason and the file are said.
    const Read bad = readBytes("{\"asset\": {\"version\": \"2.0\"}, \"meshes\": [", "/tmp/bad.gltf");
    EXPECT_EQ(bad.result, kReadFailedReported);
    ASSERT_EQ(bad.messages.size(), 1u);
    EXPECT_NE(bad.messages[0].find("/tmp/bad.gltf"), std::string::npos);
    // Every cut of a binary file, and random bytes in it.
    const std::string glb = test::readFile(kGltf + "cornell_box/cornell_box.glb");
    for (std::size_t n = 0; n < glb.size(); n += 97) readBytes(glb.substr(0, n), "cut.glb");
    std::mt19937 random(3);
    for (int i = 0; i < 100; ++i) {
        std::string bytes = glb;
        for (int k = 0; k < 4; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
        readBytes(bytes, "random.glb");
    }
}

}  // namespace
}  // namespace plikatra
