// Runs one scene headless from init to free, as the program v4npelva plays it, and checks what
// every scene must hold: the run ends where it should, every count is back, and the pictures shown
// at chosen scene times match the golden hashes in tests/scenes/golden/<scene>.txt (rewritten with
// V4N_UPDATE_GOLDEN=1).
//
//   TEST(Tunnel, WholeRun) {
//       const int32_t times[] = {600, 2000, 4000, 6000};
//       SceneRunResult run = runSceneHeadless("tunnel", times, 4);
//       EXPECT_EQ(run.exitCode, 0);
//       expectCountsRestored(run);
//       EXPECT_EQ(run.report.endOrder, 17u);
//       expectGoldenFrames("tunnel", run);
//   }
#pragma once

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scenes/scene.h"
#include "startup/startup.h"

// One headless run of a scene.
struct SceneRunResult {
    int exitCode = -1;
    PlayReport report;
    int captureCount = 0;
    int32_t requestedTimes[maxSceneCaptures] = {};
    int32_t capturedAt[maxSceneCaptures] = {};  // sceneTime each captured frame was drawn with
    uint64_t hashes[maxSceneCaptures] = {};     // FNV-1a of each captured picture
};

// FNV-1a over the pixels' bytes.
inline uint64_t hashPixels(const uint32_t* pixels, size_t count)
{
    uint64_t h = 14695981039346656037ull;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pixels);
    for (size_t i = 0; i < count * 4; ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
    return h;
}

// Plays the scene (by --scene name or number) headless from the build tree's archive and module,
// capturing the pictures shown at the given scene times (ascending, at most maxSceneCaptures).
inline SceneRunResult runSceneHeadless(const char* scene, const int32_t* times, int count)
{
    SceneRunResult result;
    ProgramOptions options;
    std::string error;
    const char* argv[] = {"v4npelva", "--scene", scene, "--headless"};
    if (!parseProgramOptions(4, const_cast<char**>(argv), options, error)) {
        ADD_FAILURE() << "cannot play scene " << scene << ": " << error;
        return result;
    }
    options.dataDir = V4N_BINARY_DIR;
    requestSceneCaptures(times, count);
    result.exitCode = playOneScene(options, &result.report);
    result.captureCount = sceneCapture.count;
    for (int i = 0; i < sceneCapture.count; ++i) {
        result.requestedTimes[i] = sceneCapture.times[i];
        result.capturedAt[i] = sceneCapture.takenAt[i];
        result.hashes[i] = hashPixels(sceneCapture.pixels[i], 320 * 200);
    }
    requestSceneCaptures(nullptr, 0);
    return result;
}

// The counts a run enlarged are back at their loaded values.
inline void expectCountsRestored(const SceneRunResult& run)
{
    EXPECT_EQ(run.report.afterRun.vertexCount, run.report.afterInit.vertexCount);
    EXPECT_EQ(run.report.afterRun.faceCount, run.report.afterInit.faceCount);
    EXPECT_EQ(run.report.afterRun.lightCount, run.report.afterInit.lightCount);
}

// Compares the captured pictures with tests/scenes/golden/<scene>.txt, one line per capture:
// "<requested time> <captured at> <hash>". With V4N_UPDATE_GOLDEN=1 the file is rewritten instead.
inline void expectGoldenFrames(const char* scene, const SceneRunResult& run)
{
    const std::string path = std::string(V4N_SOURCE_DIR) + "/tests/scenes/golden/" + scene + ".txt";
    std::ostringstream lines;
    for (int i = 0; i < run.captureCount; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "%" PRId32 " %" PRId32 " %016" PRIx64 "\n",
                      run.requestedTimes[i], run.capturedAt[i], run.hashes[i]);
        lines << line;
    }
    const char* update = std::getenv("V4N_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream out(path, std::ios::binary);
        out << lines.str();
        ASSERT_TRUE(out.good()) << "cannot write " << path;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good()) << path << " is missing; write it with V4N_UPDATE_GOLDEN=1";
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(lines.str(), expected.str())
        << "the frames of " << scene << " changed; after an intended change rewrite them with "
        << "V4N_UPDATE_GOLDEN=1";
}
