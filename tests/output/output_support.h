// Shared by the tests of the Canvas outputs: hand-made drawings and the unfolded cube.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "development/development_drawing.h"
#include "model/model.h"
#include "output/canvas.h"
#include "emf_file.h"

namespace plikatra::test {

// A drawing put together directly in development units, owning what it points to.
struct SheetBuilder {
    std::vector<std::unique_ptr<Part>> parts;
    std::vector<std::unique_ptr<Material>> materials;
    std::vector<std::unique_ptr<TextItem>> texts;
    DevelopmentDrawing drawing;

    // dMag2d 1 (development units are centimetres), an A4 grid of 1 × 1.
    SheetBuilder();
    Part* part(double x, double y, double w, double h);
    Material* material(float r, float g, float b, bool textured = false);
    DrawnFace& face(Part* p, std::vector<Point2> corners, const Material* m = nullptr);
    void flap(Part* p, Point2 base0, Point2 base1, double heightCm);
    void line(Part* p, Point2 a, Point2 b, LineRole role, int lineType);
    void number(Part* p, Point2 first, Point2 second, int n);
    TextItem* text(const std::string& s, double x, double y, int size = 36, std::uint32_t color = 0);
};

// The cube unfolded by the current engine with the initial settings.
std::unique_ptr<Model> unfoldedCube();

}  // namespace plikatra::test
