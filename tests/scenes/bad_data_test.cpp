// Damaged and foreign data given to the program as a user with other data files would: pictures
// that do not decode, modules without sync commands or cut in half, meshes that are not 3D Studio
// files, a full disk, empty paths. Each case runs v4npelva in a child process and checks that it
// ends (no crash, no hang) with the defined exit code and one line that says what happened.
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "packer/packer.h"
#include "writers/writers.h"
#include "xm/xm_writer.h"

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;
using Replaced = std::map<std::string, Bytes>;

const std::string program = V4N_BINARY_DIR "/v4npelva";

Bytes fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The build's painted files with `replaced` put over them (a name ending in '*' replaces every
// file with that ending), packed into folder/v4npelva.zem beside `module` (the build's when
// empty).
void makeData(const TempDir& folder, const Replaced& replaced, const Bytes& module = {})
{
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::directory_iterator(V4N_BINARY_DIR "/content-staging"))
        files[entry.path().filename().string()] = fileBytes(entry.path());
    for (const auto& [name, bytes] : replaced) {
        if (name.front() == '*') {
            for (auto& [file, old] : files)
                if (file.size() >= name.size() - 1 &&
                    file.compare(file.size() - (name.size() - 1), name.size() - 1,
                                 name.substr(1)) == 0)
                    old = bytes;
        } else {
            files[name] = bytes;
        }
    }
    std::vector<PackInput> inputs;
    for (const auto& [name, bytes] : files)
        inputs.push_back({name, bytes});
    Bytes archive;
    std::string error;
    ASSERT_TRUE(buildArchive(inputs, archive, error)) << error;
    ASSERT_TRUE(writeFileBytes(folder.file("v4npelva.zem"), archive));
    ASSERT_TRUE(writeFileBytes(folder.file("v4npelva.xm"),
                               module.empty() ? fileBytes(V4N_BINARY_DIR "/v4npelva.xm") : module));
}

ChildResult play(const TempDir& data, std::vector<std::string> args)
{
    args.insert(args.begin(), {program, "--headless", "--data", data.path.string()});
    return runProgram(args, true);
}

// The line of the output that contains `part`, or "" when none does.
std::string lineWith(const std::string& output, const std::string& part)
{
    const size_t at = output.find(part);
    if (at == std::string::npos)
        return "";
    const size_t start = output.rfind('\n', at);
    const size_t end = output.find('\n', at);
    return output.substr(start == std::string::npos ? 0 : start + 1,
                         end == std::string::npos
                             ? std::string::npos
                             : end - (start == std::string::npos ? 0 : start + 1));
}

size_t countOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

Bytes patternJpeg(int width, int height)
{
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i * 7 + i / 1280);
    return encodeJpeg(pixels.data(), width, height, 90);
}

// A JPEG whose frame header claims 4000 x 4000 pixels, past the loader's limit.
Bytes oversizedJpeg()
{
    Bytes bytes = patternJpeg(16, 16);
    for (size_t i = 0; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = bytes[i + 7] = 4000 >> 8;
            bytes[i + 6] = bytes[i + 8] = 4000 & 0xFF;
            break;
        }
    return bytes;
}

// A short module of two orders of 16 rows with a note on every pattern's first row and no sync
// command (no effect W at all): about 2 s a pass.
Bytes moduleWithoutCues()
{
    XmModule module;
    module.name = "no cues";
    module.channels = 4;
    module.orders = {0, 1};
    XmInstrument instrument;
    instrument.name = "square";
    XmSample sample;
    sample.name = "square";
    for (int i = 0; i < 64; ++i)
        sample.data.push_back(int16_t(i < 32 ? 9000 : -9000));
    sample.loop = XmLoop::forward;
    sample.loopStart = 0;
    sample.loopLength = 64;
    instrument.samples.push_back(sample);
    module.instruments.push_back(instrument);
    for (int p = 0; p < 2; ++p) {
        XmPattern pattern = makeXmPattern(16, module.channels);
        XmCell& cell = xmCell(pattern, module.channels, 0, 0);
        cell.note = xmNote(4, p);
        cell.instrument = 1;
        module.patterns.push_back(pattern);
    }
    return encodeXm(module);
}

}  // namespace

// 1. A picture that does not decode is reported with its name and the scene draws nothing in its
// place; the run ends normally. Tunnel adds its background, Cosmos cross-fades its two pictures.
TEST(BadData, PicturesThatDoNotDecodeAreNamedAndDrawNothing)
{
    struct Case {
        const char* scene;
        Replaced files;
        std::vector<std::string> lines;
    };
    const Bytes bmp = encodeBmp(std::vector<uint8_t>(8 * 8 * 4, 0x40).data(), 8, 8);
    const Case cases[] = {
        {"tunnel", {{"tunback.jpg", {}}}, {"Picture 'tunback.jpg': Empty input file"}},
        {"cosmos",
         {{"cosmo2.jpg", bmp}, {"cosmo24.jpg", oversizedJpeg()}},
         {"Picture 'cosmo2.jpg': Not a JPEG file",
          "Picture 'cosmo24.jpg' is too large (4000x4000)"}},
    };
    for (const Case& c : cases) {
        TempDir data("v4n-baddata");
        makeData(data, c.files);
        const ChildResult r = play(data, {"--scene", c.scene});
        EXPECT_EQ(r.signal, 0) << c.scene << "\n" << r.output;
        EXPECT_EQ(r.exitCode, 0) << c.scene << "\n" << r.output;
        for (const std::string& line : c.lines)
            EXPECT_NE(lineWith(r.output, line), "") << r.output;
    }
}

