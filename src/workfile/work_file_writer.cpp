#include "workfile/work_file_writer.h"
#include "base/file_io.h"

#include <locale.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <unordered_map>
#include <filesystem>


namespace plikatra {

// The file's text, handed on in pieces of about a megabyte when it goes to a file, so that the
// work file of a model of millions of faces is never whole in memory. Without a writer it
// collects the whole text.
class WorkFileOut {
public:
    explicit WorkFileOut(const PieceWriter* write = nullptr) : write_(write) {}

    std::string& text() { return text_; }
    WorkFileOut& operator+=(std::string_view s) {
        text_.append(s);
        return *this;
    }
    void append(const char* p, size_t n) { text_.append(p, n); }
    void append(size_t n, char c) { text_.append(n, c); }

    // Thrown out of the composing when a piece could not be written (or the user stopped the
    // saving), so the rest of a large file is not formatted for nothing.
    struct Stopped {};

    // Called between records: passes the text on once it has grown past the piece size.
    void spill() {
        if (write_ && text_.size() >= kPieceBytes) pass();
    }
    // Passes on what is left; false when any piece could not be written.
    bool finish() {
        if (write_) pass();
        return ok_;
    }

private:
    static constexpr size_t kPieceBytes = 1u << 20;
    void pass() {
        ok_ = ok_ && (*write_)(text_);
        text_.clear();
        if (!ok_) throw Stopped{};
    }
    const PieceWriter* write_;
    std::string text_;
    bool ok_ = true;
};

namespace {

__attribute__((format(printf, 2, 3))) void put(WorkFileOut& sink, const char* fmt, ...) {
    std::string& out = sink.text();
    // Most lines fit; "%f" of a huge value (the bounds of an empty model) prints over 300
    // digits, so the exact length is asked for when they do not.
    char buffer[256];
    va_list ap;
    va_start(ap, fmt);
    va_list again;
    va_copy(again, ap);
    const int n = std::vsnprintf(buffer, sizeof buffer, fmt, ap);
    va_end(ap);
    if (n > 0 && static_cast<size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<size_t>(n));
    } else if (n > 0) {
        const size_t start = out.size();
        out.resize(start + static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data() + start, static_cast<size_t>(n) + 1, fmt, again);
        out.resize(start + static_cast<size_t>(n));
    }
    va_end(again);
    sink.spill();
}

// A name or text on a line of its own, of at most `limit` bytes: the reader takes lines into
// buffers of that size and cannot read a longer one (a group name of an OBJ file, say, can be
// any length). A line feed inside it would end the line early and shift every record after it
// for the reader, so it becomes a space.
void putLine(WorkFileOut& sink, const std::string& s, size_t limit) {
    std::string& out = sink.text();
    const size_t start = out.size();
    out.append(s, 0, std::min(s.size(), limit));
    for (size_t i = start; i < out.size(); ++i)
        if (out[i] == '\n') out[i] = ' ';
    out += '\n';
    sink.spill();
}

long count(size_t n) { return static_cast<long>(n); }

}  // namespace

