#include "development_checker.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

namespace plikatra::test {

namespace {

struct P {
    double x, y;
};

P sheetStart(const Halfedge* h) {
    const Part* part = h->face->part;
    return {part->x + h->flatX, part->y + h->flatY};
}

double side(P u, P v, P x) { return (v.x - u.x) * (x.y - u.y) - (v.y - u.y) * (x.x - u.x); }

bool properCross(P a, P b, P c, P d) {
    const double d1 = side(a, b, c), d2 = side(a, b, d), d3 = side(c, d, a), d4 = side(c, d, b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// Planar faces keep every side length when laid flat.
bool planar(const Face& f) {
    // The plane offset stays in file units after normalisation, so measure from the centre.
    const auto& hs = f.halfedges;
    const Point3& c = f.center;
    for (const auto& h : hs) {
        const Point3& p = h->origin->position;
        const double d = f.normal.x * (p.x - c.x) + f.normal.y * (p.y - c.y) + f.normal.z * (p.z - c.z);
        if (std::fabs(d) > 1e-9) return false;
    }
    return true;
}

}  // namespace

std::vector<Crossing> findCrossings(const Model& model) {
    std::vector<Crossing> out;
    for (const auto& part : model.parts) {
        std::vector<const Halfedge*> boundary;
        for (const Face* f : part->faces)
            for (const auto& h : f->halfedges)
                if (!h->twin) boundary.push_back(h.get());
        for (size_t i = 0; i < boundary.size(); ++i)
            for (size_t j = i + 1; j < boundary.size(); ++j) {
                const Halfedge* a = boundary[i];
                const Halfedge* b = boundary[j];
                if (properCross(sheetStart(a), sheetStart(a->next), sheetStart(b), sheetStart(b->next)))
                    out.push_back({part->index, a, b});
            }
    }
    return out;
}

std::vector<std::string> checkDevelopment(const Model& model, const CheckOptions& opt) {
    std::vector<std::string> errors;
    auto fail = [&](const std::string& s) {
        if (errors.size() < 20) errors.push_back(s);
    };
    // Faces and parts.
    std::map<const Face*, int> seen;
    for (const auto& part : model.parts) {
        if (part->faces.empty()) fail("empty part");
        for (const Face* f : part->faces) {
            seen[f]++;
            if (f->part != part.get()) fail("face's part reference does not match its part");
            if (f->solid != part->solid) fail("part mixes solids");
        }
    }
    for (const auto& s : model.solids)
        for (const auto& f : s->faces) {
            const int n = seen.count(f.get()) ? seen[f.get()] : 0;
            if (s->visible && n != 1) fail("face " + std::to_string(f->index) + " is in " + std::to_string(n) + " parts");
            if (!s->visible && n != 0) fail("face of a hidden solid was unfolded");
            if (s->visible && !f->placed) fail("visible face not placed");
        }
    // Lengths and twins.
    for (const auto& part : model.parts)
        for (const Face* f : part->faces) {
            const bool flatFace = planar(*f);
            for (const auto& hp : f->halfedges) {
                const Halfedge* h = hp.get();
                const P a = sheetStart(h), b = sheetStart(h->next);
                const double flat = std::hypot(b.x - a.x, b.y - a.y);
                const double real = distance3(h->origin->position, h->next->origin->position);
                if (flatFace && std::fabs(flat - real) > opt.lengthTolerance * std::max(real, 1e-300)) {
                    std::ostringstream m;
                    m.precision(17);
                    m << "flat length " << flat << " differs from 3D length " << real;
                    fail(m.str());
                }
                if (h->twin) {
                    const Halfedge* t = h->twin;
                    if (t->twin != h) fail("development twins are not mutual");
                    if (t != h->pair) fail("development twin is not the model pair");
                    if (t->face->part != f->part) fail("development twins in different parts");
                    const P ta = sheetStart(t), tb = sheetStart(t->next);
                    const double tol = 0.02 / model.dMag2d;
                    if (std::hypot(a.x - tb.x, a.y - tb.y) > tol || std::hypot(b.x - ta.x, b.y - ta.y) > tol)
                        fail("development twins do not coincide on the sheet");
                }
            }
        }
    if (opt.checkCrossings) {
        const auto crossings = findCrossings(model);
        if (!crossings.empty()) fail(std::to_string(crossings.size()) + " crossing boundary segments");
    }
    if (opt.checkFaceOverlap) {
        const auto overlaps = findFaceOverlaps(model);
        if (!overlaps.empty())
            fail(std::to_string(overlaps.size()) + " pairs of faces overlapping inside a part");
    }
    // Part boxes: faces inside, no two boxes overlapping.
    for (size_t i = 0; i < model.parts.size(); ++i) {
        const Part& p = *model.parts[i];
        for (const Face* f : p.faces)
            for (const auto& h : f->halfedges)
                if (h->flatX < -1e-9 || h->flatY < -1e-9 || h->flatX > p.width + 1e-9 || h->flatY > p.height + 1e-9)
                    fail("corner outside its part's box");
        for (size_t j = i + 1; j < model.parts.size(); ++j) {
            const Part& q = *model.parts[j];
            const double ox = std::min(p.x + p.width, q.x + q.width) - std::max(p.x, q.x);
            const double oy = std::min(p.y + p.height, q.y + q.height) - std::max(p.y, q.y);
            // The layout tests a box shifted by 0.1 percent of its own size, so a part may
            // reach that far into its neighbour by design; anything more is a real overlap.
            const double slackX = 0.001 * std::max(p.width, q.width) + 1e-12;
            const double slackY = 0.001 * std::max(p.height, q.height) + 1e-12;
            if (ox > slackX && oy > slackY)
                fail("part boxes " + std::to_string(i) + " and " + std::to_string(j) + " overlap");
        }
    }
    // Join numbers and flaps.
    std::set<int> numbers;
    int cutEdges = 0;
    for (const auto& s : model.solids)
        for (const auto& e : s->edges) {
            const bool twoFaces = e->a && e->b;
            const bool cut = twoFaces && e->a->twin != e->b;
            if (cut) {
                ++cutEdges;
                if (e->joinNumber < 1) fail("cut edge without join number");
                if (!numbers.insert(e->joinNumber).second) fail("join number used twice");
                if (opt.flapsAsAfterUnfolding && (!e->a->hasFlap || e->b->hasFlap))
                    fail("numbered edge without exactly one flap on its first halfedge");
            } else {
                if (e->joinNumber != -1) fail("fold or open edge with a join number");
                if (opt.flapsAsAfterUnfolding && ((e->a && e->a->hasFlap) || (e->b && e->b->hasFlap)))
                    fail("flap on an edge without number");
            }
        }
    if (!numbers.empty() && (*numbers.begin() != 1 || *numbers.rbegin() != cutEdges))
        fail("join numbers do not run 1.." + std::to_string(cutEdges));
    return errors;
}

}  // namespace plikatra::test

namespace plikatra::test {
bool checkNoOverlap(const Model& model) {
    for (size_t i = 0; i < model.parts.size(); ++i)
        for (size_t j = i + 1; j < model.parts.size(); ++j) {
            const Part& p = *model.parts[i];
            const Part& q = *model.parts[j];
            const double ox = std::min(p.x + p.width, q.x + q.width) - std::max(p.x, q.x);
            const double oy = std::min(p.y + p.height, q.y + q.height) - std::max(p.y, q.y);
            if (ox > 1e-9 && oy > 1e-9) return false;
        }
    return true;
}
}  // namespace plikatra::test

namespace plikatra::test {

namespace {

using Poly = std::vector<P>;

double distanceToSide(P p, P a, P b) {
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    const double t = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

bool inside(P p, const Poly& poly) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
            p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
            in = !in;
    return in;
}

// Inside and farther than `tol` from every side.
bool deepInside(P p, const Poly& poly, double tol) {
    if (poly.size() < 3 || !inside(p, poly)) return false;
    for (size_t i = 0; i < poly.size(); ++i)
        if (distanceToSide(p, poly[i], poly[(i + 1) % poly.size()]) <= tol) return false;
    return true;
}

bool deepCross(P a, P b, P c, P d, double tol) {
    const double lab = std::hypot(b.x - a.x, b.y - a.y), lcd = std::hypot(d.x - c.x, d.y - c.y);
    if (!(lab > 0) || !(lcd > 0)) return false;
    const double d1 = side(a, b, c) / lab, d2 = side(a, b, d) / lab;
    const double d3 = side(c, d, a) / lcd, d4 = side(c, d, b) / lcd;
    return ((d1 > tol && d2 < -tol) || (d1 < -tol && d2 > tol)) &&
           ((d3 > tol && d4 < -tol) || (d3 < -tol && d4 > tol));
}

// Corners, side midpoints and the mean of the corners.
Poly samples(const Poly& p) {
    Poly s = p;
    P c{0, 0};
    for (size_t i = 0; i < p.size(); ++i) {
        const P& a = p[i];
        const P& b = p[(i + 1) % p.size()];
        s.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2});
        c.x += a.x / static_cast<double>(p.size());
        c.y += a.y / static_cast<double>(p.size());
    }
    s.push_back(c);
    return s;
}

bool overlap(const Poly& a, const Poly& b, double tol) {
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j)
            if (deepCross(a[i], a[(i + 1) % a.size()], b[j], b[(j + 1) % b.size()], tol)) return true;
    for (const P& p : samples(a))
        if (deepInside(p, b, tol)) return true;
    for (const P& p : samples(b))
        if (deepInside(p, a, tol)) return true;
    return false;
}

struct Item {
    Poly poly;
    double x0, x1, y0, y1;
    const Face* face = nullptr;        // a face
    const Halfedge* flap = nullptr;    // or a flap
};

// The polygon of a face or of a flap, with its box.
Item itemOf(Poly poly, const Face* face, const Halfedge* flap = nullptr) {
    Item it{std::move(poly), HUGE_VAL, -HUGE_VAL, HUGE_VAL, -HUGE_VAL, face, flap};
    for (const P& p : it.poly) {
        it.x0 = std::min(it.x0, p.x);
        it.x1 = std::max(it.x1, p.x);
        it.y0 = std::min(it.y0, p.y);
        it.y1 = std::max(it.y1, p.y);
    }
    return it;
}

Poly facePoly(const Face& f) {
    Poly p;
    for (const auto& h : f.halfedges) p.push_back(sheetStart(h.get()));
    return p;
}

double typicalEdge(const Part& part) {
    std::vector<double> l;
    for (const Face* f : part.faces)
        for (const auto& h : f->halfedges) l.push_back(h->edge ? h->edge->length : 0.0);
    if (l.empty()) return 1.0;
    std::nth_element(l.begin(), l.begin() + static_cast<long>(l.size() / 2), l.end());
    return l[l.size() / 2] > 0 ? l[l.size() / 2] : 1.0;
}

// Calls visit(i, j) for the pairs of items whose boxes overlap.
template <class Visit>
void sweep(std::vector<Item>& items, Visit visit) {
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.x0 < b.x0; });
    for (size_t i = 0; i < items.size(); ++i)
        for (size_t j = i + 1; j < items.size() && items[j].x0 <= items[i].x1; ++j)
            if (items[j].y0 <= items[i].y1 && items[i].y0 <= items[j].y1) visit(items[i], items[j]);
}

