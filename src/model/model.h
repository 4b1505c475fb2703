// The in-memory 3D model: solids of faces, halfedges, edges and vertices, with materials,
// and the development fields that live on the same objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/color.h"
#include "model/geometry.h"
#include "model/object_pool.h"

namespace plikatra {

struct Solid;
struct Face;
struct Halfedge;
struct Edge;
struct Part;

// Edge kinds: how an edge takes part in unfolding.
enum EdgeKind : int {
    kEdgeNormal = 0,
    kEdgeOpen = 5,   // one face only
    kEdgeCut = 6,    // marked by the user to be cut
    kEdgeKeep = 7,   // should not be cut if possible
};

// Fields of the objects a model holds by the million are ordered so that no padding is left
// and the ones the unfolding reads together share a cache line.
struct Vertex : Pooled<Vertex> {
    Point3 position;
    int index = 0;
};

struct TexCoord {
    double u = 0.0, v = 0.0;
};

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

struct TextureImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width × height × 3, RGB, row after row
};

struct Material {
    std::unique_ptr<TextureImage> texture;
    bool colorGiven = false;
    bool hasTexture = false;
    Rgba ambient;
    Rgba diffuse;
    Rgba emission;
    Rgba specular;
    float shininess = 0.0f;
    Rgb flatColor;
    std::string name;
    std::string textureFile;

    // Colours of a surface without material: the first entry of the colour table.
    explicit Material(ColorRef surface = kInitialColors[0]);
    // Sets ambient, diffuse and flat colour to (r, g, b).
    void setColor(float r, float g, float b);
};

// How far the 3D view moves a corner off its vertex to show a cut opened: a tenth of an edge
// at most, and only ever drawn, so single precision is plenty. It keeps a model of millions
// of corners 12 bytes a corner smaller.
struct DisplayOffset {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// Flap height a halfedge starts with; the application gives loaded models its setting.
inline constexpr double kInitialFlapHeight = 0.5;

// How far a flap's side runs along its base per unit of its height: 1 is the usual 45-degree
// side. A flap with a greater value at an end is narrowed there, so that it clears a sharp
// corner of the face it is glued under or of a neighbour on the sheet.
inline constexpr float kUsualFlapInset = 1.0f;

// How a flap is drawn.
enum class FlapStyle : std::int8_t {
    White = 0,         // outlined and left white
    Textured = 1,      // the glued face's texture or colour continued onto the flap
    HalfTextured = 2,  // a band of it along the fold, white beyond
    Shadow = 3,        // also outlined, dashed, on the face it is glued under
    None = 4,          // not drawn
};
inline constexpr int kFlapStyleCount = 5;

struct Halfedge : Pooled<Halfedge> {
    Edge* edge = nullptr;
    Vertex* origin = nullptr;
    Face* face = nullptr;
    Halfedge* pair = nullptr;
    Halfedge* next = nullptr;
    Halfedge* twin = nullptr;  // development twin: the pair when folded inside a part
    double flatX = 0.0, flatY = 0.0;  // development: start vertex in the part's frame
    Halfedge* prev = nullptr;
    TexCoord* texCoord = nullptr;

    // Development fields.
    double flapHeight = kInitialFlapHeight;  // centimetres on paper
    DisplayOffset display;                   // opened cuts: see displayPosition()
    // The flap's side insets (see kUsualFlapInset) at this halfedge's start and at its end.
    float flapInsetStart = kUsualFlapInset, flapInsetEnd = kUsualFlapInset;
    bool lineShown = true;
    bool hasFlap = false;
};

// Whether the flap on `h` has a side other than the usual one.
inline bool flapNarrowed(const Halfedge& h) {
    return h.flapInsetStart != kUsualFlapInset || h.flapInsetEnd != kUsualFlapInset;
}

// Where the 3D view draws the corner `h` while cuts are shown opened.
inline Point3 displayPosition(const Halfedge& h) {
    const Point3& v = h.origin->position;
    return {v.x + static_cast<double>(h.display.x), v.y + static_cast<double>(h.display.y),
            v.z + static_cast<double>(h.display.z)};
}

struct Face : Pooled<Face> {
    Solid* solid = nullptr;
    std::vector<std::unique_ptr<Halfedge>> halfedges;  // corners in boundary order
    Part* part = nullptr;
    int index = 0;
    int materialIndex = -1;
    int partIndex = -1;
    bool placed = false;
    Point3 normal;
    double planeD = 0.0;
    Point3 center;

