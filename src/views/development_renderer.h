// Draws the development view with fixed-function OpenGL into the current context: the grey
// background, the sheet with its page boundaries, faces, flaps, lines, join numbers and the
// rotation feedback. The drawing is turned into vertex arrays once per change; a frame at a
// new zoom or pan only re-issues them under a new transform.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "development/development_drawing.h"
#include "app/view_options.h"
#include "development/editing.h"
#include "views/development_view_transform.h"
#include "views/gl_functions.h"
#include "views/number_glyphs.h"
#include "views/sheet_tiles.h"
#include "views/vertex_batch.h"

namespace plikatra {

// The editor's pending selections and feedback that the view shows.
struct DevelopmentOverlay {
    const Halfedge* flapTarget = nullptr;  // Edit Flap: its edge's flaps are shown red
    const Halfedge* joinEdge = nullptr;    // Join Surface: first edge chosen
    std::unordered_set<const Face*> highlighted;  // Check Corresponding Surface
    RotateFeedback rotate;                 // Rotate Part: part, centre, reference, cursor
    // Flaps that collide with their part or do not fit under their face: filled half-way to
    // the selection colour so that they catch the eye.
    std::unordered_set<const Halfedge*> flaggedFlaps;
};

// The overlay of the editor's current state.
DevelopmentOverlay overlayOf(const DevelopmentEditor& editor);

// Line width on screen in pixels for a printed line width.
double screenLineWidth(const DevelopmentViewTransform& t, double printedWidth);
// Stipple repeat factor of dashed lines on screen (at least 1).
int stippleFactor(const DevelopmentViewTransform& t);

// The angle in degrees by which a join number is turned, from the number's first and second
// points (sheet positions, y down): arcsin of the rise over the length, mirrored to 180 minus
// that when the second point lies to the right. Not a number when the points coincide.
double joinNumberAngle(Point2 first, Point2 second);

// The triangles of one join number on the sheet (centimetres from the sheet's top-left
// corner): the digits set in `glyphs` at `emCm` centimetres per em, centred on the midpoint of
// first–second and turned by joinNumberAngle. A `marked` number gets the bar of
// numberMarkBar under its digits and stands further off its edge. Empty for coincident points.
TriangleMesh layoutJoinNumber(const GlyphSet& glyphs, int number, Point2 firstCm,
                              Point2 secondCm, double emCm, bool marked = false);

// The same number as quads cut from `atlas`: two triangles of (x, y, u, v) per character and
// one more pair for the bar of a marked number, appended to `out`; their sheet bounds are
// added to `bounds`. Nothing for coincident points.
void appendJoinNumberQuads(const GlyphSet& glyphs, const GlyphAtlas& atlas, int number,
                           Point2 firstCm, Point2 secondCm, double emCm, bool marked,
                           std::vector<float>& out, Box& bounds);

// Join-number em height per point of the number font size, in centimetres.
inline constexpr double kNumberEmPerPoint = 0.042333333333333334;

// On screen a number whose em is smaller than this many pixels is left out: its digits would
// be under three pixels high and could not be read.
inline constexpr double kMinNumberEmPixels = 4.0;

// What the renderer draws for.
enum class RenderPurpose {
    // The view on screen: join numbers as quads from a distance-field atlas, numbers too
    // small to read left out, and lines, flaps and numbers sorted into tiles of the sheet so
    // that a frame issues only what it shows. Cheap enough for every frame of a development
    // of a million faces.
    Screen,
    // Pictures of the outputs: every number as glyph outlines however small, everything in
    // the drawing's own order, so that the same drawing always gives the same pixels.
    Output,
};


class DevelopmentRenderer {
public:
    // Loads the join-number glyphs; when that fails fontError() says so and numbers are left
    // out. Entry points are looked up with `loader` (EGL when null) on first use.
    explicit DevelopmentRenderer(GlProcLoader loader = nullptr);
    // Frees nothing of OpenGL: call releaseGl() first with the context current.
    ~DevelopmentRenderer();
    DevelopmentRenderer(const DevelopmentRenderer&) = delete;
    DevelopmentRenderer& operator=(const DevelopmentRenderer&) = delete;

    // kMsgFailedToCreateFonts when the glyphs could not be built, else empty.
    const std::string& fontError() const { return fontError_; }
    // Replaces the glyphs (an empty set draws no numbers). Takes effect at the next drawing.
    void setGlyphs(GlyphSet glyphs);

    // Builds the vertex arrays and textures of a drawing; the context must be current. The
    // parts, faces, halfedges and materials it points to must live until the next call.
    void setDrawing(const DevelopmentDrawing& drawing);
    // Changes of texture filtering or number size update the cached data, so the context
    // must be current once a drawing was set.
    void setOptions(const DevelopmentViewOptions& options);
    const DevelopmentViewOptions& options() const { return options_; }
    // Cheap; meant to be called on every change of the editor's feedback. Only the start
    // and end of a part's rotation rebuild the numbers, so the context must be current then.
    void setOverlay(const DevelopmentOverlay& overlay);
    // Screen by default; takes effect at the next drawing.
    void setPurpose(RenderPurpose purpose) {
        if (purpose != purpose_) built_ = false, numberFontSizeBuilt_ = -1;
        purpose_ = purpose;
    }

    // The sheet of the current drawing.
    const SheetFrame& sheet() const { return sheet_; }

    // Renders one frame into the current context's framebuffer.
    void render(const DevelopmentViewTransform& transform);

