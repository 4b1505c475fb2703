// The indexed engine and layout against the reference ones: the same attachments in the same
// order and byte-identical work files, on the corpus and on generated shapes, for every
// priority, both crossing strictness settings, cut and keep marks, hidden solids and a
// cancelled run that is continued.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/open_model.h"
#include "app/options.h"
#include "app/unfold_run.h"
#include "base/progress.h"
#include "development/development.h"
#include "development/indexed_unfold_engine.h"
#include "development/layout.h"
#include "model/primitive_shapes.h"
#include "recording_front_end.h"
#include "workfile/work_file_writer.h"

using namespace plikatra;

namespace {

// One attachment: part index, then the candidate halfedge as solid, face and corner number.
using Attach = std::array<int, 4>;

// Passes every call on and records, before each attachment, the part's candidate. Throws
// CancelledException at the attachment numbered `cancelAt` (from 1), as a Cancel would.
class TracingProgress : public UnfoldProgress {
public:
    TracingProgress(const Model& m, UnfoldProgress* inner, std::vector<Attach>& trace, int cancelAt)
        : inner_(inner), trace_(trace), cancelAt_(cancelAt) {
        for (size_t s = 0; s < m.solids.size(); ++s)
            for (size_t f = 0; f < m.solids[s]->faces.size(); ++f)
                faces_[m.solids[s]->faces[f].get()] = {static_cast<int>(s), static_cast<int>(f)};
    }
    void beforeAttach(const Model& m) override {
        if (++count_ == cancelAt_) throw CancelledException{};
        const Part& part = *m.parts.back();
        const Halfedge* h = part.nextCandidate;
        const auto [s, f] = faces_.at(h->face);
        int corner = 0;
        while (h->face->halfedges[static_cast<size_t>(corner)].get() != h) ++corner;
        trace_.push_back({part.index, s, f, corner});
        if (inner_) inner_->beforeAttach(m);
    }
    void afterAttach(const Model& m) override {
        if (inner_) inner_->afterAttach(m);
    }

private:
    UnfoldProgress* inner_;
    std::vector<Attach>& trace_;
    int cancelAt_;
    int count_ = 0;
    std::map<const Face*, std::pair<int, int>> faces_;
};

class TracingEngine : public UnfoldEngine {
public:
    TracingEngine(const UnfoldEngine& inner, std::vector<Attach>& trace, int cancelAt = 0)
        : inner_(inner), trace_(trace), cancelAt_(cancelAt) {}
    void growParts(Model& m, const UnfoldOptions& o, UnfoldProgress& progress) const override {
        TracingProgress tracing(m, &progress, trace_, cancelAt_);
        inner_.growParts(m, o, tracing);
    }

private:
    const UnfoldEngine& inner_;
    std::vector<Attach>& trace_;
    int cancelAt_;
};

const ReferenceUnfoldEngine kReference;
const IndexedUnfoldEngine kIndexed;

struct Config {
    int algorithm = 1;
    bool unstrict = false;
    bool marks = false;        // some edges marked cut, some keep
    bool hideSolids = false;   // every second solid hidden
    std::string name() const {
        std::ostringstream s;
        s << "algorithm " << algorithm << (unstrict ? " unstrict" : " strict")
          << (marks ? " marks" : "") << (hideSolids ? " hidden solids" : "");
        return s.str();
    }
};

// Marks about one edge in twelve cut and one in six keep, the same edges on every call.
void markEdges(Model& m) {
    std::uint32_t state = 12345;
    for (auto& s : m.solids)
        for (auto& e : s->edges) {
            state = state * 1664525u + 1013904223u;
            const std::uint32_t r = (state >> 16) % 12;
            if (!e->b) continue;
            if (r == 0) e->kind = kEdgeCut;
            else if (r <= 2) e->kind = kEdgeKeep;
        }
}

void prepare(Model& m, const Config& c) {
    if (c.marks) markEdges(m);
    if (c.hideSolids)
        for (size_t i = 1; i < m.solids.size(); i += 2) m.solids[i]->visible = false;
}

Settings settingsOf(const Config& c) {
    Settings s;
    s.iAlgorithmType = c.algorithm;
    s.bUnStrictEdgeCrossCheck = c.unstrict;
    return s;
}

struct Outcome {
    std::vector<Attach> attaches;
    std::string workFile;
    bool finished = false;
};

// "Create Development" with the automatic layout, as the document runs it.
Outcome createWith(Model& m, const UnfoldEngine& engine, LayoutSearch search, const Settings& s,
                   int cancelAt = 0) {
    Outcome out;
    RecordingFrontEnd quiet;
    LayoutParams layout = layoutParamsOf(s, kLayoutAuto);
    layout.spacingPercent = 15;
    layout.search = search;
    const TracingEngine tracing(engine, out.attaches, cancelAt);
    out.finished = runUnfolding(m, tracing, unfoldOptionsOf(s), layout, quiet);
    out.workFile = workFileText(m, WorkFileDocumentState{m.bFinished, workFileSettingsOf(s)});
    return out;
}

// The first line where two texts differ, for a readable failure.
std::string firstDifference(const std::string& a, const std::string& b) {
    std::istringstream sa(a), sb(b);
    std::string la, lb;
    for (int line = 1;; ++line) {
        const bool ea = !std::getline(sa, la), eb = !std::getline(sb, lb);
        if (ea || eb) return ea && eb ? "none" : "line " + std::to_string(line) + ": one file ends";
        if (la != lb) return "line " + std::to_string(line) + ": \"" + la + "\" against \"" + lb + "\"";
    }
}

void expectSame(const Outcome& ref, const Outcome& idx, const std::string& what) {
    EXPECT_EQ(ref.finished, idx.finished) << what;
    ASSERT_EQ(ref.attaches.size(), idx.attaches.size()) << what;
    for (size_t i = 0; i < ref.attaches.size(); ++i)
        ASSERT_EQ(ref.attaches[i], idx.attaches[i]) << what << ": attachment " << i;
    EXPECT_TRUE(ref.workFile == idx.workFile)
        << what << ": work files differ at " << firstDifference(ref.workFile, idx.workFile);
}

using Factory = std::function<std::unique_ptr<Model>()>;

// A wavy grid of quadrilaterals in which every seventh face is pinched: a fifth corner at the
// place of its first one. Laying such a face flat divides by a length of zero, so flat
// positions that are not numbers or are infinite reach the crossing test and the layout.
std::unique_ptr<Model> makePinchedGrid(int n) {
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("pinched");
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            s->addVertex(i, j, 0.3 * std::sin(i * 0.7) * std::cos(j * 0.5));
    auto v = [&](int i, int j) { return s->vertices[static_cast<size_t>(j * (n + 1) + i)].get(); };
    int k = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            Face* f = s->addFace();
            f->addCorner(v(i, j));
            f->addCorner(v(i + 1, j));
            f->addCorner(v(i + 1, j + 1));
            if (++k % 7 == 0) {
                const Point3& p = v(i, j)->position;
                f->addCorner(s->addVertex(p.x, p.y, p.z));
            }
            f->addCorner(v(i, j + 1));
        }
    finishShape(*m);
    return m;
}

