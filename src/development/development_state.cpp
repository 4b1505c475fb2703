#include "development/development_state.h"

#include <algorithm>
#include <unordered_map>

namespace plikatra {

namespace {

// Positions of faces and corners in the model's order (solids, faces, corners), found from
// the objects. A face's own index is its position in models as read; a map covers any other.
class ElementIndex {
public:
    explicit ElementIndex(const Model& model) {
        int position = 0, corner = 0;
        for (const auto& s : model.solids)
            for (const auto& f : s->faces) {
                if (f->index != position) direct_ = false;
                faceCorner_.push_back(corner);
                corner += static_cast<int>(f->halfedges.size());
                ++position;
            }
        if (!direct_) {
            map_.reserve(faceCorner_.size());
            position = 0;
            for (const auto& s : model.solids)
                for (const auto& f : s->faces) map_.emplace(f.get(), position++);
        }
        position = 0;
        for (const auto& s : model.solids) {
            solids_.emplace(s.get(), position++);
        }
    }
    int face(const Face* f) const {
        if (!f) return -1;
        if (direct_)
            return f->index >= 0 && f->index < static_cast<int>(faceCorner_.size()) ? f->index : -1;
        const auto it = map_.find(f);
        return it == map_.end() ? -1 : it->second;
    }
    int corner(const Halfedge* h) const {
        if (!h) return -1;
        const int f = face(h->face);
        if (f < 0) return -1;
        const auto& list = h->face->halfedges;
        for (std::size_t k = 0; k < list.size(); ++k)
            if (list[k].get() == h) return faceCorner_[f] + static_cast<int>(k);
        return -1;
    }
    int solid(const Solid* s) const {
        const auto it = solids_.find(s);
        return it == solids_.end() ? -1 : it->second;
    }

private:
    bool direct_ = true;
    std::vector<int> faceCorner_;
    std::unordered_map<const Face*, int> map_;
    std::unordered_map<const Solid*, int> solids_;
};

// Every face, corner and edge of the model in its order, to apply changes by index.
struct Elements {
    std::vector<Face*> faces;
    std::vector<Halfedge*> corners;
    std::vector<Edge*> edges;
    std::vector<Solid*> solids;
    explicit Elements(Model& model) {
        for (auto& s : model.solids) {
            solids.push_back(s.get());
            for (auto& e : s->edges) edges.push_back(e.get());
            for (auto& f : s->faces) {
                faces.push_back(f.get());
                for (auto& h : f->halfedges) corners.push_back(h.get());
            }
        }
    }
};

template <class T>
ArrayChanges<T> changesOf(const std::vector<T>& a, const std::vector<T>& b) {
    ArrayChanges<T> c;
    c.beforeSize = a.size();
    c.afterSize = b.size();
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const bool inA = i < a.size(), inB = i < b.size();
        if (inA && inB && a[i] == b[i]) continue;
        c.at.push_back(static_cast<std::uint32_t>(i));
        c.before.push_back(inA ? a[i] : T{});
        c.after.push_back(inB ? b[i] : T{});
    }
    return c;
}

template <class T>
void applyTo(std::vector<T>& v, const ArrayChanges<T>& c, bool forward) {
    v.resize(forward ? c.afterSize : c.beforeSize);
    const auto& values = forward ? c.after : c.before;
    for (std::size_t k = 0; k < c.at.size(); ++k)
        if (c.at[k] < v.size()) v[c.at[k]] = values[k];
}

template <class T>
std::size_t bytesOf(const ArrayChanges<T>& c) {
    return sizeof(c) + c.at.size() * (sizeof(std::uint32_t) + 2 * sizeof(T));
}

SheetState sheetOf(const Model& m) {
    return {m.dKavimozuX, m.dKavimozuY, m.dKavimozuWidth, m.dKavimozuHeight,
            m.dKavimozuMargin, m.dMag2d, m.bFinished, m.bReverse, m.flapStyle};
}

}  // namespace

