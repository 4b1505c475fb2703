// HexaKing Super model files: a big-endian binary scene of nested groups with 4 × 4 matrices
// whose leaves are triangle shapes with texture coordinates, materials and embedded images.
//
// Every shape becomes two solids: A, the shape as stored, and B, its mirror image across the
// model's symmetry plane with its faces reversed so that both keep the same orientation. B
// survives only when the file says the model is mirrored. The file is read into memory at
// once; every count is checked against the bytes that remain before anything is allocated or
// looped over, and a read past the end fails the load.
#include "import/hexaking_reader.h"
#include "base/byte_cursor.h"
#include "base/file_io.h"


#include <algorithm>
#include <array>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/progress.h"
#include "base/ui.h"
#include "base/load_progress.h"
#include "base/read_result.h"
#include "import/reader_guard.h"
#include "model/construction.h"
#include "textures/texture_image.h"

namespace plikatra {

namespace {

// File units to model units.
constexpr double kScale = 0.1;
// Bit of an edge record's flag word that asks for the edge to be cut.
constexpr std::int32_t kCutBit = 1 << 5;
constexpr std::int64_t kSectionRecordSize = 184;
constexpr std::int64_t kNameRecordSize = 256;
// Bytes between the node tree and the mirror value.
constexpr std::int64_t kBodyGap = 4 + 8 + 4 + 48;

// Smallest record sizes without extension blocks; they bound every count by the file size.
constexpr std::int64_t kVertexSize = 4 + 3 * 8 + 52;
constexpr std::int64_t kEdgeSize = 4 + 2 * 4 + 24 + 4 + 4 + 4 + 4;
constexpr std::int64_t kFaceSize = 4 + 3 * 4 + 12 + 4 + 4 + 4;
constexpr std::int64_t kMaterialSize = 4 + 10 * 8 + 8 + 4;
constexpr std::int64_t kTailEntrySize = 8;

using EdgeMark = HexaKingEdgeMark;

// A 4 × 4 matrix stored column after column: a point p maps to
// q_row = sum over col of m[col * 4 + row] * p_col, translation in m[12..14].
using Matrix = std::array<double, 16>;

// a · b: the transform that applies b first, then a.
Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix c{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[col * 4 + k];
            c[col * 4 + row] = sum;
        }
    return c;
}

// A colour component in single precision. A damaged file can hold any double, and narrowing
// one beyond the float range is undefined, so those are held at the range's ends.
float toFloat(double d) { return static_cast<float>(std::clamp<double>(d, -FLT_MAX, FLT_MAX)); }

// A power of two that the texture form can hold as it stands.
bool isTexturePower(int n) {
    for (int p = kMinTextureSide; p <= 32768; p *= 2)
        if (n == p) return true;
    return false;
}

class HexaKingReader {
public:
    HexaKingReader(Model& model, std::span<const std::uint8_t> data, LoadProgress& progress,
                   const ReadContext& ctx, HexaKingEdgeMarks* marksOut)
        : model_(model), src_(data, false), progress_(progress), ctx_(ctx), marksOut_(marksOut) {}

    int run() {
        readVersion();
        src_.skip(4);
        readNodeTree();
        src_.skip(kBodyGap);
        if (src_.i32() != 1) removeMirrorCopies();
        bool named = false;
        if (version_ < -1) {
            src_.i32();
            const std::int32_t flags = src_.i32();
            named = flags > 0 && flags % 2 == 1;
        }
        skipExtension();
        if (version_ < -1) {
            const std::int64_t n =
                src_.records(src_.i32(), kSectionRecordSize + extensionSize());
            for (std::int64_t i = 0; i < n; ++i) {
                src_.skip(kSectionRecordSize);
                skipExtension();
            }
            if (named) readNames();
        }

        progress_.constructing();
        dropUnknownMaterials();
        const bool built = construct();
        progress_.close();
        if (!built) return kReadFailed;
        if (marksOut_) *marksOut_ = std::move(marks_);
        return kReadOk;
    }

private:
    // A shape kept in the model: its solid and its mirror image (null once removed).
    struct Twin {
        Solid* a;
        Solid* b;
    };

