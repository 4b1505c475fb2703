// glTF 2.0 scenes, through the kept tinygltf library for the JSON, the binary container, data
// URIs and external files; the meshes, node transforms and materials are taken from what it
// parsed, and every accessor is checked against its buffer before a byte of it is read.
#include "import/gltf_reader.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "base/file_io.h"
#include "import/exact_vertices.h"
#include "base/load_progress.h"
#include "import/reader_guard.h"
#include "model/construction.h"
#include "textures/texture_image.h"

namespace plikatra {

namespace {

// A node tree deeper than this, or more node visits than this, is a damaged (or cyclic) file.
constexpr int kMaxNodeDepth = 64;
constexpr int kMaxNodeVisits = 1 << 20;

constexpr int kModeTriangles = 4, kModeStrip = 5, kModeFan = 6;

using Matrix = std::array<double, 16>;  // column-major, as glTF stores it

constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k) m[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    return m;
}

// The node's own transform: its matrix, or translation × rotation × scale.
Matrix localMatrix(const tinygltf::Node& n) {
    if (n.matrix.size() == 16) {
        Matrix m;
        std::copy(n.matrix.begin(), n.matrix.end(), m.begin());
        return m;
    }
    Matrix t = kIdentity, r = kIdentity, s = kIdentity;
    if (n.translation.size() == 3) t[12] = n.translation[0], t[13] = n.translation[1], t[14] = n.translation[2];
    if (n.scale.size() == 3) s[0] = n.scale[0], s[5] = n.scale[1], s[10] = n.scale[2];
    if (n.rotation.size() == 4) {
        const double x = n.rotation[0], y = n.rotation[1], z = n.rotation[2], w = n.rotation[3];
        r = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),     0,
             2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),     0,
             2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y), 0,
             0,                       0,                       0,                       1};
    }
    return multiply(t, multiply(r, s));
}

Point3 transform(const Matrix& m, double x, double y, double z) {
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14]};
}

// An accessor's elements, checked to lie inside their buffer view and buffer.
struct View {
    const std::uint8_t* base = nullptr;
    std::size_t stride = 0;
    std::size_t count = 0;
    int componentType = 0;
    int components = 0;
    bool normalized = false;

    double component(std::size_t i, int k) const {
        const std::uint8_t* p = base + i * stride;
        switch (componentType) {
            case TINYGLTF_COMPONENT_TYPE_FLOAT: {
                float f;
                std::memcpy(&f, p + 4 * k, 4);
                return f;
            }
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: {
                const double v = p[k];
                return normalized ? v / 255.0 : v;
            }
            case TINYGLTF_COMPONENT_TYPE_BYTE: {
                const double v = static_cast<std::int8_t>(p[k]);
                return normalized ? std::max(v / 127.0, -1.0) : v;
            }
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
                std::uint16_t v;
                std::memcpy(&v, p + 2 * k, 2);
                return normalized ? v / 65535.0 : v;
            }
            case TINYGLTF_COMPONENT_TYPE_SHORT: {
                std::int16_t v;
                std::memcpy(&v, p + 2 * k, 2);
                return normalized ? std::max(v / 32767.0, -1.0) : v;
            }
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
                std::uint32_t v;
                std::memcpy(&v, p + 4 * k, 4);
                return v;
            }
        }
        return 0.0;
    }
};

bool viewOf(const tinygltf::Model& g, int accessor, int wantType, View& out) {
    if (accessor < 0 || static_cast<std::size_t>(accessor) >= g.accessors.size()) return false;
    const tinygltf::Accessor& a = g.accessors[accessor];
    if (a.type != wantType || a.sparse.isSparse) return false;
    if (a.bufferView < 0 || static_cast<std::size_t>(a.bufferView) >= g.bufferViews.size()) return false;
    const tinygltf::BufferView& v = g.bufferViews[a.bufferView];
    if (v.buffer < 0 || static_cast<std::size_t>(v.buffer) >= g.buffers.size()) return false;
    const std::vector<unsigned char>& bytes = g.buffers[v.buffer].data;
    const int componentSize = tinygltf::GetComponentSizeInBytes(static_cast<std::uint32_t>(a.componentType));
    const int components = tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(a.type));
    const int stride = a.ByteStride(v);
    if (componentSize <= 0 || components <= 0 || stride <= 0) return false;
    std::size_t viewEnd = 0, start = 0, span = 0, last = 0;
    const std::size_t element = static_cast<std::size_t>(componentSize) * components;
    if (__builtin_add_overflow(v.byteOffset, v.byteLength, &viewEnd) || viewEnd > bytes.size()) return false;
    if (__builtin_add_overflow(v.byteOffset, a.byteOffset, &start)) return false;
    if (a.count > 0) {
        if (__builtin_mul_overflow(a.count - 1, static_cast<std::size_t>(stride), &span) ||
            __builtin_add_overflow(start, span, &last) || __builtin_add_overflow(last, element, &last) ||
            last > viewEnd)
            return false;
    }
    out = {bytes.data() + std::min(start, bytes.size()), static_cast<std::size_t>(stride), a.count,
           a.componentType, components, a.normalized};
    return true;
}

