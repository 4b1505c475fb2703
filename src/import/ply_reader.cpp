// Polygon files.
//
// A text header ("ply", "format ascii|binary_little_endian|binary_big_endian 1.0", then
// "element NAME COUNT" each followed by its "property TYPE NAME" or "property list COUNTTYPE
// TYPE NAME" lines, up to "end_header") describes the elements that follow, in order. Every
// element is read item by item with its properties in header order, so that elements the
// program has no use for are passed by whatever they hold.
#include "import/ply_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/c_numbers.h"
#include "base/file_io.h"
#include "base/load_progress.h"
#include "import/reader_guard.h"
#include "model/construction.h"

namespace plikatra {

namespace {

enum class Type { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32, Float64, Invalid };
enum class Encoding { Ascii, LittleEndian, BigEndian };

Type typeNamed(std::string_view w) {
    if (w == "char" || w == "int8") return Type::Int8;
    if (w == "uchar" || w == "uint8") return Type::UInt8;
    if (w == "short" || w == "int16") return Type::Int16;
    if (w == "ushort" || w == "uint16") return Type::UInt16;
    if (w == "int" || w == "int32") return Type::Int32;
    if (w == "uint" || w == "uint32") return Type::UInt32;
    if (w == "float" || w == "float32") return Type::Float32;
    if (w == "double" || w == "float64") return Type::Float64;
    return Type::Invalid;
}

std::size_t sizeOf(Type t) {
    switch (t) {
        case Type::Int8:
        case Type::UInt8: return 1;
        case Type::Int16:
        case Type::UInt16: return 2;
        case Type::Int32:
        case Type::UInt32:
        case Type::Float32: return 4;
        case Type::Float64: return 8;
        case Type::Invalid: break;
    }
    return 0;
}

struct Property {
    std::string name;
    Type type = Type::Invalid;
    bool list = false;
    Type countType = Type::Invalid;
};

struct Element {
    std::string name;
    std::uint64_t count = 0;
    std::vector<Property> properties;
};

struct Header {
    Encoding encoding = Encoding::Ascii;
    std::vector<Element> elements;
    std::size_t dataStart = 0;
};

bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpace(static_cast<unsigned char>(line[i]))) ++i;
        const std::size_t start = i;
        while (i < line.size() && !isSpace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

// False when the text is no PLY header the reader understands.
bool readHeader(std::string_view text, Header& header) {
    std::size_t pos = 0;
    bool first = true, formatSeen = false;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) return false;
        const std::vector<std::string_view> w = words(text.substr(pos, end - pos));
        pos = end + 1;
        if (first) {
            if (w.size() != 1 || w[0] != "ply") return false;
            first = false;
            continue;
        }
        if (w.empty() || w[0] == "comment" || w[0] == "obj_info") continue;
        if (w[0] == "end_header") {
            header.dataStart = pos;
            return formatSeen;
        }
        if (w[0] == "format" && w.size() >= 2) {
            if (w[1] == "ascii") header.encoding = Encoding::Ascii;
            else if (w[1] == "binary_little_endian") header.encoding = Encoding::LittleEndian;
            else if (w[1] == "binary_big_endian") header.encoding = Encoding::BigEndian;
            else return false;
            formatSeen = true;
        } else if (w[0] == "element" && w.size() == 3) {
            Element e;
            e.name = std::string(w[1]);
            const std::string count(w[2]);
            char* stop = nullptr;
            e.count = std::strtoull(count.c_str(), &stop, 10);
            if (stop == count.c_str() || *stop != '\0' || count[0] == '-') return false;
            header.elements.push_back(std::move(e));
        } else if (w[0] == "property" && !header.elements.empty()) {
            Property p;
            if (w.size() == 5 && w[1] == "list") {
                p.list = true;
                p.countType = typeNamed(w[2]);
                p.type = typeNamed(w[3]);
                p.name = std::string(w[4]);
                if (p.countType == Type::Invalid || p.countType == Type::Float32 || p.countType == Type::Float64)
                    return false;
            } else if (w.size() == 3) {
                p.type = typeNamed(w[1]);
                p.name = std::string(w[2]);
            } else {
                return false;
            }
            if (p.type == Type::Invalid) return false;
            header.elements.back().properties.push_back(std::move(p));
        } else {
            return false;
        }
    }
    return false;
}

// The values of the body, one at a time, in the file's encoding. Past the end every value
// reads as 0 and `ended` is set, so a file cut short keeps what came before the cut.
class Values {
public:
    Values(std::span<const std::uint8_t> data, std::size_t start, Encoding encoding)
        : data_(data), pos_(start), encoding_(encoding) {}

    bool ended() const { return ended_; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return data_.size() - std::min(pos_, data_.size()); }