#ifdef PLIKATRA_SANITIZE
// The sanitizer build runs the whole suite in limited time, unoptimised, and the reference
// engine is quadratic: it checks the engines' memory use on the smaller models and leaves
// the larger ones to the normal build.
constexpr bool kSanitized = true;
constexpr int kMaxFaces = 1500;
#else
constexpr bool kSanitized = false;
constexpr int kMaxFaces = 100000;
#endif

// Unfolds two copies of the model, one with each engine and layout search, and compares.
// Models larger than the build's limit are left out.
void expectSameDevelopment(const Factory& make, const Config& c, const std::string& what) {
    auto a = make();
    ASSERT_TRUE(a) << what;
    if (a->faceCount > kMaxFaces) return;
    auto b = make();
    ASSERT_TRUE(b) << what;
    prepare(*a, c);
    prepare(*b, c);
    const Settings s = settingsOf(c);
    const Outcome ref = createWith(*a, kReference, LayoutSearch::Scan, s);
    const Outcome idx = createWith(*b, kIndexed, LayoutSearch::Indexed, s);
    expectSame(ref, idx, what + ", " + c.name());
}

// Every combination of priority and strictness; marks on every other one.
std::vector<Config> allPriorities() {
    std::vector<Config> configs;
    for (int algorithm : {0, 1, 2})
        for (bool unstrict : {false, true})
            configs.push_back({algorithm, unstrict, (algorithm + unstrict) % 2 == 1, false});
    return configs;
}


}  // namespace

