// OpenGL entry points of the context Qt made current, for the renderers.
#pragma once

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>

namespace plikatra {

inline void* qtGlProc(const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

// Qt's own painting leaves its shader program, vertex array and clipping behind; the
// renderers draw with the fixed-function pipeline and need them gone.
inline void resetQtGlState(QOpenGLContext& context) {
    QOpenGLExtraFunctions* f = context.extraFunctions();
    f->glUseProgram(0);
    if (context.format().version() >= qMakePair(3, 0)) f->glBindVertexArray(0);
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    f->glActiveTexture(GL_TEXTURE0);
    f->glDisable(GL_SCISSOR_TEST);
    f->glDisable(GL_STENCIL_TEST);
    f->glDisable(GL_BLEND);
    f->glDepthMask(GL_TRUE);
    f->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

}  // namespace plikatra
