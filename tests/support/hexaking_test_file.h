// Writes small HexaKing files for the reader tests. Skipped fields are filled with junk bytes
// and unused values with junk numbers, so a reader that loses its place reads nonsense.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace plikatra::test::hexaking {

using Matrix = std::array<double, 16>;

inline Matrix identity() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

struct Point {
    double x, y, z;
};
struct Face {
    int a, b, c;
    int material = 0;
    bool textured = false;
    double uv[3][2] = {};
};
struct EdgeMark {
    int from, to;
    int flags;  // 0x20 cut, bits 16..23 mark value
};
struct Texture {
    int width, height;
    std::vector<std::uint8_t> pixels;  // 4 bytes a pixel: one dropped byte, then R, G, B
};
struct Material {
    double ambient[3] = {0.1, 0.2, 0.3};
    double diffuse[3] = {0.4, 0.5, 0.6};
    bool textured = false;
    Texture texture;
};
struct Node {
    int code = 4;  // 2 group, 4 shape, 6 discarded shape, 1/3 transform, other: bare code
    int objectField = 2;
    Matrix matrix = identity();
    std::vector<Node> children;   // groups
    std::vector<Point> vertices;  // shapes from here on
    std::vector<EdgeMark> edges;
    std::vector<Face> faces;
    std::vector<Material> materials;
};
inline Node node(int code) {
    Node n;
    n.code = code;
    return n;
}

struct File {
    int version = -1;  // 0 or more: no version word, this value opens the body instead
    Node root = node(2);
    int mirror = 1;
    int extensionBytes = 5;  // size of each extension block (versions below -4)
    int sectionRecords = 2;  // versions below -1
    bool namesHidden = false;
    std::vector<std::string> names;  // a names section when not empty (versions below -1)
};

class Writer {
public:
    explicit Writer(const File& f) : f_(f) {}

    std::string bytes() {
        if (f_.version >= 0) {
            i32(f_.version);
        } else {
            i32(f_.version);
            junk(4);
        }
        transform(f_.root);
        children(f_.root);
        junk(4 + 8 + 4 + 48);
        i32(f_.mirror);
        const bool trailing = f_.version < -1;
        if (trailing) {
            i32(77);
            i32(f_.names.empty() ? 2 : 3);
        }
        ext();
        if (trailing) {
            i32(f_.sectionRecords);
            for (int i = 0; i < f_.sectionRecords; ++i) {
                junk(184);
                ext();
            }
            if (!f_.names.empty()) names();
        }
        return out_;
    }

private:
    void i32(std::int32_t v) {
        for (int s = 24; s >= 0; s -= 8)
            out_.push_back(static_cast<char>((std::uint32_t(v) >> s) & 0xFF));
    }
    void f64(double d) {
        std::uint64_t u;
        std::memcpy(&u, &d, sizeof u);
        for (int s = 56; s >= 0; s -= 8) out_.push_back(static_cast<char>((u >> s) & 0xFF));
    }
    void junk(int n) { out_.append(static_cast<std::size_t>(n), '\xA5'); }
    void ext() {
        if (f_.version >= -4) return;
        i32(f_.extensionBytes);
        out_.append(static_cast<std::size_t>(f_.extensionBytes), '\xEE');
    }
    void transform(const Node& n) {
        i32(n.objectField);
        for (double v : n.matrix) f64(v);
        ext();
    }
    void children(const Node& n) {
        i32(static_cast<int>(n.children.size()));
        for (const Node& c : n.children) node(c);
    }
    void node(const Node& n) {
        i32(n.code);
        if (n.code == 1 || n.code == 3) transform(n);
        if (n.code == 2) {
            transform(n);
            children(n);
        }
        if (n.code == 4 || n.code == 6) shape(n);
    }
    void shape(const Node& n) {
        transform(n);
        junk(4);
        i32(0x7F7F7F7F);
        junk(8);
        i32(static_cast<int>(n.vertices.size()));
        for (const Point& p : n.vertices) {
            i32(0x7F7F7F7F);
            f64(p.x), f64(p.y), f64(p.z);
            junk(52);
            ext();
        }
        i32(static_cast<int>(n.edges.size()));
        for (const EdgeMark& e : n.edges) {
            junk(4);
            i32(e.from), i32(e.to);
            junk(24);
            i32(0x7F7F7F7F);
            i32(e.flags);
            junk(4);
            i32(0x7F7F7F7F);
            if (f_.version < 0) junk(4);
            ext();
        }
        i32(static_cast<int>(n.faces.size()));
        for (const Face& fc : n.faces) {
            i32(0x7F7F7F7F);
            i32(fc.a), i32(fc.b), i32(fc.c);
            junk(12);
            i32(fc.material);
            i32(fc.textured ? 1 : 0);
            if (fc.textured)
                for (auto& uv : fc.uv) f64(uv[0]), f64(uv[1]);
            i32(0x7F7F7F7F);
            ext();
        }
        i32(static_cast<int>(n.materials.size()));
        for (const Material& m : n.materials) {
            i32(0x7F7F7F7F);
            for (double v : m.ambient) f64(v);
            for (double v : m.diffuse) f64(v);
            for (int i = 0; i < 4; ++i) f64(9.5);
            junk(8);
            i32(m.textured ? 1 : 0);
            if (m.textured) {
                i32(0x7F7F7F7F), i32(0x7F7F7F7F);
                i32(m.texture.width), i32(m.texture.height);
                out_.append(m.texture.pixels.begin(), m.texture.pixels.end());
            }
            ext();
        }
        i32(1);  // one entry of 8 bytes, then two lists of 4-byte entries
        junk(8);
        ext();
        i32(2);
        junk(8);
        i32(1);
        junk(4);
        junk(4);
        ext();
    }
    void names() {
        i32(0x7F7F7F7F);
        i32(f_.namesHidden ? 1 : 0);
        i32(static_cast<int>(f_.names.size()));
        i32(f_.namesHidden ? 256 * static_cast<int>(f_.names.size()) : 0x7F7F7F7F);
        for (const std::string& name : f_.names) {
            std::string record(256, '\xA5');
            record[0] = static_cast<char>(name.size());
            record.replace(1, name.size(), name);
            out_ += record;
        }
    }

    const File& f_;
    std::string out_;
};

inline std::string write(const File& f) {
    return Writer(f).bytes();
}

}  // namespace plikatra::test::hexaking
