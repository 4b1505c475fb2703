// MQO documents: the line-oriented text scenes of a polygon modeller, with nested blocks.
//
// The file is read into memory at once. Lines are cut the way a fixed-size line read cuts
// them and split into tokens that point into the file's bytes, so reading a line allocates
// nothing.
#include "import/mqo_reader.h"
#include "base/file_io.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "base/c_numbers.h"
#include "base/load_progress.h"
#include "base/read_result.h"
#include "import/reader_guard.h"
#include "model/construction.h"
#include "textures/texture_image.h"
#include "textures/texture_path.h"

namespace plikatra {

namespace {

// Longest piece of a line one read returns; a longer line comes back in several pieces.
constexpr std::size_t kPieceLimit = 8191;

// Bytes of one binary vertex record: x, y, z as little-endian 32-bit floats.
constexpr std::size_t kVectorRecordSize = 12;

// Why a load failed; every one of them ends the read with result 1.
enum Failure : int {
    kBadFirstLine = -1,
    kBadSecondLine = -2,
    kBlockWithoutBrace = -3,
    kMalformedFace = -4,
    kEndInsideBlock = -5,
    kFailedSkip = -6,
};

struct ReadFailure {
    int code;
};

// Lead bytes of the Japanese double-byte character set the files are written in; the byte
// after one belongs to the same character even when it looks like a separator.
inline bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

inline bool isSpecial(unsigned char c) {
    switch (c) {
        case '(': case ')': case ',': case ':': case ';':
        case '=': case '[': case ']': case '{': case '}':
            return true;
        default:
            return false;
    }
}

inline bool endsLine(unsigned char c) { return c == '\0' || c == '\r' || c == '\n'; }


float readLittleEndianFloat(const unsigned char* p) {
    const std::uint32_t bits = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Reads the document a line at a time and splits each line into tokens. Tokens are views of
// the document's bytes and stay valid until the next line is read.
class LineTokenizer {
public:
    explicit LineTokenizer(std::string_view text) : text_(text) {}

    // Reads the next piece of a line (up to and including its line feed, at most kPieceLimit
    // bytes) and tokenizes it; the number of tokens, or -1 at the end of the document.
    int next() {
        tokens_.clear();
        if (pos_ >= text_.size()) return -1;
        const char* begin = text_.data() + pos_;
        const std::size_t avail = std::min(kPieceLimit, text_.size() - pos_);
        const void* nl = std::memchr(begin, '\n', avail);
        const std::size_t len = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - begin) + 1 : avail;
        pos_ += len;
        tokenize(begin, begin + len);
        return count();
    }

    int count() const { return static_cast<int>(tokens_.size()); }

    // The first token equals `word` (any letter case) and there are at least `minCount` tokens.
    bool first(std::string_view word, int minCount) const {
        return count() >= minCount && count() > 0 && equalsIgnoreAsciiCase(tokens_[0], word);
    }
    // Token i equals `word`; false when there is no token i.
    bool is(long long i, std::string_view word) const {
        return i >= 0 && i < count() && equalsIgnoreAsciiCase(tokens_[static_cast<std::size_t>(i)], word);
    }
    std::string_view token(long long i) const {
        return i >= 0 && i < count() ? tokens_[static_cast<std::size_t>(i)] : std::string_view();
    }
    int integer(long long i) const { return i >= 0 && i < count() ? parseCInt(token(i)) : 0; }
    double number(long long i) const { return i >= 0 && i < count() ? parseCDouble(token(i)) : 0.0; }

    // The line ends with the tokens "[", n, "]", which announce n bytes of binary data.
    bool endsWithDataSize(long long& n) const {
        const int c = count();
        if (c < 3 || !is(c - 3, "[") || !is(c - 1, "]")) return false;
        n = integer(c - 2);
        return true;
    }
    bool lastIs(std::string_view word) const { return is(count() - 1, word); }

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return text_.size() - pos_; }
    const unsigned char* here() const { return reinterpret_cast<const unsigned char*>(text_.data() + pos_); }
    // Moves n bytes forward; false (and no move) unless n is from 0 to remaining().
    bool skip(long long n) {
        if (n < 0 || static_cast<unsigned long long>(n) > remaining()) return false;
        pos_ += static_cast<std::size_t>(n);
        return true;
    }

private:
    void push(const char* b, const char* e, bool holdsNul) {
        std::string_view t(b, static_cast<std::size_t>(e - b));
        // A token is text up to its first NUL, as a C string would be; a NUL gets into one
        // only as the second byte of a double-byte character.
        if (holdsNul) t = t.substr(0, t.find('\0'));
        tokens_.push_back(t);
    }

