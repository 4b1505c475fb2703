// 3D Studio mesh files (.3ds).
//
// The file is read whole into memory and walked with the counting rules below, oddities
// included, so that every file gives the same model as it always has here:
//
// - A container counts the bytes of its children and stops once the count reaches its length.
//   A recognised child adds its length plus 2, so the count runs ahead of the file position
//   by 2 per recognised child, and a small last child can be left unread.
// - In the mesh-side containers (main, editor, object, mesh, face list) an id the container
//   does not know is not skipped as a chunk: the walk moves on by the two bytes of the id and
//   reads the next two bytes as the next id. Inside material chunks, map blocks and colour
//   chunks an unknown child is skipped by its length.
// - After its walk a container leaves the file at its own start plus its length, whatever its
//   children read.
//
// What the walk cannot rely on, because a file may be cut short or an id may be found inside
// other data, is made safe here:
//
// - Nothing is read past the end of the file. A walk ends when no whole id is left; a length
//   that is not there in full reaches to the end of the file.
// - A length below the 6 bytes of a chunk's own header counts as 6, so that every step moves
//   forward and the walks end after a number of steps bounded by the file size.
// - Records (vertices, faces, texture coordinates, face numbers of a material group) are read
//   only while they lie wholly inside their chunk and the file: a count larger than what its
//   chunk holds keeps the records that are there, and a file cut short keeps every whole
//   record before the cut, with a warning that names the file. Allocations follow the
//   records that fit, never the stored count.
// - A face naming a vertex the solid does not have is dropped; it keeps its number, so that
//   the material groups still find the faces after it.
// - Material names and texture file names end at their terminator, at their chunk's end or at
//   the end of the file; at most kMaxNameLength bytes of them are kept.
#include "import/tds_reader.h"
#include "base/byte_cursor.h"
#include "base/file_io.h"


#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/progress.h"
#include "base/load_progress.h"
#include "base/read_result.h"
#include "import/reader_guard.h"
#include "model/construction.h"
#include "textures/texture_image.h"
#include "textures/texture_path.h"

namespace plikatra {

namespace {

constexpr std::uint16_t kMainChunk = 0x4D4D;
constexpr std::uint16_t kEditorChunk = 0x3D3D;
constexpr std::uint16_t kKeyframerChunk = 0xB000;
constexpr std::uint16_t kMaterialChunk = 0xAFFF;
constexpr std::uint16_t kObjectChunk = 0x4000;
constexpr std::uint16_t kMeshChunk = 0x4100;
constexpr std::uint16_t kVertexList = 0x4110;
constexpr std::uint16_t kVertexFlags = 0x4111;
constexpr std::uint16_t kFaceList = 0x4120;
constexpr std::uint16_t kFaceMaterial = 0x4130;
constexpr std::uint16_t kTexCoordList = 0x4140;
constexpr std::uint16_t kSmoothingGroups = 0x4150;
constexpr std::uint16_t kMeshColor = 0x4165;
constexpr std::uint16_t kMaterialName = 0xA000;
constexpr std::uint16_t kAmbientColor = 0xA010;
constexpr std::uint16_t kFirstMapBlock = 0xA200;
constexpr std::uint16_t kLastMapBlock = 0xA34C;
constexpr std::uint16_t kMapFileName = 0xA300;
constexpr std::uint16_t kColorFloats = 0x0010;
constexpr std::uint16_t kColorBytes = 0x0011;

// Id and length.
constexpr std::int64_t kHeaderSize = 6;
// Bytes of the face list before its records: header and count.
constexpr std::int64_t kFaceListHead = 8;
constexpr std::int64_t kVertexRecord = 12;
constexpr std::int64_t kFaceRecord = 8;
constexpr std::int64_t kTexCoordRecord = 8;
// An object name keeps at most this many bytes, the last of them turned into the terminator.
constexpr std::size_t kObjectNameBuffer = 12;
// Longest material or texture file name kept; longer ones are cut, consistently for the
// material and for the groups that name it.
constexpr std::size_t kMaxNameLength = 1024;
constexpr const char* kDefaultName = "Default name";

// Editor children that are passed over: settings, background, fog, view ports and the like.
bool skippedInEditor(std::uint16_t id) {
    switch (id) {
    case 0x1100: case 0x1200: case 0x1201: case 0x1300: case 0x1400: case 0x1420: case 0x1450:
    case 0x1500: case 0x2100: case 0x2200: case 0x2201: case 0x2210: case 0x2300: case 0x2302:
    case 0x3000: case 0x7001:
        return true;
    default:
        return false;
    }
}

// Object children that are passed over: lights, cameras and object flags.
bool skippedInObject(std::uint16_t id) {
    return id == 0x4010 || id == 0x4012 || id == 0x4600 || id == 0x4700;
}

class TdsReader {
public:
    TdsReader(const std::string& path, std::span<const std::uint8_t> data, Model& model,
              LoadProgress& progress, const ReadContext& ctx)
        : path_(path), in_(data, true), size_(in_.size()), model_(model), progress_(progress),
          ctx_(ctx) {}