    // A group whose children are being read.
    struct Frame {
        Matrix matrix;  // composed down from the root
        std::int64_t count;
        std::int64_t read;
    };

    void step() { progress_.update(src_.tell()); }

    // A non-negative first value is already part of the body of a file without version word.
    void readVersion() {
        const std::int32_t first = src_.i32();
        if (first >= 0) {
            version_ = 0;
            src_.seek(0);
        } else {
            version_ = first;
        }
    }

    bool hasExtensions() const { return version_ < -4; }
    std::int64_t extensionSize() const { return hasExtensions() ? 4 : 0; }

    void skipExtension() {
        if (hasExtensions()) src_.skip(src_.i32());
    }

    Matrix readTransform() {
        const std::int32_t number = src_.i32();
        objectNumber_ = std::max(number % 65536 - 2, 0);
        Matrix m;
        for (double& v : m) v = src_.f64();
        // The stored value is not a usable homogeneous scale; composition needs an affine 1.
        m[15] = 1.0;
        skipExtension();
        return m;
    }

    // Every child node takes at least its 4-byte code.
    std::int64_t readChildCount() { return src_.records(src_.i32(), 4); }

    // The tree is walked with an explicit stack instead of recursion, so nesting depth costs
    // no call stack; each frame stands for at least one group header of the file, which bounds
    // the stack by the file size.
    void readNodeTree() {
        std::vector<Frame> stack;
        step();
        const Matrix root = readTransform();
        stack.push_back({root, readChildCount(), 0});
        popFinished(stack);
        while (!stack.empty()) {
            step();
            const std::int32_t code = src_.i32();
            ++stack.back().read;
            const Matrix parent = stack.back().matrix;
            switch (code) {
            case 1:
            case 3:
                readTransform();
                break;
            case 2: {
                const Matrix local = readTransform();
                const std::int64_t count = readChildCount();
                stack.push_back({multiply(parent, local), count, 0});
                break;
            }
            case 4:
                readShape(parent, true);
                break;
            case 6:
                readShape(parent, false);
                break;
            default:
                break;  // an unknown node carries nothing we know how to skip
            }
            popFinished(stack);
        }
    }

    static void popFinished(std::vector<Frame>& stack) {
        while (!stack.empty() && stack.back().read >= stack.back().count) stack.pop_back();
    }

    // A discarded shape is read in full to stay in step with the file; its solids are thrown
    // away, while its materials stay, since later material numbers count them.
    void readShape(const Matrix& parent, bool keep) {
        const Matrix m = multiply(parent, readTransform());
        src_.skip(4);
        src_.i32();
        auto a = std::make_unique<Solid>();
        auto b = std::make_unique<Solid>();
        a->index = b->index = objectNumber_;
        src_.skip(8);

        readVertices(*a, *b, m);
        readEdgeMarks(keep ? a.get() : nullptr, keep ? b.get() : nullptr,
                      static_cast<int>(a->vertices.size()));
        readFaces(*a, *b);
        readMaterials();
        skipShapeTail();

        if (!keep) return;
        twins_.push_back({a.get(), b.get()});
        model_.solids.push_back(std::move(a));
        model_.solids.push_back(std::move(b));
    }

    void readVertices(Solid& a, Solid& b, const Matrix& m) {
        const std::int64_t n = src_.records(src_.i32(), kVertexSize + extensionSize());
        a.vertices.reserve(static_cast<std::size_t>(n));
        b.vertices.reserve(static_cast<std::size_t>(n));
        for (std::int64_t i = 0; i < n; ++i) {
            step();
            src_.i32();
            const double x = src_.f64();
            const double y = src_.f64();
            const double z = src_.f64();
            src_.skip(52);
            skipExtension();
            const double q0 = m[0] * x + m[4] * y + m[8] * z + m[12];
            const double q1 = m[1] * x + m[5] * y + m[9] * z + m[13];
            const double q2 = m[2] * x + m[6] * y + m[10] * z + m[14];
            a.addVertex(kScale * -q0, kScale * q1, kScale * -q2);
            b.addVertex(kScale * q0, kScale * q1, kScale * -q2);
        }
    }

