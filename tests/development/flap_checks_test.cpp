// The flap checks against the brute-force oracle of the test checker, on cubes whose flaps are
// made to collide in each of the two ways, and "Shorten Flaps That Collide" with its undo.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/commands.h"
#include "app/document.h"
#include "app/open_model.h"
#include "workfile/work_file_reader.h"
#include "workfile/work_file_writer.h"
#include "development/flap_checks.h"
#include "development_checker.h"
#include "model/primitive_shapes.h"
#include "recording_front_end.h"

using namespace plikatra;

namespace {

class FlapChecks : public testing::Test {
protected:
    // A cube unfolded in one part, or in six when every edge is cut.
    Model& cube(bool allCut) {
        auto m = makeBox(2, 2, 2);
        if (allCut)
            for (auto& e : m->solids[0]->edges) e->kind = kEdgeCut;
        doc.adopt(std::move(m));
        EXPECT_TRUE(doc.createDevelopment(true));
        return *doc.model();
    }
    // The side of the cube on paper, in centimetres.
    double side() const { return 2 * doc.model()->dMag2d; }
    void setHeights(double cm) {
        for (auto& f : doc.model()->solids[0]->faces)
            for (auto& h : f->halfedges) h->flapHeight = cm;
        doc.recordStep("Set Heights");
    }
    // The flags, which must be the oracle's.
    std::vector<FlaggedFlap> flagged() {
        const auto found = findCollidingFlaps(*doc.model(), settings.bNorishiroReverse);
        std::vector<const Halfedge*> mine;
        for (const auto& f : found) mine.push_back(f.halfedge);
        EXPECT_EQ(mine, test::findBadFlaps(*doc.model(), settings.bNorishiroReverse));
        return found;
    }
    std::map<const Halfedge*, double> heights() {
        std::map<const Halfedge*, double> out;
        for (auto& f : doc.model()->solids[0]->faces)
            for (auto& h : f->halfedges) out[h.get()] = h->flapHeight;
        return out;
    }
    // Shortens, then expects nothing flagged, only the flagged flaps lower, and undo to bring
    // every height back.
    void expectShortenedAndUndone(const std::vector<FlaggedFlap>& before) {
        const auto original = heights();
        std::set<const Halfedge*> named;
        for (const auto& f : before) named.insert(f.halfedge);
        EXPECT_TRUE(commandEnabled(CommandId::ShortenCollidingFlaps, doc));
        EXPECT_EQ(doc.shortenCollidingFlaps(), static_cast<int>(before.size()));
        EXPECT_TRUE(flagged().empty());
        for (const auto& [h, height] : heights()) {
            if (named.count(h)) {
                EXPECT_LT(height, original.at(h));
                EXPECT_GT(height, 0.0);
            } else {
                EXPECT_EQ(height, original.at(h));
            }
        }
        EXPECT_TRUE(doc.canUndo());
        doc.undoLastEdit();
        EXPECT_EQ(heights(), original);
    }

    Settings settings;
    RecordingFrontEnd ui;
    Document doc{ui, settings};
};

}  // namespace

TEST_F(FlapChecks, FlapsThatFitAreNotFlaggedAndNothingChanges) {
    cube(false);
    EXPECT_TRUE(flagged().empty());
    // Trapezoids at the corners where the cross turns inwards just touch.
    for (auto& f : doc.model()->solids[0]->faces)
        for (auto& h : f->halfedges) h->hasFlap = !h->twin;
    setHeights(0.45 * side());
    EXPECT_TRUE(flagged().empty());
    EXPECT_EQ(doc.shortenCollidingFlaps(), 0);
    EXPECT_EQ(doc.undoName(), "Set Heights") << "a command that changed nothing is no step";
}

TEST_F(FlapChecks, FlapsOnEachOtherInsideTheOutlineAreShortened) {
    cube(false);
    // Flaps on both sides of every cut: at each inward corner of the cross two flaps meet,
    // and triangles steeper than 45 degrees lie on each other. Folded, each still fits the
    // square it is glued under.
    for (auto& f : doc.model()->solids[0]->faces)
        for (auto& h : f->halfedges) h->hasFlap = !h->twin;
    setHeights(0.6 * side());
    const auto found = flagged();
    ASSERT_FALSE(found.empty());
    for (const auto& f : found) EXPECT_EQ(f.faults, kFlapOverlapsPart);
    expectShortenedAndUndone(found);
}

TEST_F(FlapChecks, FlapsLargerThanTheFaceTheyAreGluedUnderAreShortened) {
    cube(true);
    ASSERT_EQ(doc.model()->parts.size(), 6u);
    // One part per square: nothing else of the part lies near a flap, but a triangle taller
    // than the square reaches past the one it is glued under.
    setHeights(1.2 * side());
    const auto found = flagged();
    ASSERT_EQ(found.size(), 12u);
    for (const auto& f : found) EXPECT_EQ(f.faults, kFlapOutsideTwin);
    expectShortenedAndUndone(found);
    // Hidden flaps are not offered for shortening.
    settings.bDrawNorishiro = false;
    EXPECT_FALSE(commandEnabled(CommandId::ShortenCollidingFlaps, doc));
}

namespace {

// Saved positions come back to six decimals: flaps that fitted must still fit after reopening.
TEST_F(FlapChecks, ASavedDevelopmentReadsBackWithTheSameFlapFaults) {
    settings.iAlgorithmType = 3;
    LoadOutcome outcome;
    auto m = readModelFile(PLIKATRA_SOURCE_DIR "/examples/box.obj", ModelFileOptions{}, ui, outcome);
    ASSERT_TRUE(m);
    doc.adopt(std::move(m));
    ASSERT_TRUE(doc.createDevelopment(true));
    const auto before = findCollidingFlaps(*doc.model(), settings.bNorishiroReverse);
    Model read;
    WorkFileSettings carried;
    const std::string text = workFileText(*doc.model(), doc.workFileState());
    ASSERT_EQ(readWorkFileText(text, read, ReadContext{ui}, carried), 0);
    EXPECT_EQ(findCollidingFlaps(read, settings.bNorishiroReverse).size(), before.size());
}

}  // namespace
