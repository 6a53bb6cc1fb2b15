// The show's archive as the build makes it: deterministic, complete, and every picture loadable
// through the engine's own loaders at the size its drawing code needs.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "assets/assets.h"
#include "content/generate.h"
#include "packer/packer.h"
#include "writers/writers.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace {

namespace fs = std::filesystem;

struct RequiredPicture {
    const char* name;
    int width;
    int height;
    bool sprite;  // added to the screen: must be black at its borders
};

// Each picture with the size its drawing code reads: sprites and face textures have rows of 256
// texels; full-screen pictures are copied byte for byte into the 320x200 FrameBuffer.
constexpr RequiredPicture requiredPictures[] = {
    {"light_r.jpg", 256, 256, true},
    {"light_g.jpg", 256, 256, true},
    {"light_b.jpg", 256, 256, true},
    {"light_f.jpg", 256, 256, true},
    {"light_s.jpg", 256, 256, true},
    {"light_rs.jpg", 256, 256, true},
    {"light_bs.jpg", 256, 256, true},
    {"blik.jpg", 256, 256, true},
    {"pelvad2.jpg", 256, 80, true},
    {"enver1.jpg", 256, 256, false},
    {"kfr_mi.jpg", 320, 200, false},
    // Sun and code, Disks, Greetings, Rubber.
    {"x2sun.jpg", 256, 256, false},
    {"x2plan.jpg", 256, 256, false},
    {"nsun.jpg", 128, 112, true},
    {"mmxcode.jpg", 160, 723, false},
    {"q1.jpg", 320, 200, false},
    {"q2.jpg", 320, 200, false},
    {"!motion.jpg", 256, 96, true},
    {"!is.jpg", 256, 96, true},
    {"!life.jpg", 256, 96, true},
    {"06pet06.jpg", 320, 200, false},
    {"gretf1.jpg", 152, 108, false},
    {"gretf2.jpg", 152, 108, false},
    {"gretf3.jpg", 152, 108, false},
    {"greetz2.jpg", 128, 476, false},
    {"greplas.jpg", 256, 256, false},
    {"rubroom.jpg", 256, 256, false},
    {"cc000.jpg", 3120, 150, false},
    {"x2space.jpg", 256, 256, false},
};

using FileMap = std::map<std::string, std::vector<uint8_t>>;

FileMap readFolder(const fs::path& folder)
{
    FileMap files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()].assign(std::istreambuf_iterator<char>(in),
                                                       std::istreambuf_iterator<char>());
    }
    return files;
}

fs::path freshFolder(const std::string& name)
{
    const fs::path folder = fs::path(V4N_BINARY_DIR) / "test-content" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::vector<uint8_t> packFolder(const FileMap& files)
{
    std::vector<PackInput> inputs;
    for (const auto& [name, bytes] : files)
        inputs.push_back({name, bytes});
    std::vector<uint8_t> archive;
    std::string error;
    EXPECT_TRUE(buildArchive(inputs, archive, error)) << error;
    return archive;
}

class ContentPack : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetArchive();
        resetPictures();
        pictureState.missingFileExits = false;
    }
    void TearDown() override { resetArchive(); }

    // The archive the build produced, or (in a build without the packer) one packed here from a
    // fresh generation.
    static std::string archivePath()
    {
        const fs::path built = fs::path(V4N_BINARY_DIR) / "v4npelva.zem";
        if (fs::exists(built))
            return built.string();
        const fs::path folder = freshFolder("fallback");
        EXPECT_TRUE(generateContent(folder.string()));
        const fs::path packed = fs::path(V4N_BINARY_DIR) / "test-content" / "fallback.zem";
        EXPECT_TRUE(writeFileBytes(packed.string(), packFolder(readFolder(folder))));
        return packed.string();
    }
};

