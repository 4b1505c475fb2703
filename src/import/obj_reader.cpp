// Wavefront OBJ files with their MTL material libraries.
//
// The file is read into memory at once and scanned with the word and line rules of a text
// stream, which keeps reading fast on files of tens of megabytes.
#include "import/obj_reader.h"
#include "base/file_io.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <numeric>
#include <string_view>
#include <vector>

#include "base/c_numbers.h"
#include "base/load_progress.h"
#include "base/read_result.h"
#include "import/reader_guard.h"
#include "model/construction.h"
#include "textures/model_textures.h"

namespace plikatra {

namespace {

constexpr std::size_t kUnlimited = static_cast<std::size_t>(-1);
// Longest part of a "g" or "usemtl" line skipped after its name.
constexpr std::size_t kNameLineLimit = 511;
// Longest part of any other line skipped, and the longest face text taken.
constexpr std::size_t kLineLimit = 512;

// The "C" locale's isspace, independent of whatever locale the application set.
inline bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads text the way a formatted text stream does: words end at white space, and lines
// can be skipped or taken with a length limit, leaving the rest of a longer line unread.
class TextScanner {
public:
    explicit TextScanner(std::string_view text) : text_(text) {}

    // The next whitespace-delimited word; false when only white space is left.
    bool word(std::string_view& w) {
        const std::size_t n = text_.size();
        std::size_t p = pos_;
        while (p < n && isSpace(static_cast<unsigned char>(text_[p]))) ++p;
        if (p == n) {
            pos_ = p;
            return false;
        }
        const std::size_t start = p;
        while (p < n && !isSpace(static_cast<unsigned char>(text_[p]))) ++p;
        w = text_.substr(start, p - start);
        pos_ = p;
        return true;
    }

    // Drops characters up to and including the next line feed, at most `limit` of them.
    void skipLine(std::size_t limit = kUnlimited) {
        const std::size_t avail = std::min(limit, text_.size() - pos_);
        const void* nl = std::memchr(text_.data() + pos_, '\n', avail);
        pos_ = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data()) + 1
                  : pos_ + avail;
    }

    // The characters up to the next line feed (dropped, not returned), at most `limit`.
    std::string_view restOfLine(std::size_t limit) {
        const std::size_t avail = std::min(limit, text_.size() - pos_);
        const char* begin = text_.data() + pos_;
        const void* nl = std::memchr(begin, '\n', avail);
        if (nl) {
            const auto len = static_cast<std::size_t>(static_cast<const char*>(nl) - begin);
            pos_ += len + 1;
            return {begin, len};
        }
        pos_ += avail;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        return {begin, avail};
    }

