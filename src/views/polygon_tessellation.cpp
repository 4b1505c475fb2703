#include "views/polygon_tessellation.h"

#include <GL/glu.h>

#include <array>
#include <deque>
#include <memory>
#include <unordered_map>

namespace plikatra {

namespace {

// What the tessellator's callbacks fill.
struct Tessellation {
    std::deque<std::array<GLdouble, 3>> vertices;  // stable addresses for GLU
    std::unordered_map<const GLdouble*, std::uint32_t> index;  // vertex to mesh point
    TriangleMesh* mesh = nullptr;
    bool failed = false;
};

void GLAPIENTRY tessBegin(GLenum, void*) {}
void GLAPIENTRY tessEnd(void*) {}
// Registering an edge-flag callback makes GLU emit independent triangles only (no fans or
// strips), which is all the triangle list can hold.
void GLAPIENTRY tessEdgeFlag(GLboolean, void*) {}

void GLAPIENTRY tessVertex(void* vertex, void* data) {
    auto& t = *static_cast<Tessellation*>(data);
    const auto* v = static_cast<const GLdouble*>(vertex);
    auto [it, added] = t.index.try_emplace(v, static_cast<std::uint32_t>(t.mesh->points.size()));
    if (added) t.mesh->points.push_back({v[0], v[1]});
    t.mesh->indices.push_back(it->second);
}

void GLAPIENTRY tessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data) {
    auto& t = *static_cast<Tessellation*>(data);
    t.vertices.push_back({coords[0], coords[1], coords[2]});
    *out = t.vertices.back().data();
}

void GLAPIENTRY tessError(GLenum, void* data) { static_cast<Tessellation*>(data)->failed = true; }

using Callback = void(GLAPIENTRY*)();

}  // namespace

bool tessellate(const std::vector<std::vector<Point2>>& contours, TriangleMesh& out) {
    std::unique_ptr<GLUtesselator, void (*)(GLUtesselator*)> tess(gluNewTess(), gluDeleteTess);
    if (!tess) return false;
    Tessellation t;
    t.mesh = &out;
    gluTessCallback(tess.get(), GLU_TESS_BEGIN_DATA, reinterpret_cast<Callback>(tessBegin));
    gluTessCallback(tess.get(), GLU_TESS_END_DATA, reinterpret_cast<Callback>(tessEnd));
    gluTessCallback(tess.get(), GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(tessVertex));
    gluTessCallback(tess.get(), GLU_TESS_EDGE_FLAG_DATA,
                    reinterpret_cast<Callback>(tessEdgeFlag));
    gluTessCallback(tess.get(), GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(tessCombine));
    gluTessCallback(tess.get(), GLU_TESS_ERROR_DATA, reinterpret_cast<Callback>(tessError));
    gluTessProperty(tess.get(), GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess.get(), 0, 0, 1);
    gluTessBeginPolygon(tess.get(), &t);
    for (const auto& contour : contours) {
        gluTessBeginContour(tess.get());
        for (const Point2& p : contour) {
            t.vertices.push_back({p.x, p.y, 0.0});
            gluTessVertex(tess.get(), t.vertices.back().data(), t.vertices.back().data());
        }
        gluTessEndContour(tess.get());
    }
    gluTessEndPolygon(tess.get());
    return !t.failed && out.indices.size() % 3 == 0;
}

}  // namespace plikatra