// The numbers a work file refers to elements by: solids and parts by their places in the
// model's lists, vertices and faces by their places in their solid. Models keep these places
// in the elements' own indices almost always (faces as read are numbered across solids), so
// a check of the lists usually finds them there; otherwise they are looked up by element. The
// model itself is left as it is, so saving changes nothing in it.
class WorkFileNumbers {
public:
    explicit WorkFileNumbers(const Model& model) {
        long firstFace = 0;
        bool facesPerSolid = true, facesAcross = true, verticesDirect = true;
        for (std::size_t s = 0; s < model.solids.size(); ++s) {
            const Solid& solid = *model.solids[s];
            solids_.emplace(&solid, static_cast<long>(s));
            firstFace_.emplace(&solid, firstFace);
            for (std::size_t i = 0; i < solid.faces.size(); ++i) {
                const long index = solid.faces[i]->index;
                facesPerSolid = facesPerSolid && index == static_cast<long>(i);
                facesAcross = facesAcross && index == firstFace + static_cast<long>(i) &&
                              solid.faces[i]->solid == &solid;
            }
            for (std::size_t i = 0; i < solid.vertices.size(); ++i)
                verticesDirect = verticesDirect && solid.vertices[i]->index == static_cast<int>(i);
            firstFace += static_cast<long>(solid.faces.size());
        }
        faces_ = facesPerSolid ? Direct::PerSolid : facesAcross ? Direct::Across : Direct::No;
        if (faces_ == Direct::No)
            for (const auto& solid : model.solids)
                for (std::size_t i = 0; i < solid->faces.size(); ++i)
                    faceMap_.emplace(solid->faces[i].get(), static_cast<long>(i));
        if (!verticesDirect)
            for (const auto& solid : model.solids)
                for (std::size_t i = 0; i < solid->vertices.size(); ++i)
                    vertexMap_.emplace(solid->vertices[i].get(), static_cast<long>(i));
        verticesDirect_ = verticesDirect;
        for (std::size_t i = 0; i < model.parts.size(); ++i)
            parts_.emplace(model.parts[i].get(), static_cast<long>(i));
    }

    long solid(const Solid* s) const { return find(solids_, s); }
    long part(const Part* p) const { return find(parts_, p); }
    long vertex(const Vertex* v) const {
        if (!v) return -1;
        return verticesDirect_ ? static_cast<long>(v->index) : find(vertexMap_, v);
    }
    long face(const Face* f) const {
        if (!f) return -1;
        switch (faces_) {
            case Direct::PerSolid: return f->index;
            case Direct::Across: return f->index - find(firstFace_, f->solid);
            case Direct::No: break;
        }
        return find(faceMap_, f);
    }
    long faceOf(const Halfedge* h) const { return h ? face(h->face) : -1L; }

private:
    enum class Direct { PerSolid, Across, No };
    template <class T>
    static long find(const std::unordered_map<const T*, long>& map, const T* key) {
        const auto it = key ? map.find(key) : map.end();
        return it == map.end() ? -1L : it->second;
    }
    Direct faces_ = Direct::PerSolid;
    bool verticesDirect_ = true;
    std::unordered_map<const Solid*, long> solids_, firstFace_;
    std::unordered_map<const Part*, long> parts_;
    std::unordered_map<const Face*, long> faceMap_;
    std::unordered_map<const Vertex*, long> vertexMap_;
};

