// What the two views share as OpenGL widgets of one document: listening to the document, the
// check of the context they are given, and letting their OpenGL objects go while the context
// still exists.
#pragma once

#include <QOpenGLWidget>
#include <string>

#include "app/document.h"

namespace plikatra {

class GlViewWidget : public QOpenGLWidget {
    Q_OBJECT
public:
    // Set-up failure shown to the user; the view then draws nothing.
    const std::string& failure() const { return failure_; }

protected:
    GlViewWidget(Document& doc, QWidget* parent);
    // A derived view calls releaseGl() in its own destructor, while its renderer still exists.
    ~GlViewWidget() override;

    // In initializeGL: whether the context can run the renderers (buffer objects came with
    // OpenGL 1.5); otherwise says so once and the view draws nothing.
    bool acceptContext();
    // Frees the renderer's objects with the context current; once.
    void releaseGl();
    bool glReady() const { return glReady_; }

    virtual void documentChanged(DocumentEvent event) = 0;
    // The renderer's objects go; the context is current.
    virtual void freeGl() = 0;

    Document& doc_;
    std::string failure_;

private:
    int listener_ = 0;
    QMetaObject::Connection contextGone_;
    bool glReady_ = false;
};

}  // namespace plikatra
