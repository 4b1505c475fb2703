#include "qt/views/development_view_widget.h"

#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "app/options.h"
#include "app/view_options.h"
#include "base/settings.h"
#include "development/editing_operations.h"
#include "output/page_list.h"
#include "views/offscreen_context.h"
#include "qt/views/gl_proc.h"

namespace plikatra {

namespace {

// A press and release this close together is a click, not a drag.
constexpr int kClickPixels = 3;
constexpr double kZoomStep = 1.2;

QColor colorOf(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Shown on the empty sheet until the program has been closed once, so that a new user knows
// where to begin.
constexpr const char* kStartHint =
    "To begin, open a 3D model with File > Open... (Ctrl+O),\n"
    "then press \"Create Development\" to unfold it onto paper.\n"
    "Help > Contents... explains every step.";

// The model a document without one shows: an empty sheet of one page.
const Model& emptyModel() {
    static const Model model;
    return model;
}

}  // namespace

DevelopmentViewWidget::DevelopmentViewWidget(Document& doc, QWidget* parent) : GlViewWidget(doc, parent) {}

DevelopmentViewWidget::~DevelopmentViewWidget() { releaseGl(); }

void DevelopmentViewWidget::freeGl() {
    fbo_.reset();
    if (renderer_) renderer_->releaseGl();
}

void DevelopmentViewWidget::initializeGL() {
    if (!acceptContext()) return;
    renderer_ = std::make_unique<DevelopmentRenderer>(&qtGlProc);
    if (!renderer_->fontError().empty()) doc_.frontEnd().show(renderer_->fontError(), MessageIcon::Error);
    drawingStale_ = true;
}

void DevelopmentViewWidget::resizeGL(int w, int h) {
    transform_.clientWidth = w;
    transform_.clientHeight = h;
    // A new size refits the sheet's scale but keeps the user's zoom and pan.
    if (sheet_.width > 0) transform_.pixelsPerCm = fitPixelsPerCm(w, h, sheet_);
    tellEditorScale();
    changed();
}

void DevelopmentViewWidget::documentChanged(DocumentEvent event) {
    switch (event) {
        case DocumentEvent::Modified:
        case DocumentEvent::ResetView: return;
        case DocumentEvent::Feedback: break;
        case DocumentEvent::ZoomIn: zoomBy(kZoomStep); return;
        case DocumentEvent::ZoomOut: zoomBy(1.0 / kZoomStep); return;
        case DocumentEvent::FitSheet:
        case DocumentEvent::FileOpened:
            drawingStale_ = true;
            fitted_ = false;
            break;
        default: drawingStale_ = true; break;
    }
    changed();
}

void DevelopmentViewWidget::changed() {
    dirty_ = true;
    update();
}

void DevelopmentViewWidget::rebuildDrawing() {
    const Model& model = doc_.model() ? *doc_.model() : emptyModel();
    const SheetFrame before = sheet_;
    drawing_ = drawDevelopment(model, drawingOptionsOf(doc_.settings()));
    renderer_->setDrawing(drawing_);
    sheet_ = renderer_->sheet();
    drawingStale_ = false;
    if (!fitted_ || !(before.width > 0)) {
        fit();
    } else {
        // More or fewer pages: the scale stays and the development stays where it was on
        // screen.
        if (before.pagesAcross != sheet_.pagesAcross || before.pagesDown != sheet_.pagesDown ||
            before.originX != sheet_.originX || before.originY != sheet_.originY)
            keepSheetCorner(transform_, before, sheet_);
    }
    tellEditorScale();
}

bool DevelopmentViewWidget::readyForMouse() {
    if (!glReady()) return false;
    // A click that comes before the view has painted the last change (a large development
    // takes a while) acts on the drawing as it now is instead of being lost.
    if (drawingStale_) {
        makeCurrent();
        rebuildDrawing();
        doneCurrent();
    }
    return true;
}

void DevelopmentViewWidget::fit() {
    if (!(sheet_.width > 0) || transform_.clientWidth <= 0) return;
    fitSheet(transform_, sheet_);
    fitted_ = true;
    tellEditorScale();
    changed();
}

bool DevelopmentViewWidget::zoomBy(double factor) {
    if (!setZoomWithinLimits(transform_, sheet_, transform_.zoom * factor)) return false;
    tellEditorScale();
    changed();
    return true;
}

void DevelopmentViewWidget::tellEditorScale() {
    if (!(sheet_.width > 0)) return;
    doc_.editor().setPixelsPerUnit(pixelsPerUnit(transform_, sheet_));
    doc_.editor().setScreenDpi(logicalDpiX());
}

Point2 DevelopmentViewWidget::sheetAt(QPointF pos) const {
    return screenToSheet(transform_, sheet_, {pos.x(), pos.y()});
}

QPointF DevelopmentViewWidget::screenAt(Point2 p) const {
    const Point2 s = sheetToScreen(transform_, sheet_, p);
    return {s.x, s.y};
}

void DevelopmentViewWidget::renderImage() {
    const QSize size(transform_.clientWidth, transform_.clientHeight);
    if (size.isEmpty()) return;
    // One framebuffer for as long as the size lasts: panning with every move rendered must
    // not allocate one per frame.
    if (!fbo_ || fbo_->size() != size)
        fbo_ = std::make_unique<QOpenGLFramebufferObject>(size, QOpenGLFramebufferObject::CombinedDepthStencil);
    QOpenGLFramebufferObject& fbo = *fbo_;
    if (!fbo.isValid() || !fbo.bind()) {
        failure_ = kMsgDibCreateFailed;
        doc_.frontEnd().show(failure_, MessageIcon::Error);
        return;
    }
    resetQtGlState(*context());
    renderer_->setOptions(developmentViewOptionsOf(doc_.settings(), doc_.editor().mode()));
    DevelopmentOverlay overlay = overlayOf(doc_.editor());
    if (doc_.settings().bDrawNorishiro && doc_.settings().bTintCollidingNorishiro)
        for (const FlaggedFlap& f : doc_.collidingFlaps()) overlay.flaggedFlaps.insert(f.halfedge);
    renderer_->setOverlay(overlay);
    renderer_->render(transform_);
    image_ = fbo.toImage().convertToFormat(QImage::Format_RGBA8888);
    fbo.release();
    // Leave nothing bound that Qt's painter would misread as its own arrays.
    resetQtGlState(*context());
    dirty_ = false;
    ++renderCount_;
}

void DevelopmentViewWidget::paintGL() {
    QImage frame(std::max(1, width()), std::max(1, height()), QImage::Format_RGBA8888);
    frame.fill(QColor(127, 127, 127));
    if (glReady() && failure_.empty()) {
        if (drawingStale_) rebuildDrawing();
        if (dirty_ || doc_.settings().bRenderAllGL || image_.size() != size()) renderImage();
        // The frame is put together in memory: the cached rendering (shifted while a pan is
        // dragged) and the overlays over it.
        QPainter painter(&frame);
        QPoint offset;
        const bool shifting = dragButton_ != Qt::NoButton && !zoomDrag_ && !doc_.settings().bRenderAllGL;
        if (shifting) {
            offset = dragLast_ - dragOrigin_;
            paintPanBackground(painter, offset);
        }
        painter.drawImage(offset, image_);
        painter.translate(offset);
        paintOverlays(painter);
    }
    putFrame(frame);
}

void DevelopmentViewWidget::putFrame(const QImage& frame) {
    QOpenGLContext* ctx = context();
    if (!ctx) return;
    resetQtGlState(*ctx);
    ctx->functions()->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    const QImage rows = frame.mirrored(false, true);  // OpenGL counts rows from the bottom
    glViewport(0, 0, rows.width(), rows.height());
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPixelZoom(1.0f, 1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glRasterPos2f(-1.0f, -1.0f);
    glDrawPixels(rows.width(), rows.height(), GL_RGBA, GL_UNSIGNED_BYTE, rows.constBits());
}

void DevelopmentViewWidget::paintPanBackground(QPainter& painter, QPoint offset) {
    // What the shifted image uncovers: grey outside the sheet, white on it.
    painter.fillRect(rect(), QColor(127, 127, 127));
    const Point2 a = sheetCmToScreen(transform_, sheet_, {0, 0});
    const Point2 b = sheetCmToScreen(transform_, sheet_, {sheet_.width, sheet_.height});
    painter.fillRect(QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)).translated(offset), Qt::white);
}

void DevelopmentViewWidget::paintStartHint(QPainter& painter) {
    QFont font = this->font();
    font.setPointSizeF(font.pointSizeF() * 1.2);
    painter.setFont(font);
    const QString text = QString::fromUtf8(kStartHint);
    const QRect client = rect().adjusted(10, 10, -10, -10);
    QRect box = painter.fontMetrics().boundingRect(client, Qt::AlignCenter | Qt::TextWordWrap, text);
    box.adjust(-14, -10, 14, 10);
    box = box.intersected(client);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(QColor(255, 255, 225));
    painter.drawRoundedRect(box, 6, 6);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, text);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void DevelopmentViewWidget::paintOverlays(QPainter& painter) {
    const Model* model = doc_.model();
    const Settings& s = doc_.settings();
    const double k = transform_.scale();
    painter.setRenderHint(QPainter::Antialiasing, false);

    // Text items grow with the view's magnification.
    if (model && model->bFinished) {
        const double pixelsPerCmOfScreen = logicalDpiY() / 2.54;
        for (const auto& t : model->texts) {
            const double points = t->fontSize * k / pixelsPerCmOfScreen;
            if (!(points >= 0.5) || t->text.empty()) continue;
            QFont font(QString::fromStdString(t->fontName));
            font.setPointSizeF(points);
            painter.setFont(font);
            painter.setPen(colorOf(t->color));
            painter.drawText(screenAt({t->x, t->y}), QString::fromStdString(t->text));
        }
    }

    // Page numbers and frames to check what goes on which sheet of paper.
    if (doc_.showPageNumbers() && sheet_.width > 0) {
        const double cellW = sheet_.pageWidth - 2 * sheet_.marginSide;
        const double cellH = sheet_.pageHeight - 2 * sheet_.marginTop;
        const std::vector<PageCell> pages = buildPageList(drawing_, s.bPrintOmitPage);
        QFont font("Arial");
        font.setPointSize(14);
        painter.setFont(font);
        for (size_t i = 0; i < pages.size(); ++i) {
            const PageCell c = pages[i];
            const Point2 a = sheetCmToScreen(transform_, sheet_,
                                             {sheet_.marginSide + c.column * cellW, sheet_.marginTop + c.row * cellH});
            const Point2 b = sheetCmToScreen(
                transform_, sheet_,
                {sheet_.marginSide + (c.column + 1) * cellW, sheet_.marginTop + (c.row + 1) * cellH});
            painter.setBackgroundMode(Qt::TransparentMode);
            painter.setPen(QPen(Qt::blue, 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)));
            char label[32];
            std::snprintf(label, sizeof label, " p%d ", static_cast<int>(i) + 1);
            const QString text = QString::fromLatin1(label);
            const QRectF box(QPointF(a.x, a.y), QPointF(b.x, b.y));
            const QFontMetricsF m(font);
            const QSizeF textSize(m.horizontalAdvance(text), m.height());
            const QRectF textBox(box.center() - QPointF(textSize.width() / 2, textSize.height() / 2), textSize);
            painter.fillRect(textBox, Qt::white);
            painter.drawText(textBox, Qt::AlignCenter, text);
        }
    }
    if (!model || !model->bFinished) {
        if (s.bFirstStartUp) paintStartHint(painter);
        return;
    }

