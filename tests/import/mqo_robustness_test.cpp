// Damaged MQO files: cut short at every byte and randomly changed. The reader must end with a
// result code and leave a model whose corners refer only to what the model holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "quiet_readers.h"
#include "import/mqo_reader.h"
#include "test_util.h"

using namespace std::string_literals;

namespace plikatra {
namespace {

// Every kind of line the reader knows, in a few hundred bytes.
std::string sample() {
    std::string s = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";
    s += "Scene {\n\tpos 0 0 1500\n\tdirlights 1 {\n\t\tlight {\n\t\t}\n\t}\n\tbin [3]\n}{[\n}\n";
    s += "Material 2 {\n\t\"\x83}m\" shader(3) col(1 0 0.5 1) tex(\"t.bmp\") x(1 2)\n\t\"n\" col(0 1 0 1)\n}\n";
    s += "Object \"a\" {\n\tscale 1 1 1\n\tvertex 5 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t1 1 0\n\t\t2 0 0\n\t\t2 1 0\n\t}\n";
    s += "\tface 2 {\n\t\t3 V(0 1 2) M(1) UV(0 0 1 0 1 1)\n\t\t4 V(1 3 4 2) M(0)\n\t}\n}\n";
    // Binary vertices (0, 0, 1), (2, 0, 1), (0, 2, 1) as little-endian floats.
    const std::string zero(4, '\0'), one = "\0\0\x80\x3f"s, two = "\0\0\0\x40"s;
    s += "Object \"b\" {\n\tBVertex 3 {\n\t\tVector 3 [36]\n" + zero + zero + one + two + zero + one + zero + two +
         one + "\t\tweit {\n\t\t\t0 1\n\t\t}\n\t}\n";
    s += "\tface 1 {\n\t\t3 V(2 1 0) UV(0 0 0 1 1 1)\n\t}\n}\nEof\n";
    return s;
}

// Corners, texture coordinates and material indices point into their own solid and model.
void expectConsistent(const Model& m, const char* kind, int number) {
    const testing::Message what = testing::Message() << kind << ' ' << number;
    for (const auto& s : m.solids) {
        std::set<const Vertex*> vertices;
        std::set<const TexCoord*> texCoords;
        for (const auto& v : s->vertices) vertices.insert(v.get());
        for (const auto& t : s->texCoords) texCoords.insert(t.get());
        for (const auto& f : s->faces) {
            ASSERT_TRUE(f->halfedges.size() >= 3 && f->halfedges.size() <= 4) << what;
            ASSERT_TRUE(f->materialIndex >= -1 && f->materialIndex < static_cast<int>(m.materials.size())) << what;
            for (const auto& h : f->halfedges) {
                ASSERT_TRUE(vertices.count(h->origin)) << what;
                ASSERT_TRUE(!h->texCoord || texCoords.count(h->texCoord)) << what;
            }
        }
    }
}

// Each text gets a file of its own, removed after reading: rewriting one file in place makes
// the file system flush it on every close, which is slow.
int readText(const test::TempDir& dir, const std::string& text, Model& m) {
    static int serial = 0;
    char name[32];
    std::snprintf(name, sizeof name, "m%d.mqo", serial++);
    const std::string path = dir.write(name, text);
    const int result = readMqo(path, m);
    std::filesystem::remove(path);
    return result;
}

TEST(MqoRobustness, EveryPrefix) {
    const std::string full = sample();
    test::TempDir dir;
    {
        Model m;
        ASSERT_EQ(readText(dir, full, m), kReadOk);
        EXPECT_EQ(m.solids.size(), 2u);
        EXPECT_EQ(m.faceCount, 3);
    }
    // A cut file loads when it ends at top level after a closed object: once the second object
    // is closed, or between the first one and the opening quote of the second's name (the word
    // "Object" alone is a line to skip).
    const std::size_t firstClose = full.find("}\nObject \"b\"");
    const std::size_t lastClose = full.rfind("}\nEof");
    for (std::size_t n = 0; n < full.size(); ++n) {
        Model m;
        const int result = readText(dir, full.substr(0, n), m);
        const bool whole = n > lastClose || (n > firstClose && n <= firstClose + 9);
        EXPECT_EQ(result, whole ? kReadOk : kReadFailed) << n;
        expectConsistent(m, "prefix", static_cast<int>(n));
    }
}

TEST(MqoRobustness, RandomMutations) {
    const std::string full = sample();
    const char interesting[] = {'{', '}', '[', ']', '(', ')', '"', '\n', '\r', '\0', ' ', '-', '9', '\x81', '\xfc', 'V'};
    test::TempDir dir;
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&](std::uint64_t bound) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (state >> 33) % bound;
    };
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = full;
        const int edits = 1 + static_cast<int>(next(3));
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = next(text.size());
            switch (next(4)) {
                case 0: text[at] = static_cast<char>(next(256)); break;
                case 1: text[at] = interesting[next(sizeof interesting)]; break;
                case 2: text.insert(at, 1, interesting[next(sizeof interesting)]); break;
                default: text.erase(at, 1 + next(8)); break;
            }
            if (text.empty()) text.push_back(' ');
        }
        Model m;
        const int result = readText(dir, text, m);
        ASSERT_TRUE(result == kReadOk || result == kReadFailed) << round;
        if (result == kReadOk) {
            ++loaded;
            expectConsistent(m, "round", round);
        }
    }
    // Most single changes leave a readable file, so the consistency checks did run.
    EXPECT_GT(loaded, 300);
}

}  // namespace
}  // namespace plikatra
