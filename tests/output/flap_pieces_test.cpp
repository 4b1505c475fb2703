// Flap visibility on crowded sheets of many small parts, as a scan unfolds: the pieces must not
// change when the search for what lies near a flap does. Each sheet's pieces are pinned by a
// digest of their exact coordinates, taken from the plain search over all faces and flaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <numeric>

#include "app/open_model.h"
#include "app/options.h"
#include "output/flap_pieces.h"
#include "output_support.h"
#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;
using plikatra::test::SheetBuilder;

namespace {

struct CrowdedSheet {
    int partsAcross = 12;
    int cells = 4;           // squares along a part's side, each cut into two triangles
    double gap = 0.25;       // between parts, in part sides
    double tallest = 0.9;    // flap heights up to this, centimetres
    double mag2d = 1.0;
    unsigned seed = 1;
};

// Parts of uneven triangles in rows, their faces and their flaps listed in shuffled part
// orders. Rim flaps stand outwards into the gaps and neighbouring parts; a few stand inwards
// over their own faces, a few repeat an earlier flap exactly and a few have no length.
SheetBuilder crowdedSheet(const CrowdedSheet& c) {
    SheetBuilder s;
    s.drawing.mag2d = c.mag2d;
    // splitmix64, so that every standard library builds the same sheet.
    std::uint64_t state = c.seed;
    auto uniform = [&](double lo, double hi) {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return lo + (hi - lo) * static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
    };
    auto shuffle = [&](std::vector<int>& v) {
        for (std::size_t i = v.size(); i > 1; --i)
            std::swap(v[i - 1], v[std::min(i - 1, static_cast<std::size_t>(uniform(0, 1) * static_cast<double>(i)))]);
    };
    const int n = c.partsAcross * c.partsAcross, k = c.cells;
    std::vector<Part*> parts;
    for (int i = 0; i < n; ++i)
        parts.push_back(s.part((i % c.partsAcross) * (1 + c.gap), (i / c.partsAcross) * (1 + c.gap), 1, 1));
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);

    std::vector<std::vector<Point2>> grids;  // corner positions of each part on the sheet
    for (Part* p : parts) {
        std::vector<Point2> g;
        for (int j = 0; j <= k; ++j)
            for (int i = 0; i <= k; ++i) {
                const bool rimX = i == 0 || i == k, rimY = j == 0 || j == k;
                const double jitter = 0.3 / k;
                g.push_back({p->x + (static_cast<double>(i) + (rimX ? 0 : uniform(-jitter, jitter) * k)) / k,
                             p->y + (static_cast<double>(j) + (rimY ? 0 : uniform(-jitter, jitter) * k)) / k});
            }
        grids.push_back(std::move(g));
    }
    shuffle(order);
    for (int i : order) {
        const auto& g = grids[static_cast<std::size_t>(i)];
        auto at = [&](int x, int y) { return g[static_cast<std::size_t>(y * (k + 1) + x)]; };
        for (int y = 0; y < k; ++y)
            for (int x = 0; x < k; ++x) {
                s.face(parts[static_cast<std::size_t>(i)], {at(x, y), at(x + 1, y), at(x + 1, y + 1)});
                s.face(parts[static_cast<std::size_t>(i)], {at(x, y), at(x + 1, y + 1), at(x, y + 1)});
            }
    }
    shuffle(order);
    for (int i : order) {
        Part* p = parts[static_cast<std::size_t>(i)];
        const auto& g = grids[static_cast<std::size_t>(i)];
        auto at = [&](int x, int y) { return g[static_cast<std::size_t>(y * (k + 1) + x)]; };
        // The rim in the turn that makes every flap stand outwards.
        std::vector<Point2> rim;
        for (int x = 0; x < k; ++x) rim.push_back(at(x, 0));
        for (int y = 0; y < k; ++y) rim.push_back(at(k, y));
        for (int x = k; x > 0; --x) rim.push_back(at(x, k));
        for (int y = k; y > 0; --y) rim.push_back(at(0, y));
        for (std::size_t e = 0; e < rim.size(); ++e) {
            Point2 a = rim[e], b = rim[(e + 1) % rim.size()];
            const double kind = uniform(0, 1);
            if (kind < 0.1) std::swap(a, b);
            if (kind > 0.97) b = a;
            s.flap(p, a, b, uniform(0.05, c.tallest));
            if (kind > 0.1 && kind < 0.14) s.drawing.flaps.push_back(s.drawing.flaps.back());
        }
    }
    return s;
}

