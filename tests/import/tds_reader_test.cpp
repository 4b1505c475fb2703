// The .3ds reader on small files written here, chunk by chunk, so that every length and byte
// is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "base/settings.h"
#include "base/ui.h"
#include "quiet_readers.h"
#include "import/tds_reader.h"
#include "recording_progress.h"
#include "test_util.h"

namespace plikatra {
namespace {

using test::TempDir;

// Writes little-endian chunks; begin() and end() nest, end() fills in the length.
class ChunkWriter {
public:
    ChunkWriter& begin(std::uint16_t id) {
        u16(id);
        open_.push_back(bytes_.size() - 2);
        return u32(0);
    }
    ChunkWriter& end() {
        const std::size_t start = open_.back();
        open_.pop_back();
        const auto length = static_cast<std::uint32_t>(bytes_.size() - start);
        for (int k = 0; k < 4; ++k) bytes_[start + 2 + k] = static_cast<char>(length >> (8 * k));
        return *this;
    }
    ChunkWriter& u8(std::uint8_t v) {
        bytes_.push_back(static_cast<char>(v));
        return *this;
    }
    ChunkWriter& u16(std::uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    ChunkWriter& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    ChunkWriter& f32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        return u32(bits);
    }
    ChunkWriter& str(const std::string& s) {
        bytes_ += s;
        return u8(0);
    }
    ChunkWriter& raw(const std::string& s) {
        bytes_ += s;
        return *this;
    }
    const std::string& bytes() const {
        EXPECT_TRUE(open_.empty());
        return bytes_;
    }

private:
    std::string bytes_;
    std::vector<std::size_t> open_;
};

using Content = std::function<void(ChunkWriter&)>;

struct Vec {
    float x, y, z;
};
struct Tri {
    std::uint16_t a, b, c;
};

const std::vector<Vec> kTetraVertices = {{0, 0, 0}, {1.5f, 0, 0}, {0, -2, 0}, {0, 0, 3}};
const std::vector<Tri> kTetraFaces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

void vertexList(ChunkWriter& w, const std::vector<Vec>& vs) {
    w.begin(0x4110).u16(static_cast<std::uint16_t>(vs.size()));
    for (const Vec& v : vs) w.f32(v.x).f32(v.y).f32(v.z);
    w.end();
}

// A face list; `children` (material groups, smoothing) follow the records.
void faceList(ChunkWriter& w, const std::vector<Tri>& fs, const Content& children = {}) {
    w.begin(0x4120).u16(static_cast<std::uint16_t>(fs.size()));
    for (const Tri& f : fs) w.u16(f.a).u16(f.b).u16(f.c).u16(7);
    if (children) children(w);
    w.end();
}

void group(ChunkWriter& w, const std::string& name, const std::vector<std::uint16_t>& faces) {
    w.begin(0x4130).str(name).u16(static_cast<std::uint16_t>(faces.size()));
    for (std::uint16_t f : faces) w.u16(f);
    w.end();
}

void texCoords(ChunkWriter& w, const std::vector<std::pair<float, float>>& uvs) {
    w.begin(0x4140).u16(static_cast<std::uint16_t>(uvs.size()));
    for (const auto& [u, v] : uvs) w.f32(u).f32(v);
    w.end();
}

void tetraMesh(ChunkWriter& w, const Content& faceChildren = {}) {
    w.begin(0x4100);
    vertexList(w, kTetraVertices);
    faceList(w, kTetraFaces, faceChildren);
    w.end();
}

void object(ChunkWriter& w, const std::string& name, const Content& children) {
    w.begin(0x4000).str(name);
    children(w);
    w.end();
}

void byteColor(ChunkWriter& w, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    w.begin(0xA010).begin(0x0011).u8(r).u8(g).u8(b).end().end();
}

void mapBlock(ChunkWriter& w, std::uint16_t id, const std::string& file) {
    w.begin(id).begin(0xA300).str(file).end().begin(0xA354).f32(1).end().end();
}

// A whole file laid out as the usual writers lay it out: version, then the editor data with
// its own version and `editor`, then a small keyframer chunk.
std::string file(const Content& editor) {
    ChunkWriter w;
    w.begin(0x4D4D).begin(0x0002).u32(3).end();
    w.begin(0x3D3D).begin(0x3D3E).u32(3).end();
    editor(w);
    w.end();
    w.begin(0xB000).begin(0xB00A).u16(5).str("SCENE").end().end();
    w.end();
    return w.bytes();
}

std::string tetraFile(const std::string& name = "Pyramid") {
    return file([&](ChunkWriter& w) { object(w, name, [](ChunkWriter& o) { tetraMesh(o); }); });
}

class TdsReaderTest : public testing::Test {
protected:
    int read3ds(const std::string& path, Model& m) {
        return plikatra::read3ds(path, m, ReadContext{ui_});
    }
    int read(const std::string& bytes, Model& m, const std::string& name = "model.3ds") {
        return read3ds(dir_.write(name, bytes), m);
    }

