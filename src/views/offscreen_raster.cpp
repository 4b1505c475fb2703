#include "views/offscreen_raster.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "views/development_renderer.h"
#include "views/gl_textures.h"
#include "views/offscreen_context.h"

namespace plikatra {

namespace {

// The renderer draws nothing on a client area of less than 35 pixels a side, so a smaller
// request is drawn into a framebuffer of this size and cut out of it.
constexpr int kMinFramebufferSide = 64;
// Larger images are refused as a bitmap that cannot be created would be.
constexpr std::size_t kMaxImageBytes = std::size_t{1} << 30;

// The off-screen context's set-up messages as the outputs word them; an empty text means
// that no pixel format fits, which ends the drawing silently.
std::string rasterMessageOf(const std::string& contextError) {
    if (contextError == kMsgRenderingContextCreateFailed) return kMsgOpenGlContextError;
    if (contextError == kMsgMakeCurrentFailed) return kMsgMakeCurrentError;
    if (contextError == kMsgDibInitFailed) return {};
    return kMsgCreateDibSectionError;
}

// The drawing of textures-only mode: the faces whose material shows a picture, nothing else.
DevelopmentDrawing texturedFacesOf(const DevelopmentDrawing& d) {
    DevelopmentDrawing out;
    out.mag2d = d.mag2d;
    out.mirrored = d.mirrored;
    out.grid = d.grid;
    for (const DrawnFace& f : d.faces)
        if (f.material && drawsTexture(*f.material)) out.faces.push_back(f);
    // A textured flap continues a textured face: its picture comes with the faces'.
    for (const DrawnFlap& f : d.flaps)
        if (f.gluedMaterial && drawsTexture(*f.gluedMaterial) &&
            (f.style == FlapStyle::Textured || f.style == FlapStyle::HalfTextured))
            out.flaps.push_back(f);
    return out;
}

// Copies the top-left width × height pixels of the current framebuffer (height `fbHeight`)
// into `image` at (x, y).
void readTile(RgbImage& image, int x, int y, int width, int height, int fbHeight) {
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, fbHeight - height, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int j = 0; j < height; ++j)
        std::memcpy(image.pixel(x, y + height - 1 - j), bottomUp.data() + static_cast<std::size_t>(j) * row, row);
}

}  // namespace

OffscreenRaster::OffscreenRaster(const DevelopmentDrawing& drawing, DevelopmentViewOptions options, int tileSide)
    : drawing_(drawing), options_(options), tileSide_(std::max(kMinFramebufferSide, tileSide)) {
    options_.whiteBackground = true;
    options_.sheetFrame = false;
    options_.editMode = kModeNone;
}

OffscreenRaster::~OffscreenRaster() {
    if (!context_) return;
    std::string error;
    if (context_->makeCurrent(error)) {
        if (full_) full_->releaseGl();
        if (texturesOnly_) texturesOnly_->releaseGl();
        context_->doneCurrent();
    }
}

bool OffscreenRaster::setUp(int tileWidth, int tileHeight, std::string& error) {
    const int width = std::max(tileWidth, kMinFramebufferSide);
    const int height = std::max(tileHeight, kMinFramebufferSide);
    if (!context_) {
        context_ = OffscreenContext::create(width, height, error);
        return context_ != nullptr;
    }
    if (!context_->makeCurrent(error)) return false;
    if (context_->width() >= width && context_->height() >= height) return true;
    return context_->resize(std::max(width, context_->width()), std::max(height, context_->height()), error);
}

DevelopmentRenderer& OffscreenRaster::rendererFor(bool texturesOnly) {
    std::unique_ptr<DevelopmentRenderer>& r = texturesOnly ? texturesOnly_ : full_;
    if (!r) {
        r = std::make_unique<DevelopmentRenderer>();
        r->setPurpose(RenderPurpose::Output);
        if (texturesOnly) {
            texturedFaces_ = texturedFacesOf(drawing_);
            r->setDrawing(texturedFaces_);
        } else {
            r->setDrawing(drawing_);
        }
    }
    return *r;
}

RasterResult OffscreenRaster::render(const RasterRequest& request) {
    RasterResult result;
    const double k = request.pixelsPerCm;
    if (request.width < 1 || request.height < 1 || !(k > 0) ||
        static_cast<std::size_t>(request.width) * static_cast<std::size_t>(request.height) * 3 > kMaxImageBytes) {
        result.message = kMsgCreateDibSectionError;
        return result;
    }
    RgbImage image;
    try {
        image = RgbImage(request.width, request.height, kWhite);
    } catch (const std::bad_alloc&) {
        result.message = kMsgCreateDibSectionError;
        return result;
    }
    std::string error;
    if (!setUp(std::min(request.width, tileSide_), std::min(request.height, tileSide_), error)) {
        result.message = rasterMessageOf(error);
        return result;
    }
    // The implementation may allow less than the tile side asked for.
    GLint maxRenderbuffer = 0, maxViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    const int tileWidth = std::min({request.width, context_->width(), static_cast<int>(maxRenderbuffer),
                                    static_cast<int>(maxViewport[0])});
    const int tileHeight = std::min({request.height, context_->height(), static_cast<int>(maxRenderbuffer),
                                     static_cast<int>(maxViewport[1])});

    DevelopmentRenderer& renderer = rendererFor(request.texturesOnly);
    DevelopmentViewOptions options = options_;
    options.lineSmooth = request.lineSmooth;
    renderer.setOptions(options);
    const SheetFrame& f = renderer.sheet();
    DevelopmentViewTransform t;
    t.clientWidth = context_->width();
    t.clientHeight = context_->height();
    t.pixelsPerCm = k;
    t.zoom = 1.0;
    // Each tile's pan puts the image pixel at its top-left corner on the framebuffer's
    // top-left corner: image x = k (sheet x - margin + grid origin - left), likewise y.
    for (int ty = 0; ty < request.height; ty += tileHeight)
        for (int tx = 0; tx < request.width; tx += tileWidth) {
            t.panX = k * f.width / 2 - t.halfWidth() - k * (f.marginSide - f.originX + request.left) - tx;
            t.panY = t.halfHeight() - k * f.height / 2 + k * (f.marginTop - f.originY + request.top) + ty;
            renderer.render(t);
            readTile(image, tx, ty, std::min(tileWidth, request.width - tx), std::min(tileHeight, request.height - ty),
                     context_->height());
        }
    context_->doneCurrent();
    result.image = std::move(image);
    return result;
}

RasterFactory offscreenRasterFactory(DevelopmentViewOptions options) {
    return [options](const DevelopmentDrawing& drawing) -> std::unique_ptr<RasterSource> {
        return std::make_unique<OffscreenRaster>(drawing, options);
    };
}

}  // namespace plikatra