// FNV-1a over each piece's flap and the bits of its ends.
std::uint64_t digest(const std::vector<FlapPiece>& pieces) {
    std::uint64_t h = 1469598103934665603ull;
    auto add = [&](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
    };
    for (const FlapPiece& p : pieces) {
        const std::uint64_t flap = p.flap;
        add(&flap, sizeof flap);
        for (double v : {p.a.x, p.a.y, p.b.x, p.b.y}) {
            std::uint64_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            add(&bits, sizeof bits);
        }
    }
    return h;
}

struct Pinned {
    const char* name;
    CrowdedSheet sheet;
    std::size_t pieces;
    std::uint64_t digest;
};

TEST(FlapPieces, CrowdedSheetsKeepTheirPiecesExactly) {
    const Pinned cases[] = {
        {"crowded", {}, 4096, 0xc3298faa8e6de3f2ull},
        {"flaps reaching two parts away", {8, 3, 0.1, 2.5, 1.0, 2}, 1558, 0xe2f964ecc2bd019full},
        {"small scale, short flaps", {10, 5, 0.25, 0.9, 3.0, 3}, 4250, 0xa0ac5b43b7bbb432ull},
        {"large scale", {6, 4, 0.25, 0.9, 0.4, 4}, 1167, 0xadb18b6eee03acbcull},
        // Parts so far apart that their cells are too many to hold and are looked up by place
        // (pinned from the grid search that came before the row-by-row one).
        {"parts far apart", {6, 4, 300.0, 4.0, 1.0, 5}, 1138, 0x1ffe0628c16e95afull},
    };
    for (const Pinned& c : cases) {
        const SheetBuilder s = crowdedSheet(c.sheet);
        const std::vector<FlapPiece> pieces = visibleFlapPieces(s.drawing);
        EXPECT_EQ(pieces.size(), c.pieces) << c.name;
        EXPECT_EQ(digest(pieces), c.digest) << c.name;
    }
}

// Real models unfolded as they come and with flaps tall enough to lie over their neighbours,
// pinned as above: a faster search for what hides a flap must find exactly these pieces.
TEST(FlapPieces, CorpusDevelopmentsKeepTheirPiecesExactly) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(PLIKATRA_CORPUS_DIR);
    if (!fs::exists(root)) GTEST_SKIP() << "no corpus beside the checkout";
    struct Case {
        const char* file;
        double flapHeight;  // centimetres; 0 keeps the settings' height
        std::size_t pieces;
        std::uint64_t digest;
    };
    const Case cases[] = {
        {"3ds/pool_ball/ball-1.3ds", 0, 4545, 0xc0ed9d7146fa161cull},
        {"3ds/pool_ball/ball-1.3ds", 3, 9036, 0x1ae16e9e9a67452eull},
        {"obj/catmark_torus/catmark_torus_creases0.obj", 0, 97, 0x50ba7a0b5f64596bull},
        {"obj/catmark_torus/catmark_torus_creases0.obj", 3, 64, 0xd1108c41d95f8e30ull},
        {"mqo/dchan/d-chan.mqo", 2, 1381, 0xc7a79f604b64b4b7ull},
        {"3ds/gear/gear.3ds", 3, 116, 0x3b78fbad2ed6251full},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " flaps " + std::to_string(c.flapHeight));
        RecordingFrontEnd quiet;
        LoadOutcome outcome;
        auto m = readModelFile((root / c.file).string(), ModelFileOptions{}, quiet, outcome);
        ASSERT_TRUE(m);
        const Settings settings;
        ASSERT_TRUE(createDevelopment(*m, settings));
        if (c.flapHeight > 0) setFlapHeights(*m, c.flapHeight);
        const DevelopmentDrawing drawing = drawDevelopment(*m, drawingOptionsOf(settings));
        const std::vector<FlapPiece> pieces = visibleFlapPieces(drawing);
        EXPECT_EQ(pieces.size(), c.pieces);
        EXPECT_EQ(digest(pieces), c.digest);
    }
}

}  // namespace
