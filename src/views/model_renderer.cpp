#include "views/model_renderer.h"

#include <algorithm>

#include "development/development_drawing.h"
#include "views/gl_textures.h"

namespace plikatra {

namespace {

struct EdgeStyle {
    float width;
    int colorEntry;  // -1: black, -2: by fold direction
};

// Width and colour-table entry of each edge class; fold classes fall back to black while
// edges are not coloured.
constexpr EdgeStyle kEdgeStyles[ModelRenderer::kEdgeClassCount] = {
    {1, 1}, {1, 2}, {4, 3}, {1, -1}, {1, 1}, {1, 2}, {3, 3}, {3, 4}, {3, 5}};

bool foldColored(int edgeClass) {
    return edgeClass == ModelRenderer::kFoldMountain || edgeClass == ModelRenderer::kFoldValley ||
           edgeClass == ModelRenderer::kPlainMountain || edgeClass == ModelRenderer::kPlainValley;
}

void push3(std::vector<float>& v, const Point3& p) {
    v.push_back(static_cast<float>(p.x));
    v.push_back(static_cast<float>(p.y));
    v.push_back(static_cast<float>(p.z));
}

void material4(GLenum face, GLenum name, const Rgba& c) {
    const GLfloat v[4] = {c.r, c.g, c.b, c.a};
    glMaterialfv(face, name, v);
}

// The front material; the backs have their own.
void material4(GLenum name, const Rgba& c) { material4(GL_FRONT, name, c); }

}  // namespace

ModelRenderer::ModelRenderer(GlProcLoader loader) : loader_(loader) {}

ModelRenderer::~ModelRenderer() = default;

void ModelRenderer::ensureFunctions() {
    if (functionsLoaded_) return;
    gl_ = loadGlFunctions(loader_);
    functionsLoaded_ = true;
}

bool ModelRenderer::opened() const { return model_ && model_->bFinished && options_.openedCuts; }

Point3 ModelRenderer::cornerPosition(const Halfedge& h) const {
    return opened() ? displayPosition(h) : h.origin->position;
}

void ModelRenderer::setModel(const Model* model) {
    ensureFunctions();
    model_ = model;
    buildFaces();
    buildEdges();
}

void ModelRenderer::setOptions(const ModelViewOptions& o) {
    const ModelViewOptions old = options_;
    options_ = o;
    if (!functionsLoaded_) return;
    if (old.openedCuts != o.openedCuts) buildFaces();
    if (old.openedCuts != o.openedCuts || old.cullEdge != o.cullEdge || old.angleEps != o.angleEps)
        buildEdges();
    if (old.textureSmooth != o.textureSmooth)
        for (const auto& f : faces_)
            if (f.texture) setTextureFiltering(f.texture, o.textureSmooth);
}

void ModelRenderer::setHighlightedFaces(const std::unordered_set<const Face*>& faces) {
    if (faces == highlighted_) return;
    highlighted_ = faces;
    if (functionsLoaded_) buildFaces();
}

void ModelRenderer::releaseFaces() {
    for (auto& f : faces_) {
        if (f.texture) glDeleteTextures(1, &f.texture);
        f.batch.release(gl_);
    }
    faces_.clear();
    highlightedFaces_.release(gl_);
    backFaces_.release(gl_);
}

void ModelRenderer::releaseGl() {
    if (!functionsLoaded_) return;
    releaseFaces();
    for (auto& e : edges_) e.release(gl_);
}

void ModelRenderer::findClosedSurfaces() {
    closedSurfaces_ = false;
    // Opened cuts move corners apart, which leaves slits to see the backs through.
    if (!model_ || opened()) return;
    Point3 lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
    bool any = false;
    for (const auto& solid : model_->solids) {
        if (!solid->visible) continue;
        // Six times the enclosed volume: positive when the faces wind counter-clockwise seen
        // from outside, which is what makes a face front-facing. A surface turned inside out
        // shows its backs from outside.
        double volume = 0.0;
        for (const auto& face : solid->faces) {
            const auto& hs = face->halfedges;
            if (hs.size() < 3) return;  // not drawn: a hole
            const Point3& a = hs[0]->origin->position;
            for (size_t i = 1; i + 1 < hs.size(); ++i) {
                const Point3 &b = hs[i]->origin->position, &c = hs[i + 1]->origin->position;
                volume += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) +
                          a.z * (b.x * c.y - b.y * c.x);
            }
        }
        if (!(volume > 0)) return;
        for (const auto& e : solid->edges) {
            const Halfedge *a = e->a, *b = e->b;
            if (e->deleted || !a || !b || !a->next || !b->next) return;
            if (a->origin != b->next->origin || b->origin != a->next->origin) return;
        }
        for (const auto& v : solid->vertices) {
            const Point3& p = v->position;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            any = true;
        }
    }
    if (!any) return;
    boundsCentre_ = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    boundsRadius_ = 0.0;
    for (const auto& solid : model_->solids)
        if (solid->visible)
            for (const auto& v : solid->vertices)
                boundsRadius_ = std::max(boundsRadius_, distance3(v->position, boundsCentre_));
    // Room for rounding in the eye's coordinates.
    boundsRadius_ = boundsRadius_ * (1 + 1e-9) + 1e-9;
    closedSurfaces_ = true;
}