    RecordingFrontEnd ui_;
    RecordingProgress& progress_ = ui_.progressWindow;
    TempDir dir_;
};

const Point3& at(const Halfedge& h) { return h.origin->position; }

TEST_F(TdsReaderTest, ReadsTrianglesAsStored) {
    Model m;
    const std::string path = dir_.write("pyramid.3ds", tetraFile());
    ASSERT_EQ(read3ds(path, m), kReadOk);
    EXPECT_EQ(m.path, path);
    ASSERT_EQ(m.solids.size(), 1u);
    const Solid& s = *m.solids[0];
    EXPECT_EQ(s.name, "Pyramid");
    EXPECT_TRUE(s.visible);
    ASSERT_EQ(s.vertices.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(s.vertices[i]->index, static_cast<int>(i) + 1);
        EXPECT_EQ(s.vertices[i]->position.x, kTetraVertices[i].x);
        EXPECT_EQ(s.vertices[i]->position.y, kTetraVertices[i].y);
        EXPECT_EQ(s.vertices[i]->position.z, kTetraVertices[i].z);
    }
    ASSERT_EQ(s.faces.size(), 4u);
    for (std::size_t f = 0; f < 4; ++f) {
        const Face& face = *s.faces[f];
        EXPECT_EQ(face.materialIndex, -1);
        ASSERT_EQ(face.halfedges.size(), 3u);
        EXPECT_EQ(face.halfedges[0]->origin, s.vertices[kTetraFaces[f].a].get());
        EXPECT_EQ(face.halfedges[1]->origin, s.vertices[kTetraFaces[f].b].get());
        EXPECT_EQ(face.halfedges[2]->origin, s.vertices[kTetraFaces[f].c].get());
        EXPECT_EQ(face.halfedges[0]->texCoord, nullptr);
    }
    EXPECT_EQ(m.faceCount, 4);
    EXPECT_FALSE(m.bTextureCoodinates);
    EXPECT_TRUE(m.materials.empty());

    ASSERT_FALSE(progress_.captions.empty());
    EXPECT_EQ(progress_.captions.front(), "Load file");
    EXPECT_EQ(progress_.withCancel, std::vector<bool>{true});
    ASSERT_EQ(progress_.texts.size(), 2u);
    EXPECT_EQ(progress_.texts[0], "Loading file...");
    EXPECT_EQ(progress_.texts[1], "Constructing model...");
    EXPECT_EQ(progress_.openWindows(), 0);
    EXPECT_TRUE(std::is_sorted(progress_.percents.begin(), progress_.percents.end()));
    EXPECT_TRUE(ui_.entries.empty());
}

TEST_F(TdsReaderTest, FailsWithoutMainChunkFirst) {
    std::string shifted = tetraFile();
    shifted[0] = 0x3D;
    shifted[1] = 0x3D;
    for (const std::string& bytes : {shifted, std::string(), std::string("M"), std::string("MM")}) {
        Model m;
        EXPECT_EQ(read(bytes, m), kReadFailed) << bytes.size();
        EXPECT_TRUE(m.solids.empty());
    }
    Model m;
    EXPECT_EQ(read3ds(dir_.path() + "/missing.3ds", m), kReadFailed);
    EXPECT_EQ(read3ds(dir_.path(), m), kReadFailed);
}

TEST_F(TdsReaderTest, ObjectNamesKeepElevenCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"Box01", "Box01"},
        {"ABCDEFGHIJK", "ABCDEFGHIJK"},
        {"ABCDEFGHIJKL", "ABCDEFGHIJK"},
        // The rest of a longer name ("N" and its terminator) is stepped over by the walk.
        {"ABCDEFGHIJKLMN", "ABCDEFGHIJK"},
        {"", "Default name"},
    };
    for (const auto& [stored, kept] : cases) {
        Model m;
        ASSERT_EQ(read(tetraFile(stored), m), kReadOk) << stored;
        ASSERT_EQ(m.solids.size(), 1u) << stored;
        EXPECT_EQ(m.solids[0]->name, kept);
    }
}