    // Frees the buffer and texture objects; the context must be current.
    void releaseGl();

private:
    struct TexturedFaces {
        const Material* material = nullptr;
        GLuint texture = 0;
        VertexBatch batch;  // x, y, u, v
    };
    using Range = VertexRange;
    // A batch of primitives sorted into tiles of the sheet.
    struct TiledBatch {
        VertexBatch batch;
        std::unique_ptr<TiledPrimitives> tiles;
        // Uploads `list`, sorted into tiles when `tiled`.
        void build(const GlFunctions& gl, const PrimitiveList& list, const VertexLayout& layout,
                   bool tiled);
        void draw(const GlFunctions& gl, GLenum mode, const Box& view,
                  std::vector<VertexRange>& scratch) const;
        void release(const GlFunctions& gl) { batch.release(gl); tiles.reset(); }
        bool empty() const { return batch.empty(); }
    };
    // Screen numbers whose scale lies in one band, so that a whole band can be left out at
    // once when too small.
    struct NumberBand {
        double maxScale = 0.0;
        TiledBatch quads;  // x, y, u, v
    };
    // Flat-coloured faces of one part, by material (null: white).
    struct FlatRegion {
        const Part* part = nullptr;
        std::map<const Material*, std::vector<const DrawnFace*>> faces;
    };
    struct LineRecord {
        const Halfedge* halfedge = nullptr;
        Point2 start, end;  // centimetres
        int lineType = kLineSolid;
    };

    // What of a material the faces' arrays and textures were built from.
    struct MaterialKey {
        const Material* material = nullptr;
        float r = 0, g = 0, b = 0;
        const TextureImage* texture = nullptr;
        int width = 0, height = 0;
        std::uint64_t pixels = 0;  // a hash of the picture
        bool operator==(const MaterialKey& o) const;
    };
    static std::vector<MaterialKey> materialKeysOf(const std::vector<DrawnFace>& faces);

    void ensureFunctions();
    void buildFaces(const DevelopmentDrawing& drawing);
    bool regionMesh(const Part& part, const std::vector<const DrawnFace*>& faces,
                    TriangleMesh& mesh) const;
    void buildFlaps(const DevelopmentDrawing& drawing);
    void buildFlapStyles(const DevelopmentDrawing& drawing);
    void buildLines(const DevelopmentDrawing& drawing);
    void buildNumbers();
    void buildScreenNumbers();
    void ensureAtlasTexture();
    void buildOverlay();
    void drawSheet(const DevelopmentViewTransform& t) const;
    void drawFaces() const;
    void drawFlaps(const Box& view) const;
    void drawFlapStyles() const;
    void drawLines(const DevelopmentViewTransform& t, const Box& view) const;
    void drawNumbers(const DevelopmentViewTransform& t, const Box& view) const;
    Box visibleBox(const DevelopmentViewTransform& t) const;
    void drawRotation(const DevelopmentViewTransform& t) const;
    void setSheetTransform(const DevelopmentViewTransform& t) const;
    void setScreenTransform(const DevelopmentViewTransform& t) const;
    void releaseTextures();

    GlProcLoader loader_;
    GlFunctions gl_;
    bool functionsLoaded_ = false;
    GlyphSet glyphs_;
    std::string fontError_;

    DevelopmentViewOptions options_;
    DevelopmentOverlay overlay_;
    SheetFrame sheet_;
    bool hasContent_ = false;
    bool built_ = false;
    // What the arrays were last built from.
    std::vector<DrawnFace> builtFaces_;
    std::vector<MaterialKey> builtMaterials_;
    std::vector<DrawnFlap> builtFlaps_;
    std::vector<DrawnLine> builtLines_;

    VertexBatch plainFaces_;  // x, y, r, g, b
    std::vector<TexturedFaces> texturedFaces_;
    std::vector<Point2> faceTriangles_;  // every face's fan, centimetres
    std::unordered_map<const Face*, Range> faceRanges_;  // in faceTriangles_
    std::unordered_set<const Face*> texturedFaceSet_;

    TiledBatch flapFills_;     // triangles
    TiledBatch flapOutlines_;  // line pairs
    std::vector<std::pair<const Halfedge*, Range>> flapRanges_;  // in flapFills_
    // Flap styles: textured flaps (or bands) in their glued face's colour, x y r g b; the same
    // in its texture, x y u v, by material; shadows on the glued faces, line pairs.
    std::vector<float> flapLookColoured_;
    std::vector<std::pair<const Material*, std::vector<float>>> flapLookTextured_;
    std::vector<float> flapShadows_;

    // Lines by type (solid, dotted, dash-dot) and by whether they lie over a textured face.
    TiledBatch lines_[3][2];
    std::vector<LineRecord> lineRecords_;

    std::vector<DrawnNumber> numbers_;
    RenderPurpose purpose_ = RenderPurpose::Screen;
    VertexBatch numberTriangles_;
    std::vector<std::pair<const Part*, Range>> numberRanges_;
    int numberFontSizeBuilt_ = -1;
    GlyphAtlas atlas_;
    bool atlasBuilt_ = false;
    GLuint atlasTexture_ = 0;
    std::vector<NumberBand> numberBands_;
    const Part* numbersLeftOut_ = nullptr;  // the part whose numbers the bands do not hold
    mutable std::vector<VertexRange> scratchRanges_;

    // Built from the overlay: triangles of highlighted faces and the selected lines.
    std::vector<float> highlightTriangles_;
    std::vector<LineRecord> selectedLines_;
};

}  // namespace plikatra
