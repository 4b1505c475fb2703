// Stereolithography files.
//
// Binary: an 80-byte header, a little-endian triangle count, then 50 bytes a triangle (a
// normal and three corners as 32-bit floats, and two attribute bytes). ASCII: "solid name",
// then "facet normal ...", "outer loop", three "vertex x y z", "endloop", "endfacet", and
// "endsolid"; keywords are read without regard to case and the layout of lines does not
// matter, since exporters differ in both.
#include "import/stl_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <bit>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/c_numbers.h"
#include "base/file_io.h"
#include "base/load_progress.h"
#include "import/exact_vertices.h"
#include "import/file_bytes.h"
#include "import/reader_guard.h"
#include "model/construction.h"

namespace plikatra {

namespace {

constexpr std::size_t kHeaderSize = 84;
constexpr std::size_t kTriangleSize = 50;

// Builds the solids: one vertex per position and solid, faces from corner lists.
class MeshBuilder {
public:
    explicit MeshBuilder(Model& model) : model_(model) {}

    void beginSolid(std::string_view name) {
        solid_ = model_.addSolid(std::string(name));
        vertices_.clear();
        floatVertices_.clear();
    }

    // Adds a face of `count` corners; false when it has fewer than three distinct corners,
    // which is no face at all.
    bool addFace(const Point3* corners, std::size_t count) {
        if (!solid_) beginSolid("");
        if (count == 3) return addTriangle(corners);
        ring_.clear();
        for (std::size_t i = 0; i < count; ++i) {
            Vertex* v = vertices_.at(*solid_, corners[i]);
            if (!ring_.empty() && ring_.back() == v) continue;
            ring_.push_back(v);
        }
        while (ring_.size() > 1 && ring_.front() == ring_.back()) ring_.pop_back();
        // A corner met twice is a degenerate facet (an exporter's sliver), not an outline.
        for (std::size_t i = 0; i < ring_.size(); ++i)
            for (std::size_t j = i + 1; j < ring_.size(); ++j)
                if (ring_[i] == ring_[j]) return false;
        if (ring_.size() < 3) return false;
        Face* face = solid_->addFace(-1);
        face->halfedges.reserve(ring_.size());
        for (Vertex* v : ring_) face->addCorner(v);
        ++faces_;
        return true;
    }

    std::size_t faces() const { return faces_; }

    // The common case of a binary file, without the ring: three corners make a face exactly
    // when they are three distinct vertices.
    bool addTriangle(const Point3* corners) {
        Vertex* a = vertices_.at(*solid_, corners[0]);
        Vertex* b = vertices_.at(*solid_, corners[1]);
        Vertex* c = vertices_.at(*solid_, corners[2]);
        return addTriangle(a, b, c);
    }

    // A triangle of a binary file: nine coordinates, three corners.
    bool addBinaryTriangle(const float* c) {
        Vertex* a = floatVertices_.at(*solid_, c);
        Vertex* b = floatVertices_.at(*solid_, c + 3);
        Vertex* d = floatVertices_.at(*solid_, c + 6);
        return addTriangle(a, b, d);
    }

    bool addTriangle(Vertex* a, Vertex* b, Vertex* c) {
        if (a == b || b == c || c == a) return false;
        Face* face = solid_->addFace(-1);
        face->halfedges.reserve(3);
        face->addCorner(a);
        face->addCorner(b);
        face->addCorner(c);
        ++faces_;
        return true;
    }

    [[gnu::always_inline]] void prefetch(const float* p) const { floatVertices_.prefetch(p); }

    // The tables of positions go before the model is built, which needs the memory more.
    void forgetPositions() {
        vertices_.clear();
        floatVertices_.clear();
    }