    const QColor selection = colorOf(s.colors[6]);
    auto line = [&](Point2 a, Point2 b) { painter.drawLine(screenAt(a), screenAt(b)); };
    auto outline = [&](const Part& part, auto transform) {
        for (const Face* f : part.faces)
            for (const auto& h : f->halfedges) line(transform(sheetStart(*h)), transform(sheetStart(*h->next)));
    };
    painter.setPen(QPen(selection, 1));
    painter.setBrush(Qt::NoBrush);
    const DevelopmentEditor& editor = doc_.editor();

    // Parts picked up by Move Part.
    if (editor.mode() == kModeMovePart)
        for (const auto& part : model->parts) {
            if (!part->selected) continue;
            painter.drawRect(QRectF(screenAt({part->x, part->y}),
                                    screenAt({part->x + part->width, part->y + part->height})));
            outline(*part, [](Point2 p) { return p; });
        }

    // Rotate Part: the part as the next click would leave it.
    const RotateFeedback rotate = editor.rotateFeedback();
    if (rotate.part && rotate.centre && rotate.reference) {
        const Point2 c = *rotate.centre, r = *rotate.reference;
        const double target = rotationTarget(c, rotate.cursor);
        outline(*rotate.part, [&](Point2 p) { return rotatedAbout(c, r, target, p); });
    }

