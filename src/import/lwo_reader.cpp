// LWO object files: an IFF FORM of type LWOB (the older layout) or LWO2.
//
// The whole object becomes one solid. Points are scaled by 100 with z negated, polygons keep
// their surface as a material index and are stored with their corners reversed, which turns
// the file's clockwise winding into our counter-clockwise one.
#include "import/lwo_reader.h"
#include "base/file_io.h"

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "base/byte_cursor.h"
#include "base/read_result.h"
#include "import/reader_guard.h"
#include "model/construction.h"

namespace plikatra {

namespace {

constexpr std::uint32_t fourCc(const char (&s)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[3]));
}

constexpr std::uint32_t kForm = fourCc("FORM");
constexpr std::uint32_t kLwob = fourCc("LWOB");
constexpr std::uint32_t kLwo2 = fourCc("LWO2");
constexpr std::uint32_t kLwlo = fourCc("LWLO");
constexpr std::uint32_t kPnts = fourCc("PNTS");
constexpr std::uint32_t kPols = fourCc("POLS");
constexpr std::uint32_t kPchs = fourCc("PCHS");
constexpr std::uint32_t kSrfs = fourCc("SRFS");
constexpr std::uint32_t kSurf = fourCc("SURF");
constexpr std::uint32_t kTags = fourCc("TAGS");
constexpr std::uint32_t kPtag = fourCc("PTAG");
constexpr std::uint32_t kVmap = fourCc("VMAP");
constexpr std::uint32_t kVmad = fourCc("VMAD");
constexpr std::uint32_t kLayr = fourCc("LAYR");
constexpr std::uint32_t kFace = fourCc("FACE");
constexpr std::uint32_t kPtch = fourCc("PTCH");
constexpr std::uint32_t kTxuv = fourCc("TXUV");
constexpr std::uint32_t kColr = fourCc("COLR");
constexpr std::uint32_t kDiff = fourCc("DIFF");
constexpr std::uint32_t kLumi = fourCc("LUMI");
// The specularity sub-chunk, whose four letters are the first four of that word.
constexpr std::uint32_t kSpecularity = 0x53504543u;

// File units to model units.
constexpr float kScale = 100.0f;
// Size of a sub-chunk header inside a surface: id and 16-bit length.
constexpr std::int64_t kSubHeaderSize = 6;

class LwoReader {
public:
    LwoReader(std::span<const std::uint8_t> data, Model& model) : in_(data, false), model_(model) {}

    // The older layout keeps a file that ends before its form does; true after such a read.
    bool cutShort() const { return cutShort_; }

    int run() {
        if (readUInt32() != kForm) return kReadFailed;
        const std::uint32_t formLength = readUInt32();
        const std::uint32_t type = readUInt32();
        if (type != kLwob && type != kLwo2) return kReadFailed;  // LWLO included
        lwob_ = type == kLwob;

        solid_ = model_.addSolid();
        std::int64_t budget = static_cast<std::int64_t>(formLength) - 4;
        while (budget > 0) {
            // The form promises more than the file holds: the older layout keeps what was
            // read, as its zero-length end marker allows, and the user is told that the file
            // ends early; LWO2 counts it as truncated.
            if (tell() == rangeEnd()) {
                if (!lwob_) return kReadFailed;
                cutShort_ = true;
                break;
            }
            const std::int64_t length = nextChunk();
            if (lwob_ && length == 0) break;
            // A chunk reaching past the end of the file is a truncated file; checking it here
            // also bounds every count derived from a chunk length by the bytes that exist.
            if (chunkEnd() > fileSize()) return kReadFailed;
            handleChunk();
            budget -= length + 8;
            skipChunk();
        }

        // The older layout numbers surfaces freely; a number without a name falls back to the
        // default material so that no face refers outside the material list.
        const auto materialCount = static_cast<int>(model_.materials.size());
        for (auto& f : solid_->faces)
            if (f->materialIndex >= materialCount) f->materialIndex = -1;

        return finishSolids(model_, kAreaThreshold) ? kReadOk : kReadFailed;
    }

private:
    // ---- Reading, all of it bounded by the data.
    std::uint8_t readByte() { return in_.u8(); }
    std::uint16_t readUInt16() { return in_.u16(); }
    std::uint32_t readUInt32() { return in_.u32(); }
    float readFloat() { return in_.f32(); }
    std::int64_t tell() const { return in_.tell(); }
    void seek(std::int64_t pos) { in_.seek(pos); }
    std::int64_t fileSize() const { return in_.size(); }
    std::int64_t rangeEnd() const { return in_.size(); }
    std::int64_t chunkEnd() const { return chunkStart_ + chunkLength_; }
    std::int64_t chunkLength() const { return chunkLength_; }