Poly flapPoly(const Model& m, const Halfedge& h, bool flapReverse) {
    const P a = sheetStart(&h), b = sheetStart(h.next);
    const bool flip = m.bReverse != flapReverse;
    const P b0 = flip ? a : b, b1 = flip ? b : a;
    const double len = std::hypot(b1.x - b0.x, b1.y - b0.y);
    if (!(len > 1e-6)) return {};
    const P u{(b1.x - b0.x) / len, (b1.y - b0.y) / len}, n{u.y, -u.x};
    const double H = h.flapHeight / m.dMag2d;
    // Each side runs its inset times the height along the base; where they would cross, one
    // tip at full height, dividing the base as the insets do.
    const double i0 = flip ? h.flapInsetStart : h.flapInsetEnd;
    const double i1 = flip ? h.flapInsetEnd : h.flapInsetStart;
    if ((i0 + i1) * H < len)
        return {b0, {b0.x + H * (i0 * u.x + n.x), b0.y + H * (i0 * u.y + n.y)},
                {b1.x + H * (n.x - i1 * u.x), b1.y + H * (n.y - i1 * u.y)}, b1};
    const double s = len * i0 / (i0 + i1);
    return {b0, {b0.x + s * u.x + H * n.x, b0.y + s * u.y + H * n.y}, b1};
}