TEST(EngineEquivalence, GeneratedShapes) {
    struct Shape {
        const char* name;
        Factory make;
    };
    const std::vector<Shape> shapes = {
        {"tetrahedron", [] { return makeTetrahedron(); }},
        {"box", [] { return makeBox(2, 1, 0.5); }},
        {"icosphere 80", [] { return makeIcosphere(1); }},
        {"icosphere 1280", [] { return makeIcosphere(3); }},
        {"icosphere 5120", [] { return makeIcosphere(4); }},
        {"torus 288", [] { return makeTorus(24, 12); }},
        {"thin torus 2400", [] { return makeTorus(80, 30, 0.05); }},
        {"flat grid 1800", [] { return makeGrid(30, 30, 0.0, true); }},
        {"wavy grid quads 1600", [] { return makeGrid(40, 40, 0.3, false); }},
        {"wavy grid 5000", [] { return makeGrid(50, 50, 0.5, true); }},
        {"random hull 996", [] { return makeRandomHull(500, 1); }},
        {"random hull 4996", [] { return makeRandomHull(2500, 2); }},
        {"perturbed quads 800", [] { return makePerturbedTorus(40, 20, 0.2, 3); }},
        {"perturbed quads 5000", [] { return makePerturbedTorus(100, 50, 0.3, 4); }},
        {"pinched grid 400", [] { return makePinchedGrid(20); }},
    };
    for (const Shape& shape : shapes)
        for (const Config& c : allPriorities()) expectSameDevelopment(shape.make, c, shape.name);
}

TEST(EngineEquivalence, LargeShapes) {
    if (kSanitized) {
        GTEST_SKIP() << "the reference engine needs minutes for 20,000 faces under the sanitizers";
    }
    expectSameDevelopment([] { return makeIcosphere(5); }, {1, false, false, false}, "icosphere 20480");
    expectSameDevelopment([] { return makeRandomHull(10000, 5); }, {2, true, true, false},
                          "random hull 19996");
    expectSameDevelopment([] { return makePerturbedTorus(200, 100, 0.3, 6); },
                          {0, false, true, false}, "perturbed quads 20000");
    expectSameDevelopment([] { return makeGrid(100, 100, 0.5, true); }, {1, true, false, false},
                          "wavy grid 20000");
}

TEST(EngineEquivalence, CorpusModels) {
    namespace fs = std::filesystem;
    const fs::path root = PLIKATRA_CORPUS_DIR;
    if (!fs::exists(root)) {
        GTEST_SKIP() << "no corpus at " << root;
    }
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && isSupportedModelFile(entry.path().string()))
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    int compared = 0;
    for (const std::string& path : files) {
        RecordingFrontEnd quiet;
        const Factory load = [&] {
            LoadOutcome outcome;
            auto m = readModelFile(path, ModelFileOptions{}, quiet, outcome);
            return m && !m->bFinished && m->faceCount > 0 ? std::move(m) : nullptr;
        };
        const auto probe = load();
        if (!probe) continue;  // unreadable on purpose, or a work file with its development
        const int faces = probe->faceCount;
        if (faces > kMaxFaces) continue;
        const bool solids = probe->solids.size() > 1;
        expectSameDevelopment(load, {}, path);
        if (faces <= 5000) {
            expectSameDevelopment(load, {0, true, false, solids}, path);
            expectSameDevelopment(load, {2, false, true, false}, path);
        }
        if (faces <= 20000) expectSameDevelopment(load, {1, true, true, solids}, path);
        ++compared;
    }
    EXPECT_GE(compared, kSanitized ? 20 : 30);
}