bool isIndexType(int t) {
    return t == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE || t == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ||
           t == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
}

// Collects what the texture decoders say, so that one warning can name every picture that
// could not be used; the progress window and fonts are the caller's.
class CollectingUi : public Ui {
public:
    explicit CollectingUi(Ui& outer) : outer_(outer) {}
    void message(const std::string& text, const std::string&, MessageIcon) override { texts.push_back(text); }
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons, MessageIcon icon) override {
        return outer_.ask(text, caption, buttons, icon);
    }
    ProgressFrontEnd& progress() override { return outer_.progress(); }
    Fonts& fonts() override { return outer_.fonts(); }
    std::vector<std::string> texts;

private:
    Ui& outer_;
};

// Keeps each picture's encoded bytes as tinygltf hands them over; they are decoded by the
// program's own texture readers, under its size limit, only for materials that use them.
bool keepImageBytes(tinygltf::Image* image, const int, std::string*, std::string*, int, int,
                    const unsigned char* bytes, int size, void*) {
    if (size < 0) return false;
    image->image.assign(bytes, bytes + size);
    image->as_is = true;
    return true;
}

class SceneReader {
public:
    SceneReader(const tinygltf::Model& g, Model& model, const ReadContext& ctx, LoadProgress& progress)
        : g_(g), model_(model), ctx_(ctx), progress_(progress), textureUi_(ctx.ui) {}

    void run() {
        std::vector<int> roots;
        if (!g_.scenes.empty()) {
            const std::size_t scene =
                g_.defaultScene >= 0 && static_cast<std::size_t>(g_.defaultScene) < g_.scenes.size()
                    ? static_cast<std::size_t>(g_.defaultScene)
                    : 0;
            roots = g_.scenes[scene].nodes;
        } else {
            // No scene: every node that is nobody's child.
            std::vector<bool> child(g_.nodes.size(), false);
            for (const auto& n : g_.nodes)
                for (int c : n.children)
                    if (c >= 0 && static_cast<std::size_t>(c) < child.size()) child[c] = true;
            for (std::size_t i = 0; i < g_.nodes.size(); ++i)
                if (!child[i]) roots.push_back(static_cast<int>(i));
        }
        for (int r : roots) visit(r, kIdentity, 0);
    }

    std::size_t faces() const { return faces_; }

    // Everything that was passed over, one line each.
    std::vector<std::string> problems() const {
        std::vector<std::string> out;
        if (skippedPrimitives_)
            out.push_back(format("%zu mesh parts drawn as points or lines, or with data that cannot be read, "
                                 "were left out.",
                                 skippedPrimitives_));
        if (droppedTriangles_)
            out.push_back(format("%zu triangles that name a missing corner, or have two corners at one "
                                 "place, were left out.",
                                 droppedTriangles_));
        if (deepNodes_) out.push_back("Nodes nested too deeply were left out.");
        for (const std::string& t : textureUi_.texts) out.push_back(t);
        return out;
    }

private:
    void visit(int node, const Matrix& parent, int depth) {
        if (node < 0 || static_cast<std::size_t>(node) >= g_.nodes.size()) return;
        if (depth > kMaxNodeDepth || ++visits_ > kMaxNodeVisits) {
            deepNodes_ = true;
            return;
        }
        const tinygltf::Node& n = g_.nodes[node];
        const Matrix world = multiply(parent, localMatrix(n));
        if (n.mesh >= 0 && static_cast<std::size_t>(n.mesh) < g_.meshes.size()) {
            const tinygltf::Mesh& mesh = g_.meshes[n.mesh];
            solid_ = model_.addSolid(!n.name.empty() ? n.name : mesh.name);
            corners_.clear();
            for (const tinygltf::Primitive& p : mesh.primitives) addPrimitive(p, world);
        }
        for (int c : n.children) visit(c, world, depth + 1);
    }

