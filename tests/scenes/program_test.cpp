// The program v4npelva as a user starts it: its flags, its scene names and numbers, the exit codes
// of bad command lines and of missing data, and headless runs that repeat frame for frame.
#include "sequencer/sequencer.h"
#include "startup/startup.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string program = V4N_BINARY_DIR "/v4npelva";

ChildResult run(std::vector<std::string> args)
{
    args.insert(args.begin(), program);
    return runProgram(args, true);
}

// Runs a copy of the program placed in folder, from that folder, so it sees only the data there.
ChildResult runFrom(const TempDir& folder, const std::vector<std::string>& args)
{
    return runProgramCopy(program, folder.file("v4npelva"), folder.path, args);
}

// An archive of the generated content without one file, beside the module, in folder.
void packWithout(const TempDir& folder, const std::string& left)
{
    const std::filesystem::path staging = folder.path / "staging";
    std::filesystem::copy(V4N_BINARY_DIR "/content-staging", staging);
    std::filesystem::remove(staging / left);
    ASSERT_EQ(runProgram({V4N_BINARY_DIR "/zempack", "pack", folder.file("v4npelva.zem"),
                          staging.string()})
                  .exitCode,
              0);
    std::filesystem::copy_file(V4N_BINARY_DIR "/v4npelva.xm", folder.file("v4npelva.xm"));
}

std::vector<char> fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(Program, BadCommandLinesGiveOneLineAndTheUsageWithExitTwo)
{
    struct Case {
        std::vector<std::string> args;
        std::string line;
    };
    const Case cases[] = {
        {{"--contact-sheet", "x.png", "--every-seconds", "0"},
         "v4npelva: --every-seconds needs a whole number of seconds from 1 to 3600, not '0'"},
        {{"--contact-sheet", "x.png", "--every-seconds", "-5"}, "v4npelva: --every-seconds needs"},
        {{"--contact-sheet", "x.png", "--every-seconds", "2.5"}, "v4npelva: --every-seconds needs"},
        {{"--contact-sheet", "x.png", "--every-seconds", "five"},
         "v4npelva: --every-seconds needs"},
        {{"--contact-sheet", "x.png", "--every-seconds", ""}, "v4npelva: --every-seconds needs"},
        {{"--contact-sheet", "x.png", "--every-seconds"},
         "v4npelva: --every-seconds needs a value"},
        {{"--scene", "flames", "--contact-sheet", "x.png", "--every-seconds", "5"},
         "v4npelva: --every-seconds is for --contact-sheet of the whole show"},
        {{"--every-seconds", "5"}, "v4npelva: --every-seconds is for --contact-sheet"},
        {{"--contact-sheet", "x.png", "--window"},
         "v4npelva: --contact-sheet plays the show headless"},
        {{"--contact-sheet", "x.png", "--record", "x.mkv"}, "v4npelva: choose one of --record and"},
        {{"--rate", "4000"}, "v4npelva: --rate needs a rate in Hz from 8000 to 96000"},
        {{"--buffer", "5"}, "v4npelva: --buffer needs a length in ms"},
        {{"--av-offset", "501"}, "v4npelva: --av-offset needs a time in ms"},
        {{"--scale", "0"}, "v4npelva: --scale needs a whole factor"},
        {{"--audio-device"}, "v4npelva: --audio-device needs a value"},
        {{"--data"}, "v4npelva: --data needs a value"},
        {{"--bogus"}, "v4npelva: unknown option '--bogus'"},
        {{"--scene"}, "v4npelva: --scene needs a value"},
        {{"--scene", "nowhere"}, "v4npelva: unknown scene 'nowhere'"},
        {{"--scene", "15"}, "v4npelva: unknown scene '15'"},
        {{"--scene", "0"}, "v4npelva: unknown scene '0'"},
        {{"--scene", "flames", "--every", "0"}, "v4npelva: --every needs a whole number"},
        {{"--scene", "flames", "--every", "two"}, "v4npelva: --every needs a whole number"},
        {{"--scene", "flames", "--window", "--headless"}, "v4npelva: choose one of"},
        {{"--scene", "flames", "--png-dir"}, "v4npelva: --png-dir needs a value"},
    };
    for (const Case& c : cases) {
        const ChildResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.line;
        EXPECT_EQ(r.output.rfind(c.line, 0), 0u) << r.output;
        // One line that says what is wrong, one that says where the whole text is.
        const size_t firstBreak = r.output.find('\n');
        EXPECT_EQ(r.output.substr(firstBreak + 1), "Try 'v4npelva --help'.\n") << r.output;
    }
    const ChildResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("usage: v4npelva [--window", 0), 0u);
    for (const char* flag :
         {"--contact-sheet OUT.png", "--every-seconds N", "--no-sound", "--audio-device NAME",
          "--list-audio-devices", "--rate HZ", "--buffer MS", "--av-offset MS", "--scale N",
          "--smooth", "--no-vsync", "--data DIR", "--png-dir DIR", "--every N",
          "--scene NAME|NUMBER", "--version", "v4npelva --record OUT.mp4|OUT.mkv [--scene"})
        EXPECT_NE(help.output.find(flag), std::string::npos) << flag;
    const ChildResult version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output.rfind("v4npelva ", 0), 0u);
}