bool DevelopmentDelta::empty() const {
    return corners.at.empty() && faces.at.empty() && edges.at.empty() && parts.at.empty() &&
           texts.at.empty() && parts.beforeSize == parts.afterSize &&
           texts.beforeSize == texts.afterSize && sheetBefore == sheetAfter;
}

std::size_t DevelopmentDelta::bytes() const {
    std::size_t n = sizeof(*this) + bytesOf(corners) + bytesOf(faces) + bytesOf(edges) +
                    bytesOf(parts) + bytesOf(texts);
    for (const auto* list : {&parts.before, &parts.after})
        for (const PartState& p : *list) n += p.faces.size() * sizeof(int);
    for (const auto* list : {&texts.before, &texts.after})
        for (const TextItem& t : *list) n += t.text.size() + t.fontName.size();
    return n;
}

DevelopmentState captureDevelopment(const Model& model) {
    const ElementIndex index(model);
    DevelopmentState s;
    for (const auto& solid : model.solids) {
        for (const auto& e : solid->edges) s.edges.push_back({e->kind, e->joinNumber, e->mountain, e->flapStyle});
        for (const auto& f : solid->faces) {
            s.faces.push_back({-1, f->placed});  // its part below, by the part's position
            for (const auto& h : f->halfedges) {
                CornerState c;
                c.twin = index.corner(h->twin);
                c.displayX = h->display.x;
                c.displayY = h->display.y;
                c.displayZ = h->display.z;
                c.flatX = h->flatX;
                c.flatY = h->flatY;
                c.flapHeight = h->flapHeight;
                c.flapInsetStart = h->flapInsetStart;
                c.flapInsetEnd = h->flapInsetEnd;
                c.lineShown = h->lineShown;
                c.hasFlap = h->hasFlap;
                s.corners.push_back(c);
            }
        }
    }
    s.parts.reserve(model.parts.size());
    for (const auto& p : model.parts) {
        PartState ps;
        ps.faces.reserve(p->faces.size());
        for (const Face* f : p->faces) {
            const int fi = index.face(f);
            ps.faces.push_back(fi);
            if (fi >= 0) s.faces[fi].part = static_cast<int>(s.parts.size());
        }
        ps.x = p->x;
        ps.y = p->y;
        ps.width = p->width;
        ps.height = p->height;
        ps.solid = index.solid(p->solid);
        s.parts.push_back(std::move(ps));
    }
    for (const auto& t : model.texts) s.texts.push_back(*t);
    s.sheet = sheetOf(model);
    return s;
}

DevelopmentDelta developmentDelta(const DevelopmentState& before, const DevelopmentState& after) {
    DevelopmentDelta d;
    d.corners = changesOf(before.corners, after.corners);
    d.faces = changesOf(before.faces, after.faces);
    d.edges = changesOf(before.edges, after.edges);
    d.parts = changesOf(before.parts, after.parts);
    d.texts = changesOf(before.texts, after.texts);
    d.sheetBefore = before.sheet;
    d.sheetAfter = after.sheet;
    return d;
}

void applyDelta(DevelopmentState& state, const DevelopmentDelta& delta, bool forward) {
    applyTo(state.corners, delta.corners, forward);
    applyTo(state.faces, delta.faces, forward);
    applyTo(state.edges, delta.edges, forward);
    applyTo(state.parts, delta.parts, forward);
    applyTo(state.texts, delta.texts, forward);
    state.sheet = forward ? delta.sheetAfter : delta.sheetBefore;
}

