// The modeless "Texture Configuration" window over the document's texture configuration: the
// materials, a preview of the selected one, and the buttons that set or remove its texture.
#pragma once

#include <QDialog>
#include <QFrame>

#include "app/document.h"

class QListWidget;
class QPushButton;

namespace plikatra {

// The selected material's texture or colour, drawn inside a sunken frame.
class TexturePreviewWidget : public QFrame {
    Q_OBJECT
public:
    TexturePreviewWidget(const TextureConfiguration& textures, QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(128, 128); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TextureConfiguration& textures_;
};

class TextureConfigurationWindow : public QDialog {
    Q_OBJECT
public:
    // `doc` must outlive the window.
    TextureConfigurationWindow(Document& doc, QWidget* parent = nullptr);
    ~TextureConfigurationWindow() override;
    // Wide enough for the window manager to show the whole title.
    QSize sizeHint() const override;

    // Fills the list again from the document's materials (also done whenever a file opens).
    void rebuild();

public slots:
    // "Close", the window's close button and Escape: the 3D view stops outlining the
    // material, then the window hides.
    void reject() override;

private:
    // Selection, "Reset Texture" and preview as the document has them.
    void showState();

    Document& doc_;
    int listener_ = 0;
    bool filling_ = false;
    QListWidget* list_;
    TexturePreviewWidget* preview_;
    QPushButton* specify_;
    QPushButton* reset_;
};

}  // namespace plikatra