    // Marks naming a vertex the shape does not have are dropped: they cannot name an edge.
    // Only marks that change something are kept.
    void readEdgeMarks(Solid* a, Solid* b, int vertexCount) {
        const std::int64_t recordSize = kEdgeSize + (version_ < 0 ? 4 : 0) + extensionSize();
        const std::int64_t n = src_.records(src_.i32(), recordSize);
        for (std::int64_t i = 0; i < n; ++i) {
            step();
            src_.skip(4);
            const std::int32_t from = src_.i32();
            const std::int32_t to = src_.i32();
            src_.skip(24);
            src_.i32();
            const std::int32_t flags = src_.i32();
            src_.skip(4);
            src_.i32();
            if (version_ < 0) src_.skip(4);
            skipExtension();

            const bool cut = (flags & kCutBit) != 0;
            const int mark = (flags >> 16) & 0xFF;
            if (!a || !(cut || mark > 1)) continue;
            if (from < 0 || from >= vertexCount || to < 0 || to >= vertexCount) continue;
            marks_.push_back({a, from, to, cut, mark});
            marks_.push_back({b, from, to, cut, mark});
        }
    }

    // A face naming a vertex the shape does not have is read and dropped, with its texture
    // coordinates; the rest of the shape stays.
    void readFaces(Solid& a, Solid& b) {
        const std::int64_t n = src_.records(src_.i32(), kFaceSize + extensionSize());
        const auto vertexCount = static_cast<std::int64_t>(a.vertices.size());
        a.faces.reserve(static_cast<std::size_t>(n));
        b.faces.reserve(static_cast<std::size_t>(n));
        for (std::int64_t i = 0; i < n; ++i) {
            step();
            src_.i32();
            std::int32_t corner[3];
            for (std::int32_t& c : corner) c = src_.i32();
            src_.skip(12);
            const std::int64_t material = materialBase_ + src_.i32();
            const bool textured = src_.i32() != 0;
            double uv[3][2] = {};
            if (textured)
                for (auto& c : uv) {
                    c[0] = src_.f64();
                    c[1] = src_.f64();
                }
            src_.i32();
            skipExtension();

            bool valid = true;
            for (std::int32_t c : corner) valid = valid && c >= 0 && c < vertexCount;
            if (!valid) continue;
            const int materialIndex =
                material >= INT_MIN && material <= INT_MAX ? static_cast<int>(material) : -1;
            Face* fa = a.addFace(materialIndex);
            Face* fb = b.addFace(materialIndex);
            TexCoord* tc[3] = {};
            if (textured) {
                model_.bTextureCoodinates = true;
                for (int k = 0; k < 3; ++k) tc[k] = a.addTexCoord(uv[k][0], 1.0 - uv[k][1]);
            }
            for (int k = 0; k < 3; ++k) fa->addCorner(a.vertices[corner[k]].get(), tc[k]);
            for (int k = 2; k >= 0; --k) fb->addCorner(b.vertices[corner[k]].get(), tc[k]);
        }
    }

    void readMaterials() {
        const std::int64_t n = src_.records(src_.i32(), kMaterialSize + extensionSize());
        materialBase_ += n;
        for (std::int64_t i = 0; i < n; ++i) {
            step();
            src_.i32();
            double d[10];
            for (double& v : d) v = src_.f64();
            src_.skip(8);
            Material* m = model_.addMaterial();
            m->colorGiven = true;
            m->ambient = {toFloat(d[0]), toFloat(d[1]), toFloat(d[2]), 1.0f};
            m->diffuse = {toFloat(d[3]), toFloat(d[4]), toFloat(d[5]), 1.0f};
            m->flatColor = {toFloat(d[3]), toFloat(d[4]), toFloat(d[5])};
            m->emission = {0, 0, 0, 1};
            m->specular = {0, 0, 0, 1};
            m->shininess = 0.0f;
            if (src_.i32() != 0) readTexture(*m);
            skipExtension();
        }
    }

