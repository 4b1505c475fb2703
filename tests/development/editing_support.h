// Shared set-up of the development editing tests: a document with a recording front end and
// settings of its own, the events it sends, its editor at a fixed view scale and helpers that
// click where a user would.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app/document.h"
#include "base/settings.h"
#include "development/editing.h"
#include "development/editing_operations.h"
#include "model/model.h"
#include "recording_front_end.h"
#include "test_util.h"

namespace plikatra::test {

// The events a document sent, in order.
struct RecordedEvents {
    std::vector<DocumentEvent> notices;
};

class EditingTest : public testing::Test {
protected:
    EditingTest() {
        doc.addListener([this](DocumentEvent e) { notices.notices.push_back(e); });
    }

    Settings& settings() { return settings_; }

    // Unfolds `m`, makes it the document and points the editor at it.
    void use(std::unique_ptr<Model> m, double ppu = 100.0) {
        ASSERT_TRUE(createDevelopment(*m, settings_));
        doc.adopt(std::move(m));
        model = doc.model();
        editor.setPixelsPerUnit(ppu);
        doc.setModified(false);
    }
    void mode(int m) {
        if (editor.mode() != m) doc.chooseEditMode(m);
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

    // What a user does in edit mode `m` about the halfedge `h`: a click on it, a flap's menu
    // choice, a turn about its start, a drag of its part, a join with its pair or a new text.
    // `pick(n)` chooses among n; `step` varies turns, drags and text places.
    template <class Pick>
    void editAround(int m, Halfedge* h, int step, Pick pick) {
        switch (m) {
            case kModeEditFlap:
                click(inside(h));
                if (editor.popup()) {
                    const auto& items = editor.popup()->items;
                    const MenuItem& item = items[pick(items.size())];
                    editor.chooseMenuItem(item.submenu.empty() ? item.id : item.submenu[pick(10)].id);
                }
                break;
            case kModeRotatePart: {
                const Point2 c = sheetStart(*h);
                click(c);
                click(sheetStart(*h->next));
                click({c.x + std::cos(step * 1.3), c.y + std::sin(step * 1.3)});
                break;
            }
            case kModeMovePart: {
                Part* p = h->face->part;
                const Point2 in{p->x + p->width / 2, p->y + p->height / 2};
                drag(in, {in.x + 0.1 * (step % 3), in.y - 0.05 * (step % 4)});
                break;
            }
            case kModeJoinSurface:
                click(inside(h));
                click(inside(h->pair ? h->pair : h));
                break;
            case kModeInputText:
                click({model->dKavimozuX + 0.01 * step, model->dKavimozuY - 0.5});
                break;
            default: click(inside(h)); break;
        }
    }

    Settings settings_;
    RecordingFrontEnd rec;
    RecordedEvents notices;
    Document doc{rec, settings_};
    DevelopmentEditor& editor = doc.editor();
    Model* model = nullptr;
};

}  // namespace plikatra::test
