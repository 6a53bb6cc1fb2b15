// Plays a scene headless from a copy of the built data in which some files are replaced: how the
// tests show that a scene checks the data it relies on and skips only what is missing.
#pragma once

#include "scene_harness.h"

#include "packer/packer.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

using ReplacedFiles = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

// The built staging folder with `replaced` put in, packed into <build>/test-scenes/<folder>/
// beside a copy of the module, then played like runSceneHeadless. Standard error of the play is
// returned in `errors`.
inline SceneRunResult runSceneWithFiles(const char* scene, const std::string& folder,
                                        const ReplacedFiles& replaced, std::string& errors)
{
    namespace fs = std::filesystem;
    const fs::path build = V4N_BINARY_DIR;
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : fs::directory_iterator(build / "content-staging")) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()].assign(std::istreambuf_iterator<char>(in),
                                                       std::istreambuf_iterator<char>());
    }
    for (const auto& [name, bytes] : replaced)
        files[name] = bytes;
    std::vector<PackInput> inputs;
    for (const auto& [name, bytes] : files)
        inputs.push_back({name, bytes});
    std::vector<uint8_t> archive;
    std::string error;
    SceneRunResult result;
    if (!buildArchive(inputs, archive, error)) {
        ADD_FAILURE() << error;
        return result;
    }
    const fs::path dir = build / "test-scenes" / folder;
    fs::create_directories(dir);
    std::ofstream(dir / "v4npelva.zem", std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size()));
    fs::copy_file(build / "v4npelva.xm", dir / "v4npelva.xm", fs::copy_options::overwrite_existing);

    ProgramOptions options;
    const char* argv[] = {"v4npelva", "--scene", scene, "--headless"};
    if (!parseProgramOptions(4, const_cast<char**>(argv), options, error)) {
        ADD_FAILURE() << error;
        return result;
    }
    options.dataDir = dir.string();
    testing::internal::CaptureStderr();
    result.exitCode = playOneScene(options, &result.report);
    errors = testing::internal::GetCapturedStderr();
    return result;
}
