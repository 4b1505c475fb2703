// An OpenGL context that needs no window and no display: EGL on Mesa's surfaceless platform,
// drawing into a framebuffer object of a chosen size. Bitmap export, raster printing, the
// command-line tool, the tests and the benchmarks render with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/canvas.h"
#include "views/gl_functions.h"

namespace plikatra {

// Texts shown when the off-screen context cannot be set up.
inline constexpr const char* kMsgRenderingContextCreateFailed = "Rendering Context Create Failed";
inline constexpr const char* kMsgMakeCurrentFailed = "wglMakeCurrent Failed";
inline constexpr const char* kMsgDibCreateFailed = "DIB Create Failed";
inline constexpr const char* kMsgDibInitFailed = "DIB Init Failed";

class OffscreenContext {
public:
    // Creates a compatibility-profile context with an RGBA8 + 24-bit depth framebuffer of
    // width × height and makes it current. On failure returns null and puts one of the
    // messages above into `error`.
    static std::unique_ptr<OffscreenContext> create(int width, int height, std::string& error);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    // Makes this context current on the calling thread with its framebuffer bound.
    bool makeCurrent(std::string& error);
    // Leaves no context current on the calling thread, so that another API's context (a
    // window's) may be made current there.
    void doneCurrent();
    // Replaces the framebuffer by one of the new size (the context is made current).
    bool resize(int width, int height, std::string& error);
    // The framebuffer's pixels; the context must be current.
    RgbImage readPixels() const;

    int width() const { return width_; }
    int height() const { return height_; }
    const GlFunctions& functions() const { return gl_; }

private:
    OffscreenContext() = default;
    bool createFramebuffer(int width, int height, std::string& error);
    void deleteFramebuffer();

    void* display_ = nullptr;
    void* context_ = nullptr;
    GlFunctions gl_;
    unsigned framebuffer_ = 0;
    unsigned colorBuffer_ = 0;
    unsigned depthBuffer_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace plikatra
