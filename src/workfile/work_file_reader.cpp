#include "workfile/work_file_reader.h"

#include <locale.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <new>
#include <unordered_map>
#include <vector>
#include <string_view>

#include "base/c_numbers.h"
#include "base/file_io.h"
#include "base/paper.h"
#include "base/ui.h"
#include "model/construction.h"
#include "textures/texture_image.h"
#include "workfile/work_file_checks.h"
#include "workfile/work_file_writer.h"
#include "base/load_progress.h"

namespace plikatra {

namespace {

// The file ends before its "end" line (or holds a line too long for its buffer): it was cut
// short, and opening what is left would pass off part of a document as the whole. Result 1.
struct EndOfInput {};
// The file contradicts itself: result 1.
struct Corrupt {};

// Line buffers, in characters without the line feed.
constexpr size_t kNameChars = kMaxStoredNameBytes;
constexpr size_t kFontNameChars = kMaxStoredFontNameBytes;
constexpr size_t kTextChars = kMaxStoredTextBytes;
// Page margins below half the shortest side of any paper, in centimetres.
constexpr double kLargestPageMargin = 9.0;
// "#" lines are skipped up to this many characters.
constexpr size_t kCommentChars = 512;
// Longer words are cut; the longest a writer produces is "%f" of the largest double (316).
constexpr size_t kWordChars = 1024;

// Fewest bytes one record can take: each word at least one character and one separator.
constexpr long long kSolidBytes = 8 * 2 + 1;  // the name line may be empty
constexpr long long kVertexBytes = 3 * 2;
constexpr long long kFaceBytes = 7 * 2;
constexpr long long kCornerBytes = 8 * 2;
constexpr long long kEdgeBytes = 6 * 2;
constexpr long long kPartBytes = 5 * 2;
constexpr long long kMaterialBytes = 23 * 2;
constexpr long long kTextBytes = 9 * 2 + 4;  // the integer and two lines that may be empty
constexpr long long kFlapInsetBytes = 5 * 2;
constexpr long long kFlapStyleBytes = 3 * 2;
// A flap side may run along its base at most this many times its height.
constexpr double kLargestFlapInset = 64.0;

bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Edge kinds a model can hold.
bool isEdgeKind(int kind) {
    return kind == kEdgeNormal || kind == kEdgeOpen || kind == kEdgeCut || kind == kEdgeKeep;
}

// Finds the corner an edge record names by the face and the edge's vertices. A face may
// visit a vertex more than once (a polygon bridged around a hole), and then the origin alone
// does not tell its corners apart: the one whose next corner is the edge's other vertex and
// that no edge has taken yet is preferred, then any not yet taken, then the first in ring
// order. For a face that visits each vertex once that is simply the corner of that origin.
// Faces of many corners get an index on first use, so that the edges of a face of n corners
// are resolved in time proportional to n rather than n squared.
class CornerFinder {
public:
    Halfedge* find(Face& face, const Vertex* origin, const Vertex* destination) {
        constexpr std::size_t kScanned = 16;
        if (face.halfedges.size() <= kScanned) {
            Halfedge* candidates[kScanned];
            std::size_t n = 0;
            for (auto& h : face.halfedges)
                if (h->origin == origin) candidates[n++] = h.get();
            return best(candidates, n, destination);
        }
        auto [slot, added] = indexes_.try_emplace(&face);
        if (added)
            for (auto& h : face.halfedges) slot->second[h->origin].push_back(h.get());
        const auto it = slot->second.find(origin);
        return it == slot->second.end() ? nullptr : best(it->second.data(), it->second.size(), destination);
    }
    void clear() { indexes_.clear(); }

private:
    static Halfedge* best(Halfedge* const* corners, std::size_t n, const Vertex* destination) {
        for (std::size_t i = 0; i < n; ++i)
            if (!corners[i]->edge && corners[i]->next && corners[i]->next->origin == destination)
                return corners[i];
        for (std::size_t i = 0; i < n; ++i)
            if (!corners[i]->edge) return corners[i];
        return n > 0 ? corners[0] : nullptr;
    }

