// Archive files on disk and files inside the image: names, lookup, reads, seeks, nesting, and
// every kind of damaged archive file.
#include "archive/archive.h"
#include "packer/packer.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> bytesOf(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::string packName(const char* name)
{
    char out[13];
    std::memset(out, '#', sizeof out);
    makePackName(out, name);
    EXPECT_EQ(out[12], '\0');
    return std::string(out, 12);
}

struct ArchiveFixture : ::testing::Test {
    TempDir dir{"v4n-archive"};
    void SetUp() override { resetArchive(); }
    void TearDown() override { resetArchive(); }

    // Packs the files, writes the archive and loads it.
    void load(const std::vector<PackInput>& files)
    {
        std::vector<uint8_t> archive;
        std::string error;
        ASSERT_TRUE(buildArchive(files, archive, error)) << error;
        ASSERT_TRUE(writeFileBytes(dir.file("v4npelva.zem"), archive));
        ASSERT_EQ(openArchive(dir.file("v4npelva.zem").c_str()), 1);
    }

    // The whole content of a file opened by name.
    std::string readWhole(const char* name)
    {
        PackFile* f = packOpen(name);
        if (!f)
            return "<none>";
        std::string s(size_t(f->size) + 10, '\0');
        int n = packRead(s.data(), 1, int(s.size()), f);
        packClose(f);
        s.resize(size_t(n));
        return s;
    }

    // Runs openArchive on the given file bytes in a child; returns its output and exit code, with
    // the result of openArchive as a last line "result N".
    ChildResult openInChild(const std::vector<uint8_t>& fileBytes)
    {
        writeFileBytes(dir.file("broken.zem"), fileBytes);
        std::string path = dir.file("broken.zem");
        return runInChild([&] { std::printf("result %d\n", openArchive(path.c_str())); }, true);
    }
};

// An archive file around a hand-made image (for images buildArchive would never write).
std::vector<uint8_t> archiveOfImage(const std::vector<uint8_t>& image)
{
    std::vector<uint8_t> file(packMagic, packMagic + packMagicLength);
    uint32_t size = uint32_t(image.size());
    for (int i = 0; i < 4; ++i)
        file.push_back(uint8_t(size >> (8 * i)));
    std::vector<uint8_t> stream = compressStream(image.data(), image.size());
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

std::vector<uint8_t> imageWithEntry(int32_t count, uint32_t offset, uint32_t size, size_t imageSize)
{
    std::vector<uint8_t> image(imageSize, 0x33);
    std::memcpy(image.data(), &count, 4);
    PackDirEntry entry;
    std::memcpy(entry.name, "a       .bin", 12);
    entry.offset = offset;
    entry.size = size;
    if (imageSize >= 24)
        std::memcpy(image.data() + 4, &entry, sizeof entry);
    return image;
}

}  // namespace

TEST(PackName, PackingAndChecking)
{
    EXPECT_EQ(packName("T_ZEM.JPG"), "t_zem   .jpg");
    EXPECT_EQ(packName("zemlake.3ds"), "zemlake .3ds");
    EXPECT_EQ(packName("abcdefgh.x"), "abcdefgh.x  ");
    EXPECT_EQ(packName("readme"), "readme      ");
    EXPECT_EQ(packName("abcdefghi.jpg"), "abcdefghi.jp");  // ninth character lands in the extension
    EXPECT_EQ(packName("pic.jpeg"), "pic     .jpe");
    EXPECT_EQ(packName("Mixed~1.B_Z"), "mixed~1 .b_z");  // only A-Z change

    char packed[12];
    std::string error;
    EXPECT_TRUE(checkPackName("T_ZEM.JPG", packed, error));
    EXPECT_EQ(std::string(packed, 12), "t_zem   .jpg");
    EXPECT_TRUE(checkPackName("readme", packed, error));
    for (const char* bad :
         {"", ".jpg", "abcdefghi.jpg", "pic.jpeg", "a.b.c", "abc.", "a b.jpg", "dir/a.jpg"}) {
        error.clear();
        EXPECT_FALSE(checkPackName(bad, packed, error)) << bad;
        EXPECT_NE(error.find("8.3"), std::string::npos) << error;
    }
    std::vector<uint8_t> out;
    EXPECT_FALSE(buildArchive({{"toolongname.jpg", {1}}}, out, error));
    EXPECT_EQ(error,
              "'toolongname.jpg' is not an 8.3 name: the base name is longer than 8 characters");
}

