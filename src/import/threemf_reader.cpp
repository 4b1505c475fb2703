// 3MF packages, through the kept library of the format for the zip container and its XML; the
// build, components, meshes and base materials are taken from what it parsed, and every count
// it reports is checked before a buffer is sized from it.
#include "import/threemf_reader.h"

#include <Model/COM/NMR_DLLInterfaces.h>

#include <array>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/file_io.h"
#include "import/exact_vertices.h"
#include "base/load_progress.h"
#include "import/reader_guard.h"
#include "model/construction.h"

namespace plikatra {

namespace {

// Components may nest and share objects, so a small package can describe an enormous build;
// these bound what one package may place.
constexpr int kMaxComponentDepth = 32;
constexpr std::size_t kMaxInstances = 1 << 16;
constexpr std::size_t kMaxCopiedTriangles = 1 << 22;

// An affine map as the library gives it: three rows of (x, y, z, translation).
using Transform = std::array<std::array<double, 4>, 3>;

constexpr Transform kIdentity = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};

Transform toTransform(const NMR::MODELTRANSFORM& t) {
    Transform m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] = t.m_fFields[r][c];
    return m;
}

// `outer` after `inner`: a component's transform applies first, then its parent's.
Transform compose(const Transform& outer, const Transform& inner) {
    Transform m{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            double v = c == 3 ? outer[r][3] : 0.0;
            for (int k = 0; k < 3; ++k) v += outer[r][k] * inner[k][c];
            m[r][c] = v;
        }
    }
    return m;
}

Point3 transformed(const Transform& m, const float* p) {
    return {m[0][0] * p[0] + m[0][1] * p[1] + m[0][2] * p[2] + m[0][3],
            m[1][0] * p[0] + m[1][1] * p[1] + m[1][2] * p[2] + m[1][3],
            m[2][0] * p[0] + m[2][1] * p[1] + m[2][2] * p[2] + m[2][3]};
}

// An object of the library's C interface, and the owner of one reference to it.
using Ref = NMR::PLib3MFBase*;
struct Release {
    void operator()(Ref handle) const { NMR::lib3mf_release(handle); }
};
using Handle = std::unique_ptr<NMR::PLib3MFBase, Release>;

bool ok(LIB3MFRESULT result) { return result == 0; }

// Bridges the library's progress reports to the "Load file" window. Cancel must not unwind
// through the library, so it is noted and the read is stopped by the answer instead.
struct ParseProgress {
    LoadProgress& progress;
    long long size;
    bool cancelled = false;

    static bool report(int percent, NMR::ProgressIdentifier, void* self) {
        auto& p = *static_cast<ParseProgress*>(self);
        try {
            if (percent >= 0) p.progress.update(p.size * std::min(percent, 100) / 100);
        } catch (const CancelledException&) {
            p.cancelled = true;
        }
        return !p.cancelled;
    }
};

std::string objectName(Ref object) {
    ULONG needed = 0;
    if (!ok(NMR::lib3mf_object_getnameutf8(object, nullptr, 0, &needed)) || needed == 0 || needed > 4096)
        return {};
    std::string name(needed + 1, '\0');
    if (!ok(NMR::lib3mf_object_getnameutf8(object, name.data(), needed + 1, &needed))) return {};
    name.resize(std::strlen(name.c_str()));
    return name;
}

class BuildReader {
public:
    BuildReader(Ref package, Model& model) : package_(package), model_(model) {}

    // Places every build item; false when the package's build cannot be walked.
    bool run() {
        Ref items = nullptr;
        if (!ok(NMR::lib3mf_model_getbuilditems(package_, &items))) return false;
        Handle itemsOwner(items);
        BOOL more = false;
        while (ok(NMR::lib3mf_builditemiterator_movenext(items, &more)) && more) {
            Ref item = nullptr;
            if (!ok(NMR::lib3mf_builditemiterator_getcurrent(items, &item))) continue;
            Handle itemOwner(item);
            Ref object = nullptr;
            if (!ok(NMR::lib3mf_builditem_getobjectresource(item, &object))) continue;
            Handle objectOwner(object);
            NMR::MODELTRANSFORM t;
            const Transform m = ok(NMR::lib3mf_builditem_getobjecttransform(item, &t)) ? toTransform(t) : kIdentity;
            place(object, m, 0);
        }
        return true;
    }

    std::size_t faces() const { return faces_; }

