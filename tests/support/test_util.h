// Helpers shared by the tests: temporary folders, files and small models.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/settings.h"
#include "base/ui.h"
#include "model/model.h"

namespace plikatra {

// Unfolds `model` as "Create Development" does with the automatic layout, the reference engine
// and `settings`, reporting to `ui` (a quiet recorder when none is given). False when
// cancelled.
bool createDevelopment(Model& model, const Settings& settings = Settings{}, Ui* ui = nullptr);

}  // namespace plikatra

namespace plikatra::test {

// A fresh temporary folder, removed with its content when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes `content` to `name` inside the folder and returns the full path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);

// A solid from positions and 0-based corner lists (one face per list), not yet finished.
Solid* addPolygonSolid(Model& model, const std::vector<Point3>& positions,
                       const std::vector<std::vector<int>>& faces);

// An axis-aligned cube of side 2 around the origin with outward (counter-clockwise) faces,
// finished by construction.
std::unique_ptr<Model> makeCube();


}  // namespace plikatra::test
