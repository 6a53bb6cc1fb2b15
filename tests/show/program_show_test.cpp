// The program as a user starts the show: without a display it names --headless, the data files
// come from the program's own folder before the working folder, and missing or bad data ends the
// show with one message and its exit code.
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

const std::string program = V4N_BINARY_DIR "/v4npelva";

// Runs a copy of the program placed in programFolder, from the working folder cwd.
ChildResult runCopy(const TempDir& programFolder, const TempDir& cwd,
                    const std::vector<std::string>& args)
{
    return runProgramCopy(program, programFolder.file("v4npelva"), cwd.path, args);
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

namespace {

// The data folder of one bad-data case: the generated pictures and meshes, changed by change,
// packed beside the module; then the archive and the module changed by changeFiles.
void prepareData(const TempDir& folder,
                 const std::function<void(const std::filesystem::path& staging)>& change,
                 const std::function<void(const TempDir& folder)>& changeFiles)
{
    const std::filesystem::path staging = folder.path / "staging";
    std::filesystem::copy(V4N_BINARY_DIR "/content-staging", staging);
    if (change)
        change(staging);
    ASSERT_EQ(runProgram({V4N_BINARY_DIR "/zempack", "pack", folder.file("v4npelva.zem"),
                          staging.string()})
                  .exitCode,
              0);
    std::filesystem::remove_all(staging);
    std::filesystem::copy_file(V4N_BINARY_DIR "/v4npelva.xm", folder.file("v4npelva.xm"));
    if (changeFiles)
        changeFiles(folder);
}

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Flips the bytes of a stretch in the middle of the archive, past its header and directory.
void damageArchive(const TempDir& folder)
{
    const std::string path = folder.file("v4npelva.zem");
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    const auto size = std::filesystem::file_size(path);
    std::string middle(4000, '\0');
    file.seekg(std::streamoff(size / 2));
    file.read(middle.data(), std::streamsize(middle.size()));
    for (char& c : middle)
        c = char(c ^ 0x5A);
    file.seekp(std::streamoff(size / 2));
    file.write(middle.data(), std::streamsize(middle.size()));
}

}  // namespace

TEST(ProgramShow, BadDataEndsTheShowWithOneMessageAndItsExitCode)
{
    using Staging = std::function<void(const std::filesystem::path&)>;
    using Files = std::function<void(const TempDir&)>;
    struct Case {
        const char* what;
        Staging change;
        Files changeFiles;
        int exitCode;
        std::string message;  // a part of the one line the program writes
    };
    const Case cases[] = {
        {"no archive", nullptr,
         [](const TempDir& f) { std::filesystem::remove(f.file("v4npelva.zem")); }, 1,
         "v4npelva.zem file not found"},
        {"not an archive", nullptr,
         [](const TempDir& f) { writeFile(f.file("v4npelva.zem"), "a text file, not a pack\n"); },
         1, "v4npelva.zem is not -ZEM- pack format"},
        {"a damaged archive", nullptr, damageArchive, 5, ""},
        {"the opening picture missing",
         [](const std::filesystem::path& s) { std::filesystem::remove(s / "kfr_mi.jpg"); }, nullptr,
         1, "Engine error: file 'kfr_mi.jpg' not found!"},
        // "Ошибка: " in UTF-8, then the loader's reason naming the file.
        {"a mesh that does not load",
         [](const std::filesystem::path& s) {
             writeFile(s / "flames.3ds", std::string("MM\x10\0\0\0not a mesh", 16));
         },
         nullptr, 1, "Ошибка: "},
        {"no module", nullptr,
         [](const TempDir& f) { std::filesystem::remove(f.file("v4npelva.xm")); }, 1,
         "v4npelva.xm"},
        {"a module that does not load", nullptr,
         [](const TempDir& f) { writeFile(f.file("v4npelva.xm"), "Extended Module: broken"); }, 1,
         "v4npelva.xm"},
    };
    for (const Case& c : cases) {
        TempDir folder("v4n-bad-data");
        prepareData(folder, c.change, c.changeFiles);
        const std::string frames = folder.file("frames");
        const ChildResult r = runProgram(
            {program, "--headless", "--data", folder.path.string(), "--png-dir", frames}, true);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << ": " << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.what << ": " << r.output;
        // One line, the message, and no frame of any scene: each case fails before the first. A
        // missing archive adds one line of ours naming where it looked.
        EXPECT_GT(r.output.size(), 1u) << c.what;
        std::string lines = r.output;
        const std::string searched =
            "v4npelva: looked in " + folder.path.string() + " (from --data)\n";
        if (c.message == "v4npelva.zem file not found") {
            ASSERT_GT(lines.size(), searched.size()) << lines;
            EXPECT_EQ(lines.substr(lines.size() - searched.size()), searched) << lines;
            lines.resize(lines.size() - searched.size());
        }
        EXPECT_EQ(lines.find('\n'), lines.size() - 1) << c.what << ": " << r.output;
        EXPECT_TRUE(std::filesystem::is_empty(frames)) << c.what;
    }
}

TEST(ProgramShow, AContactSheetThatCannotBeWrittenIsRefusedBeforeTheShow)
{
    TempDir folder("v4n-show");
    const std::string sheet = folder.file("no-such-folder/show.png");
    const ChildResult r = runProgram(
        {program, "--contact-sheet", sheet, "--data", V4N_BINARY_DIR, "--every-seconds", "60"},
        true);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.output, "v4npelva: cannot write the contact sheet " + sheet + "\n");
}
