// Test fixture: a private profile file in a fresh temporary folder, named by
// PLIKATRA_PROFILE, and a settings record of the test's own at its initial values.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/settings.h"

namespace plikatra {

class TempProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/plikatra-app-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = (dir_ / "plikatra.ini").string();
        setenv("PLIKATRA_PROFILE", path_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("PLIKATRA_PROFILE");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    void writeFile(const std::string& text) const {
        std::ofstream(path_, std::ios::binary) << text;
    }
    std::string readFile() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    Settings& settings() { return settings_; }

    std::filesystem::path dir_;
    std::string path_;
    Settings settings_;
};

}  // namespace plikatra
