#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "development/development.h"
#include "development/editing_hits.h"
#include "editing_support.h"
#include "model/primitive_shapes.h"
#include "test_util.h"

using namespace plikatra;
using plikatra::test::EditingTest;

namespace {

// A flat square of 2 × 2 quadrilaterals: one part whose four inner folds close a loop.
std::unique_ptr<Model> makePlate() {
    auto m = std::make_unique<Model>();
    std::vector<Point3> pts;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) pts.push_back({double(i), double(j), 0.0});
    test::addPolygonSolid(*m, pts, {{0, 1, 4, 3}, {1, 2, 5, 4}, {3, 4, 7, 6}, {4, 5, 8, 7}});
    finishShape(*m);
    return m;
}

Halfedge* firstWhere(Model& m, const std::function<bool(Halfedge&)>& pred) {
    for (auto& p : m.parts)
        for (Face* f : p->faces)
            for (auto& h : f->halfedges)
                if (pred(*h)) return h.get();
    return nullptr;
}

Halfedge* firstFold(Model& m) {
    return firstWhere(m, [](Halfedge& h) { return h.twin != nullptr; });
}

Point2 mid(const Halfedge* h) {
    const Point2 a = sheetStart(*h), b = sheetStart(*h->next);
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

}  // namespace

using Editing = EditingTest;

TEST_F(Editing, ModeCommandsToggleShowHintsAndTurnFlapsOn) {
    use(makeBox(1, 1, 1));
    settings().bDrawNorishiro = false;
    doc.chooseEditMode(kModeEditFlap);
    EXPECT_EQ(editor.mode(), kModeEditFlap);
    EXPECT_TRUE(settings().bDrawNorishiro);
    ASSERT_EQ(rec.texts().size(), 1u);
    EXPECT_EQ(rec.texts()[0], "Configuration is changed to show flaps.");
    EXPECT_EQ(rec.statusTexts.back(), "Click the flap to edit.");
    doc.chooseEditMode(kModeEditFlap);
    EXPECT_EQ(editor.mode(), kModeNone);
    doc.chooseEditMode(kModeRotatePart);
    EXPECT_EQ(rec.statusTexts.back(),
              "Click points the center of a part and the target angle(Cancel with Right click).");
    EXPECT_EQ(rec.texts().size(), 1u);
}

TEST_F(Editing, ClickNeedsPressAndReleaseWithinThreePixels) {
    use(makeBox(1, 1, 1), 50.0);
    mode(kModeEraseEdge);
    Halfedge* h = firstFold(*model);
    const Point2 p = inside(h);
    editor.mousePress(MouseButton::Left, p);
    editor.mouseRelease(MouseButton::Left, {p.x + 4.0 / 50.0, p.y});
    EXPECT_TRUE(h->lineShown) << "a 4-pixel move is a drag, not a click";
    EXPECT_FALSE(doc.modified());
    editor.mousePress(MouseButton::Left, p);
    editor.mouseRelease(MouseButton::Left, {p.x + 3.0 / 50.0, p.y});
    EXPECT_FALSE(h->lineShown);
    EXPECT_FALSE(h->twin->lineShown);
    EXPECT_TRUE(doc.modified());
}

TEST_F(Editing, EraseAndRestoreOnlyHitTheirKindOfLine) {
    use(makeBox(1, 1, 1));
    Halfedge* h = firstFold(*model);
    const Point2 p = inside(h);
    mode(kModeShowEdge);
    click(p);  // a shown line cannot be restored
    EXPECT_TRUE(h->lineShown);
    EXPECT_FALSE(doc.canUndo());
    mode(kModeEraseEdge);
    click(p);
    ASSERT_FALSE(h->lineShown);
    click(p);  // the erased line is no longer a target of Erase
    EXPECT_FALSE(h->lineShown);
    EXPECT_EQ(editor.lastEdit(), kUndoEraseEdge);
    mode(kModeShowEdge);
    click(p);
    EXPECT_TRUE(h->lineShown);
    EXPECT_TRUE(h->twin->lineShown);
    EXPECT_EQ(editor.lastEdit(), kUndoShowEdge);
    doc.undo();  // the first Undo takes back the last edit alone
    EXPECT_FALSE(h->lineShown);
    EXPECT_FALSE(h->twin->lineShown);
    doc.undo();
    EXPECT_TRUE(h->lineShown);
    EXPECT_TRUE(h->twin->lineShown);
    EXPECT_FALSE(doc.undo());  // nothing before the development
    EXPECT_TRUE(h->lineShown);
}

