// Set-up shared by the view tests: unfolding a model, the drawing the development view draws,
// and an off-screen context to render into. The unfolding goes through this one helper
// because the core's unfolding interface is about to change.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/settings.h"
#include "app/ui.h"
#include "development/development_drawing.h"
#include "development/layout.h"
#include "development/unfolding.h"
#include "model/model.h"
#include "views/offscreen_context.h"

namespace plikatra::test {

// Unfolds `model` with the initial settings, silently; false when unfolding failed.
inline bool unfold(Model& model) {
    RecordingUi quiet;
    setUi(&quiet);
    settings() = Settings{};
    layoutOptions() = LayoutOptions{};
    const bool ok = createDevelopment(model);
    setUi(nullptr);
    return ok;
}

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
