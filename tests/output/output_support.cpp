#include "output_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

#include "output/emf_writer.h"
#include "test_util.h"

namespace plikatra::test {

SheetBuilder::SheetBuilder() {
    drawing.mag2d = 1.0;
    drawing.grid.page = PageSetup{};
    drawing.grid.sheetWidth = drawing.grid.page.width;
    drawing.grid.sheetHeight = drawing.grid.page.height;
}

Part* SheetBuilder::part(double x, double y, double w, double h) {
    parts.push_back(std::make_unique<Part>());
    Part* p = parts.back().get();
    p->x = x;
    p->y = y;
    p->width = w;
    p->height = h;
    p->index = static_cast<int>(parts.size() - 1);
    return p;
}

Material* SheetBuilder::material(float r, float g, float b, bool textured) {
    materials.push_back(std::make_unique<Material>());
    Material* m = materials.back().get();
    m->setColor(r, g, b);
    m->hasTexture = textured;
    return m;
}

DrawnFace& SheetBuilder::face(Part* p, std::vector<Point2> corners, const Material* m) {
    DrawnFace f;
    f.part = p;
    f.corners = std::move(corners);
    f.material = m;
    drawing.faces.push_back(std::move(f));
    return drawing.faces.back();
}

void SheetBuilder::flap(Part* p, Point2 base0, Point2 base1, double heightCm) {
    drawing.flaps.push_back({p, nullptr, base0, base1, heightCm});
}

void SheetBuilder::line(Part* p, Point2 a, Point2 b, LineRole role, int lineType) {
    drawing.lines.push_back({p, nullptr, a, b, role, lineType});
}

void SheetBuilder::number(Part* p, Point2 first, Point2 second, int n) {
    drawing.numbers.push_back({p, nullptr, first, second, n});
}

TextItem* SheetBuilder::text(const std::string& s, double x, double y, int size, std::uint32_t color) {
    texts.push_back(std::make_unique<TextItem>());
    TextItem* t = texts.back().get();
    t->text = s;
    t->x = x;
    t->y = y;
    t->fontSize = size;
    t->color = color;
    t->width = 0.1 * size * static_cast<double>(s.size());
    t->height = 0.035 * size;
    drawing.texts.push_back(t);
    return t;
}

std::unique_ptr<Model> unfoldedCube() {
    auto model = makeCube();
    EXPECT_TRUE(createDevelopment(*model));
    return model;
}

}  // namespace plikatra::test