TEST_F(Editing, CutOnClosedLoopKeepsOnePartAndFlapsTheClickedSide) {
    settings().bCullEdge = false;  // the plate's folds are flat
    use(makePlate());
    ASSERT_EQ(model->parts.size(), 1u);
    int folds = 0;
    for (auto& e : model->solids[0]->edges) folds += e->a && e->b && e->a->twin == e->b;
    ASSERT_EQ(folds, 4) << "the closing fold of the loop was joined";
    Halfedge* h = firstFold(*model);
    Halfedge* t = h->twin;
    mode(kModeCutPart);
    click(inside(t));  // on the twin's side of the line
    ASSERT_EQ(model->parts.size(), 1u);
    EXPECT_EQ(h->twin, nullptr);
    EXPECT_EQ(t->twin, nullptr);
    EXPECT_GT(h->edge->joinNumber, 0);
    EXPECT_TRUE(t->hasFlap);
    EXPECT_FALSE(h->hasFlap);
    EXPECT_EQ(editor.lastEdit(), kUndoCutPart);
}

TEST_F(Editing, CutRefusesCutsErasedLinesAndHiddenFlatFolds) {
    use(makePlate());  // flat folds are hidden while bCullEdge is set
    Halfedge* fold = firstFold(*model);
    mode(kModeCutPart);
    click(inside(fold));
    EXPECT_NE(fold->twin, nullptr);
    EXPECT_FALSE(doc.modified());
    settings().bCullEdge = false;
    fold->lineShown = fold->twin->lineShown = false;
    click(inside(fold));
    EXPECT_NE(fold->twin, nullptr);
    fold->lineShown = fold->twin->lineShown = true;
    click(inside(fold));
    EXPECT_EQ(fold->twin, nullptr);
}

TEST_F(Editing, CutPartMakesNewPartAndMovesBothApartByTheMargin) {
    for (bool mirrored : {false, true}) {
        SCOPED_TRACE(mirrored ? "mirrored" : "plain");
        use(makeBox(1, 1, 1));
        if (mirrored) editor.mirror();
        ASSERT_EQ(model->bReverse, mirrored);
        ASSERT_EQ(model->parts.size(), 1u);
        Part* old = model->parts[0].get();
        const double margin = model->dKavimozuMargin;
        ASSERT_GT(margin, 0.0);
        Halfedge* h = firstFold(*model);
        std::vector<std::pair<Halfedge*, Point2>> before;
        for (Face* f : old->faces)
            for (auto& g : f->halfedges) before.push_back({g.get(), sheetStart(*g)});
        const Point2 a = sheetStart(*h), b = sheetStart(*h->next);
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        const Point2 n{-(b.y - a.y) / len, (b.x - a.x) / len};
        mode(kModeCutPart);
        click(inside(h));
        ASSERT_EQ(model->parts.size(), 2u);
        Part* fresh = model->parts[1].get();
        EXPECT_EQ(fresh->index, -1);
        EXPECT_EQ(fresh->solid, old->solid);
        EXPECT_FALSE(fresh->selected);
        EXPECT_EQ(old->faces.size() + fresh->faces.size(), 6u);
        EXPECT_EQ(h->face->part, old);
        EXPECT_EQ(h->pair->face->part, fresh);
        const double sign = mirrored ? -1.0 : 1.0;
        for (auto& [g, p] : before) {
            const double s = g->face->part == old ? -sign : sign;
            const Point2 q = sheetStart(*g);
            EXPECT_NEAR(q.x, p.x + s * margin * n.x, 1e-12);
            EXPECT_NEAR(q.y, p.y + s * margin * n.y, 1e-12);
        }
        EXPECT_GT(h->edge->joinNumber, 0);
        EXPECT_TRUE(h->hasFlap);
        doc.undo();
        EXPECT_EQ(model->parts.size(), 1u);
        for (auto& [g, p] : before) {
            EXPECT_EQ(sheetStart(*g).x, p.x);
            EXPECT_EQ(sheetStart(*g).y, p.y);
        }
        editor.setModel(nullptr);
    }
}