namespace {

// One record of each kind, the same whether it comes from the model or from a snapshot.
void putVertex(WorkFileOut& out, const Point3& p) { put(out, "%f %f %f\n", p.x, p.y, p.z); }

void putFace(WorkFileOut& out, const WorkFileSnapshot::FaceRecord& f) {
    put(out, "%ld %ld %f %f %f %f %ld \n", f.material, f.part, f.normal.x, f.normal.y, f.normal.z,
        f.planeD, f.corners);
}

void putCorner(WorkFileOut& out, const WorkFileSnapshot::CornerRecord& c) {
    put(out, "%ld %f %f %f %f %d %d %f\n", c.vertex, c.flatX, c.flatY, c.u, c.v, c.hasFlap ? 1 : 0,
        c.lineShown ? 1 : 0, c.flapHeight);
}

void putEdge(WorkFileOut& out, const WorkFileSnapshot::EdgeRecord& e) {
    put(out, "%ld %ld %ld %ld %d %d\n", e.faceA, e.faceB, e.vertexA, e.vertexB, e.flags, e.twin);
}

WorkFileSnapshot::FaceRecord faceRecord(const Face& f, const WorkFileNumbers& n) {
    return {static_cast<long>(f.materialIndex), n.part(f.part), f.normal, f.planeD,
            count(f.halfedges.size())};
}

WorkFileSnapshot::CornerRecord cornerRecord(const Halfedge& h, const WorkFileNumbers& n) {
    return {n.vertex(h.origin), h.flatX, h.flatY, h.texCoord ? h.texCoord->u : 0.0,
            h.texCoord ? h.texCoord->v : 0.0, h.flapHeight, h.hasFlap, h.lineShown};
}

WorkFileSnapshot::EdgeRecord edgeRecord(const Edge& e, const WorkFileNumbers& n) {
    return {n.faceOf(e.a), n.faceOf(e.b), n.vertex(e.va), n.vertex(e.vb),
            e.kind | (e.mountain ? 16 : 0), e.a && e.a->twin ? 1 : 0};
}

void writeSolid(WorkFileOut& out, const Solid& solid, const WorkFileNumbers& n) {
    out += "solid\n";
    putLine(out, solid.name, kMaxStoredNameBytes);
    put(out, "%d\n", solid.visible ? 1 : 0);

    put(out, "vertices %ld\n", count(solid.vertices.size()));
    for (const auto& v : solid.vertices) putVertex(out, v->position);

    put(out, "faces %ld\n", count(solid.faces.size()));
    for (const auto& f : solid.faces) {
        putFace(out, faceRecord(*f, n));
        for (const auto& h : f->halfedges) putCorner(out, cornerRecord(*h, n));
    }

    put(out, "edges %ld\n", count(solid.edges.size()));
    for (const auto& e : solid.edges) putEdge(out, edgeRecord(*e, n));
}

void writeSolid(WorkFileOut& out, const WorkFileSnapshot::SolidRecord& solid) {
    out += "solid\n";
    putLine(out, solid.name, kMaxStoredNameBytes);
    put(out, "%d\n", solid.visible ? 1 : 0);

    put(out, "vertices %ld\n", count(solid.vertices.size()));
    for (const Point3& p : solid.vertices) putVertex(out, p);

    put(out, "faces %ld\n", count(solid.faces.size()));
    size_t corner = 0;
    for (const auto& f : solid.faces) {
        putFace(out, f);
        for (long i = 0; i < f.corners; ++i) putCorner(out, solid.corners[corner++]);
    }

    put(out, "edges %ld\n", count(solid.edges.size()));
    for (const auto& e : solid.edges) putEdge(out, e);
}

void writeMaterial(WorkFileOut& out, const Material& m) {
    out += "material\n";
    putLine(out, m.name, kMaxStoredNameBytes);
    for (const Rgba* c : {&m.ambient, &m.diffuse, &m.emission, &m.specular})
        put(out, "%f %f %f %f ", static_cast<double>(c->r), static_cast<double>(c->g),
            static_cast<double>(c->b), static_cast<double>(c->a));
    put(out, "%f ", static_cast<double>(m.shininess));
    put(out, "%f %f %f ", static_cast<double>(m.flatColor.r), static_cast<double>(m.flatColor.g),
        static_cast<double>(m.flatColor.b));
    out += m.colorGiven ? "1 " : "0 ";

    // The flag promises a pixel block to the reader, so it is only set when there is one.
    const TextureImage* t = m.hasTexture ? m.texture.get() : nullptr;
    out += t ? "1\n" : "0\n";
    if (!t) return;

    out += "\n";
    const long w = t->width > 0 ? t->width : 0;
    const long h = t->height > 0 ? t->height : 0;
    put(out, "%ld %ld\n", w, h);
    // Exactly the announced number of bytes, so the reader stays in step even if the pixel
    // buffer disagrees with the size.
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * 3;
    const size_t have = std::min(bytes, t->pixels.size());
    out.append(reinterpret_cast<const char*>(t->pixels.data()), have);
    out.append(bytes - have, '\0');
    out += "\n";
}

void writeText(WorkFileOut& out, const TextItem& t) {
    put(out, "%d\n", t.extra1);
    putLine(out, t.fontName, kMaxStoredFontNameBytes);
    putLine(out, t.text, kMaxStoredTextBytes);
    put(out, "%d %f %f %f %f %d %d %d %d\n", t.fontSize, t.x, t.y, t.width, t.height, t.extra2,
        static_cast<int>(t.color & 0xFF), static_cast<int>((t.color >> 8) & 0xFF),
        static_cast<int>((t.color >> 16) & 0xFF));
}

using FlapInsetRecord = WorkFileSnapshot::FlapInsetRecord;
using FlapStyleRecord = WorkFileSnapshot::FlapStyleRecord;

// The flaps that differ from the usual: narrowed sides, and edges with a style of their own.
// Both lists are written only when they hold something, so that a file without such flaps
// keeps the bytes it had before they existed.
void collectFlapShapes(const Model& model, std::vector<FlapInsetRecord>& insets,
                       std::vector<FlapStyleRecord>& styles) {
    for (std::size_t s = 0; s < model.solids.size(); ++s) {
        const Solid& solid = *model.solids[s];
        for (std::size_t f = 0; f < solid.faces.size(); ++f) {
            const auto& ring = solid.faces[f]->halfedges;
            for (std::size_t c = 0; c < ring.size(); ++c)
                if (flapNarrowed(*ring[c]))
                    insets.push_back({static_cast<long>(s), static_cast<long>(f), static_cast<long>(c),
                                      ring[c]->flapInsetStart, ring[c]->flapInsetEnd});
        }
        for (std::size_t e = 0; e < solid.edges.size(); ++e)
            if (solid.edges[e]->flapStyle >= 0)
                styles.push_back({static_cast<long>(s), static_cast<long>(e), solid.edges[e]->flapStyle});
    }
}

void writeFlapShapes(WorkFileOut& out, FlapStyle style, const std::vector<FlapInsetRecord>& insets,
                     const std::vector<FlapStyleRecord>& styles) {
    if (style != FlapStyle::White) put(out, "iFlapStyle %d\n", static_cast<int>(style));
    if (!insets.empty()) {
        put(out, "flapInsets %ld\n", count(insets.size()));
        // Nine digits give a float back exactly.
        for (const FlapInsetRecord& r : insets)
            put(out, "%ld %ld %ld %.9g %.9g\n", r.solid, r.face, r.corner, static_cast<double>(r.start),
                static_cast<double>(r.end));
    }
    if (!styles.empty()) {
        put(out, "flapStyles %ld\n", count(styles.size()));
        for (const FlapStyleRecord& r : styles) put(out, "%ld %ld %d\n", r.solid, r.edge, r.style);
    }
}

void writeInfo(WorkFileOut& out, const Model& model, const WorkFileDocumentState& state,
               const std::vector<FlapInsetRecord>& insets, const std::vector<FlapStyleRecord>& styles) {
    const WorkFileSettings& s = state.settings;
    out += "info\n";
    put(out, "dMag3d %f\n", model.dMag3d);
    put(out, "dMag2d %f\n", model.dMag2d);
    put(out, "dKavimozuX %f\n", model.dKavimozuX);
    put(out, "dKavimozuY %f\n", model.dKavimozuY);
    put(out, "dKavimozuWidth %f\n", model.dKavimozuWidth);
    put(out, "dKavimozuHeight %f\n", model.dKavimozuHeight);
    put(out, "dKavimozuMargin %f\n", model.dKavimozuMargin);
    put(out, "bReverse %d\n", model.bReverse ? 1 : 0);
    put(out, "bFinished %d\n", state.bFinished ? 1 : 0);
    put(out, "iAngleEps %d\n", s.iAngleEps);
    put(out, "iTaniLineType %d\n", s.iTaniLineType);
    put(out, "iYamaLineType %d\n", s.iYamaLineType);
    put(out, "iCutLineType %d\n", s.iCutLineType);
    // The key's spelling is part of the format.
    put(out, "bTextureCoodinates %d\n", model.bTextureCoodinates ? 1 : 0);
    put(out, "bDrawFlap %d\n", s.bDrawNorishiro ? 1 : 0);
    put(out, "bDrawNumber %d\n", s.bDrawEdgeNumber ? 1 : 0);
    put(out, "bUseMaterial %d\n", s.bUseMaterial ? 1 : 0);
    put(out, "iEdgeNumberFontSize %d\n", s.iEdgeNumberFontSize);
    put(out, "bNorishiroReverse %d\n", s.bNorishiroReverse ? 1 : 0);
    put(out, "bEdgeIdReverse %d\n", s.bEdgeIdReverse ? 1 : 0);
    put(out, "bEnableLineAlpha %d\n", s.bEnableLineAlpha ? 1 : 0);
    put(out, "dTextureLineAlpha %f\n", s.dTextureLineAlpha);
    put(out, "bCullEdge %d\n", s.bCullEdge ? 1 : 0);
    put(out, "iPageType %d\n", s.iPageType);
    put(out, "dPageMarginSide %f\n", s.dPageMarginSide);
    put(out, "dPageMarginTop %f\n", s.dPageMarginTop);
    put(out, "bDrawWhiteBkLine %d\n", s.bDrawWhiteBkLine ? 1 : 0);
    writeFlapShapes(out, model.flapStyle, insets, styles);
    out += "/info\n";
}

}  // namespace