// A cancelled run leaves the same parts, candidates and refusal marks with either engine, and
// a later run continues alike, whichever engine the cancelled run had.
TEST(EngineEquivalence, CancelAndContinue) {
    const Factory shapes[] = {[] { return makeIcosphere(3); },
                              [] { return makePerturbedTorus(30, 16, 0.3, 7); }};
    for (const Factory& make : shapes)
        for (int cancelAt : {1, 2, 37, 400}) {
            const Config c{2, cancelAt % 2 == 1, true, false};
            const Settings s = settingsOf(c);
            const std::string what = "cancel at " + std::to_string(cancelAt);
            auto a = make(), b = make(), mixed = make();
            for (Model* m : {a.get(), b.get(), mixed.get()}) prepare(*m, c);
            const Outcome refCancelled = createWith(*a, kReference, LayoutSearch::Scan, s, cancelAt);
            const Outcome idxCancelled = createWith(*b, kIndexed, LayoutSearch::Indexed, s, cancelAt);
            createWith(*mixed, kReference, LayoutSearch::Scan, s, cancelAt);
            ASSERT_FALSE(refCancelled.finished) << what;
            expectSame(refCancelled, idxCancelled, what);
            ASSERT_EQ(a->parts.size(), b->parts.size()) << what;
            for (size_t i = 0; i < a->parts.size(); ++i) {
                const Halfedge* ha = a->parts[i]->nextCandidate;
                const Halfedge* hb = b->parts[i]->nextCandidate;
                ASSERT_EQ(ha == nullptr, hb == nullptr) << what;
                if (ha) {
                    EXPECT_EQ(ha->face->index, hb->face->index) << what;
                }
            }
            for (size_t s2 = 0; s2 < a->solids.size(); ++s2)
                for (size_t e = 0; e < a->solids[s2]->edges.size(); ++e)
                    EXPECT_EQ(a->solids[s2]->edges[e]->rejected, b->solids[s2]->edges[e]->rejected)
                        << what << ": edge " << e;
            EXPECT_EQ(a->facesUnfolded, b->facesUnfolded) << what;

            const Outcome refDone = createWith(*a, kReference, LayoutSearch::Scan, s);
            const Outcome idxDone = createWith(*b, kIndexed, LayoutSearch::Indexed, s);
            const Outcome mixedDone = createWith(*mixed, kIndexed, LayoutSearch::Indexed, s);
            ASSERT_TRUE(refDone.finished) << what;
            expectSame(refDone, idxDone, what + ", continued");
            expectSame(refDone, mixedDone, what + ", continued by the indexed engine");
        }
}

TEST(EngineEquivalence, HiddenSolidsAndSeveralSolids) {
    // Three solids in one model, the middle one hidden: its faces stay unplaced and its
    // edges are still numbered, alike.
    const Factory make = [] {
        auto m = makeIcosphere(2);
        for (auto* other : {makeTorus(20, 10).release(), makeRandomHull(200, 9).release()}) {
            std::unique_ptr<Model> owned(other);
            m->solids.push_back(std::move(owned->solids[0]));
            owned->solids.clear();
        }
        return m;
    };
    for (const Config& c : allPriorities()) {
        Config hidden = c;
        hidden.hideSolids = true;
        expectSameDevelopment(make, hidden, "three solids");
    }
}

// The layout alone, with a given scale so that page breaks are avoided, parts larger than a
// page occur and some parts go to the first free page.
TEST(LayoutEquivalence, GivenScaleWithPageBreaks) {
    const Factory shapes[] = {[] { return makeIcosphere(3); },
                              [] { return makeRandomHull(800, 11); },
                              [] { return makeGrid(30, 20, 0.4, false); }};
    for (const Factory& make : shapes)
        for (double scale : {3.0, 20.0, 60.0})
            for (bool pageDivide : {true, false}) {
                auto a = make(), b = make();
                UnfoldOptions options;
                options.algorithm = 0;
                RecordingFrontEnd quiet;
                class Silent : public UnfoldProgress {
                    void beforeAttach(const Model&) override {}
                    void afterAttach(const Model&) override {}
                } silent;
                kIndexed.growParts(*a, options, silent);
                kIndexed.growParts(*b, options, silent);
                LayoutParams params;
                params.mode = kLayoutGivenScale;
                params.pageDivide = pageDivide;
                params.spacingMm = 4;
                for (Model* m : {a.get(), b.get()}) m->dMag2d = scale / m->dMag3d;
                params.search = LayoutSearch::Scan;
                layoutParts(*a, params, quiet);
                params.search = LayoutSearch::Indexed;
                layoutParts(*b, params, quiet);
                const std::string what = "scale " + std::to_string(scale) +
                                         (pageDivide ? " avoiding page breaks" : "");
                ASSERT_EQ(a->parts.size(), b->parts.size()) << what;
                for (size_t i = 0; i < a->parts.size(); ++i) {
                    EXPECT_EQ(a->parts[i]->x, b->parts[i]->x) << what << ": part " << i;
                    EXPECT_EQ(a->parts[i]->y, b->parts[i]->y) << what << ": part " << i;
                }
                EXPECT_EQ(a->dKavimozuWidth, b->dKavimozuWidth) << what;
                EXPECT_EQ(a->dKavimozuHeight, b->dKavimozuHeight) << what;
            }
}