TEST_F(Editing, JoinWithinOnePartMovesOnlyTheOtherFace) {
    use(makeBox(1, 1, 1));
    // A cut whose far face has folds to other faces of the part.
    Halfedge* e = firstWhere(*model, [](Halfedge& h) {
        if (h.twin || !h.pair) return false;
        for (auto& g : h.pair->face->halfedges)
            if (g->twin) return true;
        return false;
    });
    ASSERT_NE(e, nullptr);
    Halfedge* f = e->pair;
    std::vector<Halfedge*> formerFolds;
    for (auto& g : f->face->halfedges)
        if (g->twin) formerFolds.push_back(g.get());
    std::vector<std::pair<Halfedge*, Point2>> others;
    for (Face* face : model->parts[0]->faces)
        if (face != f->face)
            for (auto& g : face->halfedges) others.push_back({g.get(), sheetStart(*g)});
    mode(kModeJoinSurface);
    click(mid(e));
    EXPECT_EQ(editor.joinEdge(), e);
    click(mid(e));  // nearer e's own side: e stays, f's face comes
    ASSERT_EQ(model->parts.size(), 1u);
    EXPECT_EQ(e->twin, f);
    EXPECT_EQ(f->twin, e);
    EXPECT_FALSE(e->hasFlap);
    EXPECT_FALSE(f->hasFlap);
    for (auto& [g, p] : others) {
        EXPECT_NEAR(sheetStart(*g).x, p.x, 1e-12);
        EXPECT_NEAR(sheetStart(*g).y, p.y, 1e-12);
    }
    // f's face now lies against e: f's ends on e's ends.
    EXPECT_NEAR(sheetStart(*f).x, sheetStart(*e->next).x, 1e-12);
    EXPECT_NEAR(sheetStart(*f).y, sheetStart(*e->next).y, 1e-12);
    EXPECT_NEAR(sheetStart(*f->next).x, sheetStart(*e).x, 1e-12);
    EXPECT_NEAR(sheetStart(*f->next).y, sheetStart(*e).y, 1e-12);
    for (Halfedge* g : formerFolds) {
        EXPECT_EQ(g->twin, nullptr);
        EXPECT_TRUE(g->hasFlap) << "flap on the moved face's side";
        EXPECT_GT(g->edge->joinNumber, 0);
    }
    EXPECT_EQ(e->edge->joinNumber, -1);
}

TEST_F(Editing, JoinAcrossPartsAndUndoBringsThePartBackInItsPlace) {
    use(makeBox(1, 1, 1));
    Halfedge* h = firstFold(*model);
    mode(kModeCutPart);
    click(inside(h));
    ASSERT_EQ(model->parts.size(), 2u);
    Part* second = model->parts[1].get();
    Halfedge* t = h->pair;  // in the second part; keep that side, so the first part moves
    const size_t secondFaces = second->faces.size();
    mode(kModeJoinSurface);
    click(mid(t));
    rightClick(mid(t));
    EXPECT_EQ(editor.joinEdge(), nullptr) << "a right click forgets the join edge";
    click(mid(t));
    click(inside(t, 3));
    ASSERT_EQ(model->parts.size(), 1u);
    EXPECT_EQ(model->parts[0].get(), second);
    EXPECT_EQ(second->faces.size(), 6u);
    EXPECT_EQ(t->twin, h);
    doc.undo();
    ASSERT_EQ(model->parts.size(), 2u);
    EXPECT_EQ(model->parts[0]->faces.size(), 6u - secondFaces);
    EXPECT_EQ(model->parts[1]->faces.size(), secondFaces);
    EXPECT_EQ(t->twin, nullptr);
}