std::string WorkFileWriter::text() {
    WorkFileOut out;
    compose(out);
    return std::move(out.text());
}

bool WorkFileWriter::writeTo(const PieceWriter& write) {
    WorkFileOut out(&write);
    try {
        compose(out);
        return out.finish();
    } catch (const WorkFileOut::Stopped&) {
        return false;
    }
}

namespace {

void putHead(WorkFileOut& out, const Model& model) {
    put(out, "# Plikatra Designer Work Info ver %d\n", kWorkFileVersion);
    out += "#\n\n";
    put(out, "version %d\n", kWorkFileVersion);
    put(out, "min_version %d\n", kWorkFileMinVersion);
    out += "\n";
    put(out, "model %f %f %f %f %f %f\n", model.boundsMax.x, model.boundsMax.y, model.boundsMax.z,
        model.boundsMin.x, model.boundsMin.y, model.boundsMin.z);
}

void putPart(WorkFileOut& out, const WorkFileSnapshot::PartRecord& p) {
    put(out, "%ld %f %f %f %f\n", p.solid, p.x, p.y, p.width, p.height);
}

WorkFileSnapshot::PartRecord partRecord(const Part& p, const WorkFileNumbers& n) {
    return {n.solid(p.solid), p.x, p.y, p.width, p.height};
}

}  // namespace