// Every picture of the show replaced by one that does not decode: the whole show still plays to
// its end, every scene drawing what it has (under the asan preset no read goes through a null
// picture).
TEST(BadData, TheWholeShowPlaysWithNoPictureAtAll)
{
    TempDir data("v4n-baddata");
    makeData(data, {{"*.jpg", {}}, {"*.bmp", {}}});
    const ChildResult r = play(data, {});
    EXPECT_EQ(r.signal, 0) << r.output;
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(lineWith(r.output, "Picture 'kfr_mi.jpg': Empty input file"), "") << r.output;
    EXPECT_NE(lineWith(r.output, "scene 14 final-flight"), "") << r.output;
}

// 2. A module without sync commands: Flames gives up its cue after two passes of the song, a
// scene ending on an order the song does not hold gives up the same way; one line each.
TEST(BadData, AModuleWithoutCuesEndsTheWaitsWithALine)
{
    TempDir data("v4n-baddata");
    makeData(data, {}, moduleWithoutCues());
    ChildResult r = play(data, {"--scene", "flames"});
    EXPECT_EQ(r.signal, 0) << r.output;
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(countOf(r.output, "flames: the music gave no cue 1: going on\n"), 1u) << r.output;
    r = play(data, {"--scene", "credits"});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(countOf(r.output,
                      "v4npelva: the music never reaches order 7, row 0, where this "
                      "scene ends: going on\n"),
              1u)
        << r.output;
    // The whole show: every wait ends, the interlude's too, and Final flight plays to its length.
    r = play(data, {});
    EXPECT_EQ(r.signal, 0) << r.output;
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(lineWith(r.output, "where Final flight begins: going on"), "") << r.output;
    EXPECT_NE(lineWith(r.output, "scene 14 final-flight"), "") << r.output;
}

// 3. Files written to a full disk: the contact sheet and the PNG frames say so and exit 1.
TEST(BadData, WritesToAFullDiskFailWithALineAndExitOne)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TempDir data("v4n-baddata");
    makeData(data, {});
    ChildResult r = play(data, {"--scene", "cosmos", "--contact-sheet", "/dev/full"});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(lineWith(r.output, "v4npelva: cannot write the contact sheet /dev/full"), "")
        << r.output;
    const fs::path frames = data.path / "frames";
    fs::create_directories(frames);
    fs::create_symlink("/dev/full", frames / "frame_00000.png");
    r = play(data, {"--scene", "cosmos", "--png-dir", frames.string(), "--every", "50"});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_EQ(countOf(r.output, "frame_00000.png; recording stops\n"), 1u) << r.output;
    EXPECT_FALSE(fs::exists(frames / "frame_00050.png"));
    EXPECT_TRUE(fs::exists("/dev/full"));
}

// 4. Meshes that are not 3D Studio files end the show with the loader's line and exit 1; the line
// is UTF-8, as the terminal shows it.
TEST(BadData, EmptyMeshesEndTheShowWithTheLoadersLine)
{
    TempDir data("v4n-baddata");
    makeData(data, {{"*.3ds", {}}});
    const ChildResult r = play(data, {});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(lineWith(r.output, "Ошибка: файл flames.3ds не является файлом 3D Studio."), "")
        << r.output;
    EXPECT_EQ(lineWith(r.output, "scene  1"), "") << "no scene played:\n" << r.output;
}

// 5. Half a module plays, with one line on standard error, named after the file (libopenmpt loads a
// cut XM file without a warning of its own).
TEST(BadData, HalfAModulePlaysWithItsWarnings)
{
    Bytes module = fileBytes(V4N_BINARY_DIR "/v4npelva.xm");
    module.resize(module.size() / 2);
    TempDir data("v4n-baddata");
    makeData(data, {}, module);
    const ChildResult r = play(data, {"--scene", "cosmos"});
    EXPECT_EQ(r.signal, 0) << r.output;
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(countOf(r.output, "v4npelva: " + data.file("v4npelva.xm") +
                                    ": the module is cut short after " +
                                    std::to_string(module.size()) + " bytes"),
              1u)
        << r.output;
}

// 6. Readable messages: a cut JPEG is named once (not once per scanline), a panel that did not
// load is not called too large.
TEST(BadData, MessagesNameTheFileOnceAndSayWhatWentWrong)
{
    Bytes cut = patternJpeg(320, 200);
    cut.resize(cut.size() / 3);
    TempDir data("v4n-baddata");
    makeData(data, {{"tunback.jpg", cut}, {"cosmback.bmp", {}}});
    ChildResult r = play(data, {"--scene", "tunnel"});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(countOf(r.output, "Picture 'tunback.jpg': "), 1u) << r.output;
    EXPECT_EQ(countOf(r.output, "Premature end of JPEG file"), 1u) << r.output;
    r = play(data, {"--scene", "wave-grid"});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(lineWith(r.output, "wave-grid: cosmback.bmp did not load: no panel"), "") << r.output;
    EXPECT_EQ(lineWith(r.output, "larger than 256"), "") << r.output;
}

// 7. An empty path is a bad command line.
TEST(BadData, EmptyPathsAreABadCommandLine)
{
    for (const char* flag : {"--contact-sheet", "--record", "--data", "--png-dir"}) {
        const ChildResult r = runProgram({program, "--scene", "cosmos", flag, ""}, true);
        EXPECT_EQ(r.exitCode, 2) << flag;
        EXPECT_EQ(r.output.rfind(std::string("v4npelva: ") + flag + " needs a path, not ''\n", 0),
                  0u)
            << r.output;
    }
}
