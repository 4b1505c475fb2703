#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>

#include "image_checks.h"
#include "views/offscreen_context.h"

using namespace plikatra;
using plikatra::test::pixel;
using plikatra::test::Rgb8;

namespace {

// Fills the framebuffer with `top` above row `split` (counted from the top) and `bottom`
// below it.
void paintHalves(int width, int height, int split, Rgb8 top, Rgb8 bottom) {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(bottom.r / 255.0f, bottom.g / 255.0f, bottom.b / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, height - split, width, split);
    glClearColor(top.r / 255.0f, top.g / 255.0f, top.b / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

}  // namespace

TEST(OffscreenContext, RendersWithoutAnyDisplayAndReadsRowsFromTheTop) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    std::string error;
    auto context = OffscreenContext::create(40, 30, error);
    ASSERT_TRUE(context) << error;
    EXPECT_TRUE(error.empty());
    paintHalves(40, 30, 10, {255, 0, 0}, {0, 0, 255});
    const RgbImage image = context->readPixels();
    ASSERT_EQ(image.width, 40);
    ASSERT_EQ(image.height, 30);
    ASSERT_EQ(image.pixels.size(), 40u * 30u * 3u);
    EXPECT_EQ(pixel(image, 5, 0), (Rgb8{255, 0, 0}));
    EXPECT_EQ(pixel(image, 39, 9), (Rgb8{255, 0, 0}));
    EXPECT_EQ(pixel(image, 0, 10), (Rgb8{0, 0, 255}));
    EXPECT_EQ(pixel(image, 39, 29), (Rgb8{0, 0, 255}));
}

TEST(OffscreenContext, ResizeGivesAFramebufferOfTheNewSize) {
    std::string error;
    auto context = OffscreenContext::create(16, 16, error);
    ASSERT_TRUE(context) << error;
    ASSERT_TRUE(context->resize(1280, 800, error)) << error;
    EXPECT_EQ(context->width(), 1280);
    paintHalves(1280, 800, 400, {0, 255, 0}, {0, 0, 0});
    const RgbImage image = context->readPixels();
    EXPECT_EQ(image.width, 1280);
    EXPECT_EQ(image.height, 800);
    EXPECT_EQ(pixel(image, 1279, 399), (Rgb8{0, 255, 0}));
    EXPECT_EQ(pixel(image, 1279, 400), (Rgb8{0, 0, 0}));
}

TEST(OffscreenContext, UnusableSizesFailWithTheFramebufferMessage) {
    std::string error;
    EXPECT_FALSE(OffscreenContext::create(0, 10, error));
    EXPECT_EQ(error, "DIB Create Failed");
    auto context = OffscreenContext::create(8, 8, error);
    ASSERT_TRUE(context) << error;
    error.clear();
    EXPECT_FALSE(context->resize(1 << 20, 8, error));
    EXPECT_EQ(error, kMsgDibCreateFailed);
}

TEST(OffscreenContext, TwoContextsKeepTheirOwnPictures) {
    std::string error;
    auto a = OffscreenContext::create(8, 8, error);
    auto b = OffscreenContext::create(8, 8, error);
    ASSERT_TRUE(a && b) << error;
    ASSERT_TRUE(a->makeCurrent(error));
    paintHalves(8, 8, 8, {255, 255, 0}, {0, 0, 0});
    ASSERT_TRUE(b->makeCurrent(error));
    paintHalves(8, 8, 8, {0, 255, 255}, {0, 0, 0});
    b.reset();  // the other context keeps the shared display
    ASSERT_TRUE(a->makeCurrent(error)) << error;
    EXPECT_EQ(pixel(a->readPixels(), 3, 3), (Rgb8{255, 255, 0}));
}