void WorkFileWriter::compose(WorkFileOut& out) {
    const WorkFileNumbers numbers(model_);
    CLocaleScope cLocale;

    putHead(out, model_);
    put(out, "solids %ld\n", count(model_.solids.size()));
    for (const auto& s : model_.solids) writeSolid(out, *s, numbers);

    out += "defaultmaterial\n";
    writeMaterial(out, model_.defaultMaterial);
    put(out, "materials %ld\n", count(model_.materials.size()));
    for (const auto& m : model_.materials) writeMaterial(out, *m);

    put(out, "parts %ld\n", count(model_.parts.size()));
    for (const auto& p : model_.parts) putPart(out, partRecord(*p, numbers));

    put(out, "text %ld\n", count(model_.texts.size()));
    for (const auto& t : model_.texts) writeText(out, *t);

    std::vector<FlapInsetRecord> insets;
    std::vector<FlapStyleRecord> styles;
    collectFlapShapes(model_, insets, styles);
    writeInfo(out, model_, state_, insets, styles);
    out += "end 2\n";
}

WorkFileSnapshot::WorkFileSnapshot(const Model& model, const WorkFileDocumentState& state)
    : head_(std::make_unique<Model>()), state_(state) {
    const WorkFileNumbers numbers(model);
    Model& h = *head_;
    h.boundsMax = model.boundsMax;
    h.boundsMin = model.boundsMin;
    h.dMag3d = model.dMag3d;
    h.dMag2d = model.dMag2d;
    h.dKavimozuX = model.dKavimozuX;
    h.dKavimozuY = model.dKavimozuY;
    h.dKavimozuWidth = model.dKavimozuWidth;
    h.dKavimozuHeight = model.dKavimozuHeight;
    h.dKavimozuMargin = model.dKavimozuMargin;
    h.bReverse = model.bReverse;
    h.bTextureCoodinates = model.bTextureCoodinates;
    h.flapStyle = model.flapStyle;
    collectFlapShapes(model, flapInsets_, flapStyles_);
    copyMaterial(h.defaultMaterial, model.defaultMaterial);
    for (const auto& m : model.materials) {
        h.materials.push_back(std::make_unique<Material>());
        copyMaterial(*h.materials.back(), *m);
    }
    for (const auto& t : model.texts) h.texts.push_back(std::make_unique<TextItem>(*t));

    solids_.reserve(model.solids.size());
    for (const auto& s : model.solids) {
        SolidRecord& r = solids_.emplace_back();
        r.name = s->name;
        r.visible = s->visible;
        r.vertices.reserve(s->vertices.size());
        for (const auto& v : s->vertices) r.vertices.push_back(v->position);
        r.faces.reserve(s->faces.size());
        size_t corners = 0;
        for (const auto& f : s->faces) corners += f->halfedges.size();
        r.corners.reserve(corners);
        for (const auto& f : s->faces) {
            r.faces.push_back(faceRecord(*f, numbers));
            for (const auto& he : f->halfedges) r.corners.push_back(cornerRecord(*he, numbers));
        }
        r.edges.reserve(s->edges.size());
        for (const auto& e : s->edges) r.edges.push_back(edgeRecord(*e, numbers));
    }
    parts_.reserve(model.parts.size());
    for (const auto& p : model.parts) parts_.push_back(partRecord(*p, numbers));
}

