// The Cosmos cross-fade's pictures as the build packs them.
#include "content/packed_data.h"

namespace {

using CosmosData = PackedData;

TEST_F(CosmosData, CosmosPicturesAreTwoLightsOfOneScreen)
{
    Texture a = loadTexture("cosmo2.jpg", 32);
    Texture b = loadTexture("cosmo24.jpg", 32);
    ASSERT_NE(a.pixels, nullptr);
    ASSERT_NE(b.pixels, nullptr);
    EXPECT_EQ(a.width, 320);
    EXPECT_EQ(a.height, 200);
    EXPECT_EQ(b.width, 320);
    EXPECT_EQ(b.height, 200);
    int differing = 0;
    for (int i = 0; i < 64000; ++i)
        differing += (a.pixels[i] & 0xffffff) != (b.pixels[i] & 0xffffff);
    EXPECT_GT(differing, 32000);
    std::free(a.pixels);
    std::free(b.pixels);
}

}  // namespace