TEST_F(TdsReaderTest, EachMeshChunkIsASolid) {
    const std::vector<Vec> moved = {{10, 0, 0}, {11, 0, 0}, {10, 1, 0}, {10, 0, 1}};
    const std::string bytes = file([&](ChunkWriter& w) {
        object(w, "Pair", [&](ChunkWriter& o) {
            tetraMesh(o);
            o.begin(0x4100);
            vertexList(o, moved);
            faceList(o, kTetraFaces);
            o.end();
        });
    });
    Model m;
    ASSERT_EQ(read(bytes, m), kReadOk);
    ASSERT_EQ(m.solids.size(), 2u);
    for (const auto& s : m.solids) {
        EXPECT_EQ(s->name, "Pair");
        ASSERT_EQ(s->vertices.size(), 4u);
        // Numbers restart with each solid, and faces refer to their own solid's vertices.
        EXPECT_EQ(s->vertices[0]->index, 1);
        EXPECT_EQ(s->vertices[3]->index, 4);
        EXPECT_EQ(s->faces[0]->halfedges[0]->origin, s->vertices[0].get());
    }
    EXPECT_EQ(at(*m.solids[1]->faces[0]->halfedges[0]).x, 10.0);
    EXPECT_EQ(m.faceCount, 8);
}

TEST_F(TdsReaderTest, MaterialGroupsMatchEarlierMaterialsExactly) {
    const std::string bytes = file([](ChunkWriter& w) {
        w.begin(0xAFFF).begin(0xA000).str("Red").end();
        byteColor(w, 255, 0, 0);
        w.end();
        object(w, "Groups", [](ChunkWriter& o) {
            tetraMesh(o, [](ChunkWriter& f) {
                group(f, "Red", {0, 1, 9});  // 9 is no face of the mesh
                group(f, "red", {2});        // letter case differs
                group(f, "Blue", {3});       // defined after the object
                f.begin(0x4150).u32(1).u32(1).u32(1).u32(1).end();
            });
        });
        w.begin(0xAFFF).begin(0xA000).str("Blue").end().end();
    });
    Model m;
    ASSERT_EQ(read(bytes, m), kReadOk);
    ASSERT_EQ(m.materials.size(), 2u);
    EXPECT_EQ(m.materials[0]->name, "Red");
    EXPECT_EQ(m.materials[1]->name, "Blue");
    const auto& faces = m.solids[0]->faces;
    ASSERT_EQ(faces.size(), 4u);
    EXPECT_EQ(faces[0]->materialIndex, 0);
    EXPECT_EQ(faces[1]->materialIndex, 0);
    EXPECT_EQ(faces[2]->materialIndex, -1);
    EXPECT_EQ(faces[3]->materialIndex, -1);
}

