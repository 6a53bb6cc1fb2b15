// The data of Rubber as the build packs it: a hall that leaves room for the column and the first
// eye.
#include "content/packed_data.h"

namespace {

using RubberData = PackedData;

TEST_F(RubberData, RubberHallLeavesRoomForTheColumnAndTheFirstEye)
{
    loadMesh("rubber.3ds");
    expectTexturedFaces();
    // Phase 2 frames: sceneTime / 35 up to 14336 / 35 ≈ 410.
    EXPECT_GE(lastKeyFrame(mesh.cameraKeys, mesh.cameraKeyCount), 410);
    EXPECT_GE(lastKeyFrame(mesh.targetKeys, mesh.targetKeyCount), 410);
    // Nothing of the hall stands where the column bends (up to about 64 units from the axis,
    // y from -192 to 192), nor round the first phase's eye at (250, 0, 0).
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        const float r = std::sqrt(v.x * v.x + v.z * v.z);
        if (v.y > -185 && v.y < 200) {
            EXPECT_GT(r, 70) << i;
        }
        EXPECT_GT(distance(v, 250, 0, 0), 40) << i;
    }
    // The camera keys stay inside the hall and clear of the column.
    for (int i = 0; i < mesh.cameraKeyCount; ++i) {
        const TrackKey& k = mesh.cameraKeys[i];
        const float r = std::sqrt(k.x * k.x + k.y * k.y);
        EXPECT_GT(r, 200) << "key " << i;
        EXPECT_LT(r, 800) << "key " << i;
    }
    Texture panorama = loadSize("cc000.jpg");
    EXPECT_GT(panorama.width, 2800);
    EXPECT_LE(panorama.height, 150);
    std::free(panorama.pixels);
}

}  // namespace
