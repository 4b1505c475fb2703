// Drawing exchange files in text form.
//
// Only surface data is taken: 3DFACE entities and the vertex and face records of polyface
// meshes. The file is read as a stream of whitespace-separated words, the way a formatted
// text stream reads it, rather than as strict pairs of group-code and value lines; everything
// that is not one of the three keywords is passed by. Faces are grouped into one solid per
// layer, and corners of a layer closer than 0.0001 are merged into one vertex.
#include "import/dxf_reader.h"
#include "base/file_io.h"

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/load_progress.h"
#include "base/c_numbers.h"
#include "base/read_result.h"
#include "import/reader_guard.h"
#include "model/construction.h"

namespace plikatra {

namespace {

// Corners closer than this within a layer are one vertex.
constexpr double kMergeDistance = 0.0001;
// Longest part of a group-8 line skipped before the layer name.
constexpr std::size_t kSkipLineLimit = 512;
// Longest layer name kept; the rest of a longer line is read as ordinary words.
constexpr std::size_t kLayerNameLimit = 511;

inline bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Words, numbers and lines with the rules of a formatted text stream: a number is the
// longest prefix of the next word that looks like one (the rest stays for the next read),
// and a read that finds no number, or no word at all, puts the stream into a failed state
// that every later read reports.
class TokenStream {
public:
    explicit TokenStream(std::string_view text) : text_(text) {}

    bool failed() const { return failed_; }
    std::size_t position() const { return pos_; }

    bool word(std::string_view& w) {
        if (!skipSpace()) return false;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isSpace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        w = text_.substr(start, pos_ - start);
        return true;
    }

    bool integer(long& value) {
        if (!skipSpace()) return false;
        std::size_t p = pos_;
        if (text_[p] == '+' || text_[p] == '-') ++p;
        const std::size_t digits = p;
        while (p < text_.size() && isDigit(text_[p])) ++p;
        if (p == digits) return fail();
        const std::string number(text_.substr(pos_, p - pos_));
        errno = 0;
        const long long v = std::strtoll(number.c_str(), nullptr, 10);
        if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return fail();
        value = static_cast<long>(v);
        pos_ = p;
        return true;
    }

    bool real(double& value) {
        if (!skipSpace()) return false;
        std::size_t p = pos_;
        const std::size_t n = text_.size();
        if (text_[p] == '+' || text_[p] == '-') ++p;
        std::size_t mantissaDigits = 0;
        while (p < n && isDigit(text_[p])) ++p, ++mantissaDigits;
        if (p < n && text_[p] == '.') {
            ++p;
            while (p < n && isDigit(text_[p])) ++p, ++mantissaDigits;
        }
        if (mantissaDigits == 0) return fail();
        if (p < n && (text_[p] == 'e' || text_[p] == 'E')) {
            std::size_t q = p + 1;
            if (q < n && (text_[q] == '+' || text_[q] == '-')) ++q;
            const std::size_t expDigits = q;
            while (q < n && isDigit(text_[q])) ++q;
            if (q > expDigits) p = q;
        }
        value = parseCDouble(text_.substr(pos_, p - pos_));
        pos_ = p;
        return true;
    }

    // Drops characters up to and including the next line feed, at most `limit` of them.
    void skipLine(std::size_t limit) {
        if (failed_) return;
        const std::size_t avail = std::min(limit, text_.size() - pos_);
        const void* nl = std::memchr(text_.data() + pos_, '\n', avail);
        pos_ = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data()) + 1
                  : pos_ + avail;
    }

