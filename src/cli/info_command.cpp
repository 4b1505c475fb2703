#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "model/model_stats.h"

namespace plikatra {

int runInfo(Document& doc, CliFrontEnd& frontEnd, const std::string& path, const CommonArgs& common) {
    if (const int status = openForCommand(doc, frontEnd, path, common); status != kExitOk) return status;
    const Model& m = *doc.model();
    const ModelStats s = modelStats(m);
    if (common.json) {
        nlohmann::json j;
        j["result"] = 0;
        j["solids"] = s.solids;
        j["faces"] = s.faces;
        j["vertices"] = s.vertices;
        j["edges"] = s.edges;
        j["open_edges"] = s.openEdges;
        j["materials"] = s.materials;
        j["textured_materials"] = s.texturedMaterials;
        j["has_texcoords"] = m.bTextureCoodinates;
        j["bounds_min"] = {m.boundsMin.x, m.boundsMin.y, m.boundsMin.z};
        j["bounds_max"] = {m.boundsMax.x, m.boundsMax.y, m.boundsMax.z};
        j["mag3d"] = m.dMag3d;
        j["mean_edge_length"] = m.meanEdgeLength;
        j["work_file"] = doc.hasWorkFilePath();
        std::cout << j.dump(2) << std::endl;
    } else {
        std::printf("file: %s\n", m.path.c_str());
        std::printf("solids: %d\nfaces: %d\nvertices: %d\nedges: %d\nopen edges: %d\n", s.solids,
                    s.faces, s.vertices, s.edges, s.openEdges);
        std::printf("materials: %d (%d textured)\ntexture coordinates: %s\n", s.materials,
                    s.texturedMaterials, m.bTextureCoodinates ? "yes" : "no");
        std::printf("bounds: (%g, %g, %g) to (%g, %g, %g)\nscale to unit cube: %g\n", m.boundsMin.x,
                    m.boundsMin.y, m.boundsMin.z, m.boundsMax.x, m.boundsMax.y, m.boundsMax.z,
                    m.dMag3d);
    }
    return kExitOk;
}

}  // namespace plikatra
