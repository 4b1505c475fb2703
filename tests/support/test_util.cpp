#include "test_util.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/options.h"
#include "app/unfold_run.h"
#include "model/construction.h"
#include "recording_front_end.h"

namespace plikatra {

bool createDevelopment(Model& model, const Settings& settings, Ui* ui) {
    RecordingFrontEnd quiet;
    LayoutParams layout = layoutParamsOf(settings, kLayoutAuto);
    layout.spacingPercent = 15;
    const ReferenceUnfoldEngine engine;
    return runUnfolding(model, engine, unfoldOptionsOf(settings), layout, ui ? *ui : quiet);
}

}  // namespace plikatra

namespace plikatra::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "plikatra-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& name, const std::string& content) const {
    const std::string full = path_ + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return full;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Solid* addPolygonSolid(Model& model, const std::vector<Point3>& positions,
                       const std::vector<std::vector<int>>& faces) {
    Solid* s = model.addSolid();
    for (const auto& p : positions) s->addVertex(p.x, p.y, p.z);
    for (const auto& corners : faces) {
        Face* f = s->addFace();
        for (int c : corners) f->addCorner(s->vertices[static_cast<size_t>(c)].get());
    }
    return s;
}

std::unique_ptr<Model> makeCube() {
    auto m = std::make_unique<Model>();
    addPolygonSolid(*m,
                    {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                     {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
                    {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}});
    finishSolids(*m, kAreaThreshold);
    computeEdgeMetrics(*m);
    return m;
}

}  // namespace plikatra::test
