// The data of Greetings as the build packs it: pictures that fit the panel.
#include "content/packed_data.h"

namespace {

using GreetingsData = PackedData;

TEST_F(GreetingsData, GreetingsPicturesFitThePanel)
{
    loadMesh("backobj.3ds");
    ASSERT_GE(mesh.objectCount, 1);
    expectTexturedFaces();
    for (const char* name : {"gretf1.jpg", "gretf2.jpg", "gretf3.jpg"}) {
        Texture face = loadSize(name);
        EXPECT_LE(face.width, 255) << name;
        EXPECT_LE(face.height, 200) << name;
        std::free(face.pixels);
    }
    // Seventeen cards of 28 rows; a jitter of 3 keeps 136 columns from (180, 141) inside the box
    // at (174, 130, 132 x 40) and the screen.
    Texture cards = loadSize("greetz2.jpg");
    EXPECT_LE(cards.width, 128);
    EXPECT_GE(cards.height, 476);
    std::free(cards.pixels);
    Texture warp = loadSize("greplas.jpg");
    EXPECT_EQ(warp.width, 256);
    EXPECT_EQ(warp.height, 256);
    std::free(warp.pixels);
}

}  // namespace