    std::size_t position() const { return pos_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// Options that may stand before the file name of a texture map, with how many values each
// takes. Numeric options take up to that many numbers ("-s 2" and "-s 2 2 1" both occur);
// the others take exactly one word.
struct MapOption {
    std::string_view name;
    int values;
    bool numeric;
};
constexpr MapOption kMapOptions[] = {
    {"-blendu", 1, false}, {"-blendv", 1, false}, {"-bm", 1, true},      {"-boost", 1, true},
    {"-cc", 1, false},     {"-clamp", 1, false},  {"-imfchan", 1, false}, {"-mm", 2, true},
    {"-o", 3, true},       {"-s", 3, true},       {"-t", 3, true},        {"-texres", 1, true},
    {"-type", 1, false},
};

const MapOption* mapOption(std::string_view word) {
    for (const auto& o : kMapOptions)
        if (o.name == word) return &o;
    return nullptr;
}

bool isNumber(std::string_view w) {
    double value = 0.0;
    const auto r = std::from_chars(w.data(), w.data() + w.size(), value);
    return r.ec == std::errc() && r.ptr == w.data() + w.size();
}

// The file name of a texture map statement, given the rest of its line: the options before
// it are skipped; a name in double quotes is taken between them; otherwise the name runs to
// the line's end (names may hold spaces) or to an option written after it. Empty when the
// statement names no file.
std::string mapFileName(std::string_view line) {
    std::vector<std::string_view> words;
    TextScanner in(line);
    for (std::string_view w; in.word(w);) words.push_back(w);
    std::size_t i = 0;
    while (i < words.size()) {
        const MapOption* option = mapOption(words[i]);
        if (!option) break;
        ++i;
        for (int k = 0; k < option->values && i < words.size(); ++k, ++i)
            if (option->numeric && !isNumber(words[i])) break;
    }
    if (i == words.size()) return {};
    const auto offset = [&](std::string_view w) { return static_cast<std::size_t>(w.data() - line.data()); };
    std::string_view name = line.substr(offset(words[i]));
    if (name[0] == '"') {
        name.remove_prefix(1);
        return std::string(name.substr(0, name.find('"')));
    }
    for (std::size_t j = i + 1; j < words.size(); ++j) {
        if (mapOption(words[j])) {
            name = name.substr(0, offset(words[j]) - offset(words[i]));
            break;
        }
    }
    while (!name.empty() && isSpace(static_cast<unsigned char>(name.back()))) name.remove_suffix(1);
    return std::string(name);
}

// Reads the Kd colours and, when `textures` is given, the map_Kd texture files of a material
// library into the materials whose names they give. Every "usemtl" line made a material of
// its own, so a name may stand for several materials; each of them takes the colour and the
// texture.
void readMaterialLibrary(std::string_view text, Model& model, ModelTextures* textures) {
    TextScanner in(text);
    std::vector<Material*> targets;
    std::string texture;  // map_Kd of the material being read; the last one given counts
    const auto endMaterial = [&] {
        if (textures) textures->attach(texture, targets);
        texture.clear();
    };
    std::string_view w;
    while (in.word(w)) {
        if (w[0] == '#') {
            in.skipLine(kLineLimit);
        } else if (w == "newmtl") {
            endMaterial();
            targets.clear();
            std::string_view name;
            if (!in.word(name)) break;
            in.skipLine();
            for (const auto& m : model.materials)
                if (equalsIgnoreAsciiCase(m->name, name)) targets.push_back(m.get());
        } else if (w == "Kd") {
            std::string_view r, g, b;
            if (!in.word(r) || !in.word(g) || !in.word(b)) break;
            const auto red = static_cast<float>(parseCDouble(r));
            const auto green = static_cast<float>(parseCDouble(g));
            const auto blue = static_cast<float>(parseCDouble(b));
            for (Material* m : targets) m->setColor(red, green, blue);
        } else if (w == "map_Kd") {
            texture = mapFileName(in.restOfLine(kLineLimit));
        }
    }
    endMaterial();
    if (textures) textures->report();
}

// "dir/name.obj" → "dir/"; "" when the path has no directory part.
std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The path with the extension of its file name replaced by (or extended with) ".mtl".
std::string withMtlExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return path + ".mtl";
    return path.substr(0, dot) + ".mtl";
}

// Finds the material library, given the "mtllib" name (empty when none was given), and reads
// it into the model's materials; does nothing when there is none.
using LibraryFinder = std::function<void(const std::string& name, bool given, Model& model)>;

class ObjReader {
public:
    // releaseText, when given, frees the text once it has been read (before the solids are
    // built); nothing may look at the text after that.
    ObjReader(const LibraryFinder& library, std::string_view text, Model& model, LoadProgress& progress,
              std::function<void()> releaseText)
        : library_(library), in_(text), model_(model), progress_(progress),
          releaseText_(std::move(releaseText)) {}

    int run() {
        solid_ = model_.addSolid();
        std::string_view w;
        while (in_.word(w)) {
            progress_.update(static_cast<long long>(in_.position()));
            if (w[0] == '#') {
                in_.skipLine();
            } else if (w == "v") {
                if (!readVertex()) return kReadFailed;
            } else if (w == "vt") {
                if (!readTexCoord()) return kReadFailed;
            } else if (w == "f" || w == "fo") {
                if (!readFace()) break;
            } else if (w == "g") {
                startGroup();
            } else if (w == "usemtl") {
                std::string_view name;
                in_.word(name);
                in_.skipLine(kNameLineLimit);
                model_.addMaterial()->name = std::string(name);
            } else if (w == "mtllib") {
                std::string_view name;
                if (in_.word(name)) {
                    mtllib_ = std::string(name);
                    mtllibGiven_ = true;
                }
                in_.skipLine(kLineLimit);
            } else {
                in_.skipLine(kLineLimit);
            }
        }
        return finish();
    }

private:
    // A file-wide vertex or texture coordinate number and the current solid's copy of it.
    template <typename Copy>
    struct Slot {
        std::uint32_t stamp = 0;  // the copy belongs to the current solid when equal to stamp_
        Copy* copy = nullptr;
    };

    bool readVertex() {
        std::string_view x, y, z;
        if (!in_.word(x) || !in_.word(y) || !in_.word(z)) return false;
        positions_.push_back({parseCDouble(x), parseCDouble(y), parseCDouble(z)});
        vertexSlots_.emplace_back();
        return true;
    }

