#include <gtest/gtest.h>

#include <filesystem>

#include "test_util.h"
#include "textures/texture_path.h"

namespace plikatra::test {
namespace {

TEST(ResolveTexturePath, NamedFolderFirstThenBareNameBesideModel) {
    TempDir dir;
    const std::string model = dir.write("models/car.3ds", "m"), root = dir.path();
    dir.write("models/tex/wood.bmp", "a");
    dir.write("models/wood.bmp", "b");
    dir.write("shared/stone.jpg", "s");
    dir.write("models/tex/Grass.BMP", "g");
    std::filesystem::create_directories(root + "/models/folder.bmp");
    const struct {
        const char* name;
        std::optional<std::string> found;
    } cases[] = {
        {"tex\\wood.bmp", root + "/models/tex/wood.bmp"},
        {"other/wood.bmp", root + "/models/wood.bmp"},
        {"..\\shared\\stone.jpg", root + "/shared/stone.jpg"},
        {"./x/../../shared/stone.jpg", root + "/shared/stone.jpg"},
        {"C:\\Users\\me\\wood.bmp", root + "/models/wood.bmp"},
        {"z:wood.bmp", root + "/models/wood.bmp"},
        {"/no/such/dir/wood.bmp", root + "/models/wood.bmp"},
        {"tex/GRASS.bmp", root + "/models/tex/Grass.BMP"},
        {"TEX\\grass.bmp", std::nullopt},  // only the file name's case is ignored
        {"D:\\missing.bmp", std::nullopt},
        {"folder.bmp", std::nullopt},  // a folder is not a texture file
        {"tex\\", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(resolveModelTexturePath(model, c.name), c.found) << c.name;
    const std::string absolute = dir.write("elsewhere/abs.bmp", "c");
    EXPECT_EQ(resolveModelTexturePath(model, absolute), absolute);
}

}  // namespace
}  // namespace plikatra::test
