// The option structs the core's algorithms and outputs take, built from the settings record.
// This is the one place where settings turn into options.
#pragma once

#include "base/settings.h"
#include "development/development_drawing.h"
#include "development/editor_host.h"
#include "development/layout.h"
#include "development/unfold_engine.h"
#include "output/bitmap_render.h"
#include "output/canvas_drawing.h"
#include "output/emf_writer.h"
#include "output/eps_writer.h"
#include "output/print_page.h"
#include "output/svg_writer.h"
#include "workfile/work_file_settings.h"

namespace plikatra {

PageSetup pageSetupOf(const Settings& s);
LineRules lineRulesOf(const Settings& s);
DrawingOptions drawingOptionsOf(const Settings& s);
EpsOptions epsOptionsOf(const Settings& s);
UnfoldOptions unfoldOptionsOf(const Settings& s);
CanvasDrawingOptions canvasDrawingOptionsOf(const Settings& s);
PrintOptions printOptionsOf(const Settings& s);
SvgOptions svgOptionsOf(const Settings& s);
MetafileOptions metafileOptionsOf(const Settings& s);
BitmapOptions bitmapOptionsOf(const Settings& s);
EditorOptions editorOptionsOf(const Settings& s);
// The layout in `mode` with the spacing and page-break choice of the settings.
LayoutParams layoutParamsOf(const Settings& s, int mode);
// Stores what the layout dialog chose (spacing, page breaks) back into the settings.
void storeLayoutParams(Settings& s, const LayoutParams& params);

// The settings a work file carries, as the settings have them now.
WorkFileSettings workFileSettingsOf(const Settings& s);
// Gives the settings what an opened work file carried (the paper type with its page size).
void applyWorkFileSettings(Settings& s, const WorkFileSettings& w);

// The side limit for textures loaded now, with the graphics implementation's largest side.
int textureSizeLimitOf(const Settings& s, int maxTextureSize);

}  // namespace plikatra
