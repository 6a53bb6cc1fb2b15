// The zempack command line, run as a program: pack a folder, list, extract, test, and the
// errors a user meets.
#include "archive/archive.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const std::string zempack = V4N_BINARY_DIR "/zempack";

ChildResult run(std::vector<std::string> args)
{
    args.insert(args.begin(), zempack);
    return runProgram(args, true);
}

}  // namespace

TEST(Zempack, PackListExtractTest)
{
    TempDir dir{"v4n-zempack"};
    std::filesystem::create_directory(dir.path / "in");
    std::filesystem::create_directory(dir.path / "in" / "nested");
    std::mt19937 rng(9);
    std::vector<uint8_t> noise(70000), picture(64 * 64 * 3), text;
    for (auto& b : noise)
        b = uint8_t(rng());
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = uint8_t((i / 3 % 64) * 4 + (i % 3) * 10);
    for (int i = 0; i < 400; ++i)
        for (char c : std::string("a line of text in a file of the archive\n"))
            text.push_back(uint8_t(c));
    writeFileBytes(dir.file("in/NOISE.BIN"), noise);
    writeFileBytes(dir.file("in/pic.bmp"), picture);
    writeFileBytes(dir.file("in/readme"), text);
    writeFileBytes(dir.file("in/empty.dat"), {});
    writeFileBytes(dir.file("extra.txt"), {'x'});

    std::string archive = dir.file("out.zem");
    ChildResult pack = run({"pack", archive, dir.file("in"), dir.file("extra.txt")});
    ASSERT_EQ(pack.exitCode, 0) << pack.output;
    EXPECT_NE(pack.output.find("skipping folder"), std::string::npos);
    EXPECT_NE(pack.output.find("packed 5 files"), std::string::npos) << pack.output;

    ChildResult list = run({"list", archive});
    ASSERT_EQ(list.exitCode, 0) << list.output;
    // Folder contents in name order, lower-cased, then the loose file; offsets follow the
    // directory.
    size_t directoryEnd = 4 + 5 * 20;
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "name             offset       size\n"
                  "empty.dat    %10zu          0\n"
                  "noise.bin    %10zu      70000\n"
                  "pic.bmp      %10zu      12288\n"
                  "readme       %10zu      16000\n"
                  "extra.txt    %10zu          1\n",
                  directoryEnd, directoryEnd, directoryEnd + 70000, directoryEnd + 70000 + 12288,
                  directoryEnd + 70000 + 12288 + 16000);
    EXPECT_EQ(list.output.substr(0, std::string(expected).size()), expected);

    ChildResult test = run({"test", archive});
    EXPECT_EQ(test.exitCode, 0) << test.output;
    EXPECT_NE(test.output.find("sound, 5 files"), std::string::npos) << test.output;

    ChildResult extract = run({"extract", archive, "-C", dir.file("out")});
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    EXPECT_EQ(readFileBytes(dir.file("out/noise.bin")), noise);
    EXPECT_EQ(readFileBytes(dir.file("out/pic.bmp")), picture);
    EXPECT_EQ(readFileBytes(dir.file("out/readme")), text);
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/empty.dat")));
    ChildResult one = run({"extract", archive, "PIC.BMP", "-C", dir.file("one")});
    ASSERT_EQ(one.exitCode, 0) << one.output;
    EXPECT_EQ(readFileBytes(dir.file("one/pic.bmp")), picture);
    EXPECT_FALSE(std::filesystem::exists(dir.file("one/readme")));
}

TEST(Zempack, ErrorsAndExitCodes)
{
    TempDir dir{"v4n-zempack"};
    writeFileBytes(dir.file("a.txt"), {'a'});
    writeFileBytes(dir.file("A.TXT"), {'b'});
    writeFileBytes(dir.file("longer_name.txt"), {'c'});

    ChildResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("usage: zempack pack", 0), 0u);
    EXPECT_EQ(run({}).exitCode, 2);
    EXPECT_EQ(run({"unpack", "x"}).exitCode, 2);
    EXPECT_EQ(run({"list", "-v", "x.zem"}).exitCode, 2);
    EXPECT_EQ(run({"extract", "x.zem", "-C"}).exitCode, 2);
    EXPECT_EQ(run({"pack", dir.file("o.zem")}).exitCode, 2);

    ChildResult longName = run({"pack", dir.file("o.zem"), dir.file("longer_name.txt")});
    EXPECT_EQ(longName.exitCode, 1);
    EXPECT_NE(longName.output.find("is not an 8.3 name"), std::string::npos) << longName.output;
    ChildResult twice = run({"pack", dir.file("o.zem"), dir.file("a.txt"), dir.file("A.TXT")});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_NE(twice.output.find("both pack as 'a.txt'"), std::string::npos) << twice.output;
    EXPECT_EQ(run({"pack", dir.file("o.zem"), dir.file("missing.txt")}).exitCode, 1);

    ASSERT_EQ(run({"pack", dir.file("o.zem"), dir.file("a.txt")}).exitCode, 0);
    std::vector<uint8_t> good = readFileBytes(dir.file("o.zem"));
    EXPECT_EQ(run({"extract", dir.file("o.zem"), "b.txt"}).exitCode, 1);

    // Damaged archives: a message naming the fault and exit code 1, never a crash or exit 5.
    std::vector<uint8_t> badMagic = good;
    badMagic[0] = '{';
    writeFileBytes(dir.file("magic.zem"), badMagic);
    ChildResult magic = run({"test", dir.file("magic.zem")});
    EXPECT_EQ(magic.exitCode, 1);
    EXPECT_NE(magic.output.find("not a -ZEM- pack archive"), std::string::npos) << magic.output;
    std::vector<uint8_t> cut(good.begin(), good.end() - 1);
    writeFileBytes(dir.file("cut.zem"), cut);
    ChildResult shortStream = run({"list", dir.file("cut.zem")});
    EXPECT_EQ(shortStream.exitCode, 1);
    EXPECT_NE(shortStream.output.find("damaged compressed data: "), std::string::npos)
        << shortStream.output;
    ChildResult missing = run({"test", dir.file("none.zem")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("cannot open"), std::string::npos);
}