TEST_F(Editing, JoinIgnoresFoldsAndOpenEdges) {
    use(makePlate());
    mode(kModeJoinSurface);
    Halfedge* open = firstWhere(*model, [](Halfedge& h) { return !h.pair; });
    click(inside(open));
    EXPECT_EQ(editor.joinEdge(), nullptr);
    click(inside(firstFold(*model)));
    EXPECT_EQ(editor.joinEdge(), nullptr);
}

TEST(RotationSnap, NearestFiveDegreesHalfStepsAwayFromZero) {
    EXPECT_EQ(snapRotationAngle(2.4), 0.0);
    EXPECT_EQ(snapRotationAngle(2.5), 5.0);
    EXPECT_EQ(snapRotationAngle(-2.5), -5.0);
    EXPECT_EQ(snapRotationAngle(-2.4), 0.0);
    EXPECT_EQ(snapRotationAngle(177.6), 180.0);
}

TEST_F(Editing, RotateTurnsReferenceToSnappedTargetAroundFixedCentre) {
    use(makeBox(1, 1, 1));
    Part* part = model->parts[0].get();
    Halfedge* hc = part->faces[0]->halfedges[0].get();
    Halfedge* hr = part->faces[0]->halfedges[2].get();
    const Point2 c = sheetStart(*hc), r = sheetStart(*hr);
    mode(kModeRotatePart);
    click(c);
    click(c);  // the centre itself is no reference
    EXPECT_FALSE(editor.rotateFeedback().reference);
    click(r);
    ASSERT_TRUE(editor.rotateFeedback().reference);
    rightClick(r);
    EXPECT_FALSE(editor.rotateFeedback().reference);
    EXPECT_TRUE(editor.rotateFeedback().centre);
    click(r);
    const double target = 32.0 / 57.29577951308232;
    click({c.x + std::sin(target), c.y + std::cos(target)});
    EXPECT_EQ(editor.lastEdit(), kUndoRotatePart);
    const Point2 c2 = sheetStart(*hc), r2 = sheetStart(*hr);
    EXPECT_NEAR(c2.x, c.x, 1e-12);
    EXPECT_NEAR(c2.y, c.y, 1e-12);
    EXPECT_NEAR(std::atan2(r2.x - c2.x, r2.y - c2.y) * 57.29577951308232, 30.0, 1e-9);
    for (Face* f : part->faces)
        for (auto& g : f->halfedges) {
            EXPECT_GE(g->flatX, model->dKavimozuMargin - 1e-12);
            EXPECT_GE(g->flatY, model->dKavimozuMargin - 1e-12);
        }
    doc.undo();
    EXPECT_EQ(sheetStart(*hr).x, r.x);
    EXPECT_EQ(sheetStart(*hr).y, r.y);
}

TEST_F(Editing, MovePartSelectsDragsAndUndoes) {
    auto m = makeBox(1, 1, 1);
    use(std::move(m));
    Halfedge* h = firstFold(*model);
    mode(kModeCutPart);
    click(inside(h));
    ASSERT_EQ(model->parts.size(), 2u);
    Part* a = model->parts[0].get();
    Part* b = model->parts[1].get();
    const Point2 inA{a->x + a->width / 2, a->y + a->height / 2};
    const Point2 inB{b->x + b->width / 2, b->y + b->height / 2};
    ASSERT_EQ(hitPart(*model, inA), a);
    ASSERT_EQ(hitPart(*model, inB), b);
    mode(kModeMovePart);
    click(inA);
    EXPECT_TRUE(a->selected);
    click(inB, kKeyShift);
    EXPECT_TRUE(a->selected && b->selected);
    const double ax = a->x, by = b->y;
    drag(inA, {inA.x + 0.5, inA.y - 0.25});
    EXPECT_DOUBLE_EQ(a->x, ax + 0.5);
    EXPECT_DOUBLE_EQ(b->y, by - 0.25);
    EXPECT_EQ(editor.lastEdit(), kUndoMoveParts);
    doc.undo();
    EXPECT_EQ(a->x, ax);
    EXPECT_EQ(b->y, by);
    click({a->x + a->width / 2, a->y + a->height / 2});
    EXPECT_TRUE(a->selected);
    EXPECT_FALSE(b->selected) << "a plain click makes the part the only selection";
    click({-100, -100});
    EXPECT_FALSE(a->selected);
}