// The flap folded onto the face across its edge, in that face's sheet position.
bool foldsInsideTwin(const Halfedge& h, const Poly& flap, double tol) {
    const Halfedge* g = h.pair;
    if (!g || !g->face->part || flap.empty()) return true;
    const P a = sheetStart(&h), b = sheetStart(h.next);
    const P a2 = sheetStart(g->next), b2 = sheetStart(g);  // the same two vertices
    const Poly twin = facePoly(*g->face);
    const double l = std::hypot(b.x - a.x, b.y - a.y), l2 = std::hypot(b2.x - a2.x, b2.y - a2.y);
    const P e{(b.x - a.x) / l, (b.y - a.y) / l}, e2{(b2.x - a2.x) / l2, (b2.y - a2.y) / l2};
    // Away from the flap's face, and into the twin.
    P n{-e.y, e.x}, n2{-e2.y, e2.x};
    const P fc = samples(facePoly(*h.face)).back(), tc = samples(twin).back();
    if ((fc.x - a.x) * n.x + (fc.y - a.y) * n.y > 0) n = {-n.x, -n.y};
    if ((tc.x - a2.x) * n2.x + (tc.y - a2.y) * n2.y < 0) n2 = {-n2.x, -n2.y};
    Poly folded;
    for (const P& p : flap) {
        const double s = (p.x - a.x) * e.x + (p.y - a.y) * e.y, t = (p.x - a.x) * n.x + (p.y - a.y) * n.y;
        folded.push_back({a2.x + s * e2.x + t * n2.x, a2.y + s * e2.y + t * n2.y});
    }
    for (const P& p : folded) {
        if (inside(p, twin)) continue;
        double d = HUGE_VAL;
        for (size_t i = 0; i < twin.size(); ++i)
            d = std::min(d, distanceToSide(p, twin[i], twin[(i + 1) % twin.size()]));
        if (d > tol) return false;
    }
    // A corner of the twin deep inside the folded flap: the twin is cut away under it.
    for (const P& p : twin)
        if (deepInside(p, folded, tol)) return false;
    return true;
}

}  // namespace