    // What was passed over, one line each.
    std::vector<std::string> problems() const {
        std::vector<std::string> out;
        if (droppedTriangles_)
            out.push_back(format("%zu triangles that name a missing corner, or have two corners at one place, "
                                 "were left out.",
                                 droppedTriangles_));
        if (leftOut_) out.push_back("Objects placed more often than a model can hold were left out.");
        return out;
    }

private:
    void place(Ref object, const Transform& m, int depth) {
        if (depth > kMaxComponentDepth || instances_ >= kMaxInstances) {
            leftOut_ = true;
            return;
        }
        ++instances_;
        BOOL isMesh = false, isComponents = false;
        if (ok(NMR::lib3mf_object_ismeshobject(object, &isMesh)) && isMesh) {
            addMesh(object, m);
            return;
        }
        if (!ok(NMR::lib3mf_object_iscomponentsobject(object, &isComponents)) || !isComponents) return;
        DWORD count = 0;
        if (!ok(NMR::lib3mf_componentsobject_getcomponentcount(object, &count))) return;
        for (DWORD i = 0; i < count; ++i) {
            Ref component = nullptr;
            if (!ok(NMR::lib3mf_componentsobject_getcomponent(object, i, &component))) continue;
            Handle componentOwner(component);
            Ref child = nullptr;
            if (!ok(NMR::lib3mf_component_getobjectresource(component, &child))) continue;
            Handle childOwner(child);
            NMR::MODELTRANSFORM t;
            const Transform own = ok(NMR::lib3mf_component_gettransform(component, &t)) ? toTransform(t) : kIdentity;
            place(child, compose(m, own), depth + 1);
        }
    }

    void addMesh(Ref object, const Transform& m) {
        DWORD vertexCount = 0, triangleCount = 0;
        if (!ok(NMR::lib3mf_meshobject_getvertexcount(object, &vertexCount)) ||
            !ok(NMR::lib3mf_meshobject_gettrianglecount(object, &triangleCount)) || triangleCount == 0)
            return;
        // The first placement of each object is bounded by the package itself; only copies
        // count against the bound, so a large mesh placed once always opens.
        DWORD id = 0;
        const bool copy = !ok(NMR::lib3mf_resource_getresourceid(object, &id)) || !placed_.insert(id).second;
        if (copy) {
            if (copiedTriangles_ + triangleCount > kMaxCopiedTriangles) {
                leftOut_ = true;
                return;
            }
            copiedTriangles_ += triangleCount;
        }
        vertices_.resize(vertexCount);
        indices_.resize(triangleCount);
        groups_.assign(triangleCount, 0);
        slots_.assign(triangleCount, 0);
        DWORD got = 0;
        if (!ok(NMR::lib3mf_meshobject_getvertices(object, vertices_.data(), vertexCount, &got)) ||
            got != vertexCount ||
            !ok(NMR::lib3mf_meshobject_gettriangleindices(object, indices_.data(), triangleCount, &got)) ||
            got != triangleCount)
            return;
        Ref handler = nullptr;
        if (ok(NMR::lib3mf_meshobject_createpropertyhandler(object, &handler))) {
            Handle handlerOwner(handler);
            // Triangles without a base material keep group 0, the surface colour.
            if (!ok(NMR::lib3mf_propertyhandler_getbasematerialarray(handler, groups_.data(), slots_.data())))
                groups_.assign(triangleCount, 0);
        }

        Solid& solid = *model_.addSolid(objectName(object));
        // Exporters that split a mesh at its seams still write each shared corner with the
        // same coordinates; joining them lets the faces connect.
        positions_.clear();
        positions_.reserve(vertexCount);
        corners_.resize(vertexCount);
        // The table slot of a corner a few dozen ahead is fetched before it is needed.
        constexpr DWORD kAhead = 16;
        for (DWORD i = 0; i < vertexCount; ++i) {
            if (i + kAhead < vertexCount) positions_.prefetch(transformed(m, vertices_[i + kAhead].m_fPosition));
            corners_[i] = positions_.at(solid, transformed(m, vertices_[i].m_fPosition));
        }
        for (DWORD t = 0; t < triangleCount; ++t) {
            const DWORD* k = indices_[t].m_nIndices;
            if (k[0] >= vertexCount || k[1] >= vertexCount || k[2] >= vertexCount) {
                ++droppedTriangles_;
                continue;
            }
            Vertex* v[3] = {corners_[k[0]], corners_[k[1]], corners_[k[2]]};
            if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) {
                ++droppedTriangles_;
                continue;
            }
            Face* face = solid.addFace(materialFor(groups_[t], slots_[t]));
            face->halfedges.reserve(3);
            for (Vertex* c : v) face->addCorner(c);
            ++faces_;
        }
    }

    // The model's material for entry `slot` of base material group `group`, made on first use;
    // -1 for none.
    int materialFor(DWORD group, DWORD slot) {
        if (group == 0) return -1;
        const std::uint64_t key = std::uint64_t(group) << 32 | slot;
        if (const auto found = materials_.find(key); found != materials_.end()) return found->second;
        int ours = -1;
        Ref groupHandle = nullptr;
        if (ok(NMR::lib3mf_model_getbasematerialbyid(package_, group, &groupHandle))) {
            Handle groupOwner(groupHandle);
            BYTE r, g, b, a;
            if (ok(NMR::lib3mf_basematerial_getdisplaycolor(groupHandle, slot, &r, &g, &b, &a))) {
                Material* material = model_.addMaterial();
                material->name = baseName(groupHandle, slot);
                if (material->name.empty()) material->name = "material" + std::to_string(model_.materials.size());
                // Transparency has no meaning on paper; the colour is printed as it is.
                material->setColor(r / 255.0f, g / 255.0f, b / 255.0f);
                material->colorGiven = true;
                ours = static_cast<int>(model_.materials.size()) - 1;
            }
        }
        materials_.emplace(key, ours);
        return ours;
    }

    static std::string baseName(Ref group, DWORD slot) {
        ULONG needed = 0;
        if (!ok(NMR::lib3mf_basematerial_getnameutf8(group, slot, nullptr, 0, &needed)) || needed == 0 ||
            needed > 4096)
            return {};
        std::string name(needed + 1, '\0');
        if (!ok(NMR::lib3mf_basematerial_getnameutf8(group, slot, name.data(), needed + 1, &needed))) return {};
        name.resize(std::strlen(name.c_str()));
        return name;
    }

    Ref package_;
    Model& model_;
    ExactVertices positions_;
    std::vector<NMR::MODELMESHVERTEX> vertices_;
    std::vector<NMR::MODELMESHTRIANGLE> indices_;
    std::vector<DWORD> groups_, slots_;
    std::vector<Vertex*> corners_;
    std::unordered_map<std::uint64_t, int> materials_;
    std::unordered_set<DWORD> placed_;  // objects placed at least once
    std::size_t instances_ = 0, copiedTriangles_ = 0, faces_ = 0, droppedTriangles_ = 0;
    bool leftOut_ = false;
};

}  // namespace