TEST_F(Editing, FlapMenusFollowTheSituation) {
    use(makePlate());
    mode(kModeEditFlap);
    Halfedge* open = firstWhere(*model, [](Halfedge& h) { return !h.pair; });
    click(inside(open));
    ASSERT_TRUE(editor.popup());
    EXPECT_EQ(editor.flapTarget(), open);
    auto texts = [&] {
        std::vector<std::string> out;
        for (auto& i : editor.popup()->items) out.push_back(i.text);
        return out;
    };
    EXPECT_EQ(texts(), (std::vector<std::string>{"C&reate Flap (Convex)", "Cr&eate Flap (Concave)"}));
    EXPECT_NEAR(editor.popup()->position.y, inside(open).y + 10.0 / 100.0, 1e-12);
    editor.chooseMenuItem(kMenuCreateConcave);
    EXPECT_TRUE(open->hasFlap);
    EXPECT_FALSE(open->edge->mountain);
    click(inside(open));
    EXPECT_EQ(texts(), (std::vector<std::string>{"Re&size", "St&yle", "&Delete"}));
    ASSERT_EQ(editor.popup()->items[0].submenu.size(), 10u);
    EXPECT_EQ(editor.popup()->items[0].submenu[4].text, "7mm");
    editor.chooseMenuItem(kMenuResizeBase + 7);
    EXPECT_DOUBLE_EQ(open->flapHeight, 0.7);
    doc.undo();
    EXPECT_DOUBLE_EQ(open->flapHeight, 0.5);
    click(inside(open));
    editor.chooseMenuItem(kMenuDeleteFlap);
    EXPECT_FALSE(open->hasFlap);
    doc.undo();
    EXPECT_TRUE(open->hasFlap);

    // A cut between two faces: the side with the flap, then the side without.
    use(makeBox(1, 1, 1));
    mode(kModeEditFlap);
    Halfedge* flapped = firstWhere(*model, [](Halfedge& h) { return !h.twin && h.hasFlap; });
    click(inside(flapped));
    EXPECT_EQ(texts(), (std::vector<std::string>{"&Move to Opposite Edge", "Re&size", "St&yle"}));
    // The style submenu checks the edge's own choice, or the development's while it has none.
    const auto& styles = editor.popup()->items[2].submenu;
    ASSERT_EQ(styles.size(), 1u + kFlapStyleCount);
    EXPECT_TRUE(styles[0].checked);
    editor.chooseMenuItem(kMenuStyleBase + 1 + static_cast<int>(FlapStyle::Shadow));
    EXPECT_EQ(flapped->edge->flapStyle, static_cast<int>(FlapStyle::Shadow));
    click(inside(flapped));
    EXPECT_FALSE(editor.popup()->items[2].submenu[0].checked);
    EXPECT_TRUE(editor.popup()->items[2].submenu[1 + static_cast<int>(FlapStyle::Shadow)].checked);
    editor.dismissMenu();
    doc.undo();
    EXPECT_EQ(flapped->edge->flapStyle, -1);
    click(inside(flapped));
    editor.dismissMenu();
    EXPECT_EQ(editor.flapTarget(), nullptr);
    click(inside(flapped->pair));
    EXPECT_EQ(texts(), (std::vector<std::string>{"&Move from Opposite Edge"}));
    editor.chooseMenuItem(kMenuMoveFlap);
    EXPECT_FALSE(flapped->hasFlap);
    EXPECT_TRUE(flapped->pair->hasFlap);
    doc.undo();
    EXPECT_TRUE(flapped->hasFlap);
    EXPECT_FALSE(flapped->pair->hasFlap);
    // A fold has no flap menu.
    click(inside(firstFold(*model)));
    EXPECT_FALSE(editor.popup());
}