std::vector<FaceOverlap> findFaceOverlaps(const Model& model, double tolerance) {
    std::vector<FaceOverlap> out;
    for (const auto& part : model.parts) {
        // Positions read back from a work file are rounded to six decimals.
        const double tol = std::max(tolerance * typicalEdge(*part), 4e-6);
        std::vector<Item> items;
        for (const Face* f : part->faces) {
            items.push_back(itemOf(facePoly(*f), f));
        }
        sweep(items, [&](const Item& a, const Item& b) {
            if (overlap(a.poly, b.poly, tol)) out.push_back({a.face, b.face});
        });
    }
    return out;
}

std::vector<const Halfedge*> findBadFlaps(const Model& model, bool flapReverse, double tolerance) {
    std::set<const Halfedge*> bad;
    for (const auto& part : model.parts) {
        // Positions read back from a work file are rounded to six decimals.
        const double tol = std::max(tolerance * typicalEdge(*part), 4e-6);
        std::vector<Item> items;
        for (const Face* f : part->faces) {
            items.push_back(itemOf(facePoly(*f), f));
            for (const auto& h : f->halfedges) {
                if (!h->hasFlap || !(h->flapHeight > 0)) continue;
                Poly flap = flapPoly(model, *h, flapReverse);
                if (!foldsInsideTwin(*h, flap, tol)) bad.insert(h.get());
                if (flap.empty()) continue;
                items.push_back(itemOf(std::move(flap), nullptr, h.get()));
            }
        }
        sweep(items, [&](const Item& a, const Item& b) {
            if (!a.flap && !b.flap) return;
            if (overlap(a.poly, b.poly, tol)) {
                if (a.flap) bad.insert(a.flap);
                if (b.flap) bad.insert(b.flap);
            }
        });
    }
    // In the order of the parts, faces and rings.
    std::vector<const Halfedge*> out;
    for (const auto& part : model.parts)
        for (const Face* f : part->faces)
            for (const auto& h : f->halfedges)
                if (bad.count(h.get())) out.push_back(h.get());
    return out;
}

}  // namespace plikatra::test
