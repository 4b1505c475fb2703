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
