// The development view on screen: the sheet rendered with OpenGL into a cached image that is
// drawn again only when something on it changed, the overlays painted over it (text items,
// page numbers, selected parts, the rotation preview), zoom and pan, and every mouse event
// handed to the document's development editor.
#pragma once

#include <QImage>
#include <memory>

#include "app/document.h"
#include "qt/views/gl_view_widget.h"
#include "development/development_drawing.h"
#include "views/development_renderer.h"
#include "views/development_view_transform.h"

class QMenu;
class QOpenGLFramebufferObject;

namespace plikatra {

class DevelopmentViewWidget : public GlViewWidget {
    Q_OBJECT
public:
    explicit DevelopmentViewWidget(Document& doc, QWidget* parent = nullptr);
    ~DevelopmentViewWidget() override;

    const DevelopmentViewTransform& transform() const { return transform_; }
    const SheetFrame& sheet() const { return sheet_; }
    // Multiplies the zoom by `factor` unless the page would leave the zoom limits.
    bool zoomBy(double factor);
    // "Show Entire": the whole sheet, zoom 1, no pan.
    void fit();
    // The sheet position under a client pixel position (development units).
    Point2 sheetAt(QPointF pos) const;
    // Client pixel position of a sheet position (development units).
    QPointF screenAt(Point2 p) const;
    // How many times the OpenGL image was rendered (the rest of the paints reuse it).
    int renderCount() const { return renderCount_; }

signals:
    // A right click that no pending selection took: the window opens its edit-mode menu.
    void editModeMenuRequested(QPoint globalPos);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void documentChanged(DocumentEvent event) override;
    void freeGl() override;
    void rebuildDrawing();
    // Brings a stale drawing up to date for a mouse event; false without a usable context.
    bool readyForMouse();
    void renderImage();
    void paintOverlays(QPainter& painter);
    // The first-run hint on the empty sheet: how to open a model and unfold it.
    void paintStartHint(QPainter& painter);
    void putFrame(const QImage& frame);
    void paintPanBackground(QPainter& painter, QPoint offset);
    void showEditorMenu();
    void tellEditorScale();
    void changed();  // the image must be rendered again
    unsigned keysOf(Qt::KeyboardModifiers modifiers) const;

    std::unique_ptr<DevelopmentRenderer> renderer_;
    DevelopmentDrawing drawing_;
    SheetFrame sheet_;
    DevelopmentViewTransform transform_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
    QImage image_;  // the last rendering, reused while only overlays change
    bool drawingStale_ = true;
    bool dirty_ = true;
    bool fitted_ = false;
    int renderCount_ = 0;

    // Right or middle button drags: pan, or zoom with Shift and the right button.
    Qt::MouseButton dragButton_ = Qt::NoButton;
    QPoint dragOrigin_, dragLast_;
    bool zoomDrag_ = false;
};

}  // namespace plikatra
