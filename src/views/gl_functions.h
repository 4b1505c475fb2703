// The OpenGL entry points beyond version 1.1 that the renderers and the off-screen context use
// (buffer objects and framebuffer objects). They are looked up at run time because an OpenGL
// library only promises the 1.1 functions as link-time symbols.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

namespace plikatra {

// Looks up one entry point by name in the current context's implementation.
using GlProcLoader = void* (*)(const char* name);

// Resolves names through EGL; works for any context of the system's OpenGL library.
void* eglProcAddress(const char* name);

struct GlFunctions {
    PFNGLGENBUFFERSPROC genBuffers = nullptr;
    PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;
    PFNGLBINDBUFFERPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAPROC bufferData = nullptr;

    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;

    bool hasBuffers() const { return genBuffers && deleteBuffers && bindBuffer && bufferData; }
    bool hasFramebuffers() const {
        return genFramebuffers && deleteFramebuffers && bindFramebuffer &&
               framebufferRenderbuffer && checkFramebufferStatus && genRenderbuffers &&
               deleteRenderbuffers && bindRenderbuffer && renderbufferStorage;
    }
};

// Looks every entry point up with `loader` (eglProcAddress when null); missing ones stay null.
GlFunctions loadGlFunctions(GlProcLoader loader = nullptr);

}  // namespace plikatra