    double read(Type type) {
        if (encoding_ == Encoding::Ascii) return readWord();
        const std::size_t n = sizeOf(type);
        if (remaining() < n) {
            ended_ = true;
            pos_ = data_.size();
            return 0.0;
        }
        std::uint8_t b[8];
        std::memcpy(b, data_.data() + pos_, n);
        pos_ += n;
        if (encoding_ == Encoding::BigEndian) std::reverse(b, b + n);
        std::uint64_t bits = 0;
        for (std::size_t i = n; i-- > 0;) bits = bits << 8 | b[i];
        switch (type) {
            case Type::Int8: return static_cast<std::int8_t>(bits);
            case Type::UInt8: return static_cast<std::uint8_t>(bits);
            case Type::Int16: return static_cast<std::int16_t>(bits);
            case Type::UInt16: return static_cast<std::uint16_t>(bits);
            case Type::Int32: return static_cast<std::int32_t>(bits);
            case Type::UInt32: return static_cast<std::uint32_t>(bits);
            case Type::Float32: return std::bit_cast<float>(static_cast<std::uint32_t>(bits));
            case Type::Float64: return std::bit_cast<double>(bits);
            case Type::Invalid: break;
        }
        return 0.0;
    }

private:
    double readWord() {
        while (pos_ < data_.size() && isSpace(data_[pos_])) ++pos_;
        if (pos_ >= data_.size()) {
            ended_ = true;
            return 0.0;
        }
        const std::size_t start = pos_;
        while (pos_ < data_.size() && !isSpace(data_[pos_])) ++pos_;
        return parseCDouble({reinterpret_cast<const char*>(data_.data() + start), pos_ - start});
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_;
    Encoding encoding_;
    bool ended_ = false;
};

// A list's length as a count: anything that is not a whole number from 0 up ends the read.
bool listLength(Values& in, const Property& p, std::uint64_t& n) {
    const double v = in.read(p.countType);
    if (!(v >= 0) || v != std::floor(v) || v > 4294967295.0) return false;
    n = static_cast<std::uint64_t>(v);
    return true;
}

int indexOf(const Element& e, std::initializer_list<const char*> names) {
    for (const char* name : names)
        for (std::size_t i = 0; i < e.properties.size(); ++i)
            if (!e.properties[i].list && e.properties[i].name == name) return static_cast<int>(i);
    return -1;
}

class PlyReader {
public:
    PlyReader(std::span<const std::uint8_t> data, const Header& header, Model& model, LoadProgress& progress)
        : in_(data, header.dataStart, header.encoding), header_(header), model_(model), progress_(progress) {}

    int run() {
        solid_ = model_.addSolid("");
        for (const Element& e : header_.elements) {
            if (e.name == "vertex") readVertices(e);
            else if (e.name == "face") readFaces(e);
            else passBy(e);
            if (in_.ended() || broken_) break;
        }
        return kReadOk;
    }

    bool endedEarly() const { return in_.ended() || broken_; }
    std::uint64_t droppedFaces() const { return droppedFaces_; }
    std::uint64_t faces() const { return faces_; }

private:
    void tick(std::uint64_t i) {
        if ((i & 4095) == 0) progress_.update(static_cast<long long>(in_.position()));
    }

    void readVertices(const Element& e) {
        const int x = indexOf(e, {"x"}), y = indexOf(e, {"y"}), z = indexOf(e, {"z"});
        const int u = indexOf(e, {"s", "u", "texture_u", "texture_s"});
        const int v = indexOf(e, {"t", "v", "texture_v", "texture_t"});
        const bool uv = u >= 0 && v >= 0;
        if (uv) model_.bTextureCoodinates = true;
        std::vector<double> values(e.properties.size());
        for (std::uint64_t i = 0; i < e.count; ++i) {
            tick(i);
            for (std::size_t k = 0; k < e.properties.size(); ++k) {
                const Property& p = e.properties[k];
                if (p.list) {
                    if (!passList(p)) return;
                } else {
                    values[k] = in_.read(p.type);
                }
            }
            if (in_.ended()) return;
            solid_->addVertex(x >= 0 ? values[x] : 0.0, y >= 0 ? values[y] : 0.0, z >= 0 ? values[z] : 0.0);
            vertexUv_.push_back(uv ? solid_->addTexCoord(values[u], 1.0 - values[v]) : nullptr);
        }
    }

