#include "views/vertex_batch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace plikatra {

namespace {

// Hashes a vertex by its bits, so that only exactly equal vertices are merged.
struct VertexKey {
    const float* data;
    int size;
    bool operator==(const VertexKey& o) const {
        return std::memcmp(data, o.data, static_cast<size_t>(size) * sizeof(float)) == 0;
    }
};

struct VertexKeyHash {
    size_t operator()(const VertexKey& k) const {
        std::uint64_t h = 0x9E3779B97F4A7C15ull;
        for (int i = 0; i < k.size; ++i) {
            std::uint32_t word;
            std::memcpy(&word, k.data + i, sizeof word);
            h = (h ^ word) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 29;
        }
        return static_cast<size_t>(h);
    }
};

}  // namespace

VertexBatch::VertexBatch(VertexBatch&& other) noexcept { *this = std::move(other); }

VertexBatch& VertexBatch::operator=(VertexBatch&& other) noexcept {
    buffer_ = std::exchange(other.buffer_, 0);
    indexBuffer_ = std::exchange(other.indexBuffer_, 0);
    memory_ = std::move(other.memory_);
    memoryIndices_ = std::move(other.memoryIndices_);
    layout_ = other.layout_;
    count_ = std::exchange(other.count_, 0);
    return *this;
}

void VertexBatch::upload(const GlFunctions& gl, const std::vector<float>& data,
                         const VertexLayout& layout, bool shareCorners) {
    const int n = layout.floatsPerVertex;
    const int count = static_cast<int>(data.size() / static_cast<std::size_t>(n));
    if (!shareCorners) {
        uploadIndexed(gl, data, {}, layout);
        count_ = count;
        return;
    }
    std::vector<float> unique;
    std::vector<GLuint> indices;
    indices.reserve(static_cast<size_t>(count));
    std::unordered_map<VertexKey, GLuint, VertexKeyHash> seen;
    seen.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const float* v = data.data() + static_cast<size_t>(i) * static_cast<size_t>(n);
        auto [it, added] = seen.try_emplace(VertexKey{v, n}, static_cast<GLuint>(seen.size()));
        if (added) unique.insert(unique.end(), v, v + n);
        indices.push_back(it->second);
    }
    uploadIndexed(gl, unique, indices, layout);
}

void VertexBatch::uploadIndexed(const GlFunctions& gl, const std::vector<float>& vertices,
                                const std::vector<GLuint>& indices, const VertexLayout& layout) {
    layout_ = layout;
    count_ = static_cast<int>(indices.size());
    if (!gl.hasBuffers()) {
        memory_ = vertices;
        memoryIndices_ = indices;
        return;
    }
    memory_.clear();
    memoryIndices_.clear();
    if (!buffer_) gl.genBuffers(1, &buffer_);
    gl.bindBuffer(GL_ARRAY_BUFFER, buffer_);
    gl.bufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)),
                  vertices.empty() ? nullptr : vertices.data(), GL_STATIC_DRAW);
    gl.bindBuffer(GL_ARRAY_BUFFER, 0);
    if (indices.empty()) {
        if (indexBuffer_) gl.deleteBuffers(1, &indexBuffer_);
        indexBuffer_ = 0;
        return;
    }
    if (!indexBuffer_) gl.genBuffers(1, &indexBuffer_);
    gl.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    gl.bufferData(GL_ELEMENT_ARRAY_BUFFER,
                  static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
                  indices.empty() ? nullptr : indices.data(), GL_STATIC_DRAW);
    gl.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void VertexBatch::release(const GlFunctions& gl) {
    if (gl.hasBuffers()) {
        if (buffer_) gl.deleteBuffers(1, &buffer_);
        if (indexBuffer_) gl.deleteBuffers(1, &indexBuffer_);
    }
    buffer_ = indexBuffer_ = 0;
    memory_.clear();
    memoryIndices_.clear();
    count_ = 0;
}

void VertexBatch::draw(const GlFunctions& gl, GLenum mode, int first, int count,
                       bool positionsOnly) const {
    draw(gl, mode, std::vector<VertexRange>{{first, count}}, positionsOnly);
}

void VertexBatch::draw(const GlFunctions& gl, GLenum mode, const std::vector<VertexRange>& ranges,
                       bool positionsOnly) const {
    const bool any = std::any_of(ranges.begin(), ranges.end(), [&](const VertexRange& r) {
        return r.count > 0 && r.first >= 0 && r.first + r.count <= count_;
    });
    if (!any) return;
    const char* base = nullptr;
    const char* indexBase = nullptr;
    if (buffer_) {
        gl.bindBuffer(GL_ARRAY_BUFFER, buffer_);
        gl.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    } else {
        base = reinterpret_cast<const char*>(memory_.data());
        indexBase = reinterpret_cast<const char*>(memoryIndices_.data());
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
    const bool indexed = indexBuffer_ || !memoryIndices_.empty();
    for (const VertexRange& r : ranges) {
        if (r.count <= 0 || r.first < 0 || r.first + r.count > count_) continue;
        if (indexed)
            glDrawElements(mode, r.count, GL_UNSIGNED_INT,
                           indexBase + static_cast<std::uintptr_t>(r.first) * sizeof(GLuint));
        else
            glDrawArrays(mode, r.first, r.count);
    }
    if (normals) glDisableClientState(GL_NORMAL_ARRAY);
    if (colors) glDisableClientState(GL_COLOR_ARRAY);
    if (texCoords) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (buffer_) {
        gl.bindBuffer(GL_ARRAY_BUFFER, 0);
        gl.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }
}

}  // namespace plikatra
