#include "model/model.h"


namespace plikatra {

Material::Material(ColorRef surface) {
    const Rgb c = materialColorOf(surface);
    setColor(c.r, c.g, c.b);
    emission = {0, 0, 0, 1};
    specular = {0, 0, 0, 1};
}

void Material::setColor(float r, float g, float b) {
    ambient = {r, g, b, 1};
    diffuse = {r, g, b, 1};
    flatColor = {r, g, b};
}

Halfedge* Face::addCorner(Vertex* origin, TexCoord* tc) {
    auto h = std::make_unique<Halfedge>();
    h->origin = origin;
    h->face = this;
    h->texCoord = tc;
    halfedges.push_back(std::move(h));
    return halfedges.back().get();
}

Vertex* Solid::addVertex(double x, double y, double z) {
    auto v = std::make_unique<Vertex>();
    v->index = static_cast<int>(vertices.size());
    v->position = {x, y, z};
    vertices.push_back(std::move(v));
    return vertices.back().get();
}

TexCoord* Solid::addTexCoord(double u, double v) {
    texCoords.push_back(std::make_unique<TexCoord>(TexCoord{u, v}));
    return texCoords.back().get();
}

Face* Solid::addFace(int materialIndex) {
    faces.push_back(std::make_unique<Face>(this));
    faces.back()->materialIndex = materialIndex;
    return faces.back().get();
}

Model::~Model() {
    // Solids first (faces with their halfedges, then edges, vertices and texture coordinates),
    // then parts, materials, texts and the default material's texture.
    for (auto& s : solids) {
        s->faces.clear();
        s->edges.clear();
        s->vertices.clear();
        s->texCoords.clear();
    }
    solids.clear();
    parts.clear();
    materials.clear();
    texts.clear();
    defaultMaterial.texture.reset();
}

Solid* Model::addSolid(const std::string& name) {
    solids.push_back(std::make_unique<Solid>());
    solids.back()->name = name;
    return solids.back().get();
}

Material* Model::addMaterial() {
    materials.push_back(makeMaterial());
    return materials.back().get();
}

std::unique_ptr<Material> Model::makeMaterial() const { return std::make_unique<Material>(surfaceColor); }

void copyMaterial(Material& to, const Material& from) {
    to.texture = from.texture ? std::make_unique<TextureImage>(*from.texture) : nullptr;
    to.colorGiven = from.colorGiven;
    to.hasTexture = from.hasTexture;
    to.ambient = from.ambient;
    to.diffuse = from.diffuse;
    to.emission = from.emission;
    to.specular = from.specular;
    to.shininess = from.shininess;
    to.flatColor = from.flatColor;
    to.name = from.name;
    to.textureFile = from.textureFile;
}

void setFlapHeights(Model& model, double height) {
    for (auto& s : model.solids)
        for (auto& f : s->faces)
            for (auto& h : f->halfedges) h->flapHeight = height;
}

}  // namespace plikatra