    // 0 at the end of the data; otherwise reads a chunk header (id and 32-bit length),
    // remembers where the chunk's data starts and returns its length.
    std::int64_t nextChunk() {
        if (tell() == rangeEnd()) return 0;
        chunkId_ = readUInt32();
        chunkLength_ = readUInt32();
        chunkStart_ = tell();
        return chunkLength_;
    }
    // Positions after the current chunk's data.
    void skipChunk() { seek(chunkStart_ + chunkLength_); }

    void handleChunk() {
        switch (chunkId_) {
        case kPnts: readPoints(); break;
        case kPols:
            if (lwob_) readLwobPolygons();
            else readLwo2Polygons();
            break;
        case kPchs:
            if (lwob_) readLwobPolygons();
            break;
        case kSrfs:
            if (lwob_) readNames();
            break;
        case kTags:
            if (!lwob_) readNames();
            break;
        case kSurf:
            if (lwob_) readLwobSurface();
            else readLwo2Surface();
            break;
        case kPtag:
            if (!lwob_) readPolygonTags();
            break;
        case kVmap:
            if (!lwob_) readVertexMap();
            break;
        case kVmad:
            if (!lwob_) readDiscontinuousMap();
            break;
        case kLayr:
            // Indices in a layer count from that layer's first point and polygon; keeping
            // the bases lets later layers refer to their own points in the combined solid.
            if (!lwob_) {
                vertexBase_ = solid_->vertices.size();
                faceBase_ = polygons_.size();
            }
            break;
        default: break;
        }
    }

    // A name ends at its NUL, padded to an even length. It never runs past the chunk: a
    // name without its NUL ends at the chunk's end, which bounds its size by the file.
    std::string readName() {
        std::string name;
        const std::int64_t end = chunkEnd();
        while (tell() < end) {
            const std::uint8_t c = readByte();
            if (c == 0) {
                if (name.size() % 2 == 0 && tell() < end) readByte();
                break;
            }
            name.push_back(static_cast<char>(c));
        }
        return name;
    }

    // A variable-length index: below 0xFF00 the value itself, otherwise a 24-bit value in
    // the low byte and the following word.
    std::size_t readIndex() {
        const std::uint16_t v = readUInt16();
        if (v < 0xFF00) return v;
        return static_cast<std::size_t>(v & 0xFF) << 16 | readUInt16();
    }

    void readPoints() {
        // The chunk was checked against the file size, so the count is bounded by it.
        const std::int64_t count = chunkLength() / 12;
        solid_->vertices.reserve(solid_->vertices.size() + static_cast<std::size_t>(count));
        for (std::int64_t i = 0; i < count; ++i) {
            const float x = readFloat();
            const float y = readFloat();
            const float z = readFloat();
            // Scaled in single precision, so a stored 0.01 becomes exactly 1.
            solid_->addVertex(x * kScale, y * kScale, -(z * kScale));
        }
    }

    void readNames() {
        while (tell() < chunkEnd()) {
            std::string name = readName();
            model_.addMaterial()->name = name;
            names_.push_back(std::move(name));
        }
    }

    // Appends a face with the corners in reverse file order. A polygon naming a point that
    // does not exist is dropped; it keeps its place in the polygon numbering so that tags
    // and maps of the polygons after it still find theirs.
    void addPolygon(int materialIndex) {
        for (std::size_t i : corners_) {
            if (i >= solid_->vertices.size()) {
                polygons_.push_back(nullptr);
                return;
            }
        }
        Face* face = solid_->addFace(materialIndex);
        face->halfedges.reserve(corners_.size());
        for (auto it = corners_.rbegin(); it != corners_.rend(); ++it)
            face->addCorner(solid_->vertices[*it].get());
        polygons_.push_back(face);
    }

