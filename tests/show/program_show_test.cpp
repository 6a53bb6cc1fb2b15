// The program as a user starts the show: without a display it names --headless, and the data files
// come from the program's own folder before the working folder.
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string program = V4N_BINARY_DIR "/v4npelva";

// Runs a copy of the program placed in programFolder, from the working folder cwd.
ChildResult runCopy(const TempDir& programFolder, const TempDir& cwd,
                    const std::vector<std::string>& args)
{
    const std::string copy = programFolder.file("v4npelva");
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
    return runInChild(
        [&] {
            if (chdir(cwd.path.c_str()) != 0)
                _exit(99);
            std::vector<char*> argv{const_cast<char*>(copy.c_str())};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(copy.c_str(), argv.data());
            _exit(98);
        },
        true);
}

void copyData(const TempDir& folder)
{
    for (const char* name : {"v4npelva.zem", "v4npelva.xm"})
        std::filesystem::copy_file(std::string(V4N_BINARY_DIR "/") + name, folder.file(name));
}

}  // namespace

TEST(ProgramShow, WithoutADisplayItSaysSoInOneLineNamingHeadless)
{
    const ChildResult r = runInChild(
        [] {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            setenv("SDL_VIDEODRIVER", "x11", 1);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(98);
        },
        true);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("--headless"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << r.output;
}

TEST(ProgramShow, DataComesFromTheProgramsFolderThenTheWorkingFolder)
{
    // Credits alone is the shortest whole run that reads both files.
    const std::vector<std::string> args{"--scene", "credits", "--headless"};
    {
        TempDir programFolder("v4n-show"), cwd("v4n-show");
        copyData(programFolder);
        const ChildResult r = runCopy(programFolder, cwd, args);
        EXPECT_EQ(r.exitCode, 0) << r.output;
    }
    {
        TempDir programFolder("v4n-show"), cwd("v4n-show");
        copyData(cwd);
        const ChildResult r = runCopy(programFolder, cwd, args);
        EXPECT_EQ(r.exitCode, 0) << r.output;
    }
    {
        // --data wins over both; a folder without the archive says which file is missing.
        TempDir programFolder("v4n-show"), cwd("v4n-show"), empty("v4n-show");
        copyData(programFolder);
        std::vector<std::string> withData = args;
        withData.insert(withData.end(), {"--data", empty.path.string()});
        const ChildResult r = runCopy(programFolder, cwd, withData);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.output.find("v4npelva.zem file not found"), std::string::npos) << r.output;
    }
}