TEST_F(Editing, CheckCorrespondingSurfaceFloodsOverHiddenFolds) {
    use(makePlate());
    mode(kModeCheckSurface);
    Face* f = model->parts[0]->faces[0];
    click(inside(f->halfedges[0].get(), 20));
    EXPECT_EQ(editor.highlightedFaces().size(), 4u) << "flat folds are hidden";
    settings().bCullEdge = false;
    click(inside(f->halfedges[0].get(), 20));
    EXPECT_EQ(editor.highlightedFaces().size(), 1u);
    EXPECT_TRUE(editor.highlightedFaces().count(f));
    EXPECT_FALSE(doc.modified());
}

TEST_F(Editing, ScaleIsRefusedBeyondFiveMetresAndBelowOneCentimetre) {
    use(makeBox(1, 1, 1));
    computeSheetExtent(*model);
    const double h = model->dKavimozuHeight;
    model->dMag2d = 499.0 / h;
    EXPECT_FALSE(editor.scaleUp());
    EXPECT_EQ(model->dMag2d, 499.0 / h);
    model->dMag2d = 450.0 / h;
    EXPECT_TRUE(editor.scaleUp());
    EXPECT_NEAR(model->dMag2d * h, 495.0, 1e-9);
    EXPECT_EQ(notices.notices.back(), DocumentEvent::ScaledUp);
    model->dMag2d = 1.05 / h;
    EXPECT_FALSE(editor.scaleDown());
    EXPECT_EQ(model->dMag2d, 1.05 / h);
    model->dMag2d = 1.2 / h;
    EXPECT_TRUE(editor.scaleDown());
    EXPECT_NEAR(model->dMag2d * h, 1.2 / 1.1, 1e-9);
}

TEST_F(Editing, MirrorTwiceRestoresAndIsAStepOfItsOwn) {
    use(makeBox(1, 2, 3));
    Halfedge* h = firstFold(*model);
    mode(kModeEraseEdge);
    click(inside(h));
    ASSERT_TRUE(doc.canUndo());
    std::vector<double> xs;
    for (auto& p : model->parts) xs.push_back(p->x);
    editor.mirror();
    EXPECT_TRUE(model->bReverse);
    EXPECT_EQ(doc.undoName(), "Mirror Development");
    EXPECT_EQ(notices.notices.back(), DocumentEvent::PageGridChanged);
    editor.mirror();
    EXPECT_FALSE(model->bReverse);
    for (size_t i = 0; i < xs.size(); ++i) EXPECT_NEAR(model->parts[i]->x, xs[i], 1e-12);
}

TEST(TextGrid, SnapsMillimetresOnPaperToTheGrid) {
    // Magnification 2: one unit is 20 mm on paper.
    EXPECT_DOUBLE_EQ(snapToTextGrid(0.26, 2.0, 10), 0.5);    // 5.2 mm -> 10 mm
    EXPECT_DOUBLE_EQ(snapToTextGrid(0.24, 2.0, 10), 0.0);    // 4.8 mm -> 0 mm
    EXPECT_DOUBLE_EQ(snapToTextGrid(0.26, 2.0, 5), 0.25);    // 5.2 mm -> 5 mm
    EXPECT_DOUBLE_EQ(snapToTextGrid(-0.26, 2.0, 10), -0.5);  // -5.2 mm -> -10 mm
    EXPECT_DOUBLE_EQ(snapToTextGrid(1.6, 2.0, 20), 2.0);     // 32 mm -> 40 mm
}