    // The next line without its line end, at most `limit` characters; a longer line leaves
    // its rest in the stream. A carriage return before the line feed is not part of it.
    std::string line(std::size_t limit) {
        if (failed_) return {};
        const std::size_t avail = std::min(limit, text_.size() - pos_);
        const char* begin = text_.data() + pos_;
        const void* nl = std::memchr(begin, '\n', avail);
        std::size_t len = avail;
        if (nl) {
            len = static_cast<std::size_t>(static_cast<const char*>(nl) - begin);
            pos_ += len + 1;
        } else {
            pos_ += avail;
            if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        }
        if (len > 0 && begin[len - 1] == '\r') --len;
        return std::string(begin, len);
    }

private:
    bool skipSpace() {
        if (failed_) return false;
        while (pos_ < text_.size() && isSpace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        if (pos_ == text_.size()) return fail();
        return true;
    }

    bool fail() {
        failed_ = true;
        return false;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// A merge cell: the corner's coordinates divided by twice the merge distance, rounded down.
// Corners closer than the merge distance then lie in the same or neighbouring cells, even
// after rounding.
struct Cell {
    double x, y, z;
    bool operator==(const Cell& o) const {
        return std::memcmp(this, &o, sizeof(Cell)) == 0;
    }
};

struct CellHash {
    std::size_t operator()(const Cell& c) const {
        std::uint64_t h = 1469598103934665603ull;
        for (double d : {c.x, c.y, c.z}) {
            std::uint64_t bits;
            std::memcpy(&bits, &d, sizeof bits);
            h = (h ^ bits) * 1099511628211ull;
            h ^= h >> 29;
        }
        return static_cast<std::size_t>(h);
    }
};

// Adding 0.0 turns −0 into +0, so that equal cells have equal bytes.
inline double cellCoordinate(double v) { return std::floor(v * (0.5 / kMergeDistance)) + 0.0; }

// One layer: its solid and an index of its vertices by merge cell.
struct Layer {
    Solid* solid = nullptr;
    std::unordered_map<Cell, std::vector<std::size_t>, CellHash> cells;

    // The newest vertex closer than the merge distance, or a new one. The cell index gives
    // the same vertex a search from the newest vertex backwards would find, without visiting
    // every vertex of the layer: only the cells that the box of the merge distance around the
    // corner reaches are looked in, at most two along each axis (the box is one cell wide),
    // widened by a few units in the last place so that rounding cannot hide a neighbour.
    // Corners with a coordinate that is no finite number never merge (their distance to
    // anything is not below the merge distance).
    Vertex* vertexAt(const Point3& p) {
        const bool finite = std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
        Cell home{};
        if (finite) {
            home = {cellCoordinate(p.x), cellCoordinate(p.y), cellCoordinate(p.z)};
            CellRange rx(p.x), ry(p.y), rz(p.z);
            std::size_t best = 0;
            bool found = false;
            for (int i = 0; i < rx.count; ++i)
                for (int j = 0; j < ry.count; ++j)
                    for (int k = 0; k < rz.count; ++k) {
                        const Cell c{rx.first + i + 0.0, ry.first + j + 0.0, rz.first + k + 0.0};
                        const auto it = cells.find(c);
                        if (it == cells.end()) continue;
                        for (std::size_t n : it->second)
                            if ((!found || n > best) &&
                                distance3(solid->vertices[n]->position, p) < kMergeDistance) {
                                best = n;
                                found = true;
                            }
                    }
            if (found) return solid->vertices[best].get();
        }
        Vertex* v = solid->addVertex(p.x, p.y, p.z);
        if (finite) cells[home].push_back(solid->vertices.size() - 1);
        return v;
    }

private:
    // The cells along one axis that hold every coordinate closer than the merge distance to v.
    struct CellRange {
        explicit CellRange(double v) {
            const double slack = (std::fabs(v) + kMergeDistance) * 1e-15;
            first = cellCoordinate(v - kMergeDistance - slack);
            const double last = cellCoordinate(v + kMergeDistance + slack);
            // Beyond 2^53 consecutive cells are no longer apart; one cell then holds them all.
            count = last > first ? (last - first >= 2.0 ? 3 : 2) : 1;
        }
        double first;
        int count;
    };
};

class DxfReader {
public:
    DxfReader(std::string_view text, Model& model, LoadProgress& progress)
        : in_(text), model_(model), progress_(progress) {}

    int run() {
        std::string_view w;
        while (in_.word(w)) {
            progress_.update(static_cast<long long>(in_.position()));
            if (w == "SEQEND" || w == "seqend") {
                polyfaceBase_ = polyfaceVertices_.size();
            } else if (w == "VERTEX" || w == "vertex") {
                readVertex();
            } else if (w == "3DFACE" || w == "3dface") {
                readFace();
            }
        }
        progress_.constructing();
        polyfaceVertices_.clear();
        polyfaceVertices_.shrink_to_fit();
        const bool ok = finishSolids(model_, kAreaThreshold);
        progress_.close();
        return ok ? kReadOk : kReadFailed;
    }

private:
    // Group 8: the layer name is the whole next line, spaces included.
    void readLayerName() {
        in_.skipLine(kSkipLineLimit);
        layerName_ = in_.line(kLayerNameLimit);
    }

    void readVertex() {
        Point3 p;
        long flags = 0;
        long index[4] = {0, 0, 0, 0};
        int count = 3;
        long code;
        std::string_view value;
        while (in_.integer(code) && code != 0) {
            switch (code) {
            case 10: in_.real(p.x); break;
            case 20: in_.real(p.y); break;
            case 30: in_.real(p.z); break;
            case 70: in_.integer(flags); break;
            case 71: in_.integer(index[0]); break;
            case 72: in_.integer(index[1]); break;
            case 73: in_.integer(index[2]); break;
            case 74:
                in_.integer(index[3]);
                count = 4;
                break;
            case 8: readLayerName(); break;
            default: in_.word(value); break;
            }
        }
        if ((flags & 128) && (flags & 64)) {
            polyfaceVertices_.push_back(p);
        } else if (flags & 128) {
            // A zero fourth index is how some writers mark a triangle.
            if (count == 4 && index[3] == 0) count = 3;
            Point3 corners[4];
            for (int k = 0; k < count; ++k) {
                // The sign only marks an invisible edge. A zero index, or one past the
                // vertices read so far, names no vertex: the face is dropped.
                const long long magnitude = std::llabs(static_cast<long long>(index[k]));
                if (magnitude == 0 ||
                    static_cast<unsigned long long>(magnitude) > polyfaceVertices_.size() - polyfaceBase_)
                    return;
                corners[k] = polyfaceVertices_[polyfaceBase_ + static_cast<std::size_t>(magnitude) - 1];
            }
            addFace(corners, count);
        }
    }

    void readFace() {
        Point3 corners[4];
        int count = 3;
        bool seen10 = false;
        long code;
        std::string_view value;
        while (in_.integer(code)) {
            if (code == 0) {
                if (seen10) break;
                continue;  // an end of entity before any corner does not end this one
            }
            const long axis = code / 10;
            const long corner = code % 10;
            if (code >= 10 && code <= 33 && corner <= 3) {
                double& target = axis == 1 ? corners[corner].x : axis == 2 ? corners[corner].y : corners[corner].z;
                in_.real(target);
                if (code == 10) seen10 = true;
                if (code == 13) count = 4;
            } else if (code == 8) {
                readLayerName();
            } else if (in_.word(value) && value == "{") {
                // A group of application data: passed by up to its closing brace.
                while (in_.word(value) && value != "}") {
                }
            }
        }
        addFace(corners, count);
    }

    void addFace(Point3 corners[4], int count) {
        if (count == 4 && (distance3(corners[3], corners[2]) == 0.0 || distance3(corners[3], corners[0]) == 0.0))
            count = 3;
        Layer& layer = layerNamed(layerName_);
        Face* face = layer.solid->addFace(-1);
        for (int k = 0; k < count; ++k) face->addCorner(layer.vertexAt(corners[k]));
    }

    Layer& layerNamed(const std::string& name) {
        auto it = layers_.find(name);
        if (it == layers_.end()) {
            auto layer = std::make_unique<Layer>();
            layer->solid = model_.addSolid(name);
            it = layers_.emplace(name, std::move(layer)).first;
        }
        return *it->second;
    }

    TokenStream in_;
    Model& model_;
    LoadProgress& progress_;
    std::string layerName_;
    std::vector<Point3> polyfaceVertices_;  // every polyface vertex of the file, in order
    std::size_t polyfaceBase_ = 0;          // list length at the most recent SEQEND
    std::unordered_map<std::string, std::unique_ptr<Layer>> layers_;
};

}  // namespace

int readDxfText(std::string_view text, Model& model, const ReadContext& ctx) {
    return runGuarded([&]() -> int {
        if (text.empty()) return kReadFailed;
        LoadProgress progress(static_cast<long long>(text.size()), ctx.ui.progress());
        DxfReader reader(text, model, progress);
        return reader.run();
    });
}

int readDxf(const std::string& path, Model& model, const ReadContext& ctx) {
    std::string text;
    if (!readWholeFile(path, text)) return kReadFailed;
    return readDxfText(text, model, ctx);
}

}  // namespace plikatra
