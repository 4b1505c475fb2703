#include "views/vertex_batch.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace plikatra {

VertexBatch::VertexBatch(VertexBatch&& other) noexcept { *this = std::move(other); }

VertexBatch& VertexBatch::operator=(VertexBatch&& other) noexcept {
    buffer_ = std::exchange(other.buffer_, 0);
    memory_ = std::move(other.memory_);
    layout_ = other.layout_;
    count_ = std::exchange(other.count_, 0);
    return *this;
}

void VertexBatch::upload(const GlFunctions& gl, std::vector<float> data,
                         const VertexLayout& layout) {
    layout_ = layout;
    count_ = static_cast<int>(data.size() / static_cast<std::size_t>(layout.floatsPerVertex));
    if (!gl.hasBuffers()) {
        memory_ = std::move(data);
        return;
    }
    memory_.clear();
    if (!buffer_) gl.genBuffers(1, &buffer_);
    gl.bindBuffer(GL_ARRAY_BUFFER, buffer_);
    gl.bufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(float)),
                  data.empty() ? nullptr : data.data(), GL_STATIC_DRAW);
    gl.bindBuffer(GL_ARRAY_BUFFER, 0);
}

void VertexBatch::release(const GlFunctions& gl) {
    if (buffer_ && gl.hasBuffers()) gl.deleteBuffers(1, &buffer_);
    buffer_ = 0;
    memory_.clear();
    count_ = 0;
}

void VertexBatch::draw(const GlFunctions& gl, GLenum mode, int first, int count,
                       bool positionsOnly) const {
    if (count <= 0 || first < 0 || first + count > count_) return;
    const char* base = nullptr;
    if (buffer_) {
        gl.bindBuffer(GL_ARRAY_BUFFER, buffer_);
    } else {
        base = reinterpret_cast<const char*>(memory_.data());
    }
    const GLsizei stride = static_cast<GLsizei>(layout_.floatsPerVertex * sizeof(float));
    auto at = [&](int offset) { return base + static_cast<std::uintptr_t>(offset) * sizeof(float); };
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(layout_.positionSize, GL_FLOAT, stride, at(0));
    const bool normals = !positionsOnly && layout_.normal >= 0;
    const bool colors = !positionsOnly && layout_.color >= 0;
    const bool texCoords = !positionsOnly && layout_.texCoord >= 0;
    if (normals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, at(layout_.normal));
    }
    if (colors) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, stride, at(layout_.color));
    }
    if (texCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, stride, at(layout_.texCoord));
    }
    glDrawArrays(mode, first, count);
    if (normals) glDisableClientState(GL_NORMAL_ARRAY);
    if (colors) glDisableClientState(GL_COLOR_ARRAY);
    if (texCoords) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (buffer_) gl.bindBuffer(GL_ARRAY_BUFFER, 0);
}

}  // namespace plikatra