WorkFileSnapshot::~WorkFileSnapshot() = default;

std::string WorkFileSnapshot::text() const {
    WorkFileOut out;
    CLocaleScope cLocale;
    const Model& h = *head_;
    putHead(out, h);
    put(out, "solids %ld\n", count(solids_.size()));
    for (const auto& s : solids_) writeSolid(out, s);

    out += "defaultmaterial\n";
    writeMaterial(out, h.defaultMaterial);
    put(out, "materials %ld\n", count(h.materials.size()));
    for (const auto& m : h.materials) writeMaterial(out, *m);

    put(out, "parts %ld\n", count(parts_.size()));
    for (const auto& p : parts_) putPart(out, p);

    put(out, "text %ld\n", count(h.texts.size()));
    for (const auto& t : h.texts) writeText(out, *t);

    writeInfo(out, h, state_, flapInsets_, flapStyles_);
    out += "end 2\n";
    return std::move(out.text());
}

int WorkFileWriter::write(std::FILE* file) {
    writeTo([file](std::string_view piece) {
        return std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    });
    return 0;
}

std::string workFileText(const Model& model, const WorkFileDocumentState& state) {
    return WorkFileWriter(model, state).text();
}

std::size_t estimatedWorkFileBytes(const Model& model) {
    // Bytes a record takes in files of large scanned models: a vertex line, a face's head
    // line, a corner line and an edge line.
    std::size_t bytes = 4096;
    for (const auto& s : model.solids) {
        bytes += 30 * s->vertices.size() + 50 * s->faces.size() + 32 * s->edges.size();
        for (const auto& f : s->faces) bytes += 55 * f->halfedges.size();
    }
    return bytes;
}

bool writeWorkFile(const Model& model, const std::string& path, const WorkFileDocumentState& state,
                   std::string* error, const SaveProgress& progress) {
    bool stopped = false;
    const bool ok = replaceFileWith(path, [&](const PieceWriter& write) {
        if (!progress) return WorkFileWriter(model, state).writeTo(write);
        std::size_t written = 0;
        const PieceWriter counted = [&](std::string_view piece) {
            if (!write(piece)) return false;
            written += piece.size();
            stopped = !progress(written);
            return !stopped;
        };
        return WorkFileWriter(model, state).writeTo(counted);
    });
    if (!ok && error) *error = stopped ? std::string() : kMsgCannotWriteFile;
    return ok;
}

}  // namespace plikatra
