#include "views/offscreen_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>

namespace plikatra {

namespace {

// The surfaceless display is one per process and shared by every off-screen context. It is
// initialised once and kept: terminating it would unload the driver, which the next context
// would then have to load again.
EGLDisplay acquireDisplay() {
    static const EGLDisplay display = [] {
        EGLDisplay d =
            eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d != EGL_NO_DISPLAY && !eglInitialize(d, nullptr, nullptr)) return EGL_NO_DISPLAY;
        return d;
    }();
    return display;
}

}  // namespace

std::unique_ptr<OffscreenContext> OffscreenContext::create(int width, int height,
                                                           std::string& error) {
    std::unique_ptr<OffscreenContext> c(new OffscreenContext);
    EGLDisplay display = acquireDisplay();
    if (display == EGL_NO_DISPLAY) {
        error = kMsgRenderingContextCreateFailed;
        return nullptr;
    }
    c->display_ = display;

    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = kMsgDibInitFailed;
        return nullptr;
    }
    // The context draws only into framebuffer objects. Asking for window or pixmap surfaces
    // finds no configuration on this platform; some drivers list theirs only as pbuffer ones.
    EGLConfig config = nullptr;
    EGLint count = 0;
    for (EGLint surfaceType : {0, EGL_PBUFFER_BIT}) {
        const EGLint configAttributes[] = {EGL_SURFACE_TYPE, surfaceType,
                                           EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                           EGL_RED_SIZE, 8,
                                           EGL_GREEN_SIZE, 8,
                                           EGL_BLUE_SIZE, 8,
                                           EGL_NONE};
        if (eglChooseConfig(display, configAttributes, &config, 1, &count) && count > 0) break;
    }
    if (count < 1) {
        error = kMsgDibInitFailed;
        return nullptr;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        error = kMsgRenderingContextCreateFailed;
        return nullptr;
    }
    c->context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        error = kMsgMakeCurrentFailed;
        return nullptr;
    }
    c->gl_ = loadGlFunctions(eglProcAddress);
    if (!c->gl_.hasFramebuffers() || !c->createFramebuffer(width, height, error)) {
        error = kMsgDibCreateFailed;
        return nullptr;
    }
    return c;
}

OffscreenContext::~OffscreenContext() {
    if (!display_) return;
    if (context_) {
        if (framebuffer_ &&
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_))
            deleteFramebuffer();
        if (eglGetCurrentContext() == context_)
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display_, context_);
    }
}

bool OffscreenContext::makeCurrent(std::string& error) {
    if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) {
        error = kMsgMakeCurrentFailed;
        return false;
    }
    gl_.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    return true;
}

void OffscreenContext::doneCurrent() {
    if (eglGetCurrentContext() == context_)
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

bool OffscreenContext::resize(int width, int height, std::string& error) {
    if (!makeCurrent(error)) return false;
    deleteFramebuffer();
    if (!createFramebuffer(width, height, error)) {
        error = kMsgDibCreateFailed;
        return false;
    }
    return true;
}

bool OffscreenContext::createFramebuffer(int width, int height, std::string& error) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width < 1 || height < 1 || width > maxSize || height > maxSize) {
        error = kMsgDibCreateFailed;
        return false;
    }
    gl_.genFramebuffers(1, &framebuffer_);
    gl_.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl_.genRenderbuffers(1, &colorBuffer_);
    gl_.bindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    gl_.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    gl_.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                colorBuffer_);
    gl_.genRenderbuffers(1, &depthBuffer_);
    gl_.bindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    gl_.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    gl_.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                depthBuffer_);
    gl_.bindRenderbuffer(GL_RENDERBUFFER, 0);
    if (gl_.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        deleteFramebuffer();
        error = kMsgDibCreateFailed;
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    width_ = width;
    height_ = height;
    return true;
}

void OffscreenContext::deleteFramebuffer() {
    gl_.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (colorBuffer_) gl_.deleteRenderbuffers(1, &colorBuffer_);
    if (depthBuffer_) gl_.deleteRenderbuffers(1, &depthBuffer_);
    if (framebuffer_) gl_.deleteFramebuffers(1, &framebuffer_);
    framebuffer_ = colorBuffer_ = depthBuffer_ = 0;
    width_ = height_ = 0;
}

RgbImage OffscreenContext::readPixels() const {
    RgbImage image;
    image.width = width_;
    image.height = height_;
    const size_t row = static_cast<size_t>(width_) * 3;
    std::vector<std::uint8_t> bottomUp(row * static_cast<size_t>(height_));
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    image.pixels.resize(bottomUp.size());
    for (int y = 0; y < height_; ++y)
        std::memcpy(image.pixels.data() + static_cast<size_t>(y) * row,
                    bottomUp.data() + static_cast<size_t>(height_ - 1 - y) * row, row);
    return image;
}

}  // namespace plikatra
