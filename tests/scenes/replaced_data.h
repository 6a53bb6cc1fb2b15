// Plays a scene headless from a copy of the build's data in which some files are replaced: the
// way to show that a scene copes with data that holds less than it relies on (fewer objects or
// lights, a shorter strip, a larger panel) without reading or writing outside a table or a
// picture. Under the asan preset any such access fails the run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "packer/packer.h"
#include "shell/startup/startup.h"
#include "writers/writers.h"

struct ReplacedRun {
    int exitCode = -1;
    PlayReport report;
    std::string standardError;  // what the run wrote to standard error
};

inline std::vector<uint8_t> readWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Packs the build's staged content with `replaced` in place of (or beside) the files of the same
// name into a folder of its own, with the module, and plays the scene from there.
inline ReplacedRun runSceneWithReplacedData(const char* sceneName,
                                            const std::vector<PackInput>& replaced)
{
    namespace fs = std::filesystem;
    ReplacedRun run;
    const fs::path built(V4N_BINARY_DIR);
    std::vector<PackInput> files;
    for (const auto& entry : fs::directory_iterator(built / "content-staging")) {
        const std::string name = entry.path().filename().string();
        bool isReplaced = false;
        for (const PackInput& r : replaced)
            isReplaced = isReplaced || r.name == name;
        if (!isReplaced)
            files.push_back({name, readWholeFile(entry.path())});
    }
    files.insert(files.end(), replaced.begin(), replaced.end());
    std::vector<uint8_t> archive;
    std::string error;
    if (!buildArchive(files, archive, error)) {
        ADD_FAILURE() << error;
        return run;
    }
    const fs::path folder = built / "test-scenes" / sceneName;
    fs::create_directories(folder);
    if (!writeFileBytes((folder / "v4npelva.zem").string(), archive) ||
        !writeFileBytes((folder / "v4npelva.xm").string(), readWholeFile(built / "v4npelva.xm"))) {
        ADD_FAILURE() << "cannot write the data into " << folder;
        return run;
    }

    ProgramOptions options;
    const char* argv[] = {"v4npelva", "--scene", sceneName, "--headless"};
    if (!parseProgramOptions(4, const_cast<char**>(argv), options, error)) {
        ADD_FAILURE() << error;
        return run;
    }
    options.dataDir = folder.string();
    testing::internal::CaptureStderr();
    run.exitCode = playOneScene(options, &run.report);
    run.standardError = testing::internal::GetCapturedStderr();
    return run;
}