    std::unordered_map<const Face*, std::unordered_map<const Vertex*, std::vector<Halfedge*>>> indexes_;
};

// cleanFace leaves a face of fewer than three distinct corners unlinked (only possible when
// corners of the file round to the same position); its ring is closed here so that every walk
// around a face ends.
void closeShortRing(Face& face) {
    auto& hs = face.halfedges;
    if (hs.size() >= 3 || hs.empty()) return;
    Point3 sum;
    for (size_t i = 0; i < hs.size(); ++i) {
        hs[i]->next = hs[(i + 1) % hs.size()].get();
        hs[i]->prev = hs[(i + hs.size() - 1) % hs.size()].get();
        sum.x += hs[i]->origin->position.x;
        sum.y += hs[i]->origin->position.y;
        sum.z += hs[i]->origin->position.z;
    }
    const double n = static_cast<double>(hs.size());
    face.center = {sum.x / n, sum.y / n, sum.z / n};
}

class Parser {
public:
    Parser(std::string_view text, Model& model, const ReadContext& ctx, WorkFileSettings& carried,
           LoadProgress* progress = nullptr)
        : text_(text), model_(model), ctx_(ctx), carried_(carried), progress_(progress) {}

    int run();
    int finish();

private:
    // Tokens.
    int peek() const { return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : EOF; }
    void take() { ++pos_; }
    // Between records: moves the bar, and throws CancelledException when the user cancelled.
    void tick() {
        if (progress_) progress_->update(static_cast<long long>(pos_));
    }
    long long remaining() const { return static_cast<long long>(text_.size() - pos_); }
    bool tryWord();
    void word() {
        if (!tryWord()) throw EndOfInput{};
    }
    int integer() {
        word();
        return toInt(word_);
    }
    double real() {
        word();
        return parseCDouble(word_);
    }
    static int toInt(const std::string& s);
    std::string line(size_t maxChars);
    void skipLine(size_t maxChars);
    void skipWordsUntil(const char* keyword);
    int count(long long minBytesEach);

    // Records.
    int readVersion();
    void readSolid();
    void readFace(Solid& solid);
    void readEdge(Solid& solid);
    void readParts();
    void resolveFaceParts();
    void readMaterial(bool isDefault);
    void readTexture(Material& target);
    void readText();
    void readInfo();
    void readFlapInsets();
    void readFlapStyles();

