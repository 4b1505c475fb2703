#include "qt/dialogs/config_forms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/dialogs/color_button.h"

namespace plikatra {

namespace {

constexpr const char* kLineTypeTitle = "Line Type Configuration";
constexpr const char* kFlapTitle = "Flap Configuration";
constexpr const char* kJoinNumberTitle = "Join Number Configuration";
constexpr const char* kPageTitle = "Page and Print Settings";
constexpr const char* kColorTitle = "Color Configuration";
constexpr const char* kOtherTitle = "Other Configurations";

constexpr const char* kPrintTimeNote =
    "* Printing may take a very long time if resolution is high and/or paper size is large.";
constexpr const char* kPaperStandardNote = "* Paper sizes follow the Japanese standards.";

QString tr8(const char* text) { return QString::fromUtf8(text); }

QLabel* note(const char* text) {
    auto* label = new QLabel(tr8(text));
    label->setWordWrap(true);
    return label;
}

}  // namespace

// ---------------------------------------------------------------- Line Type Configuration

LineTypeForm::LineTypeForm(Document& doc, QWidget* parent)
    : FormDialog(parent, tr8(kLineTypeTitle)), doc_(doc), config_(LineTypeConfig::of(doc.settings())) {
    cut_ = comboBox("iCutLineType", kCutLineTypeItems, config_.iCutLineType);
    mountain_ = comboBox("iYamaLineType", kFoldLineTypeItems, config_.iYamaLineType);
    valley_ = comboBox("iTaniLineType", kFoldLineTypeItems, config_.iTaniLineType);
    lineWidth_ = comboBox("iLineWidthIndex", kLineWidthItems, config_.iLineWidthIndex);
    whiteUnder_ = checkBox("bDrawWhiteBkLine", "Draw Background of Dotted Line with White Color",
                           config_.bDrawWhiteBkLine);
    cullEdge_ = checkBox("bCullEdge", "Hide Polygonal Line near the Surface", config_.bCullEdge);
    angle_ = integerField("iAngleEps", LineTypeConfig::kAngleRange, config_.iAngleEps);

    auto* lines = new QGridLayout;
    addRow(lines, 0, "Cut Line", cut_);
    addRow(lines, 1, "Convex Fold Line", mountain_);
    addRow(lines, 2, "Concave Fold Line", valley_);
    addRow(lines, 3, "Line Width for Development Printout", lineWidth_);
    auto* angleRow = new QGridLayout;
    angleRow->setContentsMargins(20, 0, 0, 0);
    addRow(angleRow, 0, "Angle that is considered to be near the Surface", angle_, "Degree");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lines);
    layout->addWidget(whiteUnder_);
    layout->addWidget(cullEdge_);
    layout->addLayout(angleRow);
    layout->addWidget(buttonBox());

    angle_->setEnabled(config_.angleEnabled());
    connect(cullEdge_, &QCheckBox::toggled, angle_, &QWidget::setEnabled);
}

bool LineTypeForm::commit() {
    LineTypeConfig c = config_;
    c.iCutLineType = indexOf(cut_, c.iCutLineType);
    c.iYamaLineType = indexOf(mountain_, c.iYamaLineType);
    c.iTaniLineType = indexOf(valley_, c.iTaniLineType);
    c.iLineWidthIndex = indexOf(lineWidth_, c.iLineWidthIndex);
    c.bDrawWhiteBkLine = whiteUnder_->isChecked();
    c.bCullEdge = cullEdge_->isChecked();
    c.iAngleEps = integerOf(angle_);
    c.apply(doc_);
    return true;
}

// ---------------------------------------------------------------- Flap Configuration

