#include "qt/views/gl_view_widget.h"

#include <QOpenGLContext>

#include "views/offscreen_context.h"

namespace plikatra {

GlViewWidget::GlViewWidget(Document& doc, QWidget* parent) : QOpenGLWidget(parent), doc_(doc) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(1, 1);
    listener_ = doc_.addListener([this](DocumentEvent e) { documentChanged(e); });
}

GlViewWidget::~GlViewWidget() {
    doc_.removeListener(listener_);
    // QOpenGLWidget destroys the context after the derived parts are gone; do not hear about it.
    disconnect(contextGone_);
}

bool GlViewWidget::acceptContext() {
    QOpenGLContext* ctx = context();
    const QSurfaceFormat f = ctx ? ctx->format() : QSurfaceFormat();
    if (!ctx || !ctx->isValid() || f.version() < qMakePair(1, 5)) {
        failure_ = kMsgRenderingContextCreateFailed;
        doc_.frontEnd().show(failure_, MessageIcon::Error);
        return false;
    }
    contextGone_ = connect(ctx, &QOpenGLContext::aboutToBeDestroyed, this, [this] { releaseGl(); });
    glReady_ = true;
    return true;
}

void GlViewWidget::releaseGl() {
    if (!glReady_ || !context()) return;
    makeCurrent();
    freeGl();
    doneCurrent();
    glReady_ = false;
}

}  // namespace plikatra