TEST_F(ContentPack, GenerationAndPackingGiveTheSameBytesEveryRun)
{
    const fs::path a = freshFolder("run-a");
    const fs::path b = freshFolder("run-b");
    ASSERT_TRUE(generateContent(a.string()));
    ASSERT_TRUE(generateContent(b.string()));
    const FileMap filesA = readFolder(a);
    const FileMap filesB = readFolder(b);
    ASSERT_EQ(filesA.size(), filesB.size());
    for (const auto& [name, bytes] : filesA) {
        ASSERT_TRUE(filesB.count(name)) << name;
        EXPECT_TRUE(bytes == filesB.at(name)) << name << " differs between two runs";
    }
    EXPECT_EQ(packFolder(filesA), packFolder(filesB));

    // The build's own archive was packed from an earlier run: it must match a fresh one exactly
    // (unless the build replaces generated files with an overlay folder).
    const fs::path built = fs::path(V4N_BINARY_DIR) / "v4npelva.zem";
    const fs::path zempack = fs::path(V4N_BINARY_DIR) / "zempack";
    if (fs::exists(built) && fs::exists(zempack) && std::string(V4N_CONTENT_OVERLAY).empty()) {
        const fs::path repacked = fs::path(V4N_BINARY_DIR) / "test-content" / "repacked.zem";
        std::string command = "'";
        command += zempack.string();
        command += "' pack '";
        command += repacked.string();
        command += "' '";
        command += a.string();
        command += "' > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ifstream x(built, std::ios::binary), y(repacked, std::ios::binary);
        const std::vector<char> builtBytes{std::istreambuf_iterator<char>(x), {}};
        const std::vector<char> repackedBytes{std::istreambuf_iterator<char>(y), {}};
        EXPECT_TRUE(builtBytes == repackedBytes) << "v4npelva.zem differs from a fresh pack";
    }
}

TEST_F(ContentPack, EveryPictureLoadsThroughTheEngineAtItsSize)
{
    ASSERT_EQ(openArchive(archivePath().c_str()), 1);
    for (const RequiredPicture& required : requiredPictures) {
        SCOPED_TRACE(required.name);
        Texture texture = loadTexture(required.name, 32);
        ASSERT_NE(texture.pixels, nullptr);
        EXPECT_EQ(texture.width, required.width);
        EXPECT_EQ(texture.height, required.height);
        // Not an empty picture: something is drawn.
        const uint32_t* begin = texture.pixels;
        const uint32_t* end = begin + texture.width * texture.height;
        EXPECT_TRUE(std::any_of(begin, end, [](uint32_t p) { return (p & 0xffffff) > 0x202020; }));
        std::free(texture.pixels);
    }
}

TEST_F(ContentPack, SpritesAreBlackAtTheirBorders)
{
    ASSERT_EQ(openArchive(archivePath().c_str()), 1);
    // JPEG may leave a trace of ringing; anything above this would show as a faint square edge
    // where the sprite is added to the screen.
    constexpr uint32_t faintest = 3;
    for (const RequiredPicture& required : requiredPictures) {
        if (!required.sprite)
            continue;
        SCOPED_TRACE(required.name);
        Texture texture = loadTexture(required.name, 32);
        ASSERT_NE(texture.pixels, nullptr);
        uint32_t brightest = 0;
        int where = 0;
        for (int y = 0; y < texture.height; ++y) {
            for (int x = 0; x < texture.width; ++x) {
                if (x >= 2 && y >= 2 && x < texture.width - 2 && y < texture.height - 2)
                    continue;
                const uint32_t p = texture.pixels[y * texture.width + x];
                const uint32_t level = std::max({p & 0xff, (p >> 8) & 0xff, (p >> 16) & 0xff});
                if (level > brightest) {
                    brightest = level;
                    where = y * texture.width + x;
                }
            }
        }
        EXPECT_LE(brightest, faintest)
            << "at x " << where % texture.width << ", y " << where / texture.width;
        std::free(texture.pixels);
    }
}

}  // namespace