int read3mfData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                const ReadContext& ctx) {
    return runGuarded([&]() -> int {
        if (data.empty()) return kReadFailed;
        LoadProgress progress(static_cast<long long>(data.size()), ctx.ui.progress());
        Ref package = nullptr;
        if (!ok(NMR::lib3mf_createmodel(&package))) return kReadFailed;
        Handle packageOwner(package);
        Ref reader = nullptr;
        if (!ok(NMR::lib3mf_model_queryreader(package, "3mf", &reader))) return kReadFailed;
        Handle readerOwner(reader);
        ParseProgress parse{progress, static_cast<long long>(data.size())};
        NMR::lib3mf_reader_setprogresscallback(reader, &ParseProgress::report, &parse);
        // The library only reads the buffer, though its interface is not marked so.
        const bool parsed = ok(NMR::lib3mf_reader_readfrombuffer(
            reader, const_cast<BYTE*>(reinterpret_cast<const BYTE*>(data.data())), data.size()));
        if (parse.cancelled) return kReadCancelled;
        if (!parsed) return kReadFailed;
        BuildReader build(package, model);
        if (!build.run() || build.faces() == 0) return kReadFailed;
        progress.constructing();
        const bool built = finishSolids(model, kAreaThreshold);
        progress.close();
        if (!built) return kReadFailed;
        const std::vector<std::string> problems = build.problems();
        if (!problems.empty()) {
            std::string text = format("Parts of \"%s\" could not be read:", path.c_str());
            for (const std::string& p : problems) text += "\n" + p;
            ctx.ui.show(text, MessageIcon::Warning);
        }
        return kReadOk;
    });
}

int read3mf(const std::string& path, Model& model, const ReadContext& ctx) {
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, bytes)) return kReadFailed;
    return read3mfData(bytes, path, model, ctx);
}

}  // namespace plikatra