    // Makes room for `triangles` triangles of the current binary solid at once. A closed surface has
    // about half as many corners as triangles.
    void expect(std::size_t triangles) {
        if (!solid_) beginSolid("");
        solid_->faces.reserve(solid_->faces.size() + triangles);
        solid_->vertices.reserve(solid_->vertices.size() + triangles / 2);
        floatVertices_.reserve(triangles / 2);
    }

private:
    Model& model_;
    Solid* solid_ = nullptr;
    ExactVertices vertices_;
    ExactFloatVertices floatVertices_;  // binary files
    std::vector<Vertex*> ring_;
    std::size_t faces_ = 0;
};

std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

float readF32(const std::uint8_t* p) { return std::bit_cast<float>(readU32(p)); }

bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool sameWord(std::string_view w, std::string_view keyword) {
    if (w.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < w.size(); ++i) {
        char c = w[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != keyword[i]) return false;
    }
    return true;
}

// Text files hold no control characters but white space; binary triangles almost always do.
bool looksLikeText(std::span<const std::uint8_t> data) {
    std::size_t i = 0;
    while (i < data.size() && isSpace(data[i])) ++i;
    if (data.size() - i < 5 || !sameWord({reinterpret_cast<const char*>(data.data() + i), 5}, "solid"))
        return false;
    for (std::uint8_t c : data)
        if (c < 0x20 && !isSpace(c)) return false;
    return true;
}

// What went wrong in a file that still opens, said once.
struct Findings {
    std::uint64_t countSays = 0;  // binary: the header's count, when more than the file holds
    std::uint64_t holds = 0;
    std::size_t droppedFacets = 0;
};

// The solid's name: the header up to its first NUL, without trailing white space.
std::string headerName(const std::uint8_t* header) {
    std::string name(reinterpret_cast<const char*>(header), 80);
    name.resize(std::strlen(name.c_str()));
    while (!name.empty() && isSpace(static_cast<unsigned char>(name.back()))) name.pop_back();
    return name;
}

// Triangles `first` to `first + n` of the file, whose bytes begin at `p`.
void readTriangles(const std::uint8_t* p, std::uint64_t first, std::uint64_t n, MeshBuilder& mesh,
                   LoadProgress& progress, Findings& findings) {
    // Triangles in blocks: the corners of a block are looked for in the table of positions
    // before the first of them is needed.
    constexpr std::uint64_t kBlock = 32;
    float corners[kBlock][9];
    for (std::uint64_t done = 0; done < n; done += kBlock) {
        const std::uint64_t m = std::min(kBlock, n - done);
        for (std::uint64_t t = 0; t < m; ++t) {
            const std::uint8_t* q = p + (done + t) * kTriangleSize + 12;
            for (int k = 0; k < 9; ++k, q += 4) corners[t][k] = readF32(q);
            for (int k = 0; k < 9; k += 3) mesh.prefetch(corners[t] + k);
        }
        for (std::uint64_t t = 0; t < m; ++t)
            if (!mesh.addBinaryTriangle(corners[t])) ++findings.droppedFacets;
        const std::uint64_t at = first + done;
        if ((at & 4095) == 0) progress.update(static_cast<long long>(kHeaderSize + at * kTriangleSize));
    }
}

void readBinary(std::span<const std::uint8_t> data, MeshBuilder& mesh, LoadProgress& progress,
                Findings& findings) {
    mesh.beginSolid(headerName(data.data()));
    const std::uint64_t says = readU32(data.data() + 80);
    const std::uint64_t holds = (data.size() - kHeaderSize) / kTriangleSize;
    std::uint64_t count = says;
    if (says > holds) {
        findings.countSays = says;
        findings.holds = holds;
        count = holds;
    }
    mesh.expect(count);
    // Whole blocks from the start, so that the progress is told at the same triangles as
    // when the file is read in pieces.
    readTriangles(data.data() + kHeaderSize, 0, count, mesh, progress, findings);
}

class AsciiReader {
public:
    AsciiReader(std::string_view text, MeshBuilder& mesh, LoadProgress& progress, Findings& findings)
        : text_(text), mesh_(mesh), progress_(progress), findings_(findings) {}

    void run() {
        std::string_view w;
        while (word(w)) {
            if (sameWord(w, "vertex")) {
                Point3 p;
                p.x = number();
                p.y = number();
                p.z = number();
                corners_.push_back(p);
            } else if (sameWord(w, "endloop") || sameWord(w, "endfacet") || sameWord(w, "facet")) {
                endFacet();
            } else if (sameWord(w, "solid")) {
                endFacet();
                mesh_.beginSolid(restOfLine());
            } else if (sameWord(w, "endsolid")) {
                endFacet();
                restOfLine();
            }
            if (++words_ % 4096 == 0) progress_.update(static_cast<long long>(pos_));
        }
        endFacet();
    }

private:
    void endFacet() {
        if (corners_.empty()) return;
        if (!mesh_.addFace(corners_.data(), corners_.size())) ++findings_.droppedFacets;
        corners_.clear();
    }