    explicit Face(Solid* owner = nullptr) : solid(owner) {}
    // Appends a corner starting at the given vertex.
    Halfedge* addCorner(Vertex* origin, TexCoord* tc = nullptr);
};

struct Edge : Pooled<Edge> {
    Halfedge* a = nullptr;
    Halfedge* b = nullptr;
    Vertex* va = nullptr;
    Vertex* vb = nullptr;
    double length = 0.0;
    double foldAngle = -1.0;
    int kind = kEdgeNormal;
    int joinNumber = -1;
    int rejected = 0;
    bool mountain = true;
    bool deleted = false;
    // The style of this edge's flap; -1 follows the development's.
    std::int8_t flapStyle = -1;
};

struct Solid {
    std::vector<std::unique_ptr<Face>> faces;
    std::vector<std::unique_ptr<Edge>> edges;
    std::vector<std::unique_ptr<Vertex>> vertices;
    std::vector<std::unique_ptr<TexCoord>> texCoords;
    double meanEdgeLength = 0.0;
    std::string name;
    bool visible = true;
    int index = 0;

    Vertex* addVertex(double x, double y, double z);
    TexCoord* addTexCoord(double u, double v);
    Face* addFace(int materialIndex = -1);
};

// A connected group of faces laid flat on the sheet.
struct Part {
    std::vector<Face*> faces;  // attach order; the first is the seed face
    int index = 0;
    Halfedge* nextCandidate = nullptr;
    double x = 0.0, y = 0.0;
    double width = 0.0, height = 0.0;
    Solid* solid = nullptr;
    bool selected = false;
};

// Free text placed on the sheet.
struct TextItem {
    std::string text;
    double x = 0.0, y = 0.0;
    int fontSize = 36;
    std::string fontName = "Arial";
    double width = 15.0, height = 15.0;
    int extra1 = 1, extra2 = 0;
    std::uint32_t color = 0;
    bool operator==(const TextItem&) const = default;
};

constexpr double kDoubleMax = 1.7976931348623157e308;

struct Model {
    std::vector<std::unique_ptr<Solid>> solids;
    Point3 boundsMax{-kDoubleMax, -kDoubleMax, -kDoubleMax};
    Point3 boundsMin{kDoubleMax, kDoubleMax, kDoubleMax};
    int faceCount = 0;
    std::vector<std::unique_ptr<Part>> parts;
    double dKavimozuX = 0.0, dKavimozuY = 0.0, dKavimozuWidth = 0.0, dKavimozuHeight = 0.0;
    double meanEdgeLength = 0.0;
    double dMag3d = 1.0;
    double dMag2d = 40.0;
    std::string path;
    bool bTextureCoodinates = false;
    std::vector<std::unique_ptr<Material>> materials;
    std::vector<std::unique_ptr<TextItem>> texts;
    Material defaultMaterial;
    double dKavimozuMargin = 0.0;
    bool bReverse = false;
    bool fromWorkFile = false;
    bool bFinished = false;

    // Development state.
    int totalFacesToUnfold = 0;
    int facesUnfolded = 0;
    int pagesAcross = 1;
    int pagesDown = 1;
    // How the development's flaps are drawn where their edge names no style of its own.
    FlapStyle flapStyle = FlapStyle::White;

    // `surface` is the colour of faces without material (the colour table's first entry when
    // the model is made): the default material's and every new material's colour.
    explicit Model(ColorRef surface = kInitialColors[0]) : defaultMaterial(surface), surfaceColor(surface) {}
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    ~Model();

    Solid* addSolid(const std::string& name = "");
    // A material in the model's surface colour, appended to the table.
    Material* addMaterial();
    // A material in the model's surface colour, not yet in the table.
    std::unique_ptr<Material> makeMaterial() const;

    ColorRef surfaceColor;
};

// Makes `to` a copy of `from`, its texture image included.
void copyMaterial(Material& to, const Material& from);

// Gives every halfedge of the model the flap height `height` (centimetres).
void setFlapHeights(Model& model, double height);

}  // namespace plikatra