TEST(Program, EveryNameAndNumberChoosesItsScene)
{
    for (const SceneRow& row : sceneTable) {
        for (const std::string& which : {std::string(row.name), std::to_string(row.number)}) {
            ProgramOptions options;
            std::string error;
            const char* argv[] = {"v4npelva", "--headless", "--scene", which.c_str()};
            ASSERT_TRUE(parseProgramOptions(4, const_cast<char**>(argv), options, error)) << error;
            EXPECT_EQ(options.scene, row.number) << which;
            EXPECT_TRUE(options.headless);
        }
    }
}

TEST(Program, MissingDataEndsWithTheShowsMessagesAndExitOne)
{
    {
        TempDir empty("v4n-program");
        const ChildResult r = runFrom(empty, {"--scene", "credits", "--headless"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.output.find("v4npelva.zem file not found"), std::string::npos) << r.output;
        // Then one line of ours: where it looked, and the flag that names another folder.
        const size_t ours = r.output.find("v4npelva: looked in " + empty.path.string());
        ASSERT_NE(ours, std::string::npos) << r.output;
        EXPECT_NE(r.output.find("--data DIR", ours), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find('\n', ours), r.output.size() - 1) << r.output;
    }
    {
        TempDir folder("v4n-program");
        packWithout(folder, "flames.3ds");
        const ChildResult r = runFrom(folder, {"--scene", "flames", "--headless"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.output.find("Ошибка: не могу открыть файл flames.3ds."), std::string::npos)
            << r.output;
    }
    {
        TempDir folder("v4n-program");
        packWithout(folder, "t_gfx.jpg");
        const ChildResult r = runFrom(folder, {"--scene", "2", "--headless"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.output.find("Engine error: file 't_gfx.jpg' not found!"), std::string::npos)
            << r.output;
    }
}

TEST(Program, HeadlessRunsRepeatFrameForFrameAndWriteWhatTheyAreAskedFor)
{
    TempDir folder("v4n-program");
    const std::string first = folder.file("first"), second = folder.file("second");
    const ChildResult credits =
        run({"--scene", "credits", "--headless", "--png-dir", first, "--every", "97"});
    ASSERT_EQ(credits.exitCode, 0);
    // The scene's one line, as the whole show writes it, and nothing else.
    EXPECT_EQ(credits.output.rfind("scene  2 credits      start order", 0), 0u) << credits.output;
    EXPECT_EQ(credits.output.find('\n'), credits.output.size() - 1) << credits.output;
    ASSERT_EQ(run({"--scene", "credits", "--headless", "--png-dir", second, "--every", "97",
                   "--contact-sheet", folder.file("sheet.png")})
                  .exitCode,
              0);
    // About 9.75 s at 60 frames per second: frames 0, 97, ... 582.
    int frames = 0;
    for (const auto& entry : std::filesystem::directory_iterator(first)) {
        ++frames;
        const std::filesystem::path other = std::filesystem::path(second) / entry.path().filename();
        ASSERT_TRUE(std::filesystem::exists(other)) << other;
        EXPECT_EQ(fileBytes(entry.path()), fileBytes(other)) << entry.path().filename();
    }
    EXPECT_EQ(frames, 7);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(first) / "frame_00582.png"));
    // The sheet: 5 x 2 frames of 320 x 200 with their labels, as an RGB PNG.
    const std::vector<char> sheet = fileBytes(folder.file("sheet.png"));
    ASSERT_GT(sheet.size(), 24u);
    auto be32 = [&](size_t at) {
        return uint32_t(uint8_t(sheet[at])) << 24 | uint32_t(uint8_t(sheet[at + 1])) << 16 |
               uint32_t(uint8_t(sheet[at + 2])) << 8 | uint32_t(uint8_t(sheet[at + 3]));
    };
    EXPECT_EQ(be32(16), 5u * 320 + 6 * 4);
    EXPECT_EQ(be32(20), 2u * (200 + 11) + 3 * 4);
}