    void tokenize(const char* p, const char* const end) {
        const char* start = nullptr;  // start of the unquoted token being read
        bool holdsNul = false;
        auto flush = [&](const char* stop) {
            if (start) push(start, stop, holdsNul);
            start = nullptr;
            holdsNul = false;
        };
        while (p < end) {
            const auto c = static_cast<unsigned char>(*p);
            if (isLeadByte(c)) {
                if (!start) start = p;
                // A lead byte at the very end of the piece has no second byte to take: it
                // stands alone and ends the line rather than reach past what was read.
                if (p + 1 == end) {
                    ++p;
                    break;
                }
                holdsNul |= p[1] == '\0';
                p += 2;
                continue;
            }
            if (endsLine(c)) break;
            if (c == ' ' || c == '\t') {
                flush(p);
                ++p;
            } else if (isSpecial(c)) {
                flush(p);
                push(p, p + 1, false);
                ++p;
            } else if (c == '"') {
                flush(p);
                const char* const q = ++p;
                bool nul = false;
                while (p < end && *p != '"' && !endsLine(static_cast<unsigned char>(*p))) {
                    if (isLeadByte(static_cast<unsigned char>(*p)) && p + 1 < end) {
                        nul |= p[1] == '\0';
                        p += 2;
                    } else {
                        ++p;
                    }
                }
                push(q, p, nul);
                if (p < end && *p == '"') ++p;
                else break;  // the line ended inside the quotes
            } else {
                if (!start) start = p;
                ++p;
            }
        }
        flush(p);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::vector<std::string_view> tokens_;
};

class MqoReader {
public:
    MqoReader(const std::string& path, std::string_view text, Model& model, LoadProgress& progress,
              const ReadContext& ctx)
        : path_(path), in_(text), model_(model), progress_(progress), ctx_(ctx) {}

    int run() {
        try {
            checkHeader();
            while (true) {
                const int n = in_.next();
                if (n < 0) break;  // the end of the document at top level ends it normally
                if (n == 0) continue;
                if (in_.first("Material", 2)) {
                    requireOpeningBrace();
                    readMaterials();
                } else if (in_.first("Object", 2)) {
                    readObject();
                } else {
                    skipLine();
                }
            }
        } catch (const ReadFailure&) {
            return kReadFailed;
        }
        progress_.constructing();
        if (!finishSolids(model_, kAreaThreshold)) return kReadFailed;
        loadTextures();
        progress_.close();
        return kReadOk;
    }

private:
    [[noreturn]] static void fail(int code) { throw ReadFailure{code}; }

    void checkHeader() {
        if (in_.next() < 2 || !in_.is(0, "Metasequoia") || !in_.is(1, "Document")) fail(kBadFirstLine);
        // Only version 1.0 of the text form is understood; later versions changed the blocks.
        if (in_.next() < 4 || !in_.is(0, "Format") || !in_.is(1, "Text") || !in_.is(2, "Ver") ||
            in_.number(3) != 1.0)
            fail(kBadSecondLine);
    }

    void requireOpeningBrace() {
        if (!in_.lastIs("{")) fail(kBlockWithoutBrace);
    }

    // The next line inside a block; the document must not end there.
    int nextInBlock() {
        const int n = in_.next();
        if (n < 0) fail(kEndInsideBlock);
        return n;
    }

    // Same, for the lines that move the progress bar (object blocks and skipped blocks).
    int nextInBlockWithProgress() {
        const int n = nextInBlock();
        progress_.update(static_cast<long long>(in_.position()));
        return n;
    }

    // A line nobody reads: a block it opens is passed over whole, and binary data it
    // announces is passed by.
    void skipLine() {
        long long size;
        if (in_.lastIs("{")) skipBlock();
        else if (in_.endsWithDataSize(size)) skipData(size);
    }

    void skipBlock() {
        int depth = 1;
        while (depth > 0) {
            if (nextInBlockWithProgress() == 0) continue;
            long long size;
            if (in_.lastIs("{")) ++depth;
            else if (in_.lastIs("}")) --depth;
            else if (in_.endsWithDataSize(size)) skipData(size);
        }
    }

