#include "import/obj_reader.h"
#include "quiet_readers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/load_progress.h"
#include "model/construction.h"
#include "recording_progress.h"
#include "test_util.h"

namespace plikatra {
namespace {

// Four corners of the unit square in the z = 0 plane, then a fifth point off it.
const char* kSquare =
    "v 0 0 0\n"
    "v 1 0 0\n"
    "v 1 1 0\n"
    "v 0 1 0\n"
    "v 0 0 1\n";

struct Loaded {
    int result = -1;
    Model model;
};

std::unique_ptr<Loaded> load(const test::TempDir& dir, const std::string& text,
                             const std::string& name = "m.obj") {
    auto out = std::make_unique<Loaded>();
    out->result = readObj(dir.write(name, text), out->model);
    return out;
}

std::unique_ptr<Loaded> load(const std::string& text) {
    test::TempDir dir;
    return load(dir, text);
}

// Corner positions of a face as "x,y,z" strings, for compact comparisons.
std::vector<std::string> corners(const Face& f) {
    std::vector<std::string> out;
    for (const auto& h : f.halfedges) {
        std::ostringstream s;
        s << h->origin->position.x << ',' << h->origin->position.y << ',' << h->origin->position.z;
        out.push_back(s.str());
    }
    return out;
}

TEST(ObjReader, FaceTokenForms) {
    // Plain numbers, a polygon with four corners.
    auto m = load(std::string(kSquare) + "f 1 2 3 4\n");
    ASSERT_EQ(m->result, 0);
    ASSERT_EQ(m->model.solids.size(), 1u);
    ASSERT_EQ(m->model.solids[0]->faces.size(), 1u);
    EXPECT_EQ(corners(*m->model.solids[0]->faces[0]), (std::vector<std::string>{"0,0,0", "1,0,0", "1,1,0", "0,1,0"}));
    EXPECT_FALSE(m->model.bTextureCoodinates);

    // Negative numbers count back from the last vertex read.
    m = load("v 9 9 9\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\n");
    ASSERT_EQ(m->result, 0);
    EXPECT_EQ(corners(*m->model.solids[0]->faces[0]), (std::vector<std::string>{"0,0,0", "1,0,0", "0,1,0"}));

    // vertex//normal gives no texture coordinate.
    m = load(std::string(kSquare) + "vt 0 0\nf 1//3 2//3 3//3\n");
    ASSERT_EQ(m->result, 0);
    EXPECT_FALSE(m->model.bTextureCoodinates);
    for (const auto& h : m->model.solids[0]->faces[0]->halfedges) EXPECT_EQ(h->texCoord, nullptr);

    // vertex/texture/normal does; v is stored flipped.
    m = load(std::string(kSquare) + "vt 0.5 0.25\nvt 0.125 1\nf 1/1/7 2/2/7 3/1/7\n");
    ASSERT_EQ(m->result, 0);
    EXPECT_TRUE(m->model.bTextureCoodinates);
    const auto& hs = m->model.solids[0]->faces[0]->halfedges;
    ASSERT_EQ(hs.size(), 3u);
    EXPECT_DOUBLE_EQ(hs[0]->texCoord->u, 0.5);
    EXPECT_DOUBLE_EQ(hs[0]->texCoord->v, 0.75);
    EXPECT_DOUBLE_EQ(hs[1]->texCoord->u, 0.125);
    EXPECT_DOUBLE_EQ(hs[1]->texCoord->v, 0.0);
    EXPECT_EQ(hs[2]->texCoord, hs[0]->texCoord);  // one record per number within a solid
}

TEST(ObjReader, TextureNumbersOutsideTheListAndLaterPlainCorners) {
    // 5 is past the two coordinates: no coordinate. Once a corner carried a texture number,
    // a plain corner takes the last coordinate read so far; one before that takes none.
    auto m = load(std::string(kSquare) + "vt 0 0\nvt 1 0\nf 1 2/5 3 4/-1\n");
    ASSERT_EQ(m->result, 0);
    const auto& hs = m->model.solids[0]->faces[0]->halfedges;
    ASSERT_EQ(hs.size(), 4u);
    EXPECT_EQ(hs[0]->texCoord, nullptr);
    EXPECT_EQ(hs[1]->texCoord, nullptr);
    ASSERT_NE(hs[2]->texCoord, nullptr);
    EXPECT_DOUBLE_EQ(hs[2]->texCoord->u, 1.0);
    EXPECT_EQ(hs[3]->texCoord, hs[2]->texCoord);
    EXPECT_TRUE(m->model.bTextureCoodinates);
}

TEST(ObjReader, GroupsSeeTheWholeNumbering) {
    // Both groups are named "a"; the second refers to vertices read before it started.
    auto m = load(
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "g a\n"
        "v 1 1 0\nf 1 2 3\n"
        "g a extra words\n"
        "f 2 4 3\n");
    ASSERT_EQ(m->result, 0);
    // The unnamed solid before the first group has no face and is dropped by construction.
    ASSERT_EQ(m->model.solids.size(), 2u);
    for (const auto& s : m->model.solids) EXPECT_EQ(s->name, "a");
    const Solid& second = *m->model.solids[1];
    ASSERT_EQ(second.vertices.size(), 3u);
    EXPECT_EQ(corners(*second.faces[0]), (std::vector<std::string>{"1,0,0", "1,1,0", "0,1,0"}));
    // Unused vertices are gone; the rest keep file order (2, 3, 4) and are numbered from 0.
    EXPECT_EQ(second.vertices[1]->position.y, 1.0);
    EXPECT_EQ(second.vertices[1]->position.x, 0.0);
    EXPECT_EQ(second.vertices[2]->index, 2);
}

TEST(ObjReader, WordAndLineRules) {
    // A group's name may stand on a later line; the rest of that line is skipped.
    auto m = load(std::string(kSquare) + "g\n\n  grp 1 2 3\nf 1 2 3\n");
    ASSERT_EQ(m->result, 0);
    ASSERT_EQ(m->model.solids.size(), 1u);
    EXPECT_EQ(m->model.solids[0]->name, "grp");

    // The face text ends after 512 characters; what follows is read as words and skipped.
    auto padded = [](std::size_t width) {
        std::string rest = " 1 2 3";
        rest.resize(width, ' ');
        return std::string(kSquare) + "f" + rest + "4\n";
    };
    m = load(padded(512));
    ASSERT_EQ(m->result, 0);
    EXPECT_EQ(m->model.solids[0]->faces[0]->halfedges.size(), 3u);
    m = load(padded(511));
    ASSERT_EQ(m->result, 0);
    EXPECT_EQ(m->model.solids[0]->faces[0]->halfedges.size(), 4u);

    // CR LF line ends, tabs, and numbers the C library reads partly or not at all.
    m = load("v\t2e0 0x1p1 +0\r\nv 0 1.5abc 0\r\nv junk 0 0\r\nf 1 2 3\r\n");
    ASSERT_EQ(m->result, 0);
    EXPECT_EQ(corners(*m->model.solids[0]->faces[0]), (std::vector<std::string>{"2,2,0", "0,1.5,0", "0,0,0"}));
}

TEST(ObjReader, BadVertexNumberEndsReading) {
    // Vertex 0 drops its face and everything after it; the earlier face stays.
    auto m = load(std::string(kSquare) + "f 1 2 3\nf 2 3 0\nf 1 2 3 4\nv 7 7 7\n");
    ASSERT_EQ(m->result, 0);
    EXPECT_EQ(m->model.faceCount, 1);
    EXPECT_EQ(m->model.solids[0]->vertices.size(), 3u);

    // A number past the vertex count does the same; with no face left the load fails.
    EXPECT_EQ(load(std::string(kSquare) + "f 1 2 6\nf 1 2 3\n")->result, 1);
    EXPECT_EQ(load(std::string(kSquare) + "f 1 2 -6\n")->result, 1);
}

TEST(ObjReader, BadInput) {
    test::TempDir dir;
    Model model;
    EXPECT_EQ(readObj(dir.path() + "/missing.obj", model), 1);
    EXPECT_EQ(readObj(dir.path(), model), 1);  // a directory
    EXPECT_EQ(load("")->result, 1);
    EXPECT_EQ(load(" \n\n")->result, 1);  // nothing but white space: no face
    EXPECT_EQ(load("v 1 2 3\nv 1 2")->result, 1);  // cut short at the end
    EXPECT_EQ(load(std::string(kSquare) + "vt 0.5")->result, 1);
    EXPECT_EQ(load("f 1 2 3\nf\n")->result, 1);

    // Binary noise with NUL bytes: no word of it forms a face.
    std::string noise;
    std::uint32_t x = 12345;
    for (int i = 0; i < 100000; ++i) {
        x = x * 1103515245u + 12345u;
        noise.push_back(static_cast<char>(x >> 24));
    }
    EXPECT_EQ(load(noise)->result, 1);

    // A 10 MB comment line and a 10 MB face line both leave a usable model.
    EXPECT_EQ(load("# " + std::string(10'000'000, 'x') + "\n" + kSquare + "f 1 2 3\n")->result, 0);
    std::string longFace = std::string(kSquare) + "f 1 2 3";
    for (int i = 0; i < 5'000'000; ++i) longFace += " 3";
    auto m = load(longFace);
    ASSERT_EQ(m->result, 0);
    EXPECT_EQ(m->model.faceCount, 1);
    EXPECT_EQ(m->model.solids[0]->faces[0]->halfedges.size(), 3u);
}

std::string colorOf(const Material& m) {
    std::ostringstream s;
    s << m.diffuse.r << ' ' << m.diffuse.g << ' ' << m.diffuse.b;
    return s.str();
}

TEST(ObjReader, MaterialColours) {
    test::TempDir dir;
    dir.write("lib.mtl",
              "# colours\nnewmtl RED\nKd 0.1 0 0 extra\nnewmtl unused\nKd 0 0 1\nnewmtl Blue\nKd 0 0 0.5\n");
    auto m = load(dir, std::string("mtllib lib.mtl\n") + kSquare +
                           "usemtl red\nf 1 2 3\nusemtl blue\nf 1 3 4\nusemtl red\nf 1 2 5\n");
    ASSERT_EQ(m->result, 0);
    const auto& mats = m->model.materials;
    ASSERT_EQ(mats.size(), 3u);
    EXPECT_EQ(mats[0]->name, "red");
    EXPECT_EQ(mats[0]->flatColor.r, static_cast<float>(0.1));
    EXPECT_FALSE(mats[0]->colorGiven);
    EXPECT_EQ(colorOf(*mats[1]), "0 0 0.5");
    // Every "usemtl red" made a material of its own, and each takes the colour.
    EXPECT_EQ(colorOf(*mats[2]), colorOf(*mats[0]));
    EXPECT_EQ(m->model.solids[0]->faces[2]->materialIndex, 2);

    // Faces before any "usemtl" use the default material.
    m = load(dir, std::string(kSquare) + "f 1 2 3\nusemtl x\nf 1 3 4\n", "n.obj");
    EXPECT_EQ(m->model.solids[0]->faces[0]->materialIndex, -1);

    // Without "mtllib" the library beside the file with the same base name is read.
    dir.write("same.mtl", "newmtl A\nKd 1 0 0\n");
    m = load(dir, std::string(kSquare) + "usemtl a\nf 1 2 3\n", "same.obj");
    EXPECT_EQ(colorOf(*m->model.materials[0]), "1 0 0");
    // A named library that does not exist is not replaced by that one.
    m = load(dir, std::string("mtllib none.mtl\n") + kSquare + "usemtl a\nf 1 2 3\n", "same.obj");
    EXPECT_EQ(colorOf(*m->model.materials[0]), colorOf(Material()));
    // A library that is a directory, or is cut short inside Kd, is read as far as it goes.
    ASSERT_EQ(::mkdir((dir.path() + "/dir.mtl").c_str(), 0700), 0);
    m = load(dir, std::string(kSquare) + "usemtl a\nf 1 2 3\n", "dir.obj");
    EXPECT_EQ(m->result, 0);
    EXPECT_EQ(colorOf(*m->model.materials[0]), colorOf(Material()));
    dir.write("cut.mtl", "newmtl a\nKd 0 1");
    m = load(dir, std::string(kSquare) + "usemtl a\nf 1 2 3\n", "cut.obj");
    EXPECT_EQ(m->result, 0);
    EXPECT_EQ(colorOf(*m->model.materials[0]), colorOf(Material()));
}

TEST(ObjReader, ProgressAndCancel) {
    test::TempDir dir;
    const std::string path = dir.write("p.obj", std::string(kSquare) + "f 1 2 3\n");
    {
        RecordingFrontEnd ui;
        RecordingProgress& rec = ui.progressWindow;
        Model model;
        EXPECT_EQ(readObj(path, model, ReadContext{ui}), 0);
        ASSERT_FALSE(rec.captions.empty());
        EXPECT_EQ(rec.captions.front(), kLoadFileTitle);
        EXPECT_EQ(rec.texts, (std::vector<std::string>{kLoadingFileText, kConstructingModelText}));
        EXPECT_EQ(rec.openWindows(), 0);
        EXPECT_FALSE(rec.percents.empty());
    }
    {
        RecordingFrontEnd ui;
        RecordingProgress& rec = ui.progressWindow;
        rec.cancelAtPump = 2;
        Model model;
        EXPECT_EQ(readObj(path, model, ReadContext{ui}), 2);
        EXPECT_EQ(rec.openWindows(), 0);
    }
}

// The reading rules with every group copying all vertices and texture coordinates of the
// solid before it, as written; the reader must give the same model without the copies.
void readLiterally(const std::string& text, Model& model) {
    std::istringstream in(text);
    Solid* solid = model.addSolid();
    std::string word;
    while (in >> word) {
        if (word == "v") {
            double x, y, z;
            in >> x >> y >> z;
            solid->addVertex(x, y, z);
        } else if (word == "vt") {
            double u, v;
            in >> u >> v;
            solid->addTexCoord(u, 1 - v);
        } else if (word == "g") {
            std::string name;
            in >> name;
            Solid* next = model.addSolid(name);
            for (const auto& v : solid->vertices) next->addVertex(v->position.x, v->position.y, v->position.z);
            for (const auto& t : solid->texCoords) next->addTexCoord(t->u, t->v);
            solid = next;
        } else if (word == "f") {
            std::string line, token;
            std::getline(in, line);
            std::istringstream tokens(line);
            Face* face = solid->addFace();
            const auto nv = static_cast<int>(solid->vertices.size());
            const auto nt = static_cast<int>(solid->texCoords.size());
            while (tokens >> token) {
                const auto slash = token.find('/');
                int c = std::atoi(token.c_str());
                int t = -1;
                if (slash != std::string::npos && token[slash + 1] != '/') {
                    t = std::atoi(token.c_str() + slash + 1);
                    model.bTextureCoodinates = true;
                }
                if (c < 0) c += nv + 1;
                if (model.bTextureCoodinates && t < 0) t += nt + 1;
                TexCoord* tc = model.bTextureCoodinates && t >= 1 && t <= nt
                                   ? solid->texCoords[static_cast<size_t>(t - 1)].get() : nullptr;
                face->addCorner(solid->vertices[static_cast<size_t>(c - 1)].get(), tc);
            }
        }
    }
    for (auto& s : model.solids) {
        std::unordered_set<const Vertex*> used;
        for (auto& f : s->faces)
            for (auto& h : f->halfedges) used.insert(h->origin);
        std::erase_if(s->vertices, [&](const auto& v) { return !used.count(v.get()); });
        for (size_t i = 0; i < s->vertices.size(); ++i) s->vertices[i]->index = static_cast<int>(i);
    }
    finishSolids(model, kAreaThreshold);
}

std::string describe(const Model& model) {
    std::ostringstream s;
    s << "faces " << model.faceCount << " tex " << model.bTextureCoodinates << '\n';
    for (const auto& solid : model.solids) {
        s << "solid " << solid->name << " vertices";
        for (const auto& v : solid->vertices)
            s << ' ' << v->index << ':' << v->position.x << ',' << v->position.y << ',' << v->position.z;
        s << '\n';
        for (const auto& f : solid->faces) {
            s << " face " << f->index;
            for (const auto& h : f->halfedges) {
                s << ' ' << h->origin->index;
                if (h->texCoord) s << '/' << h->texCoord->u << ',' << h->texCoord->v;
            }
            s << '\n';
        }
        s << " edges " << solid->edges.size() << "\n texture coordinates in use";
        // A full copy also holds coordinates no corner uses; those make no difference.
        std::set<const TexCoord*> used;
        for (const auto& f : solid->faces)
            for (const auto& h : f->halfedges) used.insert(h->texCoord);
        for (const auto& t : solid->texCoords)
            if (used.count(t.get())) s << ' ' << t->u << ',' << t->v;
        s << '\n';
    }
    return s.str();
}

TEST(ObjReader, SameModelAsCopyingEveryGroup) {
    std::ostringstream file;
    std::uint32_t x = 7;
    auto next = [&x](int n) {
        x = x * 1664525u + 1013904223u;
        return static_cast<int>((x >> 8) % static_cast<std::uint32_t>(n));
    };
    int vertices = 0, texCoords = 0;
    for (int group = 0; group < 30; ++group) {
        if (group > 0) file << "g " << (group % 3 == 0 ? "same" : "g" + std::to_string(group)) << '\n';
        for (int i = next(6); i > 0 || vertices < 3; --i, ++vertices)
            file << "v " << next(100) / 10.0 << ' ' << next(100) / 10.0 << ' ' << next(100) / 10.0 << '\n';
        for (int i = next(3); i > 0; --i, ++texCoords) file << "vt " << next(8) / 8.0 << ' ' << next(8) / 8.0 << '\n';
        for (int f = 1 + next(5); f > 0; --f) {
            file << 'f';
            for (int corner = 3 + next(2); corner > 0; --corner) {
                const int c = 1 + next(vertices);
                file << ' ' << (next(4) == 0 ? c - vertices - 1 : c);
                if (group >= 2) {
                    switch (next(4)) {
                        case 0: file << '/' << 1 + next(texCoords + 2); break;  // may be past the list
                        case 1: file << "/-1/2"; break;
                        case 2: file << "//3"; break;
                        default: break;
                    }
                }
            }
            file << '\n';
        }
    }
    test::TempDir dir;
    Model read;
    ASSERT_EQ(readObj(dir.write("g.obj", file.str()), read), 0);
    Model expected;
    readLiterally(file.str(), expected);
    EXPECT_GT(expected.solids.size(), 20u);
    EXPECT_EQ(describe(read), describe(expected));
}

}  // namespace
}  // namespace plikatra
