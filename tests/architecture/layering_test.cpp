// The structure of the source tree, checked on every build: each folder only includes folders
// of lower layers, Qt only appears under src/qt, OpenGL only in the rendering layer, and
// the settings record is only read where settings turn into options.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = fs::path(PLIKATRA_SOURCE_DIR) / "src";

// Layers from the bottom. A folder may include its own files and those of lower layers; two
// folders of one layer know nothing of each other.
const std::map<std::string, int> kLayer = {
    {"base", 0},   {"model", 1},     {"textures", 2}, {"import", 3},
    {"workfile", 3}, {"development", 4}, {"output", 5},   {"app", 6},
    {"views", 7},  {"cli", 8},       {"qt", 9},
};

// The folder a source file or include path belongs to: "views" for src/views/x.cpp, and "qt"
// for everything under src/qt/, whose sub-folders form one layer on top.
std::string folderOf(const std::string& relative) {
    const auto slash = relative.find('/');
    if (slash == std::string::npos) return "";
    return relative.substr(0, slash);
}

struct Include {
    std::string file;  // relative to src/
    std::string target;
    bool angled;
};

std::vector<Include> includes() {
    std::vector<Include> out;
    const std::regex line(R"re(^\s*#\s*include\s*([<"])([^>"]+)[>"])re");
    for (const auto& entry : fs::recursive_directory_iterator(kSource)) {
        const auto ext = entry.path().extension();
        if (ext != ".cpp" && ext != ".h") continue;
        const std::string file = fs::relative(entry.path(), kSource).string();
        std::ifstream in(entry.path());
        std::string text;
        while (std::getline(in, text)) {
            std::smatch m;
            if (std::regex_search(text, m, line)) out.push_back({file, m[2], m[1] == "<"});
        }
    }
    return out;
}

bool isQt(const std::string& header) {
    return header.rfind("Q", 0) == 0 || header.rfind("qt", 0) == 0 ||
           header.find("Qt") == 0;
}

bool isOpenGl(const std::string& header) {
    return header.rfind("GL/", 0) == 0 || header.rfind("EGL/", 0) == 0 ||
           header.rfind("GLES", 0) == 0;
}

TEST(Layering, IncludesPointDownTheLayers) {
    std::vector<std::string> wrong;
    for (const Include& inc : includes()) {
        if (inc.angled) continue;
        const std::string from = folderOf(inc.file);
        const std::string to = folderOf(inc.target);
        if (to.empty() || from == to) continue;
        const auto f = kLayer.find(from), t = kLayer.find(to);
        if (f == kLayer.end() || t == kLayer.end()) {
            wrong.push_back(inc.file + ": unknown folder in " + inc.target);
        } else if (t->second >= f->second) {
            wrong.push_back(inc.file + " includes " + inc.target);
        }
    }
    EXPECT_TRUE(wrong.empty()) << [&] {
        std::string all;
        for (const auto& w : wrong) all += "\n  " + w;
        return all;
    }();
}

TEST(Layering, QtOnlyInQtFoldersAndOpenGlOnlyAboveTheCore) {
    std::vector<std::string> wrong;
    for (const Include& inc : includes()) {
        if (!inc.angled) continue;
        const std::string from = folderOf(inc.file);
        const bool qtFolder = from == "qt";
        if (isQt(inc.target) && !qtFolder) wrong.push_back(inc.file + " includes <" + inc.target + ">");
        const bool rendering = from == "views" || qtFolder;
        if (isOpenGl(inc.target) && !rendering) wrong.push_back(inc.file + " includes <" + inc.target + ">");
    }
    EXPECT_TRUE(wrong.empty()) << [&] {
        std::string all;
        for (const auto& w : wrong) all += "\n  " + w;
        return all;
    }();
}

TEST(Layering, OnlyTheApplicationLayerReadsTheSettingsRecord) {
    std::set<std::string> readers;
    for (const Include& inc : includes())
        if (!inc.angled && inc.target == "base/settings.h") readers.insert(folderOf(inc.file));
    for (const std::string& folder : readers) {
        const bool allowed = folder == "base" || folder == "app" || folder == "cli" || folder == "qt";
        EXPECT_TRUE(allowed) << folder << " includes the settings record";
    }
}

}  // namespace
