#include "eps_fixture.h"

#include "app/options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "model/construction.h"
#include "output/eps_writer.h"
#include "test_util.h"

namespace plikatra::test {

namespace {

Halfedge* cornerAt(Face* face, const Vertex* origin) {
    for (auto& he : face->halfedges)
        if (he->origin == origin) return he.get();
    return nullptr;
}

}  // namespace

SampleDevelopment makeSampleDevelopment() {
    SampleDevelopment d;
    d.model = std::make_unique<Model>();
    Model& m = *d.model;
    m.dMag2d = 2.54;
    Solid* s = addPolygonSolid(m, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0.3}, {2, 0.5, 0.3}},
                               {{0, 1, 2}, {0, 2, 3}, {1, 4, 2}});
    const Vertex* v[5];
    for (size_t i = 0; i < 5; ++i) v[i] = s->vertices[i].get();
    finishSolids(m, kAreaThreshold);
    computeEdgeMetrics(m);
    Face* f[3] = {s->faces[0].get(), s->faces[1].get(), s->faces[2].get()};
    m.addMaterial()->setColor(0.25f, 0.5f, 0.75f);
    f[2]->materialIndex = 0;

    for (auto& e : s->edges) e->mountain = true;
    d.flapSide = cornerAt(f[0], v[1]);
    d.otherSide = cornerAt(f[2], v[2]);
    d.foldFirst = cornerAt(f[0], v[2]);
    d.foldSecond = cornerAt(f[1], v[0]);
    d.foldFirst->twin = d.foldSecond;
    d.foldSecond->twin = d.foldFirst;
    d.fold = d.foldFirst->edge;
    d.fold->mountain = false;
    d.fold->foldAngle = 150.0;
    d.cut = d.flapSide->edge;
    d.cut->foldAngle = 160.0;
    d.cut->joinNumber = 1;
    d.flapSide->hasFlap = true;
    d.flapSide->flapHeight = 0.635;

    auto addPart = [&](double x, double w, std::initializer_list<Face*> faces) {
        auto p = std::make_unique<Part>();
        p->x = x;
        p->y = 1.0;
        p->width = w;
        p->height = 3.0;
        p->solid = s;
        for (Face* face : faces) {
            p->faces.push_back(face);
            face->placed = true;
            face->part = p.get();
        }
        m.parts.push_back(std::move(p));
    };
    addPart(1.0, 3.0, {f[0], f[1]});
    addPart(4.5, 2.5, {f[2]});
    // Flat points relative to each part; the sheet's y runs down, so the model's y flips.
    const struct {
        int face, vertex;
        double x, y;
    } flat[] = {{0, 0, 0.5, 2.5}, {0, 1, 2.5, 2.5}, {0, 2, 2.5, 0.5}, {1, 0, 0.5, 2.5},
                {1, 2, 2.5, 0.5}, {1, 3, 0.5, 0.5}, {2, 1, 0.5, 2.5}, {2, 4, 2.0, 1.5},
                {2, 2, 0.5, 0.5}};
    for (const auto& c : flat) {
        Halfedge* he = cornerAt(f[c.face], v[c.vertex]);
        he->flatX = c.x;
        he->flatY = c.y;
    }
    m.bFinished = true;
    return d;
}

std::string exportToString(Model& model, const Settings& settings) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    if (!out) return {};
    EXPECT_EQ(exportEps(model, epsOptionsOf(settings), out), 0);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

std::string exportChecked(Model& model, const Settings& settings) {
    std::string text = exportToString(model, settings);
    expectGhostscriptAccepts(text);
    return text;
}

std::string lineAfter(const std::string& text, const std::string& line) {
    const std::string key = line + "\n";
    size_t at = text.rfind(key, 0) == 0 ? 0 : text.find("\n" + key);
    if (at == std::string::npos) return {};
    at = text.find(key, at) + key.size();
    return text.substr(at, text.find('\n', at) - at);
}

void expectGhostscriptAccepts(const std::string& eps) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    const size_t box = eps.find("%%BoundingBox: ");
    ASSERT_NE(box, std::string::npos);
    ASSERT_EQ(std::sscanf(eps.c_str() + box, "%%%%BoundingBox: %d %d %d %d", &x0, &y0, &x1, &y1), 4);

    TempDir dir;
    const std::string log = dir.path() + "/gs.log";
    const std::string gs = "gs -q -dSAFER -dBATCH -dNOPAUSE ";
    // As an EPS, cropped to its own box.
    const std::string original = dir.write("original.eps", eps);
    const std::string render = gs + "-dEPSCrop -sDEVICE=png16m -r72 -sOutputFile=" + dir.path() +
                               "/x.png " + original + " >" + log + " 2>&1";
    EXPECT_EQ(std::system(render.c_str()), 0) << "Ghostscript missing or failed: " << readFile(log);
    EXPECT_EQ(readFile(log), "");

    // On a page shifted so that marks below or left of the origin, and any outside the box,
    // can be seen.
    constexpr int kRoom = 100;
    const size_t body = eps.find('\n', box);
    std::ostringstream copy;
    copy << eps.substr(0, body + 1) << "<< /PageSize [" << (x1 - x0 + 2 * kRoom) << ' '
         << (y1 - y0 + 2 * kRoom) << "] /PageOffset [" << (kRoom - x0) << ' ' << (kRoom - y0)
         << "] >> setpagedevice" << eps.substr(body);
    const std::string file = dir.write("copy.eps", copy.str());

    ASSERT_EQ(std::system((gs + "-sDEVICE=bbox " + file + " >" + log + " 2>&1").c_str()), 0);
    const std::string seen = readFile(log);
    double b[4];
    const size_t hires = seen.find("%%HiResBoundingBox:");
    ASSERT_NE(hires, std::string::npos) << seen;
    ASSERT_EQ(std::sscanf(seen.c_str() + hires, "%%%%HiResBoundingBox: %lf %lf %lf %lf", &b[0], &b[1],
                          &b[2], &b[3]), 4);
    // Every mark lies inside the written box; the bbox device measures at its own resolution.
    constexpr double kSlack = 0.5;
    const double dx = kRoom - x0, dy = kRoom - y0;
    EXPECT_LT(b[0], b[2]) << "nothing drawn";
    EXPECT_GE(b[0] - dx, x0 - kSlack);
    EXPECT_GE(b[1] - dy, y0 - kSlack);
    EXPECT_LE(b[2] - dx, x1 + kSlack);
    EXPECT_LE(b[3] - dy, y1 + kSlack);
}

}  // namespace plikatra::test
