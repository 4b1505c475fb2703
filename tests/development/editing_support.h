// Shared set-up of the development editing tests: a quiet user interface, recorded notices,
// an editor at a fixed view scale and helpers that click where a user would.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app/fonts.h"
#include "app/settings.h"
#include "app/ui.h"
#include "development/editing.h"
#include "development/editing_operations.h"
#include "development/layout.h"
#include "development/unfolding.h"
#include "development/update_notices.h"
#include "model/model.h"

namespace plikatra::test {

class EditingTest : public testing::Test {
protected:
    void SetUp() override {
        settings() = Settings{};
        layoutOptions() = LayoutOptions{};
        setUi(&rec);
        setFonts(&fontsRec);
    }
    void TearDown() override {
        setUi(nullptr);
        setFonts(nullptr);
        settings() = Settings{};
    }

    // Unfolds `m` and points the editor at it.
    void use(std::unique_ptr<Model> m, double ppu = 100.0) {
        model = std::move(m);
        ASSERT_TRUE(createDevelopment(*model));
        editor.setModel(model.get());
        editor.setPixelsPerUnit(ppu);
        doc.modified = false;
    }
    void mode(int m) {
        if (editor.mode() != m) editor.chooseMode(m);
    }
    void click(Point2 p, unsigned keys = kKeyNone) {
        editor.mousePress(MouseButton::Left, p, keys);
        editor.mouseRelease(MouseButton::Left, p, keys);
    }
    void rightClick(Point2 p) {
        editor.mousePress(MouseButton::Right, p);
        editor.mouseRelease(MouseButton::Right, p);
    }
    void drag(Point2 from, Point2 to, unsigned keys = kKeyNone) {
        editor.mousePress(MouseButton::Left, from, keys);
        editor.mouseMove({(from.x + to.x) / 2, (from.y + to.y) / 2}, true, keys);
        editor.mouseMove(to, true, keys);
        editor.mouseRelease(MouseButton::Left, to, keys);
    }
    // A point `pixels` from the middle of h's line, toward the inside of h's face.
    Point2 inside(const Halfedge* h, double pixels = 2.0) const {
        const Point2 a = sheetStart(*h), b = sheetStart(*h->next);
        Point2 c;
        for (const auto& g : h->face->halfedges) {
            c.x += sheetStart(*g).x / h->face->halfedges.size();
            c.y += sheetStart(*g).y / h->face->halfedges.size();
        }
        const Point2 mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
        const double d = std::hypot(c.x - mid.x, c.y - mid.y);
        const double step = pixels / editor.pixelsPerUnit();
        return {mid.x + (c.x - mid.x) / d * step, mid.y + (c.y - mid.y) / d * step};
    }

    RecordingUi rec;
    RecordingFonts fontsRec{{"Arial"}};
    RecordingNotices notices;
    DocumentState doc;
    std::unique_ptr<Model> model;
    DevelopmentEditor editor{nullptr, doc};
};

}  // namespace plikatra::test