    // An image without pixels (width or height not positive) leaves the material untextured;
    // there is nothing to scale from.
    void readTexture(Material& material) {
        src_.i32();
        src_.i32();
        const std::int32_t width = src_.i32();
        const std::int32_t height = src_.i32();
        if (width <= 0 || height <= 0) return;
        const std::int64_t rowBytes = std::int64_t(width) * 4;
        if (height > src_.remaining() / rowBytes) throw import_exception{kShortRead};

        auto image = std::make_unique<TextureImage>();
        image->width = width;
        image->height = height;
        image->pixels.resize(std::size_t(width) * std::size_t(height) * 3);
        std::uint8_t* out = image->pixels.data();
        for (std::int32_t row = 0; row < height; ++row) {
            step();
            const std::uint8_t* in = src_.take(rowBytes);
            for (std::int32_t x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = in[1];
                out[1] = in[2];
                out[2] = in[3];
            }
        }

        const int natural = textureSide(width, height, INT_MAX);
        const int side = std::min(natural, ctx_.textureSizeLimit);
        const bool keepAsStored =
            side == natural && (isTexturePower(width) || isTexturePower(height));
        material.texture = std::move(image);
        material.hasTexture = true;
        if (!keepAsStored) fitTextureImage(material, side);
    }

    void skipShapeTail() {
        const std::int64_t n = src_.records(src_.i32(), kTailEntrySize + extensionSize());
        for (std::int64_t i = 0; i < n; ++i) {
            src_.skip(kTailEntrySize);
            skipExtension();
        }
        for (int list = 0; list < 2; ++list) src_.skip(std::int64_t(src_.i32()) * 4);
        src_.skip(4);
        skipExtension();
    }

    void removeMirrorCopies() {
        std::unordered_set<const Solid*> copies;
        for (Twin& t : twins_) {
            copies.insert(t.b);
            t.b = nullptr;
        }
        std::erase_if(model_.solids,
                      [&](const std::unique_ptr<Solid>& s) { return copies.count(s.get()) != 0; });
        std::erase_if(marks_, [&](const EdgeMark& m) { return copies.count(m.solid) != 0; });
    }

    // Names are a length byte and that many characters inside a fixed record, so a name can
    // never run past its record; a NUL inside ends it as it would a C string.
    void readNames() {
        src_.i32();
        const std::int32_t hidden = src_.i32();
        const std::int32_t count = src_.i32();
        const std::int32_t skipBytes = src_.i32();
        if (hidden != 0) {
            src_.skip(skipBytes);
            return;
        }
        const std::int64_t n = src_.records(count, kNameRecordSize);
        std::vector<std::string> names(static_cast<std::size_t>(n));
        for (auto& name : names) {
            const std::uint8_t* record = src_.take(kNameRecordSize);
            const char* chars = reinterpret_cast<const char*>(record + 1);
            name.assign(chars, strnlen(chars, record[0]));
        }
        std::vector<int> total(names.size(), 0);
        for (auto& s : model_.solids)
            if (s->index >= 0 && s->index < n) ++total[s->index];
        std::vector<int> running(names.size(), 0);
        for (auto& s : model_.solids) {
            if (s->index < 0 || s->index >= n) continue;
            const std::string& name = names[s->index];
            s->name = total[s->index] == 1 ? name
                                           : format("%s (%d/%d)", name.c_str(), ++running[s->index],
                                                    total[s->index]);
        }
    }

    // Material numbers come from the file; one that names no material falls back to the
    // default material so that nothing indexes outside the material list.
    void dropUnknownMaterials() {
        const auto count = static_cast<int>(model_.materials.size());
        for (auto& s : model_.solids)
            for (auto& f : s->faces)
                if (f->materialIndex < -1 || f->materialIndex >= count) f->materialIndex = -1;
    }

