// Set-up shared by the view tests: unfolding a model, the drawing the development view draws,
// and an off-screen context to render into.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/settings.h"
#include "development/development_drawing.h"
#include "model/model.h"
#include "test_util.h"
#include "views/offscreen_context.h"

namespace plikatra::test {

// Unfolds `model` with the initial settings, silently; false when unfolding failed.
inline bool unfold(Model& model) { return createDevelopment(model); }

// The drawing with the initial drawing options, join numbers on or off.
inline DevelopmentDrawing drawingOf(const Model& model, bool numbers = false) {
    DrawingOptions options;
    options.drawNumbers = numbers;
    return drawDevelopment(model, options);
}

// A current off-screen context of the given size for one test.
class RenderTest : public testing::Test {
protected:
    void makeContext(int width, int height) {
        std::string error;
        context = OffscreenContext::create(width, height, error);
        ASSERT_TRUE(context) << error;
    }
    std::unique_ptr<OffscreenContext> context;
};

}  // namespace plikatra::test