bool ModelRenderer::backsHidden(const ModelCamera& camera) const {
    return closedSurfaces_ && camera.sphereBeyondNearPlane(boundsCentre_, boundsRadius_);
}

void ModelRenderer::buildFaces() {
    releaseFaces();
    findClosedSurfaces();
    if (!model_) return;
    // One batch per material index from -1 (the default material) upward; faces whose index
    // is out of range draw with the default material, as everywhere else.
    const size_t materialCount = model_->materials.size();
    std::vector<std::vector<float>> data(materialCount + 1);
    std::vector<float> highlighted;
    // Positions only, so that corners shared by faces are shared: the backs of the faces whose
    // picture would otherwise show on their backs too.
    std::vector<float> backs;
    auto slot = [&](const Face& f) -> size_t {
        const Material* m = &faceMaterial(*model_, f);
        if (m == &model_->defaultMaterial) return 0;
        return static_cast<size_t>(f.materialIndex) + 1;
    };
    for (const auto& solid : model_->solids) {
        if (!solid->visible) continue;
        for (const auto& face : solid->faces) {
            const auto& hs = face->halfedges;
            if (hs.size() < 3) continue;
            const bool isHighlighted = highlighted_.count(face.get()) != 0;
            std::vector<float>& out = isHighlighted ? highlighted : data[slot(*face)];
            const bool textured = !isHighlighted && drawsTexture(faceMaterial(*model_, *face));
            auto corner = [&](const Halfedge& h) {
                push3(out, cornerPosition(h));
                if (textured) push3(backs, cornerPosition(h));
                if (isHighlighted) return;
                push3(out, face->normal);
                out.push_back(h.texCoord ? static_cast<float>(h.texCoord->u) : 0.0f);
                out.push_back(h.texCoord ? static_cast<float>(h.texCoord->v) : 0.0f);
            };
            for (size_t i = 1; i + 1 < hs.size(); ++i) {
                corner(*hs[0]);
                corner(*hs[i]);
                corner(*hs[i + 1]);
            }
        }
    }
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i].empty()) continue;
        FaceBatch b;
        b.material = i == 0 ? &model_->defaultMaterial : model_->materials[i - 1].get();
        if (!b.material) b.material = &model_->defaultMaterial;
        b.texture = uploadTexture(*b.material, options_.textureSmooth);
        // Each face has its own normal, so corners repeat only inside polygons.
        b.batch.upload(gl_, data[i], {8, 3, 3, -1, 6}, false);
        faces_.push_back(std::move(b));
    }
    highlightedFaces_.upload(gl_, highlighted, {3, 3});
    backFaces_.upload(gl_, backs, {3, 3});
}