    // The mirror image's corners share A's texture coordinates. Construction destroys a solid
    // that loses all its faces, and rounding can leave A's faces below the area threshold
    // while B's pass; the records are held aside meanwhile and given to whichever of the two
    // survives.
    bool construct() {
        std::vector<std::vector<std::unique_ptr<TexCoord>>> held(twins_.size());
        for (std::size_t i = 0; i < twins_.size(); ++i)
            if (twins_[i].b) held[i] = std::move(twins_[i].a->texCoords);

        const bool built = finishSolids(model_, kAreaThreshold);

        std::unordered_set<const Solid*> alive;
        for (auto& s : model_.solids) alive.insert(s.get());
        for (std::size_t i = 0; i < twins_.size(); ++i) {
            if (!twins_[i].b) continue;
            if (alive.count(twins_[i].a))
                twins_[i].a->texCoords = std::move(held[i]);
            else if (alive.count(twins_[i].b))
                twins_[i].b->texCoords = std::move(held[i]);
        }
        std::erase_if(marks_, [&](const EdgeMark& m) { return alive.count(m.solid) == 0; });
        return built;
    }

    Model& model_;
    ByteCursor src_;
    LoadProgress& progress_;
    const ReadContext& ctx_;
    HexaKingEdgeMarks* marksOut_;
    int version_ = 0;
    int objectNumber_ = -1;
    std::int64_t materialBase_ = 0;
    std::vector<Twin> twins_;
    std::vector<EdgeMark> marks_;
};

struct VertexPairHash {
    std::size_t operator()(const std::pair<const Vertex*, const Vertex*>& p) const {
        const std::size_t h = std::hash<const Vertex*>()(p.first);
        return h ^
               (std::hash<const Vertex*>()(p.second) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
    }
};

// Splits a paired edge: the first halfedge keeps the edge, the second gets a new open edge.
void cutEdge(Solid& solid, Edge& edge) {
    Halfedge* second = edge.b;
    auto open = std::make_unique<Edge>();
    open->a = second;
    open->va = second->origin;
    open->vb = second->next->origin;
    second->edge = open.get();
    second->pair = nullptr;
    edge.a->pair = nullptr;
    edge.b = nullptr;
    edge.vb = edge.a->next->origin;
    edge.foldAngle = -1.0;
    solid.edges.push_back(std::move(open));
}

}  // namespace

int readHexaKingData(std::span<const std::uint8_t> data, Model& model, const ReadContext& ctx,
                     HexaKingEdgeMarks* marks) {
    if (marks) marks->clear();
    return runGuarded([&]() -> int {
        if (data.empty()) return kReadFailed;
        LoadProgress progress(static_cast<long long>(data.size()), ctx.ui.progress());
        HexaKingReader reader(model, data, progress, ctx, marks);
        return reader.run();
    });
}

int readHexaKing(const std::string& path, Model& model, const ReadContext& ctx,
                 HexaKingEdgeMarks* marks) {
    if (marks) marks->clear();
    std::vector<std::uint8_t> data;
    if (!readWholeFile(path, data)) return kReadFailed;
    return readHexaKingData(data, model, ctx, marks);
}

void finishHexaKingModel(Model& model, const HexaKingEdgeMarks& marks) {
    using Key = std::pair<const Vertex*, const Vertex*>;
    using EdgeIndex = std::unordered_map<Key, Edge*, VertexPairHash>;
    auto keyOf = [](const Vertex* p, const Vertex* q) {
        return std::less<const Vertex*>()(p, q) ? Key{p, q} : Key{q, p};
    };
    std::unordered_set<const Solid*> alive;
    for (auto& s : model.solids) alive.insert(s.get());
    std::unordered_map<const Solid*, EdgeIndex> indexes;

    for (const EdgeMark& m : marks) {
        if (!alive.count(m.solid)) continue;
        Solid& solid = *m.solid;
        const auto vertexCount = static_cast<int>(solid.vertices.size());
        if (m.from >= vertexCount || m.to >= vertexCount) continue;
        auto [slot, added] = indexes.try_emplace(&solid);
        EdgeIndex& byEnds = slot->second;
        // The first edge joining two vertices wins, as a search in list order would find.
        if (added)
            for (auto& e : solid.edges) byEnds.emplace(keyOf(e->va, e->vb), e.get());
        const auto it =
            byEnds.find(keyOf(solid.vertices[m.from].get(), solid.vertices[m.to].get()));
        if (it == byEnds.end()) continue;
        Edge& edge = *it->second;
        if (m.cut && edge.a && edge.b)
            cutEdge(solid, edge);
        else if (m.mark > 1)
            edge.kind = kEdgeCut;
    }
}

}  // namespace plikatra
