// The 3D model view on screen: the model drawn by the model renderer under a trackball camera,
// the mouse turning, panning and zooming it, picking the edge to mark as cut or keep before
// unfolding, and the face whose corresponding faces Check Corresponding Surface shows.
#pragma once

#include <memory>
#include <string>
#include <unordered_set>

#include "app/document.h"
#include "qt/views/gl_view_widget.h"
#include "views/model_camera.h"
#include "views/model_renderer.h"

namespace plikatra {

class ModelViewWidget : public GlViewWidget {
    Q_OBJECT
public:
    explicit ModelViewWidget(Document& doc, QWidget* parent = nullptr);
    ~ModelViewWidget() override;

    const ModelCamera& camera() const { return camera_; }
    ModelCamera& camera() { return camera_; }
    const Edge* hoveredEdge() const { return hovered_; }

signals:
    // What the graphics implementation says of itself, once its context exists.
    void graphicsReady(const QString& version, const QString& renderer, int maxTextureSize);
    // A right click before unfolding: the window offers the cut and keep modes.
    void modelEditMenuRequested(QPoint globalPos);

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
    void hover(QPoint pos);

    std::unique_ptr<ModelRenderer> renderer_;
    ModelCamera camera_;
    bool modelStale_ = true;
    const Model* shownModel_ = nullptr;
    std::unordered_set<const Face*> highlighted_;
    Edge* hovered_ = nullptr;

    Qt::MouseButton dragButton_ = Qt::NoButton;
    QPoint pressAt_, last_;
    bool rotating_ = false;
};

}  // namespace plikatra