    bool readTexCoord() {
        std::string_view u, v;
        if (!in_.word(u) || !in_.word(v)) return false;
        texCoords_.push_back({parseCDouble(u), 1.0 - parseCDouble(v)});
        texSlots_.emplace_back();
        return true;
    }

    // A group starts a new solid. It sees the whole numbering read so far, as if every vertex
    // and texture coordinate of the previous solid were copied into it; only the ones its
    // faces use are actually created, in the file's order, which is what remains of a full
    // copy once unused vertices are removed.
    void startGroup() {
        std::string_view name;
        in_.word(name);
        in_.skipLine(kNameLineLimit);
        closeSolid();
        solid_ = model_.addSolid(std::string(name));
        if (++stamp_ == 0) {
            for (auto& s : vertexSlots_) s.stamp = 0;
            for (auto& s : texSlots_) s.stamp = 0;
            stamp_ = 1;
        }
    }

    // Puts the current solid's copies into file order.
    void closeSolid() {
        auto& vs = solid_->vertices;
        std::sort(vs.begin(), vs.end(), [](const auto& a, const auto& b) { return a->index < b->index; });
        auto& ts = solid_->texCoords;
        std::vector<std::size_t> order(ts.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return texKeys_[a] < texKeys_[b]; });
        std::vector<std::unique_ptr<TexCoord>> sorted;
        sorted.reserve(ts.size());
        for (std::size_t i : order) sorted.push_back(std::move(ts[i]));
        ts = std::move(sorted);
        texKeys_.clear();
    }

    Vertex* vertexCopy(long long number) {
        auto& slot = vertexSlots_[static_cast<std::size_t>(number - 1)];
        if (slot.stamp != stamp_) {
            auto v = std::make_unique<Vertex>();
            v->index = static_cast<int>(number);  // file order, replaced when finishing
            v->position = positions_[static_cast<std::size_t>(number - 1)];
            slot.copy = v.get();
            slot.stamp = stamp_;
            solid_->vertices.push_back(std::move(v));
        }
        return slot.copy;
    }

    TexCoord* texCoordCopy(long long number) {
        auto& slot = texSlots_[static_cast<std::size_t>(number - 1)];
        if (slot.stamp != stamp_) {
            solid_->texCoords.push_back(std::make_unique<TexCoord>(texCoords_[static_cast<std::size_t>(number - 1)]));
            texKeys_.push_back(number);
            slot.copy = solid_->texCoords.back().get();
            slot.stamp = stamp_;
        }
        return slot.copy;
    }

    // Reads the corners of an "f" line; false when a vertex number is out of range, which
    // drops the face and ends reading.
    bool readFace() {
        Face* face = solid_->addFace(static_cast<int>(model_.materials.size()) - 1);
        const std::string_view text = in_.restOfLine(kLineLimit);
        const auto vertexCount = static_cast<long long>(positions_.size());
        const auto texCount = static_cast<long long>(texCoords_.size());
        corners_.clear();
        const char* p = text.data();
        const char* const end = p + text.size();
        while (true) {
            while (p < end && isSpace(static_cast<unsigned char>(*p))) ++p;
            if (p == end) break;
            const char* const tokenBegin = p;
            while (p < end && !isSpace(static_cast<unsigned char>(*p))) ++p;
            const char* const tokenEnd = p;

            const char* slash1 = static_cast<const char*>(std::memchr(tokenBegin, '/', tokenEnd - tokenBegin));
            long long c;
            long long t = -1;
            if (!slash1) {
                c = parseCInt(std::string_view(tokenBegin, static_cast<std::size_t>(tokenEnd - tokenBegin)));
            } else {
                c = parseCInt(std::string_view(tokenBegin, static_cast<std::size_t>(slash1 - tokenBegin)));
                const char* slash2 = static_cast<const char*>(std::memchr(slash1 + 1, '/', tokenEnd - slash1 - 1));
                if (!slash2) {
                    t = parseCInt(std::string_view(slash1 + 1, static_cast<std::size_t>(tokenEnd - (slash1 + 1))));
                    model_.bTextureCoodinates = true;
                } else if (slash2 != slash1 + 1) {
                    t = parseCInt(std::string_view(slash1 + 1, static_cast<std::size_t>(slash2 - (slash1 + 1))));
                    model_.bTextureCoodinates = true;
                }
            }
            if (c < 0) c += vertexCount + 1;
            if (model_.bTextureCoodinates && t < 0) t += texCount + 1;
            if (c < 1 || c > vertexCount) {
                solid_->faces.pop_back();
                return false;
            }
            // Corners that name no texture coordinate of the list get none.
            const bool hasTex = model_.bTextureCoodinates && t >= 1 && t <= texCount;
            corners_.push_back({c, hasTex ? t : 0});
        }
        face->halfedges.reserve(corners_.size());
        for (const auto& [c, t] : corners_) face->addCorner(vertexCopy(c), t ? texCoordCopy(t) : nullptr);
        return true;
    }