TEST_F(TdsReaderTest, MaterialColoursNamesAndMaps) {
    const Material defaults;
    const std::string bytes = file([](ChunkWriter& w) {
        // Float colour in the ambient chunk.
        w.begin(0xAFFF).begin(0xA000).str("Floats").end();
        w.begin(0xA010).begin(0x0010).f32(0.25f).f32(0.5f).f32(1.0f).end().end();
        w.end();
        // Only a diffuse colour: skipped by its length, so its colour child is never seen.
        w.begin(0xAFFF).begin(0xA000).str("Diffuse").end();
        w.begin(0xA020).begin(0x0011).u8(10).u8(20).u8(30).end().end();
        w.end();
        // An empty map file name drops the material, with everything read after it.
        w.begin(0xAFFF).begin(0xA000).str("Dropped").end();
        mapBlock(w, 0xA200, "");
        byteColor(w, 1, 2, 3);
        w.end();
        // An empty name drops it too.
        w.begin(0xAFFF).begin(0xA000).str("").end();
        byteColor(w, 1, 2, 3);
        w.end();
        // Byte colour; every map block writes the file name, the last one wins.
        w.begin(0xAFFF).begin(0xA000).str("Bytes").end();
        byteColor(w, 51, 102, 255);
        mapBlock(w, 0xA200, "first.bmp");
        mapBlock(w, 0xA230, "bump.bmp");
        mapBlock(w, 0xA33D, "last.bmp");
        // Unknown children of a map block are skipped by their length, not looked into.
        w.begin(0xA210).begin(0xA351).begin(0xA300).str("hidden.bmp").end().end().end();
        w.end();
        object(w, "M", [](ChunkWriter& o) {
            tetraMesh(o, [](ChunkWriter& f) {
                group(f, "Dropped", {0});
                group(f, "Bytes", {1});
            });
        });
    });
    Model m;
    ASSERT_EQ(read(bytes, m), kReadOk);
    ASSERT_EQ(m.materials.size(), 3u);

    const Material& fl = *m.materials[0];
    EXPECT_EQ(fl.name, "Floats");
    EXPECT_TRUE(fl.colorGiven);
    EXPECT_EQ(fl.ambient.r, 0.25f);
    EXPECT_EQ(fl.diffuse.g, 0.5f);
    EXPECT_EQ(fl.diffuse.a, 1.0f);
    EXPECT_EQ(fl.flatColor.b, 1.0f);
    EXPECT_EQ(fl.emission.r, 0.0f);
    EXPECT_EQ(fl.emission.a, 1.0f);
    EXPECT_EQ(fl.specular.g, 0.0f);
    EXPECT_EQ(fl.shininess, 0.0f);
    EXPECT_TRUE(fl.textureFile.empty());

    const Material& di = *m.materials[1];
    EXPECT_EQ(di.name, "Diffuse");
    EXPECT_FALSE(di.colorGiven);
    EXPECT_EQ(di.flatColor.r, defaults.flatColor.r);
    EXPECT_EQ(di.diffuse.g, defaults.diffuse.g);

    const Material& by = *m.materials[2];
    EXPECT_EQ(by.name, "Bytes");
    EXPECT_EQ(by.flatColor.r, static_cast<float>(51 / 255.0));
    EXPECT_EQ(by.ambient.g, static_cast<float>(102 / 255.0));
    EXPECT_EQ(by.diffuse.b, 1.0f);
    EXPECT_EQ(by.textureFile, "last.bmp");
    EXPECT_FALSE(by.hasTexture);  // no such file

    EXPECT_EQ(m.solids[0]->faces[0]->materialIndex, -1);
    EXPECT_EQ(m.solids[0]->faces[1]->materialIndex, 2);
}