void ModelRenderer::buildEdges() {
    std::vector<float> data[kEdgeClassCount];
    if (model_) {
        const bool developed = model_->bFinished;
        const bool lips = opened();
        auto line = [&](int cls, const Halfedge& h) {
            push3(data[cls], cornerPosition(h));
            push3(data[cls], cornerPosition(*h.next));
        };
        for (const auto& solid : model_->solids) {
            if (!solid->visible) continue;
            for (const auto& e : solid->edges) {
                if (e->deleted || !e->a || !e->a->next) continue;
                const bool culled = options_.cullEdge && e->foldAngle > options_.angleEps;
                if (developed) {
                    if (e->b && e->a->twin) {
                        if (culled || !e->a->lineShown) continue;
                        line(e->mountain ? kFoldMountain : kFoldValley, *e->a);
                    } else if (lips && e->b) {
                        // Both lips of the opened cut, each from its own face.
                        line(kCutLips, *e->a);
                        if (e->b->next) line(kCutLips, *e->b);
                    } else {
                        line(kOpenOrCut, *e->a);
                    }
                    continue;
                }
                if (culled) continue;
                switch (e->kind) {
                    case kEdgeOpen: line(kOpenEdge, *e->a); break;
                    case kEdgeCut: line(kCutEdge, *e->a); break;
                    case kEdgeKeep: line(kKeepEdge, *e->a); break;
                    default: line(e->mountain ? kPlainMountain : kPlainValley, *e->a); break;
                }
            }
        }
    }
    for (int i = 0; i < kEdgeClassCount; ++i) edges_[i].upload(gl_, data[i], {3, 3});
}

void ModelRenderer::applyMaterial(const FaceBatch& b, bool materials) const {
    glEnable(GL_LIGHTING);
    if (!materials) {
        // Plain white: a material that only glows, so that the backs keep their own grey.
        glDisable(GL_TEXTURE_2D);
        material4(GL_AMBIENT, {0, 0, 0, 1});
        material4(GL_DIFFUSE, {0, 0, 0, 1});
        material4(GL_SPECULAR, {0, 0, 0, 1});
        material4(GL_EMISSION, {1, 1, 1, 1});
        glMaterialf(GL_FRONT, GL_SHININESS, 0.0f);
        return;
    }
    if (b.texture) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, b.texture);
        // The picture under the light with OpenGL's initial material.
        material4(GL_AMBIENT, {0.2f, 0.2f, 0.2f, 1.0f});
        material4(GL_DIFFUSE, {0.8f, 0.8f, 0.8f, 1.0f});
        material4(GL_SPECULAR, {0, 0, 0, 1});
        material4(GL_EMISSION, {0, 0, 0, 1});
        glMaterialf(GL_FRONT, GL_SHININESS, 0.0f);
        return;
    }
    glDisable(GL_TEXTURE_2D);
    const Material& m = *b.material;
    material4(GL_AMBIENT, m.ambient);
    material4(GL_DIFFUSE, m.diffuse);
    material4(GL_SPECULAR, m.specular);
    material4(GL_EMISSION, m.emission);
    glMaterialf(GL_FRONT, GL_SHININESS, std::clamp(m.shininess, 0.0f, 128.0f));
}