    void addPrimitive(const tinygltf::Primitive& p, const Matrix& world) {
        const int mode = p.mode < 0 ? kModeTriangles : p.mode;
        const auto position = p.attributes.find("POSITION");
        View positions, indices, uvs;
        if ((mode != kModeTriangles && mode != kModeStrip && mode != kModeFan) || position == p.attributes.end() ||
            !viewOf(g_, position->second, TINYGLTF_TYPE_VEC3, positions) ||
            positions.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT) {
            ++skippedPrimitives_;
            return;
        }
        const bool indexed = p.indices >= 0;
        if (indexed && (!viewOf(g_, p.indices, TINYGLTF_TYPE_SCALAR, indices) || !isIndexType(indices.componentType))) {
            ++skippedPrimitives_;
            return;
        }
        const int material = materialFor(p.material);
        const Material* m = material >= 0 ? model_.materials[material].get() : nullptr;
        bool textured = false;
        if (m && m->hasTexture) {
            const int set = g_.materials[p.material].pbrMetallicRoughness.baseColorTexture.texCoord;
            const auto uv = p.attributes.find("TEXCOORD_" + std::to_string(set));
            textured = uv != p.attributes.end() && viewOf(g_, uv->second, TINYGLTF_TYPE_VEC2, uvs) &&
                       uvs.count >= positions.count;
            if (textured) model_.bTextureCoodinates = true;
        }
        const std::size_t count = indexed ? indices.count : positions.count;
        auto corner = [&](std::size_t i, std::size_t& out) {
            out = indexed ? static_cast<std::size_t>(indices.component(i, 0)) : i;
            return out < positions.count;
        };
        const std::size_t triangles = mode == kModeTriangles ? count / 3 : (count >= 3 ? count - 2 : 0);
        // Each position of the primitive is placed and looked up once, however many triangles
        // share it.
        vertexOf_.assign(positions.count, nullptr);
        // Distinct positions are at most the primitive's positions and at most its corners.
        corners_.reserve(corners_.size() + std::min(positions.count, 3 * triangles));
        auto cornersOf = [&](std::size_t t, std::size_t* k) {
            std::size_t at[3];
            if (mode == kModeTriangles) at[0] = 3 * t, at[1] = 3 * t + 1, at[2] = 3 * t + 2;
            else if (mode == kModeStrip) at[0] = t, at[1] = t % 2 ? t + 2 : t + 1, at[2] = t % 2 ? t + 1 : t + 2;
            else at[0] = 0, at[1] = t + 1, at[2] = t + 2;
            return corner(at[0], k[0]) && corner(at[1], k[1]) && corner(at[2], k[2]);
        };
        auto placed = [&](std::size_t i) {
            return transform(world, positions.component(i, 0), positions.component(i, 1), positions.component(i, 2));
        };
        // The table slots of positions met for the first time a few dozen triangles ahead are
        // fetched before they are needed: each is a wait on memory otherwise.
        constexpr std::size_t kAhead = 16;
        for (std::size_t t = 0; t < triangles; ++t) {
            if ((t & 4095) == 0) progress_.update(0);
            std::size_t k[3];
            if (t + kAhead < triangles && cornersOf(t + kAhead, k))
                for (std::size_t i : k)
                    if (!vertexOf_[i]) corners_.prefetch(placed(i));
            if (!cornersOf(t, k)) {
                ++droppedTriangles_;
                continue;
            }
            Vertex* v[3];
            for (int c = 0; c < 3; ++c) {
                Vertex*& known = vertexOf_[k[c]];
                if (!known) known = vertexAt(placed(k[c]));
                v[c] = known;
            }
            if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) {
                ++droppedTriangles_;
                continue;
            }
            Face* face = solid_->addFace(material);
            face->halfedges.reserve(3);
            for (int c = 0; c < 3; ++c) {
                // glTF measures v down from the top of the picture, as the texture rows run.
                TexCoord* tc = textured ? solid_->addTexCoord(uvs.component(k[c], 0), uvs.component(k[c], 1)) : nullptr;
                face->addCorner(v[c], tc);
            }
            ++faces_;
        }
    }

    Vertex* vertexAt(const Point3& p) { return corners_.at(*solid_, p); }

    // The model's material for glTF material `index`, made on first use; -1 for none.
    int materialFor(int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= g_.materials.size()) return -1;
        const auto found = materials_.find(index);
        if (found != materials_.end()) return found->second;
        const tinygltf::Material& gm = g_.materials[index];
        Material* m = model_.addMaterial();
        m->name = gm.name.empty() ? "material" + std::to_string(index) : gm.name;
        const std::vector<double>& f = gm.pbrMetallicRoughness.baseColorFactor;
        if (f.size() >= 3) {
            m->setColor(static_cast<float>(f[0]), static_cast<float>(f[1]), static_cast<float>(f[2]));
            m->colorGiven = true;
        }
        attachTexture(*m, gm.pbrMetallicRoughness.baseColorTexture.index);
        const int ours = static_cast<int>(model_.materials.size()) - 1;
        materials_.emplace(index, ours);
        return ours;
    }

    void attachTexture(Material& m, int texture) {
        if (texture < 0 || static_cast<std::size_t>(texture) >= g_.textures.size()) return;
        const int source = g_.textures[texture].source;
        if (source < 0 || static_cast<std::size_t>(source) >= g_.images.size()) return;
        const tinygltf::Image& image = g_.images[source];
        const std::string name = !image.uri.empty() && image.uri.rfind("data:", 0) != 0
                                     ? image.uri
                                     : (!image.name.empty() ? image.name : "image" + std::to_string(source));
        const std::vector<unsigned char>& bytes = image.image;
        ImageFormat kind = ImageFormat::Bmp;
        if (bytes.size() >= 4 && bytes[0] == 0x89 && bytes[1] == 'P') kind = ImageFormat::Png;
        else if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) kind = ImageFormat::Jpeg;
        const std::size_t before = textureUi_.texts.size();
        auto decoded = bytes.empty() ? nullptr
                                     : loadTextureImageData({bytes.data(), bytes.size()}, kind,
                                                            ctx_.textureSizeLimit, textureUi_);
        if (!decoded) {
            textureUi_.texts.resize(before);
            textureUi_.texts.push_back(format_(name));
            return;
        }
        m.texture = std::move(decoded);
        m.hasTexture = true;
        m.textureFile = name;
    }

    static std::string format_(const std::string& name) {
        return format("The texture %s could not be read; its material keeps its colour.", name.c_str());
    }

    const tinygltf::Model& g_;
    Model& model_;
    const ReadContext& ctx_;
    LoadProgress& progress_;
    CollectingUi textureUi_;
    Solid* solid_ = nullptr;
    ExactVertices corners_;
    std::vector<Vertex*> vertexOf_;  // the vertex of each position of the current primitive
    std::unordered_map<int, int> materials_;
    std::size_t faces_ = 0, skippedPrimitives_ = 0, droppedTriangles_ = 0;
    int visits_ = 0;
    bool deepNodes_ = false;
};

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

