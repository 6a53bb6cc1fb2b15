// The Wave grid's data as the build packs it: four face textures that tile and a keyed panel.
#include "content/packed_data.h"

#include <algorithm>

namespace {

using WaveGridData = PackedData;

// The mean difference between a picture's column 0 and column 255 (and row 0 and row 255), next
// to the mean difference between neighbouring columns inside: a tiling texture meets itself.
double seamRatio(const Texture& t)
{
    auto diff = [&](int x0, int y0, int x1, int y1) {
        const uint32_t a = t.pixels[y0 * t.width + x0], b = t.pixels[y1 * t.width + x1];
        double d = 0;
        for (int s = 0; s < 24; s += 8)
            d += std::abs(int((a >> s) & 255) - int((b >> s) & 255));
        return d;
    };
    double seam = 0, inside = 0;
    for (int i = 0; i < 256; ++i) {
        seam += diff(255, i, 0, i) + diff(i, 255, i, 0);
        inside += diff(127, i, 128, i) + diff(i, 127, i, 128);
    }
    return seam / std::max(1.0, inside);
}

TEST_F(WaveGridData, WaveGridTexturesTileAndThePanelKeepsExactBlack)
{
    for (const char* name : {"freetun8.jpg", "rubbb1.jpg", "freetun7.jpg", "freetun3.jpg"}) {
        SCOPED_TRACE(name);
        Texture t = loadTexture(name, 32);
        ASSERT_NE(t.pixels, nullptr);
        ASSERT_EQ(t.width, 256);
        ASSERT_EQ(t.height, 256);
        EXPECT_LT(seamRatio(t), 2.5) << "every grid cell shows a whole picture: it must tile";
        std::free(t.pixels);
    }
    Texture panel = loadTexture("cosmback.bmp", 32);
    ASSERT_NE(panel.pixels, nullptr);
    EXPECT_LE(panel.width, 256);
    EXPECT_LE(panel.height, 200);
    // The window in the middle is exactly 0 (transparent); the frame at the edges never is.
    EXPECT_EQ(panel.pixels[(panel.height / 2) * panel.width + panel.width / 2], 0u);
    for (int x = 0; x < panel.width; ++x) {
        EXPECT_NE(panel.pixels[x] & 0xffffff, 0u) << x;
        EXPECT_NE(panel.pixels[(panel.height - 1) * panel.width + x] & 0xffffff, 0u) << x;
    }
    std::free(panel.pixels);
}

}  // namespace
