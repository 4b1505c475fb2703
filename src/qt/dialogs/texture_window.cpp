#include "qt/dialogs/texture_window.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/dialogs/form_dialog.h"
#include "textures/texture_commands.h"

namespace plikatra {

TexturePreviewWidget::TexturePreviewWidget(const TextureConfiguration& textures, QWidget* parent)
    : QFrame(parent), textures_(textures) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMinimumSize(96, 96);
}

void TexturePreviewWidget::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect client = contentsRect();
    const TexturePreview p =
        texturePreview(textures_.selectedMaterial(), client.width(), client.height());
    QPainter painter(this);
    const QRect target(client.x() + p.x, client.y() + p.y, p.width, p.height);
    switch (p.kind) {
        case TexturePreview::Kind::Empty:
            break;
        case TexturePreview::Kind::Color:
            painter.fillRect(target, QColor::fromRgbF(p.color.r, p.color.g, p.color.b));
            break;
        case TexturePreview::Kind::Image: {
            const QImage image(p.rgb.data(), p.width, p.height, p.width * 3,
                               QImage::Format_RGB888);
            painter.drawImage(target.topLeft(), image);
            break;
        }
    }
}

TextureConfigurationWindow::TextureConfigurationWindow(Document& doc, QWidget* parent)
    : QDialog(parent), doc_(doc) {
    setWindowTitle(QString::fromUtf8(kTextureDialogTitle));
    setModal(false);
    list_ = new QListWidget(this);
    list_->setObjectName("materials");
    list_->setAccessibleName(QString::fromUtf8(kTextureListName));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    preview_ = new TexturePreviewWidget(doc.textureConfiguration(), this);
    preview_->setObjectName("preview");
    specify_ = new QPushButton(QString::fromUtf8(kSpecifyTextureButton), this);
    specify_->setObjectName("specifyTexture");
    reset_ = new QPushButton(QString::fromUtf8(kResetTextureButton), this);
    reset_->setObjectName("resetTexture");
    auto* close = new QPushButton(QString::fromUtf8(kCloseButton), this);
    close->setObjectName("close");
    for (QPushButton* b : {specify_, reset_, close}) b->setAutoDefault(false);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(preview_);
    buttons->addWidget(specify_);
    buttons->addWidget(reset_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    for (const char* line : kTextureDialogNotes) layout->addWidget(new QLabel(QString::fromUtf8(line)));

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!filling_) doc_.selectTextureEntry(row);
    });
    connect(specify_, &QPushButton::clicked, this, [this] { doc_.specifyTexture(); });
    connect(reset_, &QPushButton::clicked, this, [this] { doc_.resetTexture(); });
    connect(close, &QPushButton::clicked, this, &TextureConfigurationWindow::reject);
    listener_ = doc_.addListener([this](DocumentEvent e) {
        if (e == DocumentEvent::FileOpened) {
            rebuild();
        } else {
            showState();
        }
    });
    rebuild();
}

TextureConfigurationWindow::~TextureConfigurationWindow() { doc_.removeListener(listener_); }

void TextureConfigurationWindow::rebuild() {
    filling_ = true;
    list_->clear();
    for (const TextureConfiguration::Entry& entry : doc_.textureConfiguration().entries())
        list_->addItem(QString::fromStdString(entry.text));
    filling_ = false;
    showState();
}

void TextureConfigurationWindow::showState() {
    const TextureConfiguration& textures = doc_.textureConfiguration();
    if (textures.entries().size() != size_t(list_->count())) return rebuild();
    filling_ = true;
    list_->setCurrentRow(textures.selectedIndex());
    filling_ = false;
    specify_->setEnabled(textures.selectedMaterial() != nullptr);
    reset_->setEnabled(textures.resetTextureEnabled());
    preview_->update();
}

void TextureConfigurationWindow::reject() {
    doc_.closeTextureConfiguration();
    QDialog::reject();
}

QSize TextureConfigurationWindow::sizeHint() const {
    return widenedForTitle(QDialog::sizeHint(), windowTitle());
}

}  // namespace plikatra