    // Binary data must lie wholly inside the document. A negative size is refused too: moving
    // backwards would read the same lines again, for ever.
    void skipData(long long size) {
        if (!in_.skip(size)) fail(kFailedSkip);
    }

    void readMaterials() {
        while (true) {
            if (nextInBlock() == 0) continue;
            if (in_.is(0, "}")) return;
            readMaterialLine();
        }
    }

    static bool isOneValueParameter(std::string_view w) {
        for (const char* name : {"dif", "amb", "emi", "spc", "power", "shader", "aplane", "bump"})
            if (equalsIgnoreAsciiCase(w, name)) return true;
        return false;
    }

    void readMaterialLine() {
        // A line without a colour keeps the colour of faces without a material.
        const Rgba fallback = model_.defaultMaterial.diffuse;
        float r = fallback.r, g = fallback.g, b = fallback.b, a = fallback.a;
        std::string_view texture;
        const long long count = in_.count();
        long long i = 1;
        while (i < count) {
            const long long left = count - i;
            if (in_.is(i, "col") && left >= 7) {
                if (!in_.is(i + 1, "(") || !in_.is(i + 6, ")")) break;
                r = static_cast<float>(in_.number(i + 2));
                g = static_cast<float>(in_.number(i + 3));
                b = static_cast<float>(in_.number(i + 4));
                a = static_cast<float>(in_.number(i + 5));
                i += 7;
            } else if (isOneValueParameter(in_.token(i)) && left >= 4) {
                if (!in_.is(i + 1, "(") || !in_.is(i + 3, ")")) break;
                i += 4;
            } else if (in_.is(i, "tex") && left >= 4) {
                if (!in_.is(i + 1, "(") || !in_.is(i + 3, ")")) break;
                texture = in_.token(i + 2);
                i += 4;
            } else {
                if (!in_.is(i + 1, "(")) break;
                long long j = i + 2;
                while (j < count && !in_.is(j, ")")) ++j;
                i = j + 1;
            }
        }
        Material* m = model_.addMaterial();
        m->colorGiven = true;
        m->ambient = {r, g, b, a};
        m->diffuse = {r, g, b, a};
        m->emission = {0, 0, 0, 1};
        m->specular = {0, 0, 0, 1};
        m->shininess = 0.0f;
        m->flatColor = {r, g, b};
        m->name = std::string(in_.token(0));
        m->textureFile = std::string(texture);
    }

    void readObject() {
        solid_ = model_.addSolid(in_.count() > 2 ? std::string(in_.token(1)) : std::string());
        solid_->visible = true;
        requireOpeningBrace();
        while (true) {
            if (nextInBlockWithProgress() == 0) continue;
            if (in_.is(0, "}")) return;
            if (in_.first("vertex", 3)) {
                requireOpeningBrace();
                readVertices();
            } else if (in_.first("BVertex", 3)) {
                requireOpeningBrace();
                readBinaryVertices();
            } else if (in_.first("face", 2)) {
                requireOpeningBrace();
                readFaces();
            } else {
                skipLine();
            }
        }
    }

    void addVertex(double x, double y, double z) {
        Vertex* v = solid_->addVertex(x, y, z);
        v->index = vertexNumber_++;
    }

    void readVertices() {
        while (true) {
            const int n = nextInBlockWithProgress();
            if (n == 0) continue;
            if (in_.is(0, "}")) return;
            if (n >= 3) addVertex(in_.number(0), in_.number(1), in_.number(2));
        }
    }

    void readBinaryVertices() {
        while (true) {
            const int n = nextInBlockWithProgress();
            if (n == 0) continue;
            if (in_.is(0, "}")) return;
            if (in_.first("Vector", 5) && in_.is(n - 3, "[") && in_.is(n - 1, "]")) {
                readVectorRecords(in_.integer(1));
            } else if (in_.first("color", 1) || in_.first("weit", 1)) {
                // Vertex colours and weights are not used.
                do {
                    nextInBlockWithProgress();
                } while (!in_.lastIs("}"));
            } else {
                skipLine();
            }
        }
    }