int readGltfData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                 const ReadContext& ctx) {
    return runGuarded([&]() -> int {
        if (data.empty() || data.size() > 0xFFFFFFFFu) return kReadFailed;
        LoadProgress progress(static_cast<long long>(data.size()), ctx.ui.progress());
        tinygltf::TinyGLTF loader;
        loader.SetImageLoader(keepImageBytes, nullptr);
        tinygltf::Model g;
        std::string error, warning;
        const bool binary = data.size() >= 4 && std::memcmp(data.data(), "glTF", 4) == 0;
        const bool loaded =
            binary ? loader.LoadBinaryFromMemory(&g, &error, &warning, data.data(),
                                                 static_cast<unsigned int>(data.size()), folderOf(path))
                   : loader.LoadASCIIFromString(&g, &error, &warning, reinterpret_cast<const char*>(data.data()),
                                                static_cast<unsigned int>(data.size()), folderOf(path));
        if (!loaded) {
            while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
            progress.close();
            ctx.ui.show(format("Cannot read the glTF file \"%s\": %s", path.c_str(),
                               error.empty() ? "it is not valid glTF 2.0" : error.c_str()),
                        MessageIcon::Error);
            return kReadFailedReported;
        }
        SceneReader reader(g, model, ctx, progress);
        reader.run();
        if (reader.faces() == 0) return kReadFailed;
        progress.constructing();
        const bool ok = finishSolids(model, kAreaThreshold);
        progress.close();
        if (!ok) return kReadFailed;
        const std::vector<std::string> problems = reader.problems();
        if (!problems.empty()) {
            std::string text = format("Parts of \"%s\" could not be read:", path.c_str());
            for (const std::string& p : problems) text += "\n" + p;
            ctx.ui.show(text, MessageIcon::Warning);
        }
        return kReadOk;
    });
}

int readGltf(const std::string& path, Model& model, const ReadContext& ctx) {
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, bytes)) return kReadFailed;
    return readGltfData(bytes, path, model, ctx);
}

}  // namespace plikatra
