#include "views/gl_functions.h"

#include <EGL/egl.h>

#include <type_traits>

namespace plikatra {

void* eglProcAddress(const char* name) {
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

GlFunctions loadGlFunctions(GlProcLoader loader) {
    if (!loader) loader = eglProcAddress;
    GlFunctions f;
    auto get = [&](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(loader(name));
    };
    get(f.genBuffers, "glGenBuffers");
    get(f.deleteBuffers, "glDeleteBuffers");
    get(f.bindBuffer, "glBindBuffer");
    get(f.bufferData, "glBufferData");
    get(f.genFramebuffers, "glGenFramebuffers");
    get(f.deleteFramebuffers, "glDeleteFramebuffers");
    get(f.bindFramebuffer, "glBindFramebuffer");
    get(f.framebufferRenderbuffer, "glFramebufferRenderbuffer");
    get(f.checkFramebufferStatus, "glCheckFramebufferStatus");
    get(f.genRenderbuffers, "glGenRenderbuffers");
    get(f.deleteRenderbuffers, "glDeleteRenderbuffers");
    get(f.bindRenderbuffer, "glBindRenderbuffer");
    get(f.renderbufferStorage, "glRenderbufferStorage");
    return f;
}

}  // namespace plikatra
