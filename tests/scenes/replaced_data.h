// Plays a scene headless from a copy of the build's show data in which some files are replaced:
// the way to show that a scene copes with damaged or unexpected data (fewer objects or lights, a
// shorter strip, a larger panel, a picture that does not decode). The scene must say what it skips
// in one line on standard error and draw the rest, never reading or writing outside a picture or a
// table; under the asan preset any such access fails the run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "packer/packer.h"
#include "scene_harness.h"
#include "writers/writers.h"

using DataFiles = std::map<std::string, std::vector<uint8_t>>;

// A JPEG of width x height with a soft diagonal pattern (not black, so additions show).
inline std::vector<uint8_t> patternJpeg(int width, int height)
{
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
            p[0] = uint8_t((x + y) * 3);
            p[1] = uint8_t(x * 5);
            p[2] = uint8_t(y * 7);
            p[3] = 0;
        }
    return encodeJpeg(pixels.data(), width, height, 90, true);
}

// Bytes that start like a JPEG and then stop: the decoder reports an error, the loader gives null.
inline std::vector<uint8_t> notAPicture()
{
    return {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01};
}

// Writes the build's painted files with `replaced` put over them as <build>/test-scenes/<name>/
// v4npelva.zem beside a copy of the module; returns that folder.
inline std::string makeVariantData(const std::string& name, const DataFiles& replaced)
{
    namespace fs = std::filesystem;
    const fs::path binary(V4N_BINARY_DIR);
    const fs::path folder = binary / "test-scenes" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    DataFiles files;
    for (const auto& entry : fs::directory_iterator(binary / "content-staging")) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()].assign(std::istreambuf_iterator<char>(in), {});
    }
    for (const auto& [file, bytes] : replaced)
        files[file] = bytes;
    std::vector<PackInput> inputs;
    for (const auto& [file, bytes] : files)
        inputs.push_back({file, bytes});
    std::vector<uint8_t> archive;
    std::string error;
    EXPECT_TRUE(buildArchive(inputs, archive, error)) << error;
    EXPECT_TRUE(writeFileBytes((folder / "v4npelva.zem").string(), archive));
    fs::copy_file(binary / "v4npelva.xm", folder / "v4npelva.xm");
    return folder.string();
}

// Plays the scene headless from dataDir, with Escape pressed escapeMs into the run (0: never);
// what it wrote on standard error comes back in `errors`.
inline SceneRunResult runSceneFrom(const char* scene, const std::string& dataDir,
                                   std::string& errors, uint32_t escapeMs = 0)
{
    SceneRunResult result;
    ProgramOptions options;
    std::string error;
    const char* argv[] = {"v4npelva", "--scene", scene, "--headless"};
    if (!parseProgramOptions(4, const_cast<char**>(argv), options, error)) {
        ADD_FAILURE() << error;
        return result;
    }
    options.dataDir = dataDir;
    options.escapeAfterMs = escapeMs;
    testing::internal::CaptureStderr();
    result.exitCode = playOneScene(options, &result.report);
    errors = testing::internal::GetCapturedStderr();
    return result;
}

// Plays the scene headless from the build's data with Escape pressed escapeMs into the run.
inline SceneRunResult runSceneEscaping(const char* scene, uint32_t escapeMs)
{
    std::string errors;
    return runSceneFrom(scene, V4N_BINARY_DIR, errors, escapeMs);
}

// Packs the build's data with `replaced` into <build>/test-scenes/<folder>/ and plays the scene
// from there; what it wrote on standard error comes back in `errors`.
inline SceneRunResult runSceneWithFiles(const char* scene, const std::string& folder,
                                        const DataFiles& replaced, std::string& errors)
{
    return runSceneFrom(scene, makeVariantData(folder, replaced), errors);
}