    void readLwobPolygons() {
        const std::int64_t end = chunkEnd();
        while (tell() < end) {
            const std::uint16_t n = readUInt16();
            corners_.clear();
            for (std::uint16_t k = 0; k < n; ++k) corners_.push_back(readUInt16());
            const std::uint16_t surface = readUInt16();
            int materialIndex = static_cast<int>(surface) - 1;
            if (surface & 0x8000) {
                // A negative surface number announces detail polygons: a count, then that
                // many polygons lying on this one. The polygon takes the surface's magnitude;
                // the details are read past and dropped, as they would only double the
                // surface on paper.
                materialIndex = 0x10000 - static_cast<int>(surface) - 1;
                skipDetailPolygons(end);
            }
            addPolygon(materialIndex);
        }
    }

    void skipDetailPolygons(std::int64_t end) {
        long long pending = readUInt16();
        while (pending > 0 && tell() < end) {
            --pending;
            const std::uint16_t n = readUInt16();
            seek(tell() + 2 * static_cast<std::int64_t>(n));
            if (readUInt16() & 0x8000) pending += readUInt16();
        }
    }

    void readLwo2Polygons() {
        const std::uint32_t type = readUInt32();
        if (type != kFace && type != kPtch) return;
        const std::size_t firstFace = solid_->faces.size();
        const std::int64_t end = chunkEnd();
        while (tell() < end) {
            const unsigned n = readUInt16() & 0x3FFu;  // the high six bits are flags
            corners_.clear();
            for (unsigned k = 0; k < n; ++k) corners_.push_back(readIndex() + vertexBase_);
            addPolygon(-1);
        }
        // Texture coordinates of a vertex map read before the polygons go onto their corners.
        if (!hasVertexMap_) return;
        for (std::size_t i = 0; i < solid_->vertices.size(); ++i)
            solid_->vertices[i]->index = static_cast<int>(i);
        for (std::size_t f = firstFace; f < solid_->faces.size(); ++f)
            for (auto& h : solid_->faces[f]->halfedges) {
                const auto number = static_cast<std::size_t>(h->origin->index);
                if (number < vertexUv_.size()) h->texCoord = vertexUv_[number];
            }
    }

    void readPolygonTags() {
        if (readUInt32() != kSurf) return;
        const std::int64_t end = chunkEnd();
        while (tell() < end) {
            const std::size_t polygon = readIndex() + faceBase_;
            const std::uint16_t tag = readUInt16();
            if (polygon < polygons_.size() && polygons_[polygon] && tag < model_.materials.size())
                polygons_[polygon]->materialIndex = tag;
        }
    }

    // Reads the d values of one map entry and keeps the first two; fewer than two leave 0.
    void readUv(std::uint16_t dimension, float& u, float& v) {
        u = v = 0.0f;
        for (std::uint16_t k = 0; k < dimension; ++k) {
            const float value = readFloat();
            if (k == 0) u = value;
            else if (k == 1) v = value;
        }
    }

    void readVertexMap() {
        const std::uint32_t type = readUInt32();
        const std::uint16_t dimension = readUInt16();
        readName();
        if (type != kTxuv) return;
        hasVertexMap_ = true;
        model_.bTextureCoodinates = true;
        // One coordinate per point, (0, 0) for the points the map leaves out. Entries of
        // earlier layers keep their values.
        const std::size_t count = solid_->vertices.size();
        for (std::size_t i = vertexBase_; i < vertexUv_.size(); ++i) *vertexUv_[i] = TexCoord{};
        while (vertexUv_.size() < count) vertexUv_.push_back(solid_->addTexCoord(0.0, 0.0));
        const std::int64_t end = chunkEnd();
        while (tell() < end) {
            const std::size_t vertex = readIndex() + vertexBase_;
            float u, v;
            readUv(dimension, u, v);
            if (vertex < vertexUv_.size()) *vertexUv_[vertex] = TexCoord{u, v};
        }
    }

    void readDiscontinuousMap() {
        const std::uint32_t type = readUInt32();
        const std::uint16_t dimension = readUInt16();
        readName();
        if (type != kTxuv) return;
        const std::int64_t end = chunkEnd();
        while (tell() < end) {
            const std::size_t vertex = readIndex() + vertexBase_;
            const std::size_t polygon = readIndex() + faceBase_;
            float u, v;
            readUv(dimension, u, v);
            if (vertex >= solid_->vertices.size() || polygon >= polygons_.size() || !polygons_[polygon])
                continue;
            const Vertex* origin = solid_->vertices[vertex].get();
            for (auto& h : polygons_[polygon]->halfedges) {
                if (h->origin != origin) continue;
                h->texCoord = solid_->addTexCoord(u, v);
                // A corner now carries a coordinate, which is what the model flag records.
                model_.bTextureCoodinates = true;
                break;
            }
        }
    }

