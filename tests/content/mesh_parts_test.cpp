// The modelling helpers of the space and tunnel meshes: which side their faces show, and the
// tiling noise that their face textures repeat.
#include <gtest/gtest.h>

#include "content/mesh_parts.h"
#include "content/noise.h"

#include <cmath>

namespace {

// How many faces of the object have (b - a) x (c - a) pointing away from the centre: the side
// the engine's face test keeps, once the loader turns file axes into its own.
int facesShowingOutside(const Object3ds& object, Point3 centre)
{
    const auto at = [&](uint16_t i) {
        const auto& v = object.vertices[i];
        return Point3{v[0], v[1], v[2]};
    };
    int outside = 0;
    for (const Face3ds& f : object.faces) {
        const Point3 a = at(f.a);
        const Point3 n = cross(at(f.b) - a, at(f.c) - a);
        // Faces that closed to a point at a pole (no area to speak of) show neither side.
        outside += std::sqrt(dot(n, n)) > 0.01f && dot(n, a - centre) > 0;
    }
    return outside;
}

TEST(MeshParts, SurfacesFaceOutwardAndFlippedOnesInward)
{
    // Poles give degenerate faces, which count as neither side.
    Object3ds sphere, sky;
    file_addSurface(sphere, file_sphereSurface({5, 6, 7}, 100), 16, 8, 1, 1, false);
    file_addSurface(sky, file_sphereSurface({5, 6, 7}, 100), 16, 8, 1, 1, true);
    EXPECT_GE(facesShowingOutside(sphere, {5, 6, 7}), 16 * 8 * 2 - 2 * 16);
    EXPECT_EQ(facesShowingOutside(sky, {5, 6, 7}), 0);

    Object3ds rock;
    file_addRock(rock, {0, 0, 0}, 20, 0.4f, 3, 12, 8);
    EXPECT_GE(facesShowingOutside(rock, {0, 0, 0}), 12 * 8 * 2 - 2 * 12 - 8);
    // Texture coordinates are stored for the loader's v = 256 - v * 256: one repeat down the
    // picture.
    EXPECT_FLOAT_EQ(rock.texCoords.front()[1], 1.0f);
    EXPECT_FLOAT_EQ(rock.texCoords.back()[1], 0.0f);
}

TEST(MeshParts, TiledNoiseMeetsItselfAtThePeriod)
{
    // A picture of 256 pixels samples 0 to 255; the value one period on is that at 0, so the
    // last column runs on into the first.
    for (float t : {0.0f, 37.0f, 130.5f, 255.0f}) {
        EXPECT_NEAR(tiledNoise(0, t, 256, 40, 4, 0.5f, 9), tiledNoise(256, t, 256, 40, 4, 0.5f, 9),
                    1e-5f);
        EXPECT_NEAR(tiledNoise(t, 0, 256, 40, 4, 0.5f, 9), tiledNoise(t, 256, 256, 40, 4, 0.5f, 9),
                    1e-5f);
    }
    // And it is not flat.
    EXPECT_GT(std::fabs(tiledNoise(64, 64, 256, 40, 4, 0.5f, 9) -
                        tiledNoise(190, 120, 256, 40, 4, 0.5f, 9)),
              0.01f);
}

}  // namespace