    void readFaces(const Element& e) {
        int indices = -1, texcoords = -1;
        for (std::size_t k = 0; k < e.properties.size(); ++k) {
            const Property& p = e.properties[k];
            if (!p.list) continue;
            if (indices < 0 && (p.name == "vertex_indices" || p.name == "vertex_index")) indices = static_cast<int>(k);
            else if (texcoords < 0 && p.name == "texcoord") texcoords = static_cast<int>(k);
        }
        if (indices < 0) {
            passBy(e);
            return;
        }
        std::vector<double> corners, uvs;
        for (std::uint64_t i = 0; i < e.count; ++i) {
            tick(i);
            corners.clear();
            uvs.clear();
            for (std::size_t k = 0; k < e.properties.size(); ++k) {
                const Property& p = e.properties[k];
                if (static_cast<int>(k) == indices) {
                    if (!readList(p, corners)) return;
                } else if (static_cast<int>(k) == texcoords) {
                    if (!readList(p, uvs)) return;
                } else if (p.list) {
                    if (!passList(p)) return;
                } else {
                    in_.read(p.type);
                }
            }
            if (in_.ended()) return;
            addFace(corners, uvs.size() == 2 * corners.size() ? &uvs : nullptr);
        }
    }

    void addFace(const std::vector<double>& corners, const std::vector<double>* uvs) {
        const std::size_t vertexCount = solid_->vertices.size();
        ring_.clear();
        ringUv_.clear();
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const double c = corners[i];
            if (!(c >= 0 && c < static_cast<double>(vertexCount)) || c != std::floor(c)) {
                ++droppedFaces_;
                return;
            }
            const auto index = static_cast<std::size_t>(c);
            if (!ring_.empty() && ring_.back() == index) continue;
            ring_.push_back(index);
            ringUv_.push_back(i);
        }
        while (ring_.size() > 1 && ring_.front() == ring_.back()) {
            ring_.pop_back();
            ringUv_.pop_back();
        }
        if (ring_.size() < 3) {
            ++droppedFaces_;
            return;
        }
        Face* face = solid_->addFace(-1);
        for (std::size_t k = 0; k < ring_.size(); ++k) {
            TexCoord* tc = vertexUv_[ring_[k]];
            if (uvs) {
                const std::size_t i = ringUv_[k];
                tc = solid_->addTexCoord((*uvs)[2 * i], 1.0 - (*uvs)[2 * i + 1]);
                model_.bTextureCoodinates = true;
            }
            face->addCorner(solid_->vertices[ring_[k]].get(), tc);
        }
        ++faces_;
    }

    // Reads a list into `out`; false when its length is no count, which ends the read.
    bool readList(const Property& p, std::vector<double>& out) {
        std::uint64_t n = 0;
        if (!listLength(in_, p, n)) {
            broken_ = true;
            return false;
        }
        // A length beyond what the rest of the file can hold is a damaged file, not a reason
        // to allocate.
        const std::size_t least = header_.encoding == Encoding::Ascii ? 2 : sizeOf(p.type);
        if (n > in_.remaining() / least) {
            broken_ = true;
            return false;
        }
        for (std::uint64_t i = 0; i < n; ++i) out.push_back(in_.read(p.type));
        return !in_.ended();
    }

    bool passList(const Property& p) {
        scratch_.clear();
        return readList(p, scratch_);
    }

    void passBy(const Element& e) {
        if (e.properties.empty()) return;  // an element of no properties holds no bytes
        for (std::uint64_t i = 0; i < e.count && !in_.ended() && !broken_; ++i) {
            tick(i);
            for (const Property& p : e.properties) {
                if (p.list) {
                    if (!passList(p)) return;
                } else {
                    in_.read(p.type);
                }
            }
        }
    }

    Values in_;
    const Header& header_;
    Model& model_;
    LoadProgress& progress_;
    Solid* solid_ = nullptr;
    std::vector<TexCoord*> vertexUv_;
    std::vector<std::size_t> ring_, ringUv_;
    std::vector<double> scratch_;
    std::uint64_t droppedFaces_ = 0;
    std::uint64_t faces_ = 0;
    bool broken_ = false;
};

std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int readPlyData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                const ReadContext& ctx) {
    return runGuarded([&]() -> int {
        Header header;
        if (!readHeader({reinterpret_cast<const char*>(data.data()), data.size()}, header)) return kReadFailed;
        LoadProgress progress(static_cast<long long>(data.size()), ctx.ui.progress());
        PlyReader reader(data, header, model, progress);
        reader.run();
        if (reader.faces() == 0) return kReadFailed;
        progress.constructing();
        const bool ok = finishSolids(model, kAreaThreshold);
        progress.close();
        if (!ok) return kReadFailed;
        std::string text;
        if (reader.endedEarly()) text = format(kMsgFileEndsEarly, path.c_str());
        if (reader.droppedFaces()) {
            if (!text.empty()) text += "\n";
            text += format("%s: %llu faces that name a vertex the file does not have, or fewer than three "
                           "corners, were left out.",
                           fileName(path).c_str(), static_cast<unsigned long long>(reader.droppedFaces()));
        }
        if (!text.empty()) ctx.ui.show(text, MessageIcon::Warning);
        return kReadOk;
    });
}

int readPly(const std::string& path, Model& model, const ReadContext& ctx) {
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, bytes)) return kReadFailed;
    return readPlyData(bytes, path, model, ctx);
}

}  // namespace plikatra