    // Pending selections stand out with a thick pen.
    painter.setPen(QPen(selection, 3));
    for (const Halfedge* h : {static_cast<const Halfedge*>(editor.flapTarget()),
                              static_cast<const Halfedge*>(editor.joinEdge())})
        if (h && h->next) line(sheetStart(*h), sheetStart(*h->next));
    for (const auto& p : {rotate.centre, rotate.reference})
        if (p) painter.drawEllipse(screenAt(*p), 4.0, 4.0);
}

unsigned DevelopmentViewWidget::keysOf(Qt::KeyboardModifiers modifiers) const {
    unsigned keys = kKeyNone;
    if (modifiers & Qt::ShiftModifier) keys |= kKeyShift;
    if (modifiers & Qt::ControlModifier) keys |= kKeyCtrl;
    return keys;
}

void DevelopmentViewWidget::showEditorMenu() {
    DevelopmentEditor& editor = doc_.editor();
    if (!editor.popup()) return;
    const PopupMenu popup = *editor.popup();
    QMenu menu(this);
    std::function<void(QMenu&, const std::vector<MenuItem>&)> fill = [&](QMenu& m, const std::vector<MenuItem>& items) {
        for (const MenuItem& item : items) {
            const QString text = QString::fromStdString(item.text);
            if (!item.submenu.empty()) {
                fill(*m.addMenu(text), item.submenu);
                continue;
            }
            QAction* action = m.addAction(text);
            action->setData(item.id);
            if (item.checked) {
                action->setCheckable(true);
                action->setChecked(true);
            }
        }
    };
    fill(menu, popup.items);
    const QPointF at = screenAt(popup.position);
    QAction* chosen = menu.exec(mapToGlobal(at.toPoint()));
    if (chosen)
        editor.chooseMenuItem(chosen->data().toInt());
    else
        editor.dismissMenu();
}