TEST_F(TdsReaderTest, TextureCoordinatesPerVertexNumber) {
    // One triangle, two coordinates: the corner at vertex 3 has none.
    const std::string bytes = file([](ChunkWriter& w) {
        object(w, "T", [](ChunkWriter& o) {
            o.begin(0x4100);
            vertexList(o, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
            texCoords(o, {{0.25f, 0.75f}, {0.5f, 0.1f}});
            faceList(o, {{2, 0, 1}});
            o.end();
        });
    });
    Model m;
    ASSERT_EQ(read(bytes, m), kReadOk);
    EXPECT_TRUE(m.bTextureCoodinates);
    const Face& f = *m.solids[0]->faces[0];
    ASSERT_EQ(f.halfedges.size(), 3u);
    EXPECT_EQ(f.halfedges[0]->texCoord, nullptr);
    ASSERT_NE(f.halfedges[1]->texCoord, nullptr);
    EXPECT_EQ(f.halfedges[1]->texCoord->u, 0.25);
    EXPECT_EQ(f.halfedges[1]->texCoord->v, 0.25);
    ASSERT_NE(f.halfedges[2]->texCoord, nullptr);
    EXPECT_EQ(f.halfedges[2]->texCoord->u, 0.5);
    EXPECT_EQ(f.halfedges[2]->texCoord->v, 1.0 - static_cast<double>(0.1f));
    EXPECT_EQ(m.solids[0]->texCoords.size(), 2u);

    // An empty list still marks the model as carrying texture coordinates.
    const std::string empty = file([](ChunkWriter& w) {
        object(w, "E", [](ChunkWriter& o) {
            o.begin(0x4100);
            vertexList(o, kTetraVertices);
            texCoords(o, {});
            faceList(o, kTetraFaces);
            o.end();
        });
    });
    Model e;
    ASSERT_EQ(read(empty, e), kReadOk);
    EXPECT_TRUE(e.bTextureCoodinates);
    EXPECT_EQ(e.solids[0]->faces[0]->halfedges[0]->texCoord, nullptr);
}

TEST_F(TdsReaderTest, WalkStepsOverUnknownIdsTwoBytesAtATime) {
    // A mesh child the walk does not know (a local axis chunk) whose data happens to hold a
    // vertex list: stepping two bytes at a time finds it.
    const std::string bytes = file([](ChunkWriter& w) {
        object(w, "Step", [](ChunkWriter& o) {
            o.begin(0x4100).begin(0x4160);
            vertexList(o, kTetraVertices);
            o.end();
            faceList(o, kTetraFaces);
            o.end();
        });
    });
    Model m;
    ASSERT_EQ(read(bytes, m), kReadOk);
    EXPECT_EQ(m.solids[0]->vertices.size(), 4u);

    // A chunk listed as skipped is not looked into: the light's mesh gives no solid.
    const std::string light = file([](ChunkWriter& w) {
        object(w, "Lamp", [](ChunkWriter& o) {
            o.begin(0x4600).f32(0).f32(0).f32(0);
            tetraMesh(o);
            o.end();
        });
        object(w, "Real", [](ChunkWriter& o) { tetraMesh(o); });
    });
    Model l;
    ASSERT_EQ(read(light, l), kReadOk);
    ASSERT_EQ(l.solids.size(), 1u);
    EXPECT_EQ(l.solids[0]->name, "Real");
}

TEST_F(TdsReaderTest, CountRunsTwoBytesAheadPerRecognisedChild) {
    // A group of 14 bytes after n empty smoothing chunks: the count is 2n ahead of the file,
    // so with n = 7 (14 ahead) the group is never read; with n = 6 it is.
    for (const int n : {6, 7}) {
        const std::string bytes = file([n](ChunkWriter& w) {
            w.begin(0xAFFF).begin(0xA000).str("Red").end().end();
            object(w, "Ahead", [n](ChunkWriter& o) {
                tetraMesh(o, [n](ChunkWriter& f) {
                    for (int k = 0; k < n; ++k) f.begin(0x4150).end();
                    group(f, "Red", {0});
                });
            });
        });
        Model m;
        ASSERT_EQ(read(bytes, m), kReadOk);
        EXPECT_EQ(m.solids[0]->faces[0]->materialIndex, n == 6 ? 0 : -1) << n;
    }
}

TEST_F(TdsReaderTest, RecordsOutsideTheirListsAreNotRead) {
    // A face naming vertex 9 of 4 is dropped but keeps its number for the groups; counts
    // larger than their chunks keep the records that are there.
    const std::string bytes = file([](ChunkWriter& w) {
        w.begin(0xAFFF).begin(0xA000).str("Red").end().end();
        object(w, "Bad", [](ChunkWriter& o) {
            o.begin(0x4100);
            o.begin(0x4110).u16(0xFFFF);
            for (const Vec& v : kTetraVertices) o.f32(v.x).f32(v.y).f32(v.z);
            o.end();
            std::vector<Tri> faces = {{0, 1, 9}};
            faces.insert(faces.end(), kTetraFaces.begin(), kTetraFaces.end());
            faceList(o, faces, [](ChunkWriter& f) {
                f.begin(0x4130).str("Red").u16(0xFFFF).u16(1).end();
            });
            o.begin(0x4140).u16(0xFFFF).f32(0.5f).f32(0.5f).end();
            o.end();
        });
    });
    Model m;
    ASSERT_EQ(read(bytes, m), kReadOk);
    const Solid& s = *m.solids[0];
    EXPECT_EQ(s.vertices.size(), 4u);
    ASSERT_EQ(s.faces.size(), 4u);
    EXPECT_EQ(s.faces[0]->materialIndex, 0);  // file face 1
    EXPECT_EQ(s.faces[1]->materialIndex, -1);
    EXPECT_EQ(s.texCoords.size(), 1u);
}

TEST_F(TdsReaderTest, TruncatedFilesKeepTheWholeRecordsRead) {
    const std::string whole = tetraFile();
    const std::size_t faceRecords = whole.find(std::string("\x20\x41", 2)) + 8;
    {
        // Cut inside the third face record: two faces remain.
        Model m;
        ASSERT_EQ(read(whole.substr(0, faceRecords + 2 * 8 + 5), m), kReadOk);
        EXPECT_EQ(m.solids[0]->faces.size(), 2u);
    }
    {
        // Cut before the faces: nothing to build.
        Model m;
        EXPECT_EQ(read(whole.substr(0, faceRecords - 1), m), kReadFailed);
    }
    // No prefix crashes, reads outside the data (under the sanitizer build) or hangs.
    for (std::size_t n = 0; n <= whole.size(); ++n) {
        Model m;
        const int result = read(whole.substr(0, n), m);
        EXPECT_TRUE(result == kReadOk || result == kReadFailed) << n;
        EXPECT_EQ(result == kReadOk, n >= faceRecords + 8) << n;
    }
}

TEST_F(TdsReaderTest, CancelStopsTheRead) {
    progress_.cancelAtPump = 2;
    Model m;
    EXPECT_EQ(read(tetraFile(), m), kReadCancelled);
    EXPECT_TRUE(progress_.cancelPressed);
    EXPECT_EQ(progress_.openWindows(), 0);
    EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(), "Constructing model..."), 0);
}