    std::string_view text_;
    size_t pos_ = 0;
    Model& model_;
    const ReadContext& ctx_;
    WorkFileSettings& carried_;
    LoadProgress* progress_;
    std::string word_;
    bool pending_ = false;  // word_ holds a word still to be acted on at the top level
    CornerFinder corners_;
};

bool Parser::tryWord() {
    int c;
    while ((c = peek()) != EOF && isSpace(c)) take();
    if (c == EOF) return false;
    word_.clear();
    while ((c = peek()) != EOF && !isSpace(c)) {
        if (word_.size() < kWordChars) word_ += static_cast<char>(c);
        take();
    }
    return true;
}

int Parser::toInt(const std::string& s) {
    // Like atoi (a non-number gives 0), but an out-of-range number saturates instead of
    // being undefined.
    errno = 0;
    const long long v = strtoll(s.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// The rest of the current line without its line feed. A line longer than the buffer, or
// nothing at all before the end of input, ends the reading.
std::string Parser::line(size_t maxChars) {
    std::string s;
    while (s.size() < maxChars) {
        const int c = peek();
        if (c == EOF) {
            if (s.empty()) throw EndOfInput{};
            return s;
        }
        take();
        if (c == '\n') return s;
        s += static_cast<char>(c);
    }
    const int c = peek();
    if (c == '\n') {
        take();
        return s;
    }
    if (c == EOF) return s;
    throw EndOfInput{};
}

void Parser::skipLine(size_t maxChars) {
    for (size_t n = 0; n < maxChars; ++n) {
        const int c = peek();
        if (c == EOF) return;
        take();
        if (c == '\n') return;
    }
}

void Parser::skipWordsUntil(const char* keyword) {
    do word();
    while (word_ != keyword);
}

// A record count. A negative count, or one that more records than the rest of the file could
// hold, marks a damaged file; refusing it here means no list grows beyond what the file holds.
int Parser::count(long long minBytesEach) {
    const int n = integer();
    if (n < 0) throw Corrupt{};
    // The last record may lack its final separator.
    if (static_cast<long long>(n) * minBytesEach > remaining() + 1) throw Corrupt{};
    return n;
}

int Parser::run() {
    try {
        bool versionRead = false;
        for (;;) {
            if (!pending_ && !tryWord()) throw EndOfInput{};
            pending_ = false;
            const std::string& w = word_;
            if (w[0] == '#') {
                skipLine(kCommentChars);
            } else if (w == "version") {
                const int r = readVersion();
                if (r >= 0) return r;
                versionRead = true;
            } else if (!versionRead) {
                // Every work file states its version before anything else; without it the
                // file is not one.
                return kReadFailed;
            } else if (w == "model") {
                double v[6];
                for (double& x : v) x = real();
                model_.boundsMax = {v[0], v[1], v[2]};
                model_.boundsMin = {v[3], v[4], v[5]};
            } else if (w == "solids") {
                const int n = count(kSolidBytes);
                for (int i = 0; i < n; ++i) readSolid();
            } else if (w == "parts") {
                readParts();
            } else if (w == "defaultmaterial") {
                readMaterial(true);
            } else if (w == "materials") {
                const int n = count(kMaterialBytes);
                for (int i = 0; i < n; ++i) readMaterial(false);
            } else if (w == "text") {
                const int n = count(kTextBytes);
                for (int i = 0; i < n; ++i) readText();
            } else if (w == "info") {
                readInfo();
            } else if (w == "end") {
                break;
            }
        }
    } catch (const EndOfInput&) {
        return kReadFailed;
    } catch (const Corrupt&) {
        return kReadFailed;
    }
    return finish();
}

// Materials come after the solids, so a face's material can only be checked at the end. A
// material the file does not hold (it ended early, or the number is wrong) becomes the
// default material rather than a number that drawing would look up out of range.
int Parser::finish() {
    for (auto& s : model_.solids)
        for (auto& f : s->faces)
            if (f->materialIndex < -1 ||
                f->materialIndex >= static_cast<long long>(model_.materials.size()))
                f->materialIndex = -1;
    return isSoundWorkFileModel(model_) ? kReadOk : kReadFailed;
}

// Returns the result when the version ends the reading, −1 to go on.
int Parser::readVersion() {
    if (!tryWord()) return kReadFailed;
    const int version = toInt(word_);
    int minimum = 0;
    if (tryWord()) {
        if (word_ == "min_version") {
            if (tryWord()) minimum = toInt(word_);
        } else {
            pending_ = true;
        }
    }
    if (version < kWorkFileVersion) {
        ctx_.ui.message(kMsgWorkFileTooOld, kAppTitle, MessageIcon::Error);
        return kReadFailedReported;
    }
    if ((version > kWorkFileVersion && minimum == 0) || minimum > kWorkFileVersion) {
        ctx_.ui.message(kMsgWorkFileTooNew, kAppTitle, MessageIcon::Error);
        return kReadFailedReported;
    }
    if (version > kWorkFileVersion)
        ctx_.ui.message(kMsgWorkFileNewer, kAppTitle, MessageIcon::Warning);
    return -1;
}

void Parser::readSolid() {
    Solid* solid = model_.addSolid();
    solid->index = static_cast<int>(model_.solids.size() - 1);
    word();  // "solid"
    line(kNameChars);
    solid->name = line(kNameChars);
    solid->visible = integer() != 0;

    skipWordsUntil("vertices");
    const int vertices = count(kVertexBytes);
    for (int i = 0; i < vertices; ++i) {
        const double x = real();
        const double y = real();
        const double z = real();
        solid->addVertex(x, y, z);
        tick();
    }

    skipWordsUntil("faces");
    const int faces = count(kFaceBytes);
    model_.faceCount = static_cast<int>(
        std::min<long long>(INT_MAX, static_cast<long long>(model_.faceCount) + faces));
    for (int i = 0; i < faces; ++i) {
        readFace(*solid);
        tick();
    }

    skipWordsUntil("edges");
    const int edges = count(kEdgeBytes);
    for (int i = 0; i < edges; ++i) {
        readEdge(*solid);
        tick();
    }
    corners_.clear();
}

void Parser::readFace(Solid& solid) {
    Face* face = solid.addFace();
    face->index = static_cast<int>(solid.faces.size() - 1);
    face->materialIndex = integer();
    face->partIndex = integer();
    face->normal.x = real();
    face->normal.y = real();
    face->normal.z = real();
    face->planeD = real();
    const int corners = count(kCornerBytes);
    // Nothing in the model has fewer than three corners; such a record is damage.
    if (corners < 3) throw Corrupt{};
    for (int i = 0; i < corners; ++i) {
        const int k = integer();
        if (k < 0 || static_cast<size_t>(k) >= solid.vertices.size()) throw Corrupt{};
        const double x = real();
        const double y = real();
        const double u = real();
        const double v = real();
        const bool flap = integer() != 0;
        const bool shown = integer() != 0;
        const double height = real();
        // Every corner gets a coordinate: the file cannot tell a stored (0, 0) from none.
        Halfedge* h = face->addCorner(solid.vertices[static_cast<size_t>(k)].get(),
                                      solid.addTexCoord(u, v));
        h->flatX = x;
        h->flatY = y;
        h->hasFlap = flap;
        h->lineShown = shown;
        h->flapHeight = height;
    }
    cleanFace(*face);
    closeShortRing(*face);
}

void Parser::readEdge(Solid& solid) {
    int v[6];
    for (int& x : v) x = integer();
    const int fa = v[0], fb = v[1], ia = v[2], ib = v[3], flags = v[4], twin = v[5];
    const auto faceOk = [&](int f) { return f >= -1 && f < static_cast<long long>(solid.faces.size()); };
    const auto vertexOk = [&](int i) { return i >= 0 && i < static_cast<long long>(solid.vertices.size()); };
    if (!faceOk(fa) || !faceOk(fb) || !vertexOk(ia) || !vertexOk(ib)) throw Corrupt{};

    auto edge = std::make_unique<Edge>();
    edge->va = solid.vertices[static_cast<size_t>(ia)].get();
    edge->vb = solid.vertices[static_cast<size_t>(ib)].get();
    Halfedge* a = fa == -1 ? nullptr : corners_.find(*solid.faces[static_cast<size_t>(fa)], edge->va, edge->vb);
    Halfedge* b = fb == -1 ? nullptr : corners_.find(*solid.faces[static_cast<size_t>(fb)], edge->vb, edge->va);
    // A corner belongs to one edge and is not its own pair; anything else would tangle the
    // pair and twin links that every later walk follows.
    if ((a && a->edge) || (b && b->edge) || (a && a == b)) throw Corrupt{};

    edge->mountain = (flags & 16) != 0;
    edge->kind = edge->mountain ? flags - 16 : flags;
    if (!isEdgeKind(edge->kind)) throw Corrupt{};
    edge->a = a;
    edge->b = b;
    if (a) a->edge = edge.get();
    if (b) b->edge = edge.get();
    if (a && b) {
        a->pair = b;
        b->pair = a;
        if (twin != 0) {
            a->twin = b;
            b->twin = a;
        }
    }
    solid.edges.push_back(std::move(edge));
}

void Parser::readParts() {
    const int n = count(kPartBytes);
    for (int i = 0; i < n; ++i) {
        const int s = integer();
        if (s < 0 || static_cast<size_t>(s) >= model_.solids.size()) throw Corrupt{};
        auto part = std::make_unique<Part>();
        part->index = static_cast<int>(model_.parts.size());
        part->solid = model_.solids[static_cast<size_t>(s)].get();
        Part* p = part.get();
        model_.parts.push_back(std::move(part));
        p->x = real();
        p->y = real();
        p->width = real();
        p->height = real();
    }
    resolveFaceParts();
}

// Gives every face the part its record named. Rebuilt from scratch, so that a second "parts"
// section cannot list a face twice.
void Parser::resolveFaceParts() {
    for (auto& p : model_.parts) p->faces.clear();
    for (auto& s : model_.solids)
        for (auto& f : s->faces) {
            f->part = nullptr;
            f->placed = false;
            if (f->partIndex == -1) continue;
            if (f->partIndex < -1 || static_cast<size_t>(f->partIndex) >= model_.parts.size())
                throw Corrupt{};
            Part* p = model_.parts[static_cast<size_t>(f->partIndex)].get();
            // A part never mixes solids.
            if (p->solid != s.get()) throw Corrupt{};
            f->part = p;
            f->placed = true;
            p->faces.push_back(f.get());
        }
}

void Parser::readMaterial(bool isDefault) {
    std::unique_ptr<Material> listed;
    if (!isDefault) listed = model_.makeMaterial();
    Material& m = isDefault ? model_.defaultMaterial : *listed;

    word();  // "material"
    line(kNameChars);
    m.name = line(kNameChars);
    double c[20];
    for (double& x : c) x = real();
    // The default material keeps the colours it was built with: they follow the colour
    // settings, not the file.
    if (!isDefault) {
        const auto f = [&](int i) { return static_cast<float>(c[i]); };
        m.ambient = {f(0), f(1), f(2), f(3)};
        m.diffuse = {f(4), f(5), f(6), f(7)};
        m.emission = {f(8), f(9), f(10), f(11)};
        m.specular = {f(12), f(13), f(14), f(15)};
        m.shininess = f(16);
        m.flatColor = {f(17), f(18), f(19)};
    }
    m.colorGiven = integer() != 0;
    m.hasTexture = integer() != 0;
    if (m.hasTexture) readTexture(m);
    if (listed) model_.materials.push_back(std::move(listed));
}

void Parser::readTexture(Material& target) {
    line(kNameChars);  // rest of the flags line
    line(kNameChars);  // the empty line
    const int width = integer();
    const int height = integer();
    line(kNameChars);
    if (width < 0 || height < 0 || width > kMaxStoredTextureWidth) throw Corrupt{};
    const long long rowBytes = static_cast<long long>(width) * 3;
    const long long bytes = rowBytes * height;
    if (bytes > remaining()) throw EndOfInput{};
    target.texture.reset();
    // A picture without pixels is no picture.
    if (bytes == 0) {
        target.hasTexture = false;
        return;
    }

    auto image = std::make_unique<TextureImage>();
    image->width = width;
    image->height = height;
    image->pixels.resize(static_cast<size_t>(bytes));
    // The pixel block was checked to be there in full, rows and all.
    std::copy_n(text_.data() + pos_, bytes, image->pixels.begin());
    pos_ += static_cast<size_t>(bytes);
    target.texture = std::move(image);
    const int limit = ctx_.textureSizeLimit;
    if (limit < width || limit < height) fitTextureImage(target, limit);
}

void Parser::readText() {
    integer();  // the first further int; a read item keeps its initial value
    auto item = std::make_unique<TextItem>();
    TextItem& t = *item;
    model_.texts.push_back(std::move(item));
    line(kFontNameChars);
    t.fontName = line(kFontNameChars);
    t.text = line(kTextChars);
    t.fontSize = integer();
    t.x = real();
    t.y = real();
    t.width = real();
    t.height = real();
    t.extra2 = integer();
    const int r = integer();
    const int g = integer();
    const int b = integer();
    // Each channel is one byte, as the colour value holds it.
    t.color = static_cast<std::uint32_t>(r & 0xFF) | static_cast<std::uint32_t>(g & 0xFF) << 8 |
              static_cast<std::uint32_t>(b & 0xFF) << 16;
}

void Parser::readInfo() {
    WorkFileSettings& s = carried_;
    // A file from before the key existed shows no white background lines.
    s.bDrawWhiteBkLine = false;

    struct RealKey {
        const char* key;
        double* target;
    };
    const RealKey reals[] = {
        {"dMag3d", &model_.dMag3d},
        {"dMag2d", &model_.dMag2d},
        {"dKavimozuX", &model_.dKavimozuX},
        {"dKavimozuY", &model_.dKavimozuY},
        {"dKavimozuWidth", &model_.dKavimozuWidth},
        {"dKavimozuHeight", &model_.dKavimozuHeight},
        {"dKavimozuMargin", &model_.dKavimozuMargin},
        {"dTextureLineAlpha", &s.dTextureLineAlpha},
    };
    struct FlagKey {
        const char* key;
        bool* target;
    };
    const FlagKey flags[] = {
        {"bReverse", &model_.bReverse},
        {"bFinished", &model_.bFinished},
        {"bTextureCoodinates", &model_.bTextureCoodinates},
        {"bDrawFlap", &s.bDrawNorishiro},
        {"bDrawNumber", &s.bDrawEdgeNumber},
        {"bUseMaterial", &s.bUseMaterial},
        {"bNorishiroReverse", &s.bNorishiroReverse},
        {"bEdgeIdReverse", &s.bEdgeIdReverse},
        {"bCullEdge", &s.bCullEdge},
        {"bDrawWhiteBkLine", &s.bDrawWhiteBkLine},
    };
    // Integer settings with the values they may take; others leave the setting as it was, so
    // that drawing never meets a line type it does not know.
    struct IntKey {
        const char* key;
        int* target;
        int low, high;
    };
    const IntKey ints[] = {
        {"iAngleEps", &s.iAngleEps, INT_MIN, INT_MAX},
        {"iTaniLineType", &s.iTaniLineType, 0, 3},
        {"iYamaLineType", &s.iYamaLineType, 0, 3},
        {"iCutLineType", &s.iCutLineType, 0, 1},
        {"iEdgeNumberFontSize", &s.iEdgeNumberFontSize, INT_MIN, INT_MAX},
    };

    // The end of input ends the section like "/info" does. A key that is not in the tables
    // is passed over; its value then comes round as a word and is passed over too.
    while (tryWord() && word_ != "/info") {
        const std::string key = word_;
        const auto value = [&] { return tryWord(); };
        // Margins must leave every paper a printable area, or the layout's page would have a
        // negative size; others leave the setting as it was.
        for (const RealKey& k : {RealKey{"dPageMarginSide", &s.dPageMarginSide},
                                 RealKey{"dPageMarginTop", &s.dPageMarginTop}})
            if (key == k.key && value()) {
                const double v = parseCDouble(word_);
                if (v >= 0 && v < kLargestPageMargin) *k.target = v;
            }
        for (const RealKey& k : reals)
            if (key == k.key && value()) *k.target = parseCDouble(word_);
        for (const FlagKey& k : flags)
            if (key == k.key && value()) *k.target = toInt(word_) != 0;
        for (const IntKey& k : ints)
            if (key == k.key && value()) {
                const int v = toInt(word_);
                if (v >= k.low && v <= k.high) *k.target = v;
            }
        if (key == "iPageType" && value()) {
            const int v = toInt(word_);
            if (v >= 0 && v < kPageTypeCount) s.iPageType = v;
        }
        // Read and dropped: line alpha stays as the program has it.
        if (key == "bEnableLineAlpha") value();
        if (key == "iFlapStyle" && value()) {
            const int v = toInt(word_);
            if (v >= 0 && v < kFlapStyleCount) model_.flapStyle = static_cast<FlapStyle>(v);
        }
        if (key == "flapInsets") readFlapInsets();
        if (key == "flapStyles") readFlapStyles();
    }
}

// The solid `s`, or null when the file has none of that number.
Solid* solidAt(Model& model, long long s) {
    return s >= 0 && s < static_cast<long long>(model.solids.size()) ? model.solids[static_cast<size_t>(s)].get()
                                                                     : nullptr;
}

// Records that name no corner or edge of the model, or a shape no flap can take, are passed
// over: the flap keeps the usual shape and style.
void Parser::readFlapInsets() {
    const int n = count(kFlapInsetBytes);
    for (int i = 0; i < n; ++i) {
        const int s = integer(), f = integer(), c = integer();
        const double start = real(), end = real();
        Solid* solid = solidAt(model_, s);
        if (!solid || f < 0 || static_cast<size_t>(f) >= solid->faces.size()) continue;
        auto& ring = solid->faces[static_cast<size_t>(f)]->halfedges;
        if (c < 0 || static_cast<size_t>(c) >= ring.size()) continue;
        const auto sound = [](double v) { return v > 0 && v <= kLargestFlapInset; };
        if (!sound(start) || !sound(end)) continue;
        ring[static_cast<size_t>(c)]->flapInsetStart = static_cast<float>(start);
        ring[static_cast<size_t>(c)]->flapInsetEnd = static_cast<float>(end);
    }
}

void Parser::readFlapStyles() {
    const int n = count(kFlapStyleBytes);
    for (int i = 0; i < n; ++i) {
        const int s = integer(), e = integer(), style = integer();
        Solid* solid = solidAt(model_, s);
        if (!solid || e < 0 || static_cast<size_t>(e) >= solid->edges.size()) continue;
        if (style < -1 || style >= kFlapStyleCount) continue;
        solid->edges[static_cast<size_t>(e)]->flapStyle = static_cast<std::int8_t>(style);
    }
}

}  // namespace

int WorkFileReader::read(std::string_view text) {
    try {
        // A large work file takes seconds to read: it shows the same window, with Cancel, as
        // the other formats.
        LoadProgress progress(static_cast<long long>(text.size()), ctx_.ui.progress());
        Parser parser(text, model_, ctx_, carried_, &progress);
        const int result = parser.run();
        progress.close();
        return result;
    } catch (const std::bad_alloc&) {
        return kReadFailed;
    }
}

int WorkFileReader::read(std::istream& in) {
    std::streambuf* buffer = in.rdbuf();
    if (!buffer) return kReadFailed;
    // The whole rest of the input bounds every count.
    std::string text{std::istreambuf_iterator<char>(buffer), std::istreambuf_iterator<char>()};
    return read(text);
}

int readWorkFile(const std::string& path, Model& model, const ReadContext& ctx,
                 WorkFileSettings& carried) {
    std::string text;
    if (!readWholeFile(path, text)) return kReadFailed;
    return WorkFileReader(model, ctx, carried).read(text);
}

int readWorkFileText(std::string_view text, Model& model, const ReadContext& ctx,
                     WorkFileSettings& carried) {
    return WorkFileReader(model, ctx, carried).read(text);
}

}  // namespace plikatra