    int run() {
        if (size_ < 2 || u16() != kMainChunk) return kReadFailed;
        readMain();
        return finish();
    }

private:
    // Where a chunk lies: the position of its id and its length (at least its header).
    struct Chunk {
        std::int64_t start;
        std::int64_t length;
        std::int64_t end() const { return start + length; }
    };

    // ---- Bounded reading. Callers check that the bytes are there, so that a list cut short
    // keeps its whole records; the cursor refuses any read that would still pass the end.

    bool has(std::int64_t n, std::int64_t limit) const { return in_.tell() + n <= limit; }
    std::uint16_t u16() { return in_.u16(); }
    std::uint32_t u32() { return in_.u32(); }
    float f32() { return in_.f32(); }

    // The end of a chunk's data as far as the file holds it.
    std::int64_t limitOf(const Chunk& c) const { return std::min(c.end(), size_); }

    // Zero-terminated name from the current position, ending at `limit` when unterminated.
    std::string readName(std::int64_t limit) {
        std::string name;
        while (in_.tell() < limit) {
            const char c = static_cast<char>(in_.u8());
            if (c == '\0') break;
            if (name.size() < kMaxNameLength) name.push_back(c);
        }
        return name;
    }

    void checkProgress() { progress_.update(std::min(in_.tell(), size_)); }

    // Reads the length of the chunk whose id was just read.
    Chunk header() {
        checkProgress();
        Chunk c{in_.tell() - 2, 0};
        if (has(4, size_)) {
            c.length = u32();
        } else {
            c.length = size_ - c.start;
            in_.seek(size_);
        }
        c.length = std::max(c.length, kHeaderSize);
        return c;
    }

    // Walks the children of `c`, `count` of whose bytes are already accounted for. `child`
    // handles one id and returns the size it adds to the count (0 for an id the container
    // steps over). Leaves the file at the chunk's end.
    template <typename Child>
    void walk(const Chunk& c, std::int64_t count, Child child) {
        while (count < c.length && has(2, size_)) {
            const std::uint16_t id = u16();
            count += child(id) + 2;
        }
        in_.seek(c.end());
    }

    std::int64_t skip() {
        const Chunk c = header();
        in_.seek(c.end());
        return c.length;
    }

    // ---- The mesh side.

    void readMain() {
        const Chunk c = header();
        // The main chunk spans the whole file; a file shorter than it was cut off.
        cutShort_ = c.end() > size_;
        walk(c, kHeaderSize, [this](std::uint16_t id) -> std::int64_t {
            if (id == kEditorChunk) return readEditor();
            if (id == kKeyframerChunk) return skip();
            return 0;
        });
    }

