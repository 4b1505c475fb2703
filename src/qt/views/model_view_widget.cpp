#include "qt/views/model_view_widget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWheelEvent>
#include <cstdlib>

#include "app/view_options.h"
#include "base/settings.h"
#include "development/editing.h"
#include "views/gl_textures.h"
#include "views/model_picking.h"
#include "views/offscreen_context.h"
#include "qt/views/gl_proc.h"

namespace plikatra {

namespace {
constexpr int kClickPixels = 3;
}

ModelViewWidget::ModelViewWidget(Document& doc, QWidget* parent) : GlViewWidget(doc, parent) {}

ModelViewWidget::~ModelViewWidget() { releaseGl(); }

void ModelViewWidget::freeGl() {
    if (renderer_) renderer_->releaseGl();
}

void ModelViewWidget::initializeGL() {
    if (!acceptContext()) return;
    renderer_ = std::make_unique<ModelRenderer>(&qtGlProc);
    QOpenGLContext* ctx = context();
    QOpenGLFunctions* gl = ctx->functions();
    auto text = [gl](GLenum name) {
        const auto* s = reinterpret_cast<const char*>(gl->glGetString(name));
        return QString::fromLatin1(s ? s : "");
    };
    const int maxTexture = queryMaxTextureSize();
    doc_.setMaxTextureSize(maxTexture);
    modelStale_ = true;
    emit graphicsReady(text(GL_VERSION), text(GL_RENDERER), maxTexture);
}

void ModelViewWidget::resizeGL(int w, int h) { camera_.resize(w, h); }

void ModelViewWidget::documentChanged(DocumentEvent event) {
    switch (event) {
        case DocumentEvent::Modified:
        case DocumentEvent::FitSheet:
        case DocumentEvent::ZoomIn:
        case DocumentEvent::ZoomOut: return;
        case DocumentEvent::Feedback: break;  // highlights are compared at the next paint
        case DocumentEvent::ResetView: camera_.reset(); break;
        case DocumentEvent::FileOpened:
            camera_.reset();
            [[fallthrough]];
        default:
            modelStale_ = true;
            // What lies under the cursor may have changed with the model.
            hovered_ = nullptr;
            hover(last_);
            break;
    }
    update();
}

void ModelViewWidget::paintGL() {
    if (!glReady() || !failure_.empty()) {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    resetQtGlState(*context());
    const Settings& s = doc_.settings();
    renderer_->setOptions(modelViewOptionsOf(s, doc_.hideSurface()));
    if (modelStale_ || shownModel_ != doc_.model()) {
        renderer_->setModel(doc_.model());
        shownModel_ = doc_.model();
        modelStale_ = false;
        highlighted_.clear();
        renderer_->setHighlightedFaces(highlighted_);
    }
    if (doc_.editor().highlightedFaces() != highlighted_) {
        highlighted_ = doc_.editor().highlightedFaces();
        renderer_->setHighlightedFaces(highlighted_);
    }
    ModelFrameState state;
    state.hoveredEdge = hovered_;
    state.rotating = rotating_;
    state.outlinedMaterial = doc_.textureConfiguration().highlightedMaterial();
    renderer_->render(camera_, state);
    resetQtGlState(*context());
}

void ModelViewWidget::hover(QPoint pos) {
    Edge* edge = nullptr;
    const Model* model = doc_.model();
    const int mode = doc_.modelEditMode();
    if (model && !doc_.hasDevelopment() && (mode == kModelEditCut || mode == kModelEditKeep)) {
        const Settings& s = doc_.settings();
        edge = pickEdge(*model, camera_, pos.x(), pos.y(), s.bCullEdge, s.iAngleEps);
    }
    if (edge != hovered_) {
        hovered_ = edge;
        update();
    }
}

void ModelViewWidget::mousePressEvent(QMouseEvent* event) {
    if (dragButton_ != Qt::NoButton) return;
    dragButton_ = event->button();
    pressAt_ = last_ = event->position().toPoint();
    const bool plainRight = event->button() == Qt::RightButton &&
                            !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    if (plainRight) {
        camera_.beginRotate(pressAt_.x(), pressAt_.y());
        rotating_ = true;
    }
}

void ModelViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QPoint d = pos - last_;
    last_ = pos;
    if (dragButton_ == Qt::NoButton) {
        hover(pos);
        return;
    }
    if (rotating_) {
        camera_.rotateTo(pos.x(), pos.y());
    } else if (dragButton_ == Qt::MiddleButton ||
               (dragButton_ == Qt::RightButton && (event->modifiers() & Qt::ControlModifier))) {
        camera_.pan(d.x(), d.y());
    } else if (dragButton_ == Qt::RightButton && (event->modifiers() & Qt::ShiftModifier)) {
        camera_.moveDistance(d.x(), d.y());
    } else {
        return;
    }
    update();
}

void ModelViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != dragButton_) return;
    dragButton_ = Qt::NoButton;
    const QPoint pos = event->position().toPoint();
    const bool click = std::abs(pos.x() - pressAt_.x()) <= kClickPixels &&
                       std::abs(pos.y() - pressAt_.y()) <= kClickPixels;
    if (rotating_) {
        camera_.endRotate();
        rotating_ = false;
        update();
    }
    Model* model = doc_.model();
    if (!click || !model) return;
    if (event->button() == Qt::LeftButton) {
        if (doc_.editor().mode() == kModeCheckSurface && doc_.hasDevelopment()) {
            doc_.editor().checkFace(pickFace(*model, camera_, pos.x(), pos.y()));
        } else if (!doc_.hasDevelopment() && hovered_) {
            doc_.toggleEdgeMark(*hovered_);
            // The program ships no sound of its own: the desktop's bell stands in for it.
            if (doc_.settings().bSound) QApplication::beep();
            update();
        }
    } else if (event->button() == Qt::RightButton && !doc_.hasDevelopment()) {
        emit modelEditMenuRequested(event->globalPosition().toPoint());
    }
}

void ModelViewWidget::wheelEvent(QWheelEvent* event) {
    camera_.wheel(event->angleDelta().y(), doc_.settings().bZoomWheelInvert);
    event->accept();
    update();
}

}  // namespace plikatra