    int finish() {
        closeSolid();
        if (!model_.materials.empty()) library_(mtllib_, mtllibGiven_, model_);
        progress_.constructing();
        for (auto& solid : model_.solids) {
            // Vertices no face uses go; the file's numbers are no longer needed, so the index
            // marks the used ones until the survivors are numbered.
            for (auto& v : solid->vertices) v->index = -1;
            for (auto& f : solid->faces)
                for (auto& h : f->halfedges) h->origin->index = 0;
            std::erase_if(solid->vertices, [](const auto& v) { return v->index < 0; });
            int index = 0;
            for (auto& v : solid->vertices) v->index = index++;
        }
        // The file's numbering is no longer needed. Letting it go before the solids are
        // paired keeps it out of the peak memory of a large model.
        releaseNumbering();
        if (releaseText_) releaseText_();
        const bool ok = finishSolids(model_, kAreaThreshold);
        progress_.close();
        return ok ? kReadOk : kReadFailed;
    }

    void releaseNumbering() {
        std::vector<Point3>().swap(positions_);
        std::vector<TexCoord>().swap(texCoords_);
        std::vector<Slot<Vertex>>().swap(vertexSlots_);
        std::vector<Slot<TexCoord>>().swap(texSlots_);
        std::vector<long long>().swap(texKeys_);
    }

    const LibraryFinder& library_;
    TextScanner in_;
    Model& model_;
    LoadProgress& progress_;
    std::function<void()> releaseText_;
    Solid* solid_ = nullptr;
    std::vector<Point3> positions_;    // every "v" read so far
    std::vector<TexCoord> texCoords_;  // every "vt" read so far, v already flipped
    std::vector<Slot<Vertex>> vertexSlots_;
    std::vector<Slot<TexCoord>> texSlots_;
    std::vector<long long> texKeys_;  // file number of each texture coordinate of the current solid
    std::uint32_t stamp_ = 1;
    std::vector<std::pair<long long, long long>> corners_;  // vertex and texture number, 0 for none
    std::string mtllib_;
    bool mtllibGiven_ = false;
};

int readObjWith(std::string_view text, const LibraryFinder& library, Model& model,
                const ReadContext& ctx, std::function<void()> releaseText = {}) {
    return runGuarded([&]() -> int {
        if (text.empty()) return kReadFailed;
        LoadProgress progress(static_cast<long long>(text.size()), ctx.ui.progress());
        ObjReader reader(library, text, model, progress, std::move(releaseText));
        return reader.run();
    });
}

}  // namespace

int readObj(const std::string& path, Model& model, const ReadContext& ctx) {
    std::string text;
    if (!readWholeFile(path, text)) return kReadFailed;
    // A library named in the file is looked for as named, then beside the file; without a
    // name, the file's own name with the extension ".mtl". A missing library is no error.
    // Texture files are named relative to the library.
    const LibraryFinder beside = [&path, &ctx](const std::string& name, bool given, Model& m) {
        std::string file;
        if (given) {
            if (isRegularFile(name)) file = name;
            else if (isRegularFile(directoryOf(path) + name)) file = directoryOf(path) + name;
        } else if (isRegularFile(withMtlExtension(path))) {
            file = withMtlExtension(path);
        }
        std::string library;
        if (file.empty() || !readWholeFile(file, library)) return;
        ModelTextures textures(file, ctx.textureSizeLimit, ctx.ui);
        readMaterialLibrary(library, m, &textures);
    };
    return readObjWith(text, beside, model, ctx, [&text] { std::string().swap(text); });
}

int readObjText(std::string_view text, std::string_view materialLibrary, Model& model,
                const ReadContext& ctx) {
    // Without a folder for them, texture files are not looked for.
    const LibraryFinder given = [materialLibrary](const std::string&, bool, Model& m) {
        readMaterialLibrary(materialLibrary, m, nullptr);
    };
    return readObjWith(text, given, model, ctx);
}

}  // namespace plikatra
