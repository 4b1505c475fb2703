// Damaged files must come back as a texture or as nothing with one message, never a crash.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "texture_test_util.h"

namespace plikatra::test {
namespace {

void expectCleanOutcome(TextureTestScope& scope, const std::string& ext, const std::string& bytes) {
    // A fresh name each time: rewriting one file in place makes some file systems flush it
    // on every close, which slows thousands of runs to a crawl.
    static int serial = 0;
    const std::string path = scope.dir.write(std::to_string(++serial) + ext, bytes);
    scope.ui.entries.clear();
    auto t = loadTextureImage(path, 256, scope.ui);
    std::filesystem::remove(path);
    if (!t) {
        ASSERT_EQ(scope.ui.entries.size(), 1u);
        return;
    }
    ASSERT_TRUE(scope.ui.entries.empty()) << scope.ui.entries[0].text;
    ASSERT_TRUE(t->width == t->height && t->width <= 256);
    ASSERT_EQ(t->pixels.size(), std::size_t(t->width) * t->height * 3);
}

TEST(TextureRobustness, EveryPrefixAndThousandsOfByteMutations) {
    TextureTestScope scope;
    for (const char* file : {"bmp8_palette_6x6.bmp", "jpeg_rgb_baseline_92x92.jpg"}) {
        const std::string bytes = readFile(corpusTexture(file));
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            SCOPED_TRACE(std::string(file) + " cut at " + std::to_string(n));
            expectCleanOutcome(scope, file + std::strlen(file) - 4, bytes.substr(0, n));
            if (HasFatalFailure()) return;
        }
    }
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&] { return std::uint32_t((state = state * 6364136223846793005ull + 1442695040888963407ull) >> 33); };
    const char interesting[] = {0x00, char(0xFF), 0x7F, char(0x80), 0x01};
    const std::pair<const char*, int> sources[] = {
        {"bmp8_palette_6x6.bmp", 1500}, {"bmpsuite_pal8rle.bmp", 800}, {"bmpsuite_pal8v4.bmp", 400},
        {"bmp8_os2_core_435x353.bmp", 100}, {"jpeg_rgb_baseline_92x92.jpg", 800},
        {"jpeg_gray_progressive_1024x64.jpg", 200}};
    for (const auto& [file, count] : sources) {
        const std::string original = readFile(corpusTexture(file));
        ASSERT_FALSE(original.empty()) << file;
        // Headers hold most of the decisions, so most mutations land there.
        const std::size_t header = std::min<std::size_t>(original.size(), std::strstr(file, ".jpg") ? 700 : 80);
        for (int k = 0; k < count; ++k) {
            std::string bytes = original;
            for (int i = 0, n = 1 + next() % 4; i < n; ++i)
                bytes[next() % 4 ? next() % header : next() % bytes.size()] =
                    next() % 3 ? interesting[next() % 5] : char(next());
            if (next() % 8 == 0) bytes.resize(next() % bytes.size());
            SCOPED_TRACE(std::string(file) + " mutation " + std::to_string(k));
            expectCleanOutcome(scope, file + std::strlen(file) - 4, bytes);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
}  // namespace plikatra::test