FlapForm::FlapForm(Document& doc, QWidget* parent)
    : FormDialog(parent, tr8(kFlapTitle)), doc_(doc), config_(FlapConfig::of(doc.settings(), doc.model())) {
    show_ = checkBox("bDrawNorishiro", "Show Flap", config_.bDrawNorishiro);
    tint_ = checkBox("bTintCollidingNorishiro", "Tint Colliding Flaps",
                     config_.bTintCollidingNorishiro);
    changeAll_ = checkBox("changeAll", "Change All Flap Widths", config_.changeAll);
    width_ = integerField("flapWidth", FlapConfig::kWidthRange, config_.widthMm);
    // Shows the setting but never stores it, so it stays out of the user's way.
    reverse_ = checkBox("bNorishiroReverse", "Reverse Flap Position", config_.bNorishiroReverse);
    reverse_->setEnabled(false);
    reverse_->setVisible(false);

    style_ = comboBox("flapStyle", kFlapStyleItems, config_.flapStyle);
    style_->setEnabled(config_.styleEnabled);

    auto* widthRow = new QGridLayout;
    widthRow->setContentsMargins(20, 0, 0, 0);
    addRow(widthRow, 0, "Flap Width", width_, "mm");
    auto* styleRow = new QGridLayout;
    addRow(styleRow, 0, "Flap Style", style_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(show_);
    auto* tintRow = new QVBoxLayout;
    tintRow->setContentsMargins(20, 0, 0, 0);
    tintRow->addWidget(tint_);
    layout->addLayout(tintRow);
    layout->addWidget(changeAll_);
    layout->addLayout(widthRow);
    layout->addLayout(styleRow);
    layout->addWidget(reverse_);
    layout->addWidget(buttonBox());

    connect(show_, &QCheckBox::toggled, this, &FlapForm::updateEnabled);
    connect(changeAll_, &QCheckBox::toggled, this, &FlapForm::updateEnabled);
    updateEnabled();
}

void FlapForm::updateEnabled() {
    FlapConfig c = config_;
    c.bDrawNorishiro = show_->isChecked();
    c.changeAll = changeAll_->isChecked();
    changeAll_->setEnabled(c.changeAllEnabled());
    tint_->setEnabled(c.tintEnabled());
    width_->setEnabled(c.widthEnabled());
}

bool FlapForm::commit() {
    FlapConfig c = config_;
    c.bDrawNorishiro = show_->isChecked();
    c.bTintCollidingNorishiro = tint_->isChecked();
    c.changeAll = changeAll_->isChecked();
    c.widthMm = integerOf(width_);
    c.flapStyle = indexOf(style_, c.flapStyle);
    if (c.apply(doc_)) return true;
    QDialog::reject();
    return false;
}

// ---------------------------------------------------------------- Join Number Configuration

JoinNumberForm::JoinNumberForm(Document& doc, QWidget* parent)
    : FormDialog(parent, tr8(kJoinNumberTitle)),
      doc_(doc),
      config_(JoinNumberConfig::of(doc.settings())) {
    show_ = checkBox("bDrawEdgeNumber", "Show Join Number", config_.bDrawEdgeNumber);
    reverse_ = checkBox("bEdgeIdReverse", "Reverse Join Number Position", config_.bEdgeIdReverse);
    fontSize_ = integerField("iEdgeNumberFontSize", JoinNumberConfig::kFontSizeRange,
                             config_.iEdgeNumberFontSize);
    auto* sizeRow = new QGridLayout;
    addRow(sizeRow, 0, "Font Size", fontSize_, "pt");
    fit_ = checkBox("bFitEdgeNumberToFace", "Fit numbers to small faces", config_.bFitEdgeNumberToFace);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(show_);
    layout->addWidget(reverse_);
    layout->addLayout(sizeRow);
    layout->addWidget(fit_);
    layout->addWidget(buttonBox());
}

bool JoinNumberForm::commit() {
    JoinNumberConfig c = config_;
    c.bDrawEdgeNumber = show_->isChecked();
    c.bEdgeIdReverse = reverse_->isChecked();
    c.iEdgeNumberFontSize = integerOf(fontSize_);
    c.bFitEdgeNumberToFace = fit_->isChecked();
    c.apply(doc_);
    return true;
}

// ---------------------------------------------------------------- Page and Print Settings

PageSettingsForm::PageSettingsForm(Document& doc, QWidget* parent)
    : FormDialog(parent, tr8(kPageTitle)), doc_(doc), config_(PageConfig::of(doc.settings())) {
    paper_ = comboBox("iPageType", kPaperSizeItems, config_.iPageType);
    marginTop_ = integerField("marginTop", PageConfig::kMarginRange, config_.marginTopMm);
    marginSide_ = integerField("marginSide", PageConfig::kMarginRange, config_.marginSideMm);
    pageNumber_ = checkBox("bPrintPageNumber", "Print Page Number", config_.bPrintPageNumber);
    alignMarks_ = checkBox("bPrintTombo", "Print Mark for Aligning", config_.bPrintTombo);
    omitEmpty_ = checkBox("bPrintOmitPage", "Do Not Print Pages without Development",
                          config_.bPrintOmitPage);
    raster_ = checkBox("bPrintRaster", "Print All in Raster Format", config_.bPrintRaster);
    resolution_ = comboBox("iPrintPPIIndex", kRasterResolutionItems, config_.iPrintPPIIndex);

    auto* paper = new QGridLayout;
    addRow(paper, 0, "Paper Size", paper_);
    addRow(paper, 1, "Page Margin (Top and Bottom)", marginTop_, "mm");
    addRow(paper, 2, "Page Margin (Left and Right)", marginSide_, "mm");
    auto* resolutionRow = new QGridLayout;
    resolutionRow->setContentsMargins(20, 0, 0, 0);
    addRow(resolutionRow, 0, "Resolution of Raster Info", resolution_, "pix/inch");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(paper);
    layout->addWidget(note(kPaperStandardNote));
    layout->addWidget(pageNumber_);
    layout->addWidget(alignMarks_);
    layout->addWidget(omitEmpty_);
    layout->addWidget(raster_);
    layout->addLayout(resolutionRow);
    layout->addWidget(note(kPrintTimeNote));
    layout->addWidget(buttonBox());
}

bool PageSettingsForm::commit() {
    PageConfig c = config_;
    c.iPageType = indexOf(paper_, c.iPageType);
    c.marginTopMm = integerOf(marginTop_);
    c.marginSideMm = integerOf(marginSide_);
    c.bPrintPageNumber = pageNumber_->isChecked();
    c.bPrintTombo = alignMarks_->isChecked();
    c.bPrintOmitPage = omitEmpty_->isChecked();
    c.bPrintRaster = raster_->isChecked();
    c.iPrintPPIIndex = indexOf(resolution_, c.iPrintPPIIndex);
    c.apply(doc_);
    return true;
}

// ---------------------------------------------------------------- Color Configuration

ColorForm::ColorForm(Document& doc, QWidget* parent)
    : FormDialog(parent, tr8(kColorTitle)), doc_(doc), config_(ColorConfig::of(doc.settings())) {
    auto* grid = new QGridLayout;
    for (size_t row = 0; row < ColorConfig::kRows.size(); ++row) {
        auto* button = new ColorButton(this);
        button->setObjectName(QString("color%1").arg(ColorConfig::kRows[row].index));
        buttons_[row] = button;
        auto* label = new QLabel(tr8(ColorConfig::kRows[row].label));
        label->setBuddy(button);
        grid->addWidget(button, int(row), 0);
        grid->addWidget(label, int(row), 1);
        connect(button, &QPushButton::clicked, this, [this, row] { choose(int(row)); });
    }
    auto* reset = new QPushButton(tr8("Reset to Default"), this);
    reset->setObjectName("resetColors");
    reset->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, this, &ColorForm::resetToDefault);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(reset);
    bottom->addStretch();
    bottom->addWidget(buttonBox(true));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(bottom);
    showColors();
}

