// The two views as a user drives them: synthetic mouse and wheel events through the real
// widgets in the main window, on an X server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "../window_qt/window_support.h"
#include "development/editing_operations.h"
#include "qt/views/development_view_widget.h"
#include "qt/views/model_view_widget.h"

namespace plikatra::test {
namespace {

using C = CommandId;

// Answers "Input String" with a fixed text instead of showing it.
class TypingFrontEnd : public AnsweringFrontEnd {
public:
    bool inputText(TextDialogValues& values) override {
        values.text = "Hello";
        return true;
    }
};

void mouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons,
           Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

// The pointer comes to `pos` first, as a user's does: modes that act on what lies under the
// pointer must not keep what a stray move of the X server's own pointer left there.
void click(QWidget* w, QPointF pos, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers mods = Qt::NoModifier) {
    mouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton, mods);
    mouse(w, QEvent::MouseButtonPress, pos, button, button, mods);
    mouse(w, QEvent::MouseButtonRelease, pos, button, Qt::NoButton, mods);
}

// A drag in `steps` moves; returns nothing, the widget keeps the result.
void drag(QWidget* w, Qt::MouseButton button, QPointF from, QPointF to, Qt::KeyboardModifiers mods = {},
          int steps = 1, const std::function<void()>& during = {}) {
    mouse(w, QEvent::MouseButtonPress, from, button, button, mods);
    for (int i = 1; i <= steps; ++i) {
        mouse(w, QEvent::MouseMove, from + (to - from) * (double(i) / steps), Qt::NoButton, button, mods);
        if (during) during();
    }
    mouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton, mods);
}

