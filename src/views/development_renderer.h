// Draws the development view with fixed-function OpenGL into the current context: the grey
// background, the sheet with its page boundaries, faces, flaps, lines, join numbers and the
// rotation feedback. The drawing is turned into vertex arrays once per change; a frame at a
// new zoom or pan only re-issues them under a new transform.
#pragma once

#include <cstdint>
#include <map>
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
    // Cheap; meant to be called on every change of the editor's feedback.
    void setOverlay(const DevelopmentOverlay& overlay);

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
    struct Range {
        int first = 0;
        int count = 0;
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

    void ensureFunctions();
    void buildFaces(const DevelopmentDrawing& drawing);
    bool regionMesh(const Part& part, const std::vector<const DrawnFace*>& faces,
                    TriangleMesh& mesh) const;
    void buildFlaps(const DevelopmentDrawing& drawing);
    void buildLines(const DevelopmentDrawing& drawing);
    void buildNumbers();
    void buildOverlay();
    void drawSheet(const DevelopmentViewTransform& t) const;
    void drawFaces() const;
    void drawFlaps() const;
    void drawLines(const DevelopmentViewTransform& t) const;
    void drawNumbers() const;
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

    VertexBatch plainFaces_;  // x, y, r, g, b
    std::vector<TexturedFaces> texturedFaces_;
    std::vector<Point2> faceTriangles_;  // every face's fan, centimetres
    std::unordered_map<const Face*, Range> faceRanges_;  // in faceTriangles_
    std::unordered_set<const Face*> texturedFaceSet_;

    VertexBatch flapFills_;     // triangles
    VertexBatch flapOutlines_;  // line pairs
    std::vector<std::pair<const Halfedge*, Range>> flapRanges_;  // in flapFills_

    // Lines by type (solid, dotted, dash-dot) and by whether they lie over a textured face.
    VertexBatch lines_[3][2];
    std::vector<LineRecord> lineRecords_;

    std::vector<DrawnNumber> numbers_;
    VertexBatch numberTriangles_;
    std::vector<std::pair<const Part*, Range>> numberRanges_;
    int numberFontSizeBuilt_ = -1;

    // Built from the overlay: triangles of highlighted faces and the selected lines.
    std::vector<float> highlightTriangles_;
    std::vector<LineRecord> selectedLines_;
};

}  // namespace plikatra