TEST_F(ArchiveFixture, LookupFollowsPackedNames)
{
    load({{"t_zem.jpg", bytesOf("picture")},
          {"zemlake.3ds", bytesOf("mesh")},
          {"same.txt", bytesOf("first")},
          {"same.txt", bytesOf("second")},
          {"empty.bin", {}},
          {"readme", bytesOf("no extension")}});
    EXPECT_EQ(archiveState.archive.entryCount, 6);
    EXPECT_EQ(readWhole("T_ZEM.JPG"), "picture");
    EXPECT_EQ(readWhole("ZemLake.3DS"), "mesh");
    EXPECT_EQ(readWhole("same.txt"), "first");
    EXPECT_EQ(readWhole("empty.bin"), "");
    EXPECT_EQ(readWhole("readme"), "no extension");
    EXPECT_EQ(readWhole("zemlake.3dsx"), "mesh");  // extension cut to three letters
    EXPECT_EQ(packOpen("zemlakes.3ds"), nullptr);
    EXPECT_EQ(packOpen("t_zem_pic.jpg"), nullptr);  // nine-letter base is never found
    EXPECT_EQ(packOpen("t_zem"), nullptr);
    EXPECT_EQ(archiveState.openFileIndex, -1);  // failed opens take no slot
}

TEST_F(ArchiveFixture, ReadSeekTellAndNesting)
{
    std::string outer = "0123456789abcdefghij";
    load({{"outer.3ds", bytesOf(outer)}, {"inner.jpg", bytesOf("INNER")}});

    PackFile* a = packOpen("outer.3ds");
    ASSERT_NE(a, nullptr);
    char buffer[64] = {};
    EXPECT_EQ(packRead(buffer, 4, 1, a), 4);
    EXPECT_EQ(packTell(a), 4);
    PackFile* b = packOpen("inner.jpg");
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(packRead(buffer, 1, 64, b), 5);  // stops at the end of the file
    EXPECT_EQ(packRead(buffer, 1, 64, b), 0);
    EXPECT_EQ(packClose(b), 0);
    EXPECT_EQ(packRead(buffer, 1, 3, a), 3);  // the outer file carries on where it was
    EXPECT_EQ(std::string(buffer, 3), "456");

    EXPECT_EQ(packSeek(a, 0, 2), 0);
    EXPECT_EQ(packTell(a), 19);  // size - 1, as the mesh loader expects
    EXPECT_EQ(packRead(buffer, 1, 10, a), 1);
    EXPECT_EQ(buffer[0], 'j');
    packSeek(a, 0, 0);
    EXPECT_EQ(packTell(a), 0);
    packSeek(a, 10, 1);
    packSeek(a, -3, 1);
    EXPECT_EQ(packTell(a), 7);
    EXPECT_EQ(packRead(buffer, 2, 1, a), 2);
    EXPECT_EQ(std::string(buffer, 2), "78");
    packSeek(a, 5, 9);  // unknown mode: unchanged
    EXPECT_EQ(packTell(a), 9);
    packSeek(a, -50, 1);  // clamped to the file
    EXPECT_EQ(packTell(a), 0);
    packSeek(a, 500, 0);
    EXPECT_EQ(packTell(a), 20);
    EXPECT_EQ(packRead(buffer, 1, 1, a), 0);
    packSeek(a, 4, 2);  // size - offset - 1
    EXPECT_EQ(packTell(a), 15);
    EXPECT_EQ(packRead(buffer, 1, 1, a), 1);
    EXPECT_EQ(buffer[0], 'f');
    EXPECT_EQ(packRead(buffer, 54, 0, a), 0);
    packSeek(a, 0, 0);
    EXPECT_EQ(packRead(buffer, 3, 5, a), 15);  // bytes, not items
    EXPECT_EQ(packRead(buffer, 3, 5, a), 5);
    packClose(a);
    EXPECT_EQ(archiveState.openFileIndex, -1);
}

TEST_F(ArchiveFixture, OpenFilesAreLimitedToTheSlotTable)
{
    load({{"a.bin", bytesOf("abc")}});
    std::vector<PackFile*> files;
    for (int i = 0; i < packFileSlots; ++i) {
        files.push_back(packOpen("a.bin"));
        ASSERT_NE(files.back(), nullptr);
    }
    EXPECT_EQ(files.back(), &archiveState.files[packFileSlots - 1]);
    ChildResult child =
        runInChild([] { std::printf("%p\n", static_cast<void*>(packOpen("a.bin"))); }, true);
    EXPECT_NE(child.output.find("Engine error: cannot open 'a.bin', 20 files are open already!"),
              std::string::npos)
        << child.output;
    EXPECT_NE(child.output.find("(nil)"), std::string::npos);
    EXPECT_EQ(packOpen("a.bin"), nullptr);
    packClose(files.back());
    EXPECT_EQ(packOpen("a.bin"), files.back());
}