    std::int64_t readEditor() {
        const Chunk c = header();
        walk(c, kHeaderSize, [this](std::uint16_t id) -> std::int64_t {
            if (id == kMaterialChunk) return readMaterial();
            if (id == kObjectChunk) return readObject();
            if (skippedInEditor(id)) return skip();
            return 0;
        });
        return c.length;
    }

    // The name is read byte by byte into a 12-byte buffer whose last byte becomes the
    // terminator, so at most 11 characters are kept. A name of 12 or more characters ends
    // the read with one more byte: a 12-character name is taken with its terminator, and of a
    // longer one the 13th byte is dropped and the rest left to the object's walk.
    std::string readObjectName(std::int64_t limit) {
        std::string name;
        while (in_.tell() < limit) {
            const char c = static_cast<char>(in_.u8());
            if (c == '\0' || name.size() == kObjectNameBuffer) break;
            name.push_back(c);
        }
        if (name.size() >= kObjectNameBuffer) name.resize(kObjectNameBuffer - 1);
        return name.empty() ? std::string(kDefaultName) : name;
    }

    std::int64_t readObject() {
        const Chunk c = header();
        // Kept apart from material names, so that every mesh of the object carries the
        // object's name even after a material group was read. The count starts with the
        // bytes the name took.
        objectName_ = readObjectName(limitOf(c));
        walk(c, in_.tell() - c.start, [this](std::uint16_t id) -> std::int64_t {
            if (id == kMeshChunk) return readMesh();
            if (skippedInObject(id)) return skip();
            return 0;
        });
        return c.length;
    }

    std::int64_t readMesh() {
        const Chunk c = header();
        solid_ = model_.addSolid(objectName_);
        vertexNumber_ = 1;
        faceSlots_.clear();
        walk(c, kHeaderSize, [this](std::uint16_t id) -> std::int64_t {
            switch (id) {
            case kVertexList: return readVertices();
            case kFaceList: return readFaces();
            case kTexCoordList: return readTexCoords();
            // The mesh colour byte is read and not kept: solids stay visible.
            case kVertexFlags: case kMeshColor: return skip();
            default: return 0;
            }
        });
        return c.length;
    }

    // The number of records of `recordSize` bytes that a 16-bit count announces and that lie
    // wholly before `limit`; 0 when the count itself is not there.
    std::int64_t recordsThatFit(std::int64_t limit, std::int64_t recordSize, std::int64_t& stored) {
        stored = 0;
        if (!has(2, limit)) return 0;
        stored = u16();
        return in_.recordsBefore(limit, stored, recordSize);
    }

    std::int64_t readVertices() {
        const Chunk c = header();
        std::int64_t stored;
        const std::int64_t n = recordsThatFit(limitOf(c), kVertexRecord, stored);
        solid_->vertices.reserve(solid_->vertices.size() + static_cast<std::size_t>(n));
        for (std::int64_t i = 0; i < n; ++i) {
            checkProgress();
            const float x = f32();
            const float y = f32();
            const float z = f32();
            solid_->addVertex(x, y, z)->index = vertexNumber_++;
        }
        in_.seek(c.end());
        return c.length;
    }

    std::int64_t readFaces() {
        const Chunk c = header();
        std::int64_t stored;
        const std::int64_t n = recordsThatFit(limitOf(c), kFaceRecord, stored);
        const std::size_t vertexCount = solid_->vertices.size();
        solid_->faces.reserve(solid_->faces.size() + static_cast<std::size_t>(n));
        for (std::int64_t i = 0; i < n; ++i) {
            checkProgress();
            const std::size_t a = u16();
            const std::size_t b = u16();
            const std::size_t d = u16();
            u16();  // edge visibility flags, not used
            if (a >= vertexCount || b >= vertexCount || d >= vertexCount) {
                faceSlots_.push_back(nullptr);
                continue;
            }
            Face* face = solid_->addFace(-1);
            face->halfedges.reserve(3);
            face->addCorner(solid_->vertices[a].get());
            face->addCorner(solid_->vertices[b].get());
            face->addCorner(solid_->vertices[d].get());
            faceSlots_.push_back(face);
        }
        // The children follow the records. When the records do not all fit, the count starts
        // at or past the chunk's length, so no child is looked for; the same goes for a list
        // that the end of the file cut short.
        const std::int64_t count = n == stored ? kFaceListHead + kFaceRecord * stored : c.length;
        walk(c, count, [this](std::uint16_t id) -> std::int64_t {
            if (id == kFaceMaterial) return readFaceMaterial();
            // One 32-bit smoothing group per face, not kept.
            if (id == kSmoothingGroups) return skip();
            return 0;
        });
        return c.length;
    }

