#include "model/model_clone.h"

#include <unordered_map>

namespace plikatra {

namespace {

template <class T>
class PointerMap {
public:
    void reserve(std::size_t n) { map_.reserve(n); }
    void add(const T* from, T* to) { map_.emplace(from, to); }
    // Null stays null; a link to an object outside the model (never made by the readers or
    // the unfolding) becomes null rather than pointing into the original.
    T* operator()(const T* from) const {
        if (!from) return nullptr;
        const auto it = map_.find(from);
        return it == map_.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<const T*, T*> map_;
};

}  // namespace

std::unique_ptr<Model> cloneModel(const Model& model) {
    auto copy = std::make_unique<Model>(model.surfaceColor);
    Model& c = *copy;
    std::size_t faces = 0, corners = 0, edges = 0, vertices = 0, texCoords = 0;
    for (const auto& s : model.solids) {
        faces += s->faces.size();
        edges += s->edges.size();
        vertices += s->vertices.size();
        texCoords += s->texCoords.size();
        for (const auto& f : s->faces) corners += f->halfedges.size();
    }
    PointerMap<Solid> solidMap;
    PointerMap<Face> faceMap;
    PointerMap<Halfedge> halfedgeMap;
    PointerMap<Edge> edgeMap;
    PointerMap<Vertex> vertexMap;
    PointerMap<TexCoord> texMap;
    PointerMap<Part> partMap;
    faceMap.reserve(faces);
    halfedgeMap.reserve(corners);
    edgeMap.reserve(edges);
    vertexMap.reserve(vertices);
    texMap.reserve(texCoords);

    // First every object with its plain fields, then the links between them.
    for (const auto& s : model.solids) {
        Solid* ns = c.addSolid(s->name);
        solidMap.add(s.get(), ns);
        ns->meanEdgeLength = s->meanEdgeLength;
        ns->visible = s->visible;
        ns->index = s->index;
        ns->vertices.reserve(s->vertices.size());
        for (const auto& v : s->vertices) {
            ns->vertices.push_back(std::make_unique<Vertex>(*v));
            vertexMap.add(v.get(), ns->vertices.back().get());
        }
        ns->texCoords.reserve(s->texCoords.size());
        for (const auto& t : s->texCoords) {
            ns->texCoords.push_back(std::make_unique<TexCoord>(*t));
            texMap.add(t.get(), ns->texCoords.back().get());
        }
        ns->edges.reserve(s->edges.size());
        for (const auto& e : s->edges) {
            ns->edges.push_back(std::make_unique<Edge>(*e));
            edgeMap.add(e.get(), ns->edges.back().get());
        }
        ns->faces.reserve(s->faces.size());
        for (const auto& f : s->faces) {
            auto nf = std::make_unique<Face>(ns);
            nf->index = f->index;
            nf->materialIndex = f->materialIndex;
            nf->partIndex = f->partIndex;
            nf->placed = f->placed;
            nf->normal = f->normal;
            nf->planeD = f->planeD;
            nf->center = f->center;
            nf->halfedges.reserve(f->halfedges.size());
            for (const auto& h : f->halfedges) {
                auto nh = std::make_unique<Halfedge>();
                nh->flatX = h->flatX;
                nh->flatY = h->flatY;
                nh->flapHeight = h->flapHeight;
                nh->flapInsetStart = h->flapInsetStart;
                nh->flapInsetEnd = h->flapInsetEnd;
                nh->display = h->display;
                nh->lineShown = h->lineShown;
                nh->hasFlap = h->hasFlap;
                halfedgeMap.add(h.get(), nh.get());
                nf->halfedges.push_back(std::move(nh));
            }
            faceMap.add(f.get(), nf.get());
            ns->faces.push_back(std::move(nf));
        }
    }
    for (const auto& p : model.parts) {
        auto np = std::make_unique<Part>(*p);
        partMap.add(p.get(), np.get());
        c.parts.push_back(std::move(np));
    }
    for (const auto& p : c.parts) {
        for (Face*& f : p->faces) f = faceMap(f);
        p->nextCandidate = halfedgeMap(p->nextCandidate);
        p->solid = solidMap(p->solid);
    }
    for (std::size_t si = 0; si < model.solids.size(); ++si) {
        const Solid& s = *model.solids[si];
        Solid& ns = *c.solids[si];
        for (std::size_t i = 0; i < s.edges.size(); ++i) {
            Edge& e = *ns.edges[i];
            e.a = halfedgeMap(e.a);
            e.b = halfedgeMap(e.b);
            e.va = vertexMap(e.va);
            e.vb = vertexMap(e.vb);
        }
        for (std::size_t fi = 0; fi < s.faces.size(); ++fi) {
            const Face& f = *s.faces[fi];
            Face& nf = *ns.faces[fi];
            nf.part = partMap(f.part);
            for (std::size_t k = 0; k < f.halfedges.size(); ++k) {
                const Halfedge& h = *f.halfedges[k];
                Halfedge& nh = *nf.halfedges[k];
                nh.edge = edgeMap(h.edge);
                nh.origin = vertexMap(h.origin);
                nh.face = faceMap(h.face);
                nh.pair = halfedgeMap(h.pair);
                nh.next = halfedgeMap(h.next);
                nh.prev = halfedgeMap(h.prev);
                nh.twin = halfedgeMap(h.twin);
                nh.texCoord = texMap(h.texCoord);
            }
        }
    }

    c.boundsMax = model.boundsMax;
    c.boundsMin = model.boundsMin;
    c.faceCount = model.faceCount;
    c.dKavimozuX = model.dKavimozuX;
    c.dKavimozuY = model.dKavimozuY;
    c.dKavimozuWidth = model.dKavimozuWidth;
    c.dKavimozuHeight = model.dKavimozuHeight;
    c.meanEdgeLength = model.meanEdgeLength;
    c.dMag3d = model.dMag3d;
    c.dMag2d = model.dMag2d;
    c.path = model.path;
    c.bTextureCoodinates = model.bTextureCoodinates;
    for (const auto& m : model.materials) {
        c.materials.push_back(std::make_unique<Material>(model.surfaceColor));
        copyMaterial(*c.materials.back(), *m);
    }
    for (const auto& t : model.texts) c.texts.push_back(std::make_unique<TextItem>(*t));
    copyMaterial(c.defaultMaterial, model.defaultMaterial);
    c.dKavimozuMargin = model.dKavimozuMargin;
    c.bReverse = model.bReverse;
    c.fromWorkFile = model.fromWorkFile;
    c.bFinished = model.bFinished;
    c.totalFacesToUnfold = model.totalFacesToUnfold;
    c.facesUnfolded = model.facesUnfolded;
    c.pagesAcross = model.pagesAcross;
    c.pagesDown = model.pagesDown;
    c.flapStyle = model.flapStyle;
    return copy;
}

std::size_t approximateModelBytes(const Model& model) {
    std::size_t bytes = sizeof(Model);
    for (const auto& s : model.solids) {
        bytes += sizeof(Solid) + s->vertices.size() * (sizeof(Vertex) + sizeof(void*)) +
                 s->texCoords.size() * (sizeof(TexCoord) + sizeof(void*)) +
                 s->edges.size() * (sizeof(Edge) + sizeof(void*));
        for (const auto& f : s->faces)
            bytes += sizeof(Face) + sizeof(void*) +
                     f->halfedges.size() * (sizeof(Halfedge) + sizeof(void*));
    }
    for (const auto& p : model.parts) bytes += sizeof(Part) + p->faces.size() * sizeof(Face*);
    const auto textureBytes = [](const Material& m) {
        return sizeof(Material) + (m.texture ? m.texture->pixels.size() : 0);
    };
    for (const auto& m : model.materials) bytes += textureBytes(*m);
    bytes += textureBytes(model.defaultMaterial);
    for (const auto& t : model.texts) bytes += sizeof(TextItem) + t->text.size();
    return bytes;
}

}  // namespace plikatra