void ColorForm::showColors() {
    for (size_t row = 0; row < buttons_.size(); ++row)
        buttons_[row]->setColor(toQColor(config_.colors[size_t(ColorConfig::kRows[row].index)]));
}

void ColorForm::choose(int row) {
    const int index = ColorConfig::kRows[size_t(row)].index;
    const std::optional<QColor> c = chooseColor(toQColor(config_.colors[size_t(index)]));
    if (!c) return;
    config_.setColor(doc_, index, toColorRef(*c));
    showColors();
}

void ColorForm::resetToDefault() {
    config_.resetToDefault(doc_);
    showColors();
}

void ColorForm::done(int result) {
    ColorConfig::finish(doc_);
    FormDialog::done(result);
}

// ---------------------------------------------------------------- Other Configurations

OtherForm::OtherForm(Document& doc, QWidget* parent)
    : FormDialog(parent, tr8(kOtherTitle)), doc_(doc), config_(OtherConfig::of(doc.settings())) {
    colorEdge_ = checkBox("bDrawColorEdge",
                          "Color Convex and Concave Flap Edges (3D Model before Unfolding)",
                          config_.bDrawColorEdge);
    cutPoint_ = checkBox("bEnhanceCutEdgeOpen", "Emphasize Cut Point (3D Model after Unfolding)",
                         config_.bEnhanceCutEdgeOpen);
    beep_ = checkBox("bSound", "Beep when Cut Edge is Set", config_.bSound);
    zoomInvert_ = checkBox("bZoomWheelInvert", "Reverse Zoom Direction", config_.bZoomWheelInvert);
    textureSmooth_ = checkBox("bTextureSmooth", "Smooth Texture View", config_.bTextureSmooth);
    algorithm_ = comboBox("iAlgorithmType", kAlgorithmItems, config_.iAlgorithmType);
    seconds_ = integerField("iFewestPartsSeconds", OtherConfig::kFewestPartsSecondsRange,
                            config_.iFewestPartsSeconds);
    autoSave_ = integerField("iAutoSaveMinutes", OtherConfig::kAutoSaveMinutesRange,
                             config_.iAutoSaveMinutes);
    relaxCheck_ = checkBox("bUnStrictEdgeCrossCheck", "Relax Strictness on Interference Checking",
                           config_.bUnStrictEdgeCrossCheck);
    cullFace_ = checkBox("bCullFace", "Hide Back Surface of 3D Model", config_.bCullFace);
    simpleDisplay_ = checkBox("simpleDisplay", "Simple Display of Development Moving and Editing",
                              config_.simpleDisplay);
    omitMaterial_ = checkBox("bOmitMaterialWhenModelRotate",
                             "Omit Color and Texture when Rotating 3D Models",
                             config_.bOmitMaterialWhenModelRotate);
    limitTexture_ = checkBox("bLimitTextureSize", "Use Lower Resolution for Large Texture Image",
                             config_.bLimitTextureSize);
    limitSize_ = comboBox("iTextureLimitSizeIndex", kTextureLimitItems,
                          config_.iTextureLimitSizeIndex);
    whitish_ = checkBox("bSlideColorToWhite", "Convert Whitish Color to White before Printing",
                        config_.bSlideColorToWhite);

    auto* algorithmRow = new QGridLayout;
    addRow(algorithmRow, 0, "Development Generate Algorithm", algorithm_);
    addRow(algorithmRow, 1, "Search Time of Fewest Parts", seconds_, "s");
    addRow(algorithmRow, 2, "Save Recovery Copy Every (0: never)", autoSave_, "min");
    seconds_->setEnabled(OtherConfig::secondsEnabled(config_.iAlgorithmType));
    connect(algorithm_, &QComboBox::currentIndexChanged, seconds_,
            [this](int index) { seconds_->setEnabled(OtherConfig::secondsEnabled(index)); });

    auto* speed = new QGroupBox(tr8("Configurations for Speed-up Drawing"), this);
    auto* speedLayout = new QVBoxLayout(speed);
    speedLayout->addWidget(simpleDisplay_);
    speedLayout->addWidget(omitMaterial_);
    speedLayout->addWidget(limitTexture_);
    auto* limitRow = new QGridLayout;
    limitRow->setContentsMargins(20, 0, 0, 0);
    addRow(limitRow, 0, "Upper Limit of Texture Image Size", limitSize_);
    speedLayout->addLayout(limitRow);

    auto* trouble = new QGroupBox(tr8("Configurations for Troubleshooting"), this);
    auto* troubleLayout = new QVBoxLayout(trouble);
    troubleLayout->addWidget(whitish_);

    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : {colorEdge_, cutPoint_, beep_, zoomInvert_, textureSmooth_})
        layout->addWidget(w);
    layout->addLayout(algorithmRow);
    layout->addWidget(relaxCheck_);
    layout->addWidget(cullFace_);
    layout->addWidget(speed);
    layout->addWidget(trouble);
    layout->addWidget(buttonBox());

    limitSize_->setEnabled(config_.limitIndexEnabled());
    connect(limitTexture_, &QCheckBox::toggled, limitSize_, &QWidget::setEnabled);
}

bool OtherForm::commit() {
    OtherConfig c = config_;
    c.bDrawColorEdge = colorEdge_->isChecked();
    c.bEnhanceCutEdgeOpen = cutPoint_->isChecked();
    c.bSound = beep_->isChecked();
    c.bZoomWheelInvert = zoomInvert_->isChecked();
    c.bTextureSmooth = textureSmooth_->isChecked();
    c.iAlgorithmType = indexOf(algorithm_, c.iAlgorithmType);
    c.iFewestPartsSeconds = integerOf(seconds_);
    c.iAutoSaveMinutes = integerOf(autoSave_);
    c.bUnStrictEdgeCrossCheck = relaxCheck_->isChecked();
    c.bCullFace = cullFace_->isChecked();
    c.simpleDisplay = simpleDisplay_->isChecked();
    c.bOmitMaterialWhenModelRotate = omitMaterial_->isChecked();
    c.bLimitTextureSize = limitTexture_->isChecked();
    c.iTextureLimitSizeIndex = indexOf(limitSize_, c.iTextureLimitSizeIndex);
    c.bSlideColorToWhite = whitish_->isChecked();
    c.apply(doc_);
    return true;
}

}  // namespace plikatra