void ModelRenderer::render(const ModelCamera& camera, const ModelFrameState& state) {
    ensureFunctions();
    glViewport(0, 0, camera.width(), camera.height());
    // The whole camera sits on the projection stack and the model-view matrix stays the
    // identity, so lighting works in model coordinates.
    const Matrix4 p = camera.projection();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(p.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    const GLfloat ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f}, one[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, one);
    glLightfv(GL_LIGHT0, GL_SPECULAR, one);
    // Towards the viewer: the projection's third row is the view direction in model space.
    const GLfloat light[4] = {static_cast<float>(-p[2]), static_cast<float>(-p[6]),
                              static_cast<float>(-p[10]), 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_LIGHT0);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 0.0001f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    // Each face has one normal, so its corners light alike: one colour per triangle.
    glShadeModel(GL_FLAT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_BLEND);
    glDisable(GL_LINE_STIPPLE);
    glDisable(GL_LINE_SMOOTH);

    const GlColor bg = glColorOf(options_.colors[7]);
    glClearColor(bg.r, bg.g, bg.b, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!model_) return;

    const bool surfaces = !(options_.hideSurface && !model_->bFinished);
    if (surfaces) {
        const bool materials =
            options_.useMaterial && !(state.rotating && options_.omitMaterialWhileRotating);
        // Backs are grey and unlit. Two-sided lighting with a back material that only glows
        // grey draws them in the same pass as the fronts, so that each triangle is set up
        // once per frame instead of once for its front and once for its back.
        // Seen from outside a closed surface the backs lie behind its fronts: culling them
        // spares the software renderer half the triangles. They showed only where a back
        // meets a front along the outline at the same depth and won the tie, as grey specks.
        const bool cull = options_.cullFace || backsHidden(camera);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, cull ? GL_FALSE : GL_TRUE);
        material4(GL_BACK, GL_AMBIENT, {0, 0, 0, 1});
        material4(GL_BACK, GL_DIFFUSE, {0, 0, 0, 1});
        material4(GL_BACK, GL_SPECULAR, {0, 0, 0, 1});
        material4(GL_BACK, GL_EMISSION, {0.7f, 0.7f, 0.7f, 1});
        glMaterialf(GL_BACK, GL_SHININESS, 0.0f);
        bool texturedBacks = false;
        for (const auto& f : faces_) {
            // A picture would show on the back as well: those faces cull their backs here
            // and draw them in a pass of their own below.
            const bool textured = materials && f.texture;
            texturedBacks = texturedBacks || textured;
            if (cull || textured)
                glEnable(GL_CULL_FACE);
            else
                glDisable(GL_CULL_FACE);
            applyMaterial(f, materials);
            f.batch.draw(gl_, GL_TRIANGLES);
        }
        glEnable(GL_CULL_FACE);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (!cull && texturedBacks) {
            // The textured faces again, wound the other way, show their backs in grey.
            glColor3f(0.7f, 0.7f, 0.7f);
            glFrontFace(GL_CW);
            backFaces_.draw(gl_, GL_TRIANGLES);
            glFrontFace(GL_CCW);
        }
        if (!highlightedFaces_.empty()) {
            glDisable(GL_CULL_FACE);
            glColor3f(1, 0, 0);
            highlightedFaces_.draw(gl_, GL_TRIANGLES);
            glEnable(GL_CULL_FACE);
        }
    }

    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    for (int i = 0; i < kEdgeClassCount; ++i) {
        if (edges_[i].empty()) continue;
        const EdgeStyle style = kEdgeStyles[i];
        const bool black = style.colorEntry < 0 || (foldColored(i) && !options_.colorEdges);
        const GlColor c = black ? GlColor{} : glColorOf(options_.colors[static_cast<size_t>(style.colorEntry)]);
        glColor3f(c.r, c.g, c.b);
        glLineWidth(style.width);
        edges_[i].draw(gl_, GL_LINES);
    }
    if (const Edge* e = state.hoveredEdge; e && e->a && e->a->next) {
        glLineWidth(5.0f);
        glColor3f(0, 1, 0);
        const Point3 &a = cornerPosition(*e->a), &b = cornerPosition(*e->a->next);
        glBegin(GL_LINES);
        glVertex3d(a.x, a.y, a.z);
        glVertex3d(b.x, b.y, b.z);
        glEnd();
    }
    if (state.outlinedMaterial) drawOutlines(*state.outlinedMaterial);
    glLineWidth(1.0f);
}

void ModelRenderer::drawOutlines(const Material& material) const {
    glLineWidth(2.0f);
    for (const auto& solid : model_->solids) {
        if (!solid->visible) continue;
        for (const auto& face : solid->faces) {
            if (&faceMaterial(*model_, *face) != &material) continue;
            const bool mapped = std::any_of(face->halfedges.begin(), face->halfedges.end(),
                                            [](const auto& h) {
                                                return h->texCoord && (h->texCoord->u != 0.0 ||
                                                                       h->texCoord->v != 0.0);
                                            });
            if (mapped)
                glColor3f(1, 1, 0);
            else
                glColor3f(1, 1, 1);
            glBegin(GL_LINE_LOOP);
            for (const auto& h : face->halfedges) {
                const Point3& p = cornerPosition(*h);
                glVertex3d(p.x, p.y, p.z);
            }
            glEnd();
        }
    }
}

}  // namespace plikatra