void applyDelta(Model& model, const DevelopmentDelta& delta, bool forward) {
    Elements el(model);
    // Parts first, so faces can point at them.
    const std::size_t partCount = forward ? delta.parts.afterSize : delta.parts.beforeSize;
    while (model.parts.size() > partCount) model.parts.pop_back();
    while (model.parts.size() < partCount) model.parts.push_back(std::make_unique<Part>());
    for (std::size_t i = 0; i < model.parts.size(); ++i) model.parts[i]->index = static_cast<int>(i);
    const auto& partValues = forward ? delta.parts.after : delta.parts.before;
    for (std::size_t k = 0; k < delta.parts.at.size(); ++k) {
        const std::uint32_t i = delta.parts.at[k];
        if (i >= model.parts.size()) continue;
        const PartState& ps = partValues[k];
        Part& p = *model.parts[i];
        p.faces.clear();
        for (int f : ps.faces)
            if (f >= 0 && static_cast<std::size_t>(f) < el.faces.size()) p.faces.push_back(el.faces[f]);
        p.x = ps.x;
        p.y = ps.y;
        p.width = ps.width;
        p.height = ps.height;
        p.solid = ps.solid >= 0 && static_cast<std::size_t>(ps.solid) < el.solids.size()
                      ? el.solids[ps.solid]
                      : nullptr;
        p.nextCandidate = nullptr;
    }
    const auto& faceValues = forward ? delta.faces.after : delta.faces.before;
    for (std::size_t k = 0; k < delta.faces.at.size(); ++k) {
        const std::uint32_t i = delta.faces.at[k];
        if (i >= el.faces.size()) continue;
        Face& f = *el.faces[i];
        const FaceState& fs = faceValues[k];
        f.part = fs.part >= 0 && static_cast<std::size_t>(fs.part) < model.parts.size()
                     ? model.parts[fs.part].get()
                     : nullptr;
        f.placed = fs.placed;
    }
    const auto& cornerValues = forward ? delta.corners.after : delta.corners.before;
    for (std::size_t k = 0; k < delta.corners.at.size(); ++k) {
        const std::uint32_t i = delta.corners.at[k];
        if (i >= el.corners.size()) continue;
        Halfedge& h = *el.corners[i];
        const CornerState& c = cornerValues[k];
        h.twin = c.twin >= 0 && static_cast<std::size_t>(c.twin) < el.corners.size()
                     ? el.corners[c.twin]
                     : nullptr;
        h.display = {c.displayX, c.displayY, c.displayZ};
        h.flatX = c.flatX;
        h.flatY = c.flatY;
        h.flapHeight = c.flapHeight;
        h.flapInsetStart = c.flapInsetStart;
        h.flapInsetEnd = c.flapInsetEnd;
        h.lineShown = c.lineShown;
        h.hasFlap = c.hasFlap;
    }
    const auto& edgeValues = forward ? delta.edges.after : delta.edges.before;
    for (std::size_t k = 0; k < delta.edges.at.size(); ++k) {
        const std::uint32_t i = delta.edges.at[k];
        if (i >= el.edges.size()) continue;
        Edge& e = *el.edges[i];
        e.kind = edgeValues[k].kind;
        e.joinNumber = edgeValues[k].joinNumber;
        e.mountain = edgeValues[k].mountain;
        e.flapStyle = edgeValues[k].flapStyle;
    }
    const std::size_t textCount = forward ? delta.texts.afterSize : delta.texts.beforeSize;
    while (model.texts.size() > textCount) model.texts.pop_back();
    while (model.texts.size() < textCount) model.texts.push_back(std::make_unique<TextItem>());
    const auto& textValues = forward ? delta.texts.after : delta.texts.before;
    for (std::size_t k = 0; k < delta.texts.at.size(); ++k)
        if (delta.texts.at[k] < model.texts.size()) *model.texts[delta.texts.at[k]] = textValues[k];
    const SheetState& sheet = forward ? delta.sheetAfter : delta.sheetBefore;
    model.dKavimozuX = sheet.x;
    model.dKavimozuY = sheet.y;
    model.dKavimozuWidth = sheet.width;
    model.dKavimozuHeight = sheet.height;
    model.dKavimozuMargin = sheet.margin;
    model.dMag2d = sheet.scale;
    model.bFinished = sheet.finished;
    model.bReverse = sheet.mirrored;
    model.flapStyle = sheet.flapStyle;
}

}  // namespace plikatra