    // The records follow the "Vector" line directly. Their count is checked against the bytes
    // left before anything is reserved; records cut off by the end of the document end the
    // document inside its block, which fails the load.
    void readVectorRecords(long long n) {
        if (n <= 0) return;
        if (static_cast<unsigned long long>(n) > in_.remaining() / kVectorRecordSize) fail(kEndInsideBlock);
        solid_->vertices.reserve(solid_->vertices.size() + static_cast<std::size_t>(n));
        for (long long k = 0; k < n; ++k) {
            progress_.update(static_cast<long long>(in_.position()));
            const unsigned char* p = in_.here();
            addVertex(readLittleEndianFloat(p), readLittleEndianFloat(p + 4), readLittleEndianFloat(p + 8));
            in_.skip(kVectorRecordSize);
        }
    }

    void readFaces() {
        while (true) {
            if (nextInBlockWithProgress() == 0) continue;
            if (in_.is(0, "}")) return;
            readFaceLine();
        }
    }

    void readFaceLine() {
        const long long n = in_.integer(0);
        const long long count = in_.count();
        if (!in_.is(1, "V") || count < n + 4) fail(kMalformedFace);
        Face* face = solid_->addFace(-1);
        ++model_.faceCount;
        if (!in_.is(2, "(") || !in_.is(n + 3, ")")) return;

        // A corner naming no vertex of this object leaves the face without corners, which
        // construction then drops; the rest of the document is still read.
        const int corners = static_cast<int>(std::clamp(n, 0LL, 4LL));
        const long long listed = static_cast<long long>(solid_->vertices.size());
        Vertex* origins[4];
        for (int k = 0; k < corners; ++k) {
            const long long index = in_.integer(3 + k);
            if (index < 0 || index >= listed) return;
            origins[k] = solid_->vertices[static_cast<std::size_t>(index)].get();
        }
        // Each corner goes to the front of the list, so the face runs against the file's order.
        Halfedge* byCorner[4];
        face->halfedges.resize(static_cast<std::size_t>(corners));
        for (int k = 0; k < corners; ++k) {
            auto h = std::make_unique<Halfedge>();
            h->origin = origins[k];
            h->face = face;
            byCorner[k] = h.get();
            face->halfedges[static_cast<std::size_t>(corners - 1 - k)] = std::move(h);
        }

        long long p = n + 4;
        if (in_.is(p, "M") && count >= p + 4) {
            if (!in_.is(p + 1, "(") || !in_.is(p + 3, ")")) return;
            const int m = in_.integer(p + 2);
            if (m >= 0 && static_cast<std::size_t>(m) < model_.materials.size()) face->materialIndex = m;
            p += 4;
        }
        if (in_.is(p, "UV") && count >= p + 2 * n + 3 && in_.is(p + 1, "(") && in_.is(p + 2 * n + 2, ")")) {
            model_.bTextureCoodinates = true;
            for (int k = 0; k < corners; ++k)
                byCorner[k]->texCoord = solid_->addTexCoord(in_.number(p + 2 + 2 * k), in_.number(p + 3 + 2 * k));
        }
    }

    // Textures that cannot be found or read are passed over in silence.
    void loadTextures() {
        for (auto& m : model_.materials) {
            if (m->textureFile.empty()) continue;
            const auto file = resolveModelTexturePath(path_, m->textureFile);
            if (!file) continue;
            auto image = loadTextureImage(*file, ctx_.textureSizeLimit, ctx_.ui);
            if (!image) continue;
            m->texture = std::move(image);
            m->hasTexture = true;
        }
    }

    const std::string& path_;
    LineTokenizer in_;
    Model& model_;
    LoadProgress& progress_;
    const ReadContext& ctx_;
    Solid* solid_ = nullptr;
    int vertexNumber_ = 1;  // numbers vertices across all objects of the document
};

}  // namespace

int readMqoText(std::string_view text, const std::string& path, Model& model,
                const ReadContext& ctx) {
    model.path = path;
    return runGuarded([&]() -> int {
        LoadProgress progress(static_cast<long long>(text.size()), ctx.ui.progress());
        MqoReader reader(path, text, model, progress, ctx);
        return reader.run();
    });
}

int readMqo(const std::string& path, Model& model, const ReadContext& ctx) {
    model.path = path;
    std::string text;
    if (!readWholeFile(path, text)) return kReadFailed;
    return readMqoText(text, path, model, ctx);
}

}  // namespace plikatra