    std::int64_t readFaceMaterial() {
        const Chunk c = header();
        const std::int64_t limit = limitOf(c);
        const std::string name = readName(limit);
        // Exact byte comparison, and only with the materials read so far: a material defined
        // after the object is not found.
        int material = -1;
        if (!name.empty()) {
            for (std::size_t k = 0; k < model_.materials.size(); ++k)
                if (model_.materials[k]->name == name) {
                    material = static_cast<int>(k);
                    break;
                }
        }
        if (material >= 0) {
            std::int64_t stored;
            const std::int64_t n = recordsThatFit(limit, 2, stored);
            for (std::int64_t i = 0; i < n; ++i) {
                const std::size_t face = u16();
                if (face < faceSlots_.size() && faceSlots_[face]) faceSlots_[face]->materialIndex = material;
            }
        }
        in_.seek(c.end());
        return c.length;
    }

    std::int64_t readTexCoords() {
        const Chunk c = header();
        // Set even for an empty list: the model is meant to carry texture coordinates.
        model_.bTextureCoodinates = true;
        std::int64_t stored;
        const std::int64_t n = recordsThatFit(limitOf(c), kTexCoordRecord, stored);
        solid_->texCoords.reserve(solid_->texCoords.size() + static_cast<std::size_t>(n));
        for (std::int64_t i = 0; i < n; ++i) {
            checkProgress();
            const float u = f32();
            const float v = f32();
            // The file's v grows upwards, ours downwards.
            solid_->addTexCoord(u, 1.0 - static_cast<double>(v));
        }
        in_.seek(c.end());
        return c.length;
    }

    // ---- Materials.

    std::int64_t readMaterial() {
        const Chunk c = header();
        material_ = model_.makeMaterial();
        walk(c, kHeaderSize, [this](std::uint16_t id) -> std::int64_t {
            if (id == kMaterialName) return readMaterialName();
            if (id == kAmbientColor) return readColor();
            if (id >= kFirstMapBlock && id <= kLastMapBlock) return readMapBlock();
            return skip();
        });
        if (material_) model_.materials.push_back(std::move(material_));
        return c.length;
    }

    // An empty name or texture file name discards the material: it is dropped, and the rest
    // of its chunk is read without a material to fill.
    void discardIfEmpty(const std::string& name) {
        if (name.empty()) material_.reset();
    }

    std::int64_t readMaterialName() {
        const Chunk c = header();
        const std::string name = readName(limitOf(c));
        if (material_) {
            material_->name = name;
            discardIfEmpty(name);
        }
        in_.seek(c.end());
        return c.length;
    }

    std::int64_t readMapBlock() {
        const Chunk c = header();
        walk(c, kHeaderSize, [this](std::uint16_t id) -> std::int64_t {
            if (id == kMapFileName) return readMapFileName();
            return skip();  // scale, offset and the other map parameters
        });
        return c.length;
    }

    std::int64_t readMapFileName() {
        const Chunk c = header();
        const std::string name = readName(limitOf(c));
        // Every map block of the material writes here, so the last one read wins.
        if (material_) {
            material_->textureFile = name;
            discardIfEmpty(name);
        }
        in_.seek(c.end());
        return c.length;
    }

