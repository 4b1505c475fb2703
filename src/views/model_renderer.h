// Draws the 3D model view with fixed-function OpenGL into the current context: lit faces in
// their materials or textures, grey back faces, highlighted faces, and edges coloured by kind
// and fold direction, with the cuts opened once a development exists. Vertex arrays are built
// once per change of the model; a frame only re-issues them under the camera.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "app/view_options.h"
#include "base/color.h"
#include "model/model.h"
#include "views/gl_functions.h"
#include "views/model_camera.h"
#include "views/vertex_batch.h"

namespace plikatra {

// What changes from frame to frame.
struct ModelFrameState {
    const Edge* hoveredEdge = nullptr;  // drawn thick green
    bool rotating = false;              // the trackball is being dragged
    // The material chosen in the texture dialog: its faces are outlined, yellow where they
    // have texture coordinates, white where they have none.
    const Material* outlinedMaterial = nullptr;
};

class ModelRenderer {
public:
    explicit ModelRenderer(GlProcLoader loader = nullptr);
    // Frees nothing of OpenGL: call releaseGl() first with the context current.
    ~ModelRenderer();
    ModelRenderer(const ModelRenderer&) = delete;
    ModelRenderer& operator=(const ModelRenderer&) = delete;

    // Builds the vertex arrays and textures; call again after any change of the model
    // (geometry, edge kinds, the development, line flags, materials). The context must be
    // current; null draws an empty view.
    void setModel(const Model* model);
    // Options that change the geometry (opened cuts, edge culling) or the filtering rebuild
    // the cached data, so the context must be current once a model was set.
    void setOptions(const ModelViewOptions& options);
    const ModelViewOptions& options() const { return options_; }
    // Faces shown red (Check Corresponding Surface); a change rebuilds the face arrays, so the
    // context must be current.
    void setHighlightedFaces(const std::unordered_set<const Face*>& faces);

    // Renders one frame with the camera into the current context's framebuffer.
    void render(const ModelCamera& camera, const ModelFrameState& state = {});

    // Frees the buffer and texture objects; the context must be current.
    void releaseGl();

    // Kinds of edge line, each with its own width and colour.
    enum EdgeClass {
        kFoldMountain,
        kFoldValley,
        kOpenOrCut,   // with a development: cut and open edges, 4 pixels
        kCutLips,     // with opened cuts: each side of a cut, 1 pixel black
        kPlainMountain,
        kPlainValley,
        kOpenEdge,    // without a development: kinds 5, 6, 7
        kCutEdge,
        kKeepEdge,
        kEdgeClassCount
    };

private:
    struct FaceBatch {
        const Material* material = nullptr;
        GLuint texture = 0;
        VertexBatch batch;  // x, y, z, nx, ny, nz, u, v
    };

    void ensureFunctions();
    void buildFaces();
    void buildEdges();
    void releaseFaces();
    bool opened() const;
    void findClosedSurfaces();
    bool backsHidden(const ModelCamera& camera) const;
    Point3 cornerPosition(const Halfedge& h) const;
    void applyMaterial(const FaceBatch& batch, bool materials) const;
    void drawOutlines(const Material& material) const;

    GlProcLoader loader_;
    GlFunctions gl_;
    bool functionsLoaded_ = false;
    const Model* model_ = nullptr;
    ModelViewOptions options_;
    std::unordered_set<const Face*> highlighted_;

    // Set when the visible solids close up into surfaces, each edge between two faces that
    // run it opposite ways, and are drawn at their own corners: from outside such a surface
    // a back face always lies behind a front face. The sphere around them goes with it.
    bool closedSurfaces_ = false;
    Point3 boundsCentre_;
    double boundsRadius_ = 0.0;

    std::vector<FaceBatch> faces_;
    VertexBatch highlightedFaces_;
    VertexBatch backFaces_;  // every face, positions only
    VertexBatch edges_[kEdgeClassCount];
};

}  // namespace plikatra
