// Interleaved float vertices uploaded once into a buffer object and drawn with the classic
// vertex-array calls, so that a frame only re-issues them. Equal vertices are stored once and
// drawn through an index list: a software renderer then transforms and lights each shared
// corner once instead of once per triangle or line. Without buffer objects the data stays in
// memory and is drawn from there.
#pragma once

#include <vector>

#include "views/gl_functions.h"
#include "views/sheet_tiles.h"

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

    // Replaces the contents (vertices in drawing order); the context must be current. Without
    // `shareCorners` the vertices are kept as they are, for data where hardly any repeat.
    void upload(const GlFunctions& gl, const std::vector<float>& data, const VertexLayout& layout,
                bool shareCorners = true);
    // Replaces the contents by vertices already shared and the indices that draw them (none:
    // the vertices in order).
    void uploadIndexed(const GlFunctions& gl, const std::vector<float>& vertices,
                       const std::vector<GLuint>& indices, const VertexLayout& layout);
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
    // Draws each of `ranges` as `mode` with the arrays set up once.
    void draw(const GlFunctions& gl, GLenum mode, const std::vector<VertexRange>& ranges,
              bool positionsOnly = false) const;

private:
    GLuint buffer_ = 0;
    GLuint indexBuffer_ = 0;
    std::vector<float> memory_;           // used only without buffer objects
    std::vector<GLuint> memoryIndices_;   // likewise
    VertexLayout layout_;
    int count_ = 0;  // indices, one per vertex in drawing order
};

}  // namespace plikatra