void wheel(QWidget* w, QPointF pos, int delta) {
    QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// Picks the action whose text starts with `text` in the popup menu that opens next (only
// lists the actions when `text` is empty), waiting for it as long as a slow build needs.
void answerPopup(const QString& text, QStringList* seen = nullptr, int attempts = 250) {
    QTimer::singleShot(20, [=] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            if (attempts > 0) answerPopup(text, seen, attempts - 1);
            return;
        }
        for (QAction* a : menu->actions()) {
            if (seen) seen->push_back(a->text());
            if (!text.isEmpty() && a->text().startsWith(text)) {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    });
}

Point2 midpoint(const Halfedge& h) {
    const Point2 a = sheetStart(h), b = sheetStart(*h.next);
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

class ViewsTest : public testing::Test {
protected:
    ViewsTest() {
        setenv("PLIKATRA_PROFILE", (dir.path() + "/plikatra.ini").c_str(), 1);
        window = std::make_unique<MainWindow>(doc, frontEnd, profilePath());
        window->resize(1000, 700);
        window->show();
        QApplication::processEvents();
    }
    ~ViewsTest() override {
        window.reset();
        unsetenv("PLIKATRA_PROFILE");
    }
    DevelopmentViewWidget* dev() { return static_cast<DevelopmentViewWidget*>(window->developmentView()); }
    ModelViewWidget* view3d() { return static_cast<ModelViewWidget*>(window->modelView()); }
    void run(C id) {
        window->run(id);
        settle();
    }
    void settle() {
        QApplication::processEvents();
        dev()->grabFramebuffer();
        view3d()->grabFramebuffer();
    }
    void open(const std::string& path, bool unfold) {
        ASSERT_TRUE(window->openFile(QString::fromStdString(path)));
        if (unfold) run(C::CreateDevelopment);
        settle();
        ASSERT_EQ(doc.hasDevelopment(), unfold);
    }
    // The work file as it would be saved now.
    std::string workText() {
        const std::string path = dir.path() + "/now.ufd";
        EXPECT_TRUE(doc.save(path));
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Where a sheet point is in the development view, a pixel inside a face when `towards`
    // is given (toward that face's centre).
    QPointF at(Point2 p) { return dev()->screenAt(p); }
    QPointF inside(const Halfedge& h, double pixels = 3.0) {
        const QPointF m = at(midpoint(h));
        Point2 c;
        for (const auto& g : h.face->halfedges) {
            c.x += sheetStart(*g).x / h.face->halfedges.size();
            c.y += sheetStart(*g).y / h.face->halfedges.size();
        }
        const QPointF d = at(c) - m;
        return m + d / std::hypot(d.x(), d.y()) * pixels;
    }
    // Window pixel (y down) of a model point in the 3D view.
    QPointF projected(const Point3& p) {
        const Point3 w = view3d()->camera().project(p);
        return {w.x, view3d()->height() - w.y};
    }

    TempDir dir;
    Settings settings;
    TypingFrontEnd frontEnd;
    Document doc{frontEnd, settings};
    std::unique_ptr<MainWindow> window;
};

// Pixels of the development view's current frame that `match`.
int countPixels(DevelopmentViewWidget* v, const std::function<bool(QColor)>& match) {
    const QImage frame = v->grabFramebuffer();
    int n = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) n += match(frame.pixelColor(x, y));
    return n;
}

Halfedge* firstFold(Model& m) {
    for (auto& part : m.parts)
        for (Face* f : part->faces)
            for (auto& h : f->halfedges)
                if (h->twin && h->lineShown) return h.get();
    return nullptr;
}

TEST_F(ViewsTest, DevelopmentViewZoomPanFitAndTheCachedImage) {
    open(kExampleBox, true);
    DevelopmentViewWidget* v = dev();
    ASSERT_TRUE(v->failure().empty());
    EXPECT_DOUBLE_EQ(v->transform().zoom, 1.0);

    // Wheel and Shift-drag multiply the zoom by their factors.
    wheel(v, {200, 200}, 120);
    EXPECT_NEAR(v->transform().zoom, 0.88, 1e-12);
    drag(v, Qt::RightButton, {200, 200}, {210, 200}, Qt::ShiftModifier);
    EXPECT_NEAR(v->transform().zoom, 0.88 * 1.1, 1e-12);
    run(C::ZoomIn);
    EXPECT_NEAR(v->transform().zoom, 0.88 * 1.1 * 1.2, 1e-12);

    // Steps past the limits (page under 20 or over 20000 pixels) are ignored.
    const double zoom = v->transform().zoom;
    EXPECT_FALSE(v->zoomBy(1e4));
    EXPECT_FALSE(v->zoomBy(1e-4));
    EXPECT_DOUBLE_EQ(v->transform().zoom, zoom);

    // A right drag pans; while it lasts the cached image is shifted, not rendered again.
    settle();
    const int renders = v->renderCount();
    drag(v, Qt::RightButton, {100, 100}, {160, 130}, {}, 3, [&] { v->grabFramebuffer(); });
    EXPECT_EQ(v->renderCount(), renders);
    EXPECT_NEAR(v->transform().panX, 60 / zoom, 1e-9);
    EXPECT_NEAR(v->transform().panY, -30 / zoom, 1e-9);
    settle();
    EXPECT_EQ(v->renderCount(), renders + 1);

    // A new size refits the scale and keeps zoom and pan.
    const double ppc = v->transform().pixelsPerCm;
    window->resize(1200, 800);
    settle();
    EXPECT_NE(v->transform().pixelsPerCm, ppc);
    EXPECT_DOUBLE_EQ(v->transform().zoom, zoom);
    EXPECT_NEAR(v->transform().panX, 60 / zoom, 1e-9);

    run(C::ShowEntire);
    EXPECT_DOUBLE_EQ(v->transform().zoom, 1.0);
    EXPECT_DOUBLE_EQ(v->transform().panX, 0.0);

    // A right click offers the edit modes.
    QStringList items;
    answerPopup("", &items);
    click(v, {150, 150}, Qt::RightButton);
    ASSERT_EQ(items.size(), 9);
    EXPECT_EQ(items.front(), window->action(C::EraseEdge)->text());
}

TEST_F(ViewsTest, ModelViewDistanceClampArcballAndPan) {
    open(kExampleBox, false);
    ModelViewWidget* v = view3d();
    ASSERT_TRUE(v->failure().empty());
    for (int i = 0; i < 50; ++i) wheel(v, {100, 100}, 1200);
    EXPECT_DOUBLE_EQ(v->camera().distance(), -30.0);
    for (int i = 0; i < 50; ++i) wheel(v, {100, 100}, -1200);
    EXPECT_DOUBLE_EQ(v->camera().distance(), -0.7);
    drag(v, Qt::RightButton, {100, 100}, {70, 80}, Qt::ShiftModifier);
    EXPECT_NEAR(v->camera().distance(), -0.7 - 0.5, 1e-12);

    // From the ball's centre to the point 45 degrees round it toward the right: a quarter
    // turn about the vertical axis.
    const double w = v->width(), h = v->height();
    const double radius = std::hypot(w / 2, h / 2);
    const QPointF centre(int(w / 2), int(h / 2));
    drag(v, Qt::RightButton, centre, centre + QPointF(std::sqrt(0.5) * radius, 0), {}, 4);
    const Matrix3& r = v->camera().rotationMatrix();
    EXPECT_NEAR(r[0 * 3 + 2], 1.0, 0.01);
    EXPECT_NEAR(r[1 * 3 + 1], 1.0, 0.01);
    EXPECT_NEAR(r[2 * 3 + 0], -1.0, 0.01);

    // Ctrl and the right button, or the middle button, pan.
    const Point3 before = v->camera().panPoint();
    drag(v, Qt::MiddleButton, {100, 100}, {130, 100});
    const Point3 after = v->camera().panPoint();
    EXPECT_GT(std::abs(after.x - before.x) + std::abs(after.z - before.z), 0.05);
    run(C::ResetView);
    EXPECT_NEAR(v->camera().rotationMatrix()[0], 1.0, 1e-12);
}

TEST_F(ViewsTest, CutModeHoversAndMarksOnlyEdgesWithTwoFaces) {
    open(kExampleBox, false);
    run(C::SpecifyCutEdge);
    ModelViewWidget* v = view3d();
    // The nearest edge to the viewer whose midpoint is on screen.
    Edge* target = nullptr;
    double nearest = 2.0;
    for (auto& s : doc.model()->solids)
        for (auto& e : s->edges) {
            if (!e->a || !e->b) continue;
            const Point3 m{(e->va->position.x + e->vb->position.x) / 2, (e->va->position.y + e->vb->position.y) / 2,
                           (e->va->position.z + e->vb->position.z) / 2};
            const Point3 p = v->camera().project(m);
            if (p.z < nearest && p.x > 10 && p.y > 10 && p.x < v->width() - 10 && p.y < v->height() - 10) {
                nearest = p.z;
                target = e.get();
            }
        }
    ASSERT_TRUE(target);
    const Point3 m{(target->va->position.x + target->vb->position.x) / 2,
                   (target->va->position.y + target->vb->position.y) / 2,
                   (target->va->position.z + target->vb->position.z) / 2};
    mouse(v, QEvent::MouseMove, projected(m), Qt::NoButton, Qt::NoButton);
    ASSERT_EQ(v->hoveredEdge(), target);
    click(v, projected(m));
    EXPECT_EQ(target->kind, kEdgeCut);
    EXPECT_TRUE(doc.modified());
    click(v, projected(m));
    EXPECT_EQ(target->kind, kEdgeNormal);

    // A lone triangle: every edge has one face and none can be hovered.
    const std::string tri = dir.path() + "/tri.obj";
    std::ofstream(tri) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    frontEnd.answers.push_back(Answer::No);  // do not save the box
    open(tri, false);
    run(C::SpecifyCutEdge);
    const Edge* e = doc.model()->solids[0]->edges[0].get();
    const Point3 tm{(e->va->position.x + e->vb->position.x) / 2, (e->va->position.y + e->vb->position.y) / 2,
                    (e->va->position.z + e->vb->position.z) / 2};
    mouse(v, QEvent::MouseMove, projected(tm), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(v->hoveredEdge(), nullptr);
    click(v, projected(tm));
    EXPECT_EQ(e->kind, kEdgeOpen);
}

TEST_F(ViewsTest, CheckCorrespondingSurfaceFromTheModelViewHighlightsInBoth) {
    open(kExampleBox, true);
    run(C::CheckSurface);
    ModelViewWidget* v = view3d();
    const QPointF centre(v->width() / 2, v->height() / 2);
    click(v, centre);
    settle();
    const auto& faces = doc.editor().highlightedFaces();
    ASSERT_FALSE(faces.empty());
    const QImage image = v->grabFramebuffer();
    const QColor c = image.pixelColor(centre.toPoint());
    EXPECT_GT(c.red(), 200);
    EXPECT_LT(c.green(), 60);
    // The development view draws the same faces highlighted: the pixel at a highlighted
    // face's centre changed from the face's own colour.
    const Face* f = *faces.begin();
    Point2 fc;
    for (const auto& h : f->halfedges) {
        fc.x += sheetStart(*h).x / f->halfedges.size();
        fc.y += sheetStart(*h).y / f->halfedges.size();
    }
    const QPoint p = dev()->screenAt(fc).toPoint();
    const QColor lit = dev()->grabFramebuffer().pixelColor(p);
    doc.editor().checkFace(nullptr);
    settle();
    EXPECT_NE(dev()->grabFramebuffer().pixelColor(p), lit);
}

TEST_F(ViewsTest, EditModesThroughTheDevelopmentView) {
    open(kExampleBox, true);
    Model& m = *doc.model();
    DevelopmentViewWidget* v = dev();
    std::string text = workText();
    auto changed = [&] {
        const std::string now = workText();
        const bool different = now != text;
        text = now;
        return different;
    };

    // Erase a fold line.
    Halfedge* fold = firstFold(m);
    ASSERT_TRUE(fold);
    run(C::EraseEdge);
    click(v, at(midpoint(*fold)));
    EXPECT_FALSE(fold->lineShown);
    EXPECT_TRUE(changed());

    // Move a flap to the other side of its cut through the popup menu.
    Halfedge* cut = nullptr;
    for (Face* f : m.parts[0]->faces)
        for (auto& h : f->halfedges)
            if (!h->twin && h->pair && h->hasFlap && !cut) cut = h.get();
    ASSERT_TRUE(cut);
    run(C::EditFlap);
    answerPopup("&Move to Opposite Edge");
    click(v, inside(*cut));
    EXPECT_FALSE(cut->hasFlap);
    EXPECT_TRUE(cut->pair->hasFlap);
    EXPECT_TRUE(changed());

    // Rotate the part about one corner: the reference corner ends at a multiple of 5 degrees.
    run(C::RotatePart);
    Halfedge* centre = m.parts[0]->faces[0]->halfedges[0].get();
    Halfedge* reference = m.parts[0]->faces[0]->halfedges[1].get();
    const Point2 c = sheetStart(*centre);
    click(v, at(c));
    click(v, at(sheetStart(*reference)));
    const QPointF target = at(c) + QPointF(57, 23);
    mouse(v, QEvent::MouseMove, target, Qt::NoButton, Qt::NoButton);
    v->grabFramebuffer();  // the rotation preview is drawn
    click(v, target);
    const Point2 nc = sheetStart(*centre), nr = sheetStart(*reference);
    const double degrees = std::atan2(nr.x - nc.x, nr.y - nc.y) * 57.29577951308232;
    EXPECT_NEAR(std::remainder(degrees, 5.0), 0.0, 1e-6);
    EXPECT_TRUE(changed());

    // Cut the part at a fold, then join it again.
    run(C::CutPart);
    Halfedge* h = firstFold(m);
    ASSERT_TRUE(h);
    settle();
    click(v, inside(*h));
    ASSERT_EQ(m.parts.size(), 2u);
    EXPECT_TRUE(changed());
    run(C::JoinSurface);
    settle();
    Halfedge* t = h->pair;
    click(v, at(midpoint(*t)));
    EXPECT_EQ(doc.editor().joinEdge(), t);
    click(v, inside(*t));
    EXPECT_EQ(m.parts.size(), 1u);
    EXPECT_TRUE(changed());

    // Place a text on the sheet's empty corner.
    run(C::InputText);
    settle();
    click(v, at({-0.5, -0.5}));
    ASSERT_EQ(m.texts.size(), 1u);
    EXPECT_EQ(m.texts[0]->text, "Hello");
    EXPECT_TRUE(changed());
    EXPECT_NE(text.find("Hello"), std::string::npos);
}

TEST_F(ViewsTest, CollidingFlapsAreCountedShownAndShortened) {
    open(kExampleBox, true);
    auto* count = window->findChild<QLabel*>("flapCount");
    ASSERT_TRUE(count);
    const std::vector<FlaggedFlap> before = doc.collidingFlaps();
    EXPECT_EQ(count->isVisible(), !before.empty());
    // A flap far taller than the face it is glued under, one that was not flagged yet.
    Halfedge* flap = nullptr;
    for (Face* f : doc.model()->parts[0]->faces)
        for (auto& h : f->halfedges) {
            const bool flagged = std::any_of(before.begin(), before.end(),
                                             [&](const FlaggedFlap& g) { return g.halfedge == h.get(); });
            if (h->hasFlap && !flagged && !flap) flap = h.get();
        }
    ASSERT_TRUE(flap);
    flap->flapHeight = 20.0;
    doc.recordStep("Resize Flap");
    doc.notify(DocumentEvent::Redraw);
    settle();
    ASSERT_EQ(doc.collidingFlaps().size(), before.size() + 1);
    // Tinted half-way to the selection colour (red): the tint can be switched off.
    auto tinted = [](QColor c) { return c.red() == 255 && std::abs(c.green() - 127) <= 1 && std::abs(c.blue() - 127) <= 1; };
    EXPECT_GT(countPixels(dev(), tinted), 50);
    settings.bTintCollidingNorishiro = false;
    doc.notify(DocumentEvent::Redraw);
    settle();
    EXPECT_EQ(countPixels(dev(), tinted), 0);
    EXPECT_TRUE(count->isVisible());
    EXPECT_TRUE(count->text().startsWith(QString("%1 flap(s) collide: ").arg(before.size() + 1))) << count->text().toStdString();
    // The count's link is the one click that shortens them.
    emit count->linkActivated("shorten");
    EXPECT_LT(flap->flapHeight, 20.0);
    EXPECT_TRUE(doc.collidingFlaps().empty());
    EXPECT_FALSE(count->isVisible());
    run(C::UndoLastEditing);
    EXPECT_EQ(flap->flapHeight, 20.0);
    EXPECT_TRUE(count->isVisible());
}

TEST_F(ViewsTest, TheEmptyViewShowsTheStartHintOnlyOnTheFirstRun) {
    // The hint's pale yellow box stands on the white sheet.
    auto hint = [](QColor c) { return c == QColor(255, 255, 225); };
    settle();
    EXPECT_GT(countPixels(dev(), hint), 5000);
    open(kExampleBox, false);
    EXPECT_GT(countPixels(dev(), hint), 5000);  // a model, but nothing unfolded yet
    run(C::CreateDevelopment);
    EXPECT_EQ(countPixels(dev(), hint), 0);
    run(C::UndoDevelopment);
    settings.bFirstStartUp = false;
    doc.notify(DocumentEvent::Redraw);
    settle();
    EXPECT_EQ(countPixels(dev(), hint), 0);
}

}  // namespace
}  // namespace plikatra::test
