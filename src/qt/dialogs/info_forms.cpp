#include "qt/dialogs/info_forms.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "base/version.h"

namespace plikatra {

namespace {

constexpr const char* kModelInfoTitle = "Model Info";
constexpr const char* kOpenGlInfoTitle = "OpenGL Info";
constexpr const char* kAboutTitle = "About Plikatra Designer";
constexpr const char* kProgramName = "Plikatra Designer";
constexpr const char* kAboutLine = "Paper-craft designer: unfolds 3D models into printable parts.";
constexpr const char* kUnknown = "(unknown)";

// A read-only field in a grid row, with an optional unit after it.
QLineEdit* addField(QGridLayout* grid, int row, const char* label, const QString& value,
                    const QString& name, const char* unit = nullptr) {
    auto* field = new QLineEdit(value);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setMinimumWidth(160);
    auto* text = new QLabel(QString::fromUtf8(label));
    text->setBuddy(field);
    grid->addWidget(text, row, 0);
    grid->addWidget(field, row, 1);
    if (unit) grid->addWidget(new QLabel(QString::fromUtf8(unit)), row, 2);
    return field;
}

QString orUnknown(const std::string& text) {
    return QString::fromStdString(text.empty() ? std::string(kUnknown) : text);
}

}  // namespace

ModelInfoForm::ModelInfoForm(const ModelInfo& info, QWidget* parent)
    : FormDialog(parent, QString::fromUtf8(kModelInfoTitle)) {
    auto* grid = new QGridLayout;
    addField(grid, 0, "Total Number of Surfaces", QString::number(info.faces), "faces");
    addField(grid, 1, "Number of Vertexes", QString::number(info.vertices), "vertices");
    addField(grid, 2, "Number of Materials", QString::number(info.materials), "materials");
    addField(grid, 3, "Number of Objects", QString::number(info.objects), "objects");
    addField(grid, 4, "Texture UV Info", QString::fromUtf8(info.uvText()), "uv");
    addField(grid, 5, "Number of Texture Images", QString::number(info.textureImages),
             "textureImages");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttonBox(true));
}

OpenGlInfoForm::OpenGlInfoForm(const OpenGlInfo& info, QWidget* parent)
    : FormDialog(parent, QString::fromUtf8(kOpenGlInfoTitle)) {
    auto* grid = new QGridLayout;
    addField(grid, 0, "OpenGL Version", orUnknown(info.version), "version");
    addField(grid, 1, "Renderer", orUnknown(info.renderer), "renderer");
    addField(grid, 2, "Maximum Size of Texture Image",
             QString::fromStdString(info.maxTextureSizeText()), "maxTextureSize", "Pixel");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttonBox(true));
}

AboutForm::AboutForm(const std::string& glVersion, const std::string& glRenderer,
                     QWidget* parent)
    : FormDialog(parent, QString::fromUtf8(kAboutTitle)) {
    auto* name = new QLabel(QString("<b>%1</b> %2").arg(kProgramName, programVersionText()));
    name->setObjectName("version");
    auto* grid = new QGridLayout;
    addField(grid, 0, "OpenGL Version", orUnknown(glVersion), "glVersion");
    addField(grid, 1, "Renderer", orUnknown(glRenderer), "glRenderer");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(new QLabel(QString::fromUtf8(kAboutLine)));
    layout->addLayout(grid);
    layout->addWidget(buttonBox(true));
}

}  // namespace plikatra
