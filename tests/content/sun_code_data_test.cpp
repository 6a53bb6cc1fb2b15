// The data of Sun and code as the build packs it: the system framed around the spiral, the lights
// the scene winds round it, and the code strip.
#include "content/packed_data.h"

#include <algorithm>

namespace {

using SunCodeData = PackedData;

TEST_F(SunCodeData, SunCodeSystemIsFramedAroundTheSpiral)
{
    loadMesh("x2.3ds");
    ASSERT_GE(mesh.objectCount, 2);
    ASSERT_EQ(mesh.lightCount, 4);
    expectTexturedFaces();
    // The scene winds its lights round (0, 80, 0); light 0 lights object 0 from there, and its
    // light fades to nothing at about 125 units, so object 0 stays nearer.
    const MeshLight& star = mesh.lights[0];
    EXPECT_NEAR(star.x, 0, 1);
    EXPECT_NEAR(star.y, 80, 1);
    EXPECT_NEAR(star.z, 0, 1);
    float farthest = 0;
    for (int i = mesh.objects[0].firstVertex; i <= mesh.objects[0].lastVertex; ++i)
        farthest = std::max(farthest, distance(mesh.vertices[i], star.x, star.y, star.z));
    EXPECT_LT(farthest, 125);
    // The sun stays inside the spiral's 20-unit inner radius.
    for (int i = mesh.objects[1].firstVertex; i <= mesh.objects[1].lastVertex; ++i)
        EXPECT_LT(distance(mesh.vertices[i], 0, 80, 0), 20) << i;
    // Light 0 keeps its place (fewer than two keys); the comets move.
    EXPECT_LT(mesh.lights[0].keyCount, 2);
    for (int i = 1; i < 4; ++i)
        EXPECT_GE(mesh.lights[i].keyCount, 2) << i;
    // Tracks cover the scene: frames sceneTime / 23 up to 11776 / 23 = 512.
    EXPECT_GE(lastKeyFrame(mesh.cameraKeys, mesh.cameraKeyCount), 512);
    EXPECT_GE(lastKeyFrame(mesh.targetKeys, mesh.targetKeyCount), 512);
    expectObjectTracks(mesh.objectCount, 512);
    // The eye never enters the spiral of lights.
    for (int i = 0; i < mesh.cameraKeyCount; ++i) {
        const TrackKey& k = mesh.cameraKeys[i];
        EXPECT_GT(std::sqrt(k.x * k.x + (k.z - 80) * (k.z - 80) + k.y * k.y), 70) << "key " << i;
    }

    Texture corner = loadSize("nsun.jpg");
    EXPECT_LE(corner.width, 255);
    EXPECT_LE(corner.height, 200);
    Texture code = loadSize("mmxcode.jpg");
    EXPECT_LE(code.width, 255);
    EXPECT_GE(code.height, 698);
    // The strip repeats after 499 rows, so the jump back to row 0 does not show (JPEG blocks
    // fall differently on the two copies: allow a trace of difference).
    int differing = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < code.width; ++x) {
            const uint32_t a = code.pixels[y * code.width + x],
                           b = code.pixels[(y + 499) * code.width + x];
            for (int c = 0; c < 24; c += 8)
                differing += std::abs(int((a >> c) & 255) - int((b >> c) & 255)) > 24;
        }
    EXPECT_LT(differing, code.width * 200 * 3 / 100);
    std::free(corner.pixels);
    std::free(code.pixels);
}

}  // namespace