    bool word(std::string_view& w) {
        while (pos_ < text_.size() && isSpace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        if (pos_ >= text_.size()) return false;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isSpace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        w = text_.substr(start, pos_ - start);
        return true;
    }

    // The next word as a number; a missing or malformed one reads as 0, as the C library
    // reads it.
    double number() {
        const std::size_t save = pos_;
        std::string_view w;
        if (!word(w)) return 0.0;
        if (!w.empty() && !(w[0] == '-' || w[0] == '+' || w[0] == '.' || (w[0] >= '0' && w[0] <= '9') ||
                            sameWord(w, "nan") || sameWord(w, "inf"))) {
            pos_ = save;  // a keyword where a number should be: leave it for the next read
            return 0.0;
        }
        return parseCDouble(w);
    }

    std::string_view restOfLine() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
        std::string_view line = text_.substr(start, pos_ - start);
        while (!line.empty() && isSpace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
        return line;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t words_ = 0;
    MeshBuilder& mesh_;
    LoadProgress& progress_;
    Findings& findings_;
    std::vector<Point3> corners_;
};

std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void report(const Findings& f, const std::string& path, Ui& ui) {
    std::string text;
    if (f.countSays)
        text = format(kMsgFileEndsEarly, path.c_str()) +
               format(" Its header counts %llu triangles, the file holds %llu.",
                      static_cast<unsigned long long>(f.countSays), static_cast<unsigned long long>(f.holds));
    if (f.droppedFacets) {
        if (!text.empty()) text += "\n";
        text += format("%s: %zu facets with fewer than three distinct corners were left out.",
                       fileName(path).c_str(), f.droppedFacets);
    }
    if (!text.empty()) ui.show(text, MessageIcon::Warning);
}

// Builds the model from what the file gave and says what was passed over.
int finish(MeshBuilder& mesh, const Findings& findings, LoadProgress& progress, Model& model,
           const std::string& path, const ReadContext& ctx) {
    mesh.forgetPositions();
    if (mesh.faces() == 0) return kReadFailed;
    progress.constructing();
    const bool ok = finishSolids(model, kAreaThreshold);
    progress.close();
    if (ok) report(findings, path, ctx.ui);
    return ok ? kReadOk : kReadFailed;
}

// A binary file whose size is what its header's count says, read a piece at a time: the
// pieces stay in the cache, where a copy of a file of tens of megabytes would be fetched
// from fresh memory. -1 when the file is not such a file and must be read whole.
int readExactBinaryFile(const std::string& path, Model& model, const ReadContext& ctx) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    // Reads up to `n` bytes; fewer only at the end of the file or on an error.
    auto readSome = [fd](std::uint8_t* into, std::size_t n) {
        std::size_t got = 0;
        while (got < n) {
            const ssize_t r = ::read(fd, into + got, n - got);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            got += static_cast<std::size_t>(r);
        }
        return got;
    };
    std::uint8_t header[kHeaderSize];
    if (size < kHeaderSize + kTriangleSize || readSome(header, kHeaderSize) != kHeaderSize) return -1;
    const std::uint64_t count = readU32(header + 80);
    if (kHeaderSize + count * kTriangleSize != size) return -1;
    return runGuarded([&]() -> int {
        LoadProgress progress(static_cast<long long>(size), ctx.ui.progress());
        MeshBuilder mesh(model);
        Findings findings;
        mesh.beginSolid(headerName(header));
        mesh.expect(count);
        // A whole number of progress steps a piece.
        constexpr std::uint64_t kPiece = 8192;
        std::vector<std::uint8_t> piece(kPiece * kTriangleSize);
        for (std::uint64_t first = 0; first < count;) {
            const std::uint64_t want = std::min(kPiece, count - first);
            const std::uint64_t got = readSome(piece.data(), want * kTriangleSize) / kTriangleSize;
            readTriangles(piece.data(), first, got, mesh, progress, findings);
            first += got;
            if (got < want) {
                // The file shrank while it was read: as a file that ends early.
                findings.countSays = count;
                findings.holds = first;
                break;
            }
        }
        return finish(mesh, findings, progress, model, path, ctx);
    });
}

}  // namespace

int readStlData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                const ReadContext& ctx) {
    return runGuarded([&]() -> int {
        if (data.empty()) return kReadFailed;
        LoadProgress progress(static_cast<long long>(data.size()), ctx.ui.progress());
        MeshBuilder mesh(model);
        Findings findings;
        const bool exactBinary =
            data.size() >= kHeaderSize &&
            kHeaderSize + std::uint64_t(readU32(data.data() + 80)) * kTriangleSize == data.size();
        if (!exactBinary && looksLikeText(data)) {
            AsciiReader(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), mesh,
                        progress, findings)
                .run();
        } else if (data.size() >= kHeaderSize + kTriangleSize) {
            readBinary(data, mesh, progress, findings);
        } else {
            return kReadFailed;
        }
        return finish(mesh, findings, progress, model, path, ctx);
    });
}

int readStl(const std::string& path, Model& model, const ReadContext& ctx) {
    if (const int result = readExactBinaryFile(path, model, ctx); result >= 0) return result;
    FileBytes file;
    if (!file.read(path)) return kReadFailed;
    return readStlData(file.bytes(), path, model, ctx);
}

}  // namespace plikatra