void DevelopmentViewWidget::mousePressEvent(QMouseEvent* event) {
    if (!readyForMouse()) return;
    const Point2 p = sheetAt(event->position());
    const unsigned keys = keysOf(event->modifiers());
    switch (event->button()) {
        case Qt::LeftButton: doc_.editor().mousePress(MouseButton::Left, p, keys); break;
        case Qt::RightButton:
        case Qt::MiddleButton:
            if (dragButton_ != Qt::NoButton) break;
            dragButton_ = event->button();
            dragOrigin_ = dragLast_ = event->position().toPoint();
            zoomDrag_ = event->button() == Qt::RightButton && (keys & kKeyShift);
            if (event->button() == Qt::RightButton) doc_.editor().mousePress(MouseButton::Right, p, keys);
            break;
        default: return;
    }
    showEditorMenu();
}

void DevelopmentViewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!readyForMouse()) return;
    const QPoint pos = event->position().toPoint();
    if (dragButton_ != Qt::NoButton) {
        const QPoint d = pos - dragLast_;
        dragLast_ = pos;
        const Settings& s = doc_.settings();
        if (zoomDrag_) {
            const double f = 1.0 + 0.01 * (d.x() + d.y());
            if (f > 0) zoomBy(s.bZoomWheelInvert ? 1.0 / f : f);
        } else if (s.bRenderAllGL) {
            transform_.panX += d.x() / transform_.zoom;
            transform_.panY -= d.y() / transform_.zoom;
            changed();
        } else {
            update();  // the cached image follows the cursor
        }
    }
    doc_.editor().mouseMove(sheetAt(event->position()), event->buttons() & Qt::LeftButton,
                            keysOf(event->modifiers()));
}

void DevelopmentViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!readyForMouse()) return;
    const Point2 p = sheetAt(event->position());
    const unsigned keys = keysOf(event->modifiers());
    if (event->button() == dragButton_) {
        const QPoint total = event->position().toPoint() - dragOrigin_;
        if (!zoomDrag_ && !doc_.settings().bRenderAllGL && !total.isNull()) {
            transform_.panX += total.x() / transform_.zoom;
            transform_.panY -= total.y() / transform_.zoom;
            tellEditorScale();
            changed();
        }
        dragButton_ = Qt::NoButton;
        zoomDrag_ = false;
        update();
        if (event->button() == Qt::RightButton) {
            const bool taken = doc_.editor().mouseRelease(MouseButton::Right, p, keys);
            const bool click = std::abs(total.x()) <= kClickPixels && std::abs(total.y()) <= kClickPixels;
            if (click && !taken && !(keys & (kKeyShift | kKeyCtrl)))
                emit editModeMenuRequested(event->globalPosition().toPoint());
        }
        return;
    }
    if (event->button() == Qt::LeftButton) {
        doc_.editor().mouseRelease(MouseButton::Left, p, keys);
        showEditorMenu();
    }
}

void DevelopmentViewWidget::wheelEvent(QWheelEvent* event) {
    if (!glReady()) return;
    int delta = event->angleDelta().y();
    if (doc_.settings().bZoomWheelInvert) delta = -delta;
    const double f = 1.0 - 0.001 * delta;
    if (f > 0) zoomBy(f);
    event->accept();
}

}  // namespace plikatra