// A 2 × 2 24-bit bitmap.
std::string tinyBitmap() {
    ChunkWriter w;
    w.raw("BM").u32(54 + 16).u32(0).u32(54);
    w.u32(40).u32(2).u32(2).u16(1).u16(24).u32(0).u32(16).u32(2835).u32(2835).u32(0).u32(0);
    for (int row = 0; row < 2; ++row) w.u8(0).u8(0).u8(255).u8(0).u8(255).u8(0).u16(0);
    return w.bytes();
}

TEST_F(TdsReaderTest, TextureFilesAreFoundBesideTheModel) {
    dir_.write("maps/wood.bmp", tinyBitmap());
    dir_.write("stone.bmp", tinyBitmap());
    const std::string bytes = file([](ChunkWriter& w) {
        w.begin(0xAFFF).begin(0xA000).str("Wood").end();
        mapBlock(w, 0xA200, "maps\\wood.bmp");
        w.end();
        w.begin(0xAFFF).begin(0xA000).str("Stone").end();
        mapBlock(w, 0xA200, "C:\\textures\\stone.bmp");  // found by its bare name
        w.end();
        w.begin(0xAFFF).begin(0xA000).str("Gone").end();
        mapBlock(w, 0xA200, "missing.bmp");
        w.end();
        object(w, "T", [](ChunkWriter& o) { tetraMesh(o); });
    });
    Model m;
    ASSERT_EQ(read(bytes, m), kReadOk);
    ASSERT_EQ(m.materials.size(), 3u);
    for (int k : {0, 1}) {
        const Material& mat = *m.materials[k];
        EXPECT_TRUE(mat.hasTexture) << mat.name;
        ASSERT_TRUE(mat.texture) << mat.name;
        EXPECT_EQ(mat.texture->width, 64);
    }
    EXPECT_EQ(m.materials[0]->textureFile, "maps\\wood.bmp");
    EXPECT_FALSE(m.materials[2]->hasTexture);
    EXPECT_FALSE(m.materials[2]->texture);
    EXPECT_TRUE(ui_.entries.empty());
}

// A file with every kind of chunk the reader handles, changed byte by byte at random: each
// read ends with a result, and reads nothing outside the data (checked under the sanitizer).
TEST_F(TdsReaderTest, RandomMutationsGiveAResult) {
    const std::string base = file([](ChunkWriter& w) {
        w.begin(0xAFFF).begin(0xA000).str("Red").end();
        byteColor(w, 255, 0, 0);
        w.begin(0xA010).begin(0x0010).f32(0.25f).f32(0.5f).f32(1.0f).end().end();
        mapBlock(w, 0xA200, "missing.bmp");
        w.end();
        object(w, "Fuzz", [](ChunkWriter& o) {
            o.begin(0x4100);
            vertexList(o, kTetraVertices);
            texCoords(o, {{0, 0}, {1, 0}, {0, 1}, {1, 1}});
            faceList(o, kTetraFaces, [](ChunkWriter& f) {
                group(f, "Red", {0, 2});
                f.begin(0x4150).u32(1).u32(1).u32(1).u32(1).end();
            });
            o.begin(0x4165).u8(0).end();
            o.end();
        });
    });
    std::mt19937 random(20240607);
    const std::string path = dir_.path() + "/fuzz.3ds";
    int ok = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = base;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < changes; ++k) {
            const std::size_t at = random() % bytes.size();
            // Lengths and counts matter most: often write extreme bytes.
            const std::uint32_t pick = random() % 4;
            bytes[at] = static_cast<char>(pick == 0 ? 0x00 : pick == 1 ? 0xFF : random() & 0xFF);
        }
        if (round % 7 == 0) bytes.resize(random() % bytes.size());
        dir_.write("fuzz.3ds", bytes);
        Model m;
        const int result = read3ds(path, m);
        ASSERT_TRUE(result == kReadOk || result == kReadFailed) << round;
        ok += result == kReadOk;
    }
    EXPECT_GT(ok, 1000);
}

}  // namespace
}  // namespace plikatra