TEST_F(ArchiveFixture, ManyFilesRoundTrip)
{
    std::mt19937 rng(3);
    std::vector<PackInput> files;
    for (int i = 0; i < 300; ++i) {
        PackInput f;
        char name[16];
        std::snprintf(name, sizeof name, "f%d.dat", i);
        f.name = name;
        f.bytes.resize(rng() % 3000);
        uint8_t fill = uint8_t(rng());
        for (auto& b : f.bytes)
            b = rng() % 4 == 0 ? uint8_t(rng()) : fill;
        files.push_back(f);
    }
    load(files);
    for (const PackInput& f : files)
        ASSERT_EQ(readWhole(f.name.c_str()), std::string(f.bytes.begin(), f.bytes.end())) << f.name;
}

TEST_F(ArchiveFixture, DamagedArchiveFilesAreRefused)
{
    std::vector<uint8_t> good;
    std::string error;
    ASSERT_TRUE(buildArchive({{"a.bin", bytesOf("hello hello hello")}}, good, error));

    ChildResult missing = runInChild(
        [&] { std::printf("result %d\n", openArchive(dir.file("none.zem").c_str())); }, true);
    EXPECT_NE(missing.output.find("v4npelva.zem file not found"), std::string::npos)
        << missing.output;
    EXPECT_NE(missing.output.find("result 0"), std::string::npos);

    struct Case {
        std::vector<uint8_t> bytes;
        const char* message;
    };
    std::vector<uint8_t> lowerMagic = good;
    lowerMagic[1] = 'p';
    std::vector<uint8_t> lastMagicByte = good;
    lastMagicByte[16] = '}';
    uint32_t huge = 0xFFFFFFF0u;
    std::vector<uint8_t> hugeSize = good;
    std::memcpy(hugeSize.data() + 17, &huge, 4);
    std::vector<Case> cases = {
        {{}, "v4npelva.zem is not -ZEM- pack format !"},
        {std::vector<uint8_t>(good.begin(), good.begin() + 10),
         "v4npelva.zem is not -ZEM- pack format !"},
        {lowerMagic, "v4npelva.zem is not -ZEM- pack format !"},
        {lastMagicByte, "v4npelva.zem is not -ZEM- pack format !"},
        {std::vector<uint8_t>(good.begin(), good.begin() + 19),
         "v4npelva.zem is cut short inside its header !"},
        {hugeSize, "v4npelva.zem claims an impossible unpacked size !"},
        {archiveOfImage({1, 0}), "v4npelva.zem directory is damaged !"},
        {archiveOfImage(imageWithEntry(-1, 0, 0, 40)), "v4npelva.zem directory is damaged !"},
        {archiveOfImage(imageWithEntry(5, 24, 1, 40)), "v4npelva.zem directory is damaged !"},
        {archiveOfImage(imageWithEntry(1, 30, 11, 40)), "v4npelva.zem directory is damaged !"},
        {archiveOfImage(imageWithEntry(1, 0xFFFFFFF0u, 0x20, 40)),
         "v4npelva.zem directory is damaged !"},
    };
    for (const Case& c : cases) {
        ChildResult child = openInChild(c.bytes);
        EXPECT_EQ(child.exitCode, 0);
        EXPECT_NE(child.output.find(c.message), std::string::npos)
            << c.message << " / " << child.output;
        EXPECT_NE(child.output.find("result 0"), std::string::npos) << c.message;
    }
    // The edges of the directory check: an entry ending exactly at the end of the image is fine.
    ChildResult edge = openInChild(archiveOfImage(imageWithEntry(1, 30, 10, 40)));
    EXPECT_EQ(edge.output, "result 1\n");

    // A corrupt stream ends the process with the decoder's line.
    std::vector<uint8_t> brokenTree = good;
    brokenTree[21] = 0x01;  // code-length symbols 0 and 1: lengths 1 and 0 -> incomplete
    for (int i = 22; i < 29; ++i)
        brokenTree[size_t(i)] = 0;
    ChildResult child = openInChild(brokenTree);
    EXPECT_EQ(child.exitCode, 5);
    EXPECT_EQ(child.output, "L/D-tree encoding tree is incomplete.\n");
}

TEST_F(ArchiveFixture, LoadInMemoryNeverExits)
{
    std::vector<uint8_t> good;
    std::string error;
    ASSERT_TRUE(buildArchive({{"x.y", bytesOf("xyz")}}, good, error));
    PackImage image;
    PackDecodeResult decode;
    ASSERT_EQ(loadPackImage(good.data(), good.size(), &image, &decode), PackLoadStatus::ok);
    EXPECT_EQ(image.entryCount, 1);
    EXPECT_EQ(image.size, 4 + 20 + 3u);
    std::free(image.bytes);
    good.resize(good.size() - 2);
    EXPECT_EQ(loadPackImage(good.data(), good.size(), &image, &decode),
              PackLoadStatus::streamCorrupt);
    EXPECT_EQ(decode, PackDecodeResult::streamTooShort);
    EXPECT_EQ(image.bytes, nullptr);
}
