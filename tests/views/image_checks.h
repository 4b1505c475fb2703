// Pixel probes and counts on images read back from an off-screen context.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "model/geometry.h"
#include "views/offscreen_context.h"

namespace plikatra::test {

struct Rgb8 {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb8&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb8& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// The pixel at (x, y); (-1, -1, -1) outside the image.
inline Rgb8 pixel(const RgbImage& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return {-1, -1, -1};
    const auto* p = image.at(x, y);
    return {p[0], p[1], p[2]};
}

inline Rgb8 pixel(const RgbImage& image, Point2 p) {
    return pixel(image, static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)));
}

inline bool close(Rgb8 a, Rgb8 b, int tolerance = 2) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

inline bool dark(Rgb8 c) { return c.r < 90 && c.g < 90 && c.b < 90; }

// Pixels for which `test` holds, within the square of half-size `radius` around `centre`
// (the whole image when radius is negative).
inline int countPixels(const RgbImage& image, const std::function<bool(Rgb8)>& test,
                       Point2 centre = {}, int radius = -1) {
    int x0 = 0, y0 = 0, x1 = image.width - 1, y1 = image.height - 1;
    if (radius >= 0) {
        x0 = std::max(0, static_cast<int>(centre.x) - radius);
        y0 = std::max(0, static_cast<int>(centre.y) - radius);
        x1 = std::min(image.width - 1, static_cast<int>(centre.x) + radius);
        y1 = std::min(image.height - 1, static_cast<int>(centre.y) + radius);
    }
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (test(pixel(image, x, y))) ++n;
    return n;
}

// Writes the image as a binary PPM into the folder named by PLIKATRA_TEST_IMAGES, when set,
// so that a failing probe can be looked at. Images of one test are numbered in order.
inline void keepImage(const RgbImage& image) {
    const char* dir = std::getenv("PLIKATRA_TEST_IMAGES");
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    if (!dir || !info) return;
    static std::string last;
    static int count = 0;
    const std::string test = std::string(info->test_suite_name()) + "." + info->name();
    count = test == last ? count + 1 : 0;
    last = test;
    const std::string name = test + "." + std::to_string(count);
    if (std::FILE* f = std::fopen((std::string(dir) + "/" + name + ".ppm").c_str(), "wb")) {
        std::fprintf(f, "P6\n%d %d\n255\n", image.width, image.height);
        std::fwrite(image.pixels.data(), 1, image.pixels.size(), f);
        std::fclose(f);
    }
}

}  // namespace plikatra::test