    std::int64_t readColor() {
        const Chunk c = header();
        walk(c, kHeaderSize, [this](std::uint16_t id) -> std::int64_t {
            if (id == kColorFloats) return readFloatColor();
            if (id == kColorBytes) return readByteColor();
            return skip();
        });
        return c.length;
    }

    // The colour readers take the values right after the child's length and report the size
    // of the values alone, whatever the child's length says.
    std::int64_t readFloatColor() {
        checkProgress();
        if (has(4 + 12, size_)) {
            in_.skip(4);
            const float r = f32();
            const float g = f32();
            const float b = f32();
            setColor(r, g, b);
        } else {
            in_.seek(size_);
        }
        return 12;
    }

    std::int64_t readByteColor() {
        checkProgress();
        if (has(4 + 3, size_)) {
            in_.skip(4);
            const float r = static_cast<float>(in_.u8() / 255.0);
            const float g = static_cast<float>(in_.u8() / 255.0);
            const float b = static_cast<float>(in_.u8() / 255.0);
            setColor(r, g, b);
        } else {
            in_.seek(size_);
        }
        return 3;
    }

    void setColor(float r, float g, float b) {
        if (!material_) return;
        Material& m = *material_;
        m.colorGiven = true;
        m.ambient = m.diffuse = Rgba{r, g, b, 1.0f};
        m.emission = m.specular = Rgba{0.0f, 0.0f, 0.0f, 1.0f};
        m.shininess = 0.0f;
        m.flatColor = Rgb{r, g, b};
    }

    // ---- After the walk.

    int finish() {
        // A vertex's texture coordinate is the list entry of its number, when there is one.
        for (auto& solid : model_.solids) {
            const std::size_t count = solid->texCoords.size();
            for (auto& face : solid->faces)
                for (auto& h : face->halfedges) {
                    const int n = h->origin->index;
                    if (n >= 1 && static_cast<std::size_t>(n) <= count)
                        h->texCoord = solid->texCoords[static_cast<std::size_t>(n - 1)].get();
                }
        }
        progress_.constructing();
        // Missing or unreadable texture files leave the material untextured; this reader adds
        // no message of its own.
        for (auto& m : model_.materials) {
            if (m->textureFile.empty()) continue;
            const auto file = resolveModelTexturePath(path_, m->textureFile);
            if (!file) continue;
            if (auto image = loadTextureImage(*file, ctx_.textureSizeLimit, ctx_.ui)) {
                m->texture = std::move(image);
                m->hasTexture = true;
            }
        }
        const bool ok = finishSolids(model_, kAreaThreshold);
        progress_.close();
        if (!ok) return kReadFailed;
        if (cutShort_) warnFileEndsEarly(ctx_.ui, path_);
        return kReadOk;
    }

    const std::string& path_;
    // The position may lie past the end of the file after a chunk that claims more than the
    // file holds.
    ByteCursor in_;
    std::int64_t size_;
    Model& model_;
    LoadProgress& progress_;
    const ReadContext& ctx_;

    bool cutShort_ = false;  // the file ends before its main chunk does
    std::string objectName_ = kDefaultName;
    Solid* solid_ = nullptr;
    int vertexNumber_ = 1;
    std::vector<Face*> faceSlots_;  // current solid's faces by file number, null when dropped
    std::unique_ptr<Material> material_;  // the material being read, until it is added
};

}  // namespace

int read3dsData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                const ReadContext& ctx) {
    return runGuarded([&]() -> int {
        model.path = path;
        LoadProgress progress(static_cast<long long>(data.size()), ctx.ui.progress());
        TdsReader reader(path, data, model, progress, ctx);
        return reader.run();
    });
}

int read3ds(const std::string& path, Model& model, const ReadContext& ctx) {
    std::vector<std::uint8_t> data;
    if (!readWholeFile(path, data)) return kReadFailed;
    return read3dsData(data, path, model, ctx);
}

}  // namespace plikatra
