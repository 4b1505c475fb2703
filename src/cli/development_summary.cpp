#include "cli/development_summary.h"

#include <algorithm>
#include <cstdio>

namespace plikatra {

DevelopmentSummary summarizeDevelopment(const Model& m) {
    DevelopmentSummary s;
    s.parts = static_cast<int>(m.parts.size());
    for (const auto& p : m.parts) s.faces += static_cast<int>(p->faces.size());
    for (const auto& solid : m.solids) {
        for (const auto& e : solid->edges) s.largestJoinNumber = std::max(s.largestJoinNumber, e->joinNumber);
        for (const auto& f : solid->faces)
            for (const auto& h : f->halfedges) s.flaps += h->hasFlap;
    }
    return s;
}

nlohmann::json developmentJson(const Model& m, const SheetGrid& grid) {
    const DevelopmentSummary sum = summarizeDevelopment(m);
    nlohmann::json j;
    j["result"] = 0;
    j["parts"] = sum.parts;
    j["faces"] = sum.faces;
    j["join_numbers"] = sum.largestJoinNumber;
    j["flaps"] = sum.flaps;
    j["pages_across"] = grid.pagesAcross;
    j["pages_down"] = grid.pagesDown;
    j["mag2d"] = m.dMag2d;
    j["scale"] = m.dMag2d * m.dMag3d;
    return j;
}

void printDevelopment(const Model& m, const SheetGrid& grid) {
    const DevelopmentSummary sum = summarizeDevelopment(m);
    std::printf("parts: %d\nfaces: %d\njoin numbers: %d\nflaps: %d\npages: %d x %d\n"
                "scale: %g cm per model unit\n",
                sum.parts, sum.faces, sum.largestJoinNumber, sum.flaps, grid.pagesAcross, grid.pagesDown,
                m.dMag2d * m.dMag3d);
}

}  // namespace plikatra
