// Interleaved float vertices uploaded once into a buffer object and drawn with the classic
// vertex-array calls, so that a frame only re-issues them. Without buffer objects the data stays
// in memory and is drawn from there.
#pragma once

#include <vector>

#include "views/gl_functions.h"

namespace plikatra {

// Which floats of a vertex hold what; -1 for an absent attribute.
struct VertexLayout {
    int floatsPerVertex = 2;
    int positionSize = 2;  // 2 or 3
    int normal = -1;       // offset of 3 floats
    int color = -1;        // offset of 3 floats
    int texCoord = -1;     // offset of 2 floats
};

class VertexBatch {
public:
    VertexBatch() = default;
    VertexBatch(const VertexBatch&) = delete;
    VertexBatch& operator=(const VertexBatch&) = delete;
    VertexBatch(VertexBatch&& other) noexcept;
    VertexBatch& operator=(VertexBatch&& other) noexcept;
    // The buffer object must have been released with the context current.
    ~VertexBatch() = default;

    // Replaces the contents; the context must be current.
    void upload(const GlFunctions& gl, std::vector<float> data, const VertexLayout& layout);
    // Frees the buffer object; the context must be current.
    void release(const GlFunctions& gl);

    int vertexCount() const { return count_; }
    bool empty() const { return count_ == 0; }

    // Draws vertices [first, first + count) as `mode`. With `positionsOnly` the other
    // attributes are left disabled (for passes in one colour).
    void draw(const GlFunctions& gl, GLenum mode, int first, int count,
              bool positionsOnly = false) const;
    void draw(const GlFunctions& gl, GLenum mode, bool positionsOnly = false) const {
        draw(gl, mode, 0, count_, positionsOnly);
    }

private:
    GLuint buffer_ = 0;
    std::vector<float> memory_;  // used only without buffer objects
    VertexLayout layout_;
    int count_ = 0;
};

}  // namespace plikatra
