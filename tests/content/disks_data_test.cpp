// The data of Disks as the build packs it: eighteen mirrors in the orbits' view.
#include "content/packed_data.h"

#include <algorithm>

namespace {

using DisksData = PackedData;

TEST_F(DisksData, DisksAreEighteenMirrorsInTheOrbitsView)
{
    loadMesh("disks.3ds");
    ASSERT_GE(mesh.objectCount, 18);
    expectTexturedFaces();
    // Frames sceneTime × 0.05 up to 11776 × 0.05 ≈ 589.
    expectObjectTracks(18, 589);
    // The eye orbits 96 units and more from the origin; the disks (scaled up to 1.4 times) stay
    // well inside that, and their faces map the whole texture.
    float uMin = 256, uMax = 0, vMin = 256, vMax = 0;
    for (int i = 0; i < mesh.objectVertexTotal[17]; ++i) {
        EXPECT_LT(distance(mesh.vertices[i], 0, 0, 0), 65) << i;
        uMin = std::min(uMin, mesh.vertices[i].u);
        uMax = std::max(uMax, mesh.vertices[i].u);
        vMin = std::min(vMin, mesh.vertices[i].v);
        vMax = std::max(vMax, mesh.vertices[i].v);
    }
    EXPECT_LE(uMin, 2);
    EXPECT_GE(uMax, 250);
    EXPECT_LE(vMin, 2);
    EXPECT_GE(vMax, 250);
}

}  // namespace