    // Position of the first name equal to `name` (ignoring ASCII case when asked), or -1.
    int findName(const std::string& name, bool ignoreCase) const {
        for (std::size_t k = 0; k < names_.size(); ++k)
            if (ignoreCase ? equalsIgnoreAsciiCase(names_[k], name) : names_[k] == name)
                return static_cast<int>(k);
        return -1;
    }

    // Calls handle(id, length) for each sub-chunk that lies inside the chunk, and positions
    // after each by its own length; a sub-chunk reaching past the chunk ends the list.
    template <typename Handler>
    void forEachSubChunk(Handler handle) {
        const std::int64_t end = chunkEnd();
        while (tell() + kSubHeaderSize <= end) {
            const std::uint32_t id = readUInt32();
            const std::uint16_t length = readUInt16();
            const std::int64_t start = tell();
            if (start + length > end) return;
            handle(id, length);
            seek(start + length);
        }
    }

    void readLwobSurface() {
        const int k = findName(readName(), true);
        if (k < 0) return;
        float r = 0.0f, g = 0.0f, b = 0.0f;
        forEachSubChunk([&](std::uint32_t id, std::uint16_t length) {
            // Only the colour matters; every other attribute is passed by its length. A
            // colour shorter than its three bytes is ignored.
            if (id != kColr || length < 3) return;
            r = readByte() / 255.0f;
            g = readByte() / 255.0f;
            b = readByte() / 255.0f;
        });
        Material& m = *model_.materials[static_cast<std::size_t>(k)];
        m.colorGiven = true;
        m.ambient = m.diffuse = Rgba{r, g, b, 1.0f};
        m.emission = m.specular = Rgba{0.0f, 0.0f, 0.0f, 1.0f};
        m.shininess = 0.0f;
        m.flatColor = Rgb{r, g, b};
    }

    void readLwo2Surface() {
        const int k = findName(readName(), false);
        if (k < 0) return;
        readName();  // the surface it was derived from
        Material& m = *model_.materials[static_cast<std::size_t>(k)];
        // Attributes shorter than their value are ignored; trailing envelope indices are
        // passed by with the rest of the sub-chunk.
        forEachSubChunk([&](std::uint32_t id, std::uint16_t length) {
            if (id == kColr) {
                if (length < 12) return;
                const float r = readFloat();
                const float g = readFloat();
                const float b = readFloat();
                m.flatColor = Rgb{r, g, b};
            } else if (id == kDiff || id == kLumi || id == kSpecularity) {
                if (length < 4) return;
                const float s = readFloat();
                const Rgb& c = m.flatColor;
                const Rgba scaled{s * c.r, s * c.g, s * c.b, s};
                if (id == kDiff) m.diffuse = scaled;
                else if (id == kLumi) m.emission = scaled;
                else m.specular = scaled;
            }
        });
    }

    ByteCursor in_;
    std::int64_t chunkStart_ = 0;
    std::int64_t chunkLength_ = 0;
    Model& model_;
    Solid* solid_ = nullptr;
    bool lwob_ = false;
    std::uint32_t chunkId_ = 0;
    std::vector<std::string> names_;     // entry k names material k
    std::vector<Face*> polygons_;        // file polygon order; null for a dropped polygon
    std::vector<TexCoord*> vertexUv_;    // per point, from TXUV vertex maps
    bool hasVertexMap_ = false;
    bool cutShort_ = false;
    std::size_t vertexBase_ = 0;         // first point of the current layer
    std::size_t faceBase_ = 0;           // first polygon of the current layer
    std::vector<std::size_t> corners_;   // point indices of the polygon being read
};

}  // namespace

int readLwoData(std::span<const std::uint8_t> data, Model& model, const ReadContext& ctx,
                const std::string& path) {
    return runGuarded([&]() -> int {
        LwoReader reader(data, model);
        const int result = reader.run();
        if (result == kReadOk && reader.cutShort()) warnFileEndsEarly(ctx.ui, path);
        return result;
    });
}

int readLwo(const std::string& path, Model& model, const ReadContext& ctx) {
    std::vector<std::uint8_t> data;
    if (!readWholeFile(path, data)) return kReadFailed;
    return readLwoData(data, model, ctx, path);
}

}  // namespace plikatra
