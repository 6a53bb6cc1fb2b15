// Whole pictures: a golden picture of textured faces in every drawing mode, compared with the
// PNG stored in tests/raster/golden, and a lit, textured cube in every mode.
//
// Update the golden picture after an intended change of the rasterizer:
//   V4N_UPDATE_GOLDEN=1 build/release/v4n-test-raster --gtest_filter='Golden*'
//   (or pass --update-expected)
// Write the cube pictures (cube_mode0.png .. cube_mode9.png) to a folder:
//   V4N_RASTER_CUBE_DIR=/tmp/cube build/release/v4n-test-raster --gtest_filter='Cube*'
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#define STBI_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "assets/mesh.h"
#include "raster_test.h"
#include "render/draw.h"
#include "render/render.h"

namespace {

// A 256x256 test texture: coloured 32-texel checks with a light grid, so that the mapping,
// the wrap at 256 and the stepping are visible.
std::vector<uint32_t> testTexture()
{
    std::vector<uint32_t> t(256 * 256);
    for (int v = 0; v < 256; v++)
        for (int u = 0; u < 256; u++) {
            const bool check = ((u >> 5) ^ (v >> 5)) & 1;
            uint32_t r = check ? 200 : 40 + u / 2, g = check ? 60 + v / 2 : 160,
                     b = check ? 90 : 220 - u / 2;
            if (u % 32 == 0 || v % 32 == 0)
                r = g = b = 250;
            t[v * 256 + u] = r << 16 | g << 8 | b;
        }
    return t;
}

// A smooth environment picture: red across, green down, blue in a ring.
std::vector<uint32_t> testEnvironment()
{
    std::vector<uint32_t> t(256 * 256);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) {
            const double d = std::hypot(x - 128.0, y - 128.0);
            const uint32_t b = static_cast<uint32_t>(255 * std::fabs(std::cos(d / 20)));
            t[y * 256 + x] = uint32_t(x) << 16 | uint32_t(y) << 8 | b;
        }
    return t;
}

// The background: a diagonal colour ramp, so the blending modes show what lies beneath.
void fillBackground(uint32_t* buffer)
{
    for (int y = 0; y < viewHeight; y++)
        for (int x = 0; x < viewWidth; x++)
            buffer[y * viewWidth + x] =
                uint32_t((x * 255) / 319) << 16 | uint32_t((y * 255) / 199) << 8 | 96;
}

MeshVertex cameraVertex(float x, float y, float z, float u, float v, float nx, float ny)
{
    MeshVertex m{};
    m.cx = x;
    m.cy = y;
    m.cz = z;
    m.u = u;
    m.v = v;
    m.cnx = nx;
    m.cny = ny;
    m.cnz = -std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
    return m;
}

// Ten cells of 64x100 pixels, modes 0..9 left to right, top row first; each holds two faces
// with coordinates beyond 256, tilted in depth, and normals that sweep the light maps.
void drawGoldenScene(uint32_t* buffer, uint32_t* texture)
{
    fillBackground(buffer);
    mesh.lights[0].cx = 0;  // in front of the mode 7 cell
    mesh.lights[0].cy = -50;
    mesh.lights[0].cz = -15;
    for (int mode = 0; mode < 10; mode++) {
        const float left = -160 + 64.0f * (mode % 5) + 4, top = 100 - 100.0f * (mode / 5) - 6;
        MeshVertex v[4] = {
            cameraVertex(left, top, 40, -20, -10, -0.7f, 0.6f),
            cameraVertex(left + 58, top - 4, -30, 290, 5, 0.7f, 0.5f),
            cameraVertex(left + 54, top - 86, 0, 270, 300, 0.6f, -0.7f),
            cameraVertex(left + 2, top - 80, 20, 10, 280, -0.5f, -0.6f),
        };
        const int faces[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& f : faces) {
            MeshFace face{};
            face.a = &v[f[0]];
            face.b = &v[f[1]];
            face.c = &v[f[2]];
            face.texture = texture;
            face.mode = static_cast<DrawMode>(mode);
            drawFace(face, buffer);
        }
    }
}

bool updateRequested()
{
    const char* env = std::getenv("V4N_UPDATE_GOLDEN");
    if (env && std::string(env) == "1")
        return true;
    for (const std::string& arg : ::testing::internal::GetArgvs())
        if (arg == "--update-expected")
            return true;
    return false;
}

bool writePng(const std::string& path, const uint32_t* pixels, int width, int height)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int i = 0; i < width * height; i++) {
        rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
    }
    return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}

// Pixels as 0x00RRGGBB from a PNG of the given size, or empty when it cannot be read.
std::vector<uint32_t> readPng(const std::string& path, int width, int height)
{
    int w = 0, h = 0, channels = 0;
    uint8_t* data = stbi_load(path.c_str(), &w, &h, &channels, 3);
    std::vector<uint32_t> pixels;
    if (data && w == width && h == height) {
        pixels.resize(static_cast<size_t>(w) * h);
        for (int i = 0; i < w * h; i++)
            pixels[i] =
                uint32_t(data[3 * i]) << 16 | uint32_t(data[3 * i + 1]) << 8 | data[3 * i + 2];
    }
    stbi_image_free(data);
    return pixels;
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetProjection();
        buildLightMapsWith(ownedPicture(testEnvironment()));
    }
    void TearDown() override { resetLightMaps(); }
    std::vector<uint32_t> texture = testTexture();
};

}  // namespace

using GoldenTest = PictureTest;

TEST_F(GoldenTest, FacesInEveryMode)
{
    std::vector<uint32_t> frame(viewPixels);
    drawGoldenScene(frame.data(), texture.data());
    for (uint32_t& p : frame)
        p &= 0x00FFFFFF;  // the PNG keeps the three colour bytes

    const std::string golden =
        std::string(V4N_SOURCE_DIR) + "/tests/raster/golden/faces_all_modes.png";
    if (updateRequested()) {
        ASSERT_TRUE(writePng(golden, frame.data(), viewWidth, viewHeight)) << golden;
        GTEST_SKIP() << "golden picture written: " << golden;
    }
    const std::vector<uint32_t> expected = readPng(golden, viewWidth, viewHeight);
    ASSERT_FALSE(expected.empty())
        << "cannot read " << golden << " (V4N_UPDATE_GOLDEN=1 writes it)";
    int differing = 0;
    for (int i = 0; i < viewPixels; i++)
        differing += frame[i] != expected[i];
    if (differing) {
        const std::string actual = std::string(V4N_BINARY_DIR) + "/faces_all_modes.actual.png";
        writePng(actual, frame.data(), viewWidth, viewHeight);
        FAIL() << differing << " pixels differ from " << golden
               << "; this run's picture: " << actual;
    }
}

namespace {

// A cube of side 120 turned toward the viewer: 24 vertices (4 per side, each side with the
// whole texture) with normals pointing out of the corners, so light maps shade across sides.
struct Cube {
    MeshVertex vertices[24];
    MeshFace faces[12];
};

void buildCube(Cube& cube, uint32_t* texture, DrawMode mode)
{
    static const int corners[6][4][3] = {
        {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}},
        {{1, -1, 1}, {-1, -1, 1}, {-1, 1, 1}, {1, 1, 1}},
        {{-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}},
        {{1, -1, -1}, {1, -1, 1}, {1, 1, 1}, {1, 1, -1}},
        {{-1, 1, -1}, {1, 1, -1}, {1, 1, 1}, {-1, 1, 1}},
        {{-1, -1, 1}, {1, -1, 1}, {1, -1, -1}, {-1, -1, -1}},
    };
    static const float uv[4][2] = {{0, 255}, {255, 255}, {255, 0}, {0, 0}};
    const float n = 1 / std::sqrt(3.0f);
    for (int side = 0; side < 6; side++) {
        for (int k = 0; k < 4; k++) {
            MeshVertex& v = cube.vertices[side * 4 + k];
            v = MeshVertex{};
            v.x = 60.0f * corners[side][k][0];
            v.y = 60.0f * corners[side][k][1];
            v.z = 60.0f * corners[side][k][2];
            v.u = uv[k][0];
            v.v = uv[k][1];
            v.nx = n * corners[side][k][0];
            v.ny = n * corners[side][k][1];
            v.nz = n * corners[side][k][2];
        }
        for (int half = 0; half < 2; half++) {
            MeshFace& f = cube.faces[side * 2 + half];
            f = MeshFace{};
            MeshVertex* base = cube.vertices + side * 4;
            // Corners run counter-clockwise seen from outside: (0, 1, 2) and (0, 2, 3).
            f.a = base;
            f.b = base + 1 + half;
            f.c = base + 2 + half;
            f.texture = texture;
            f.mode = mode;
        }
    }
}

// Draws the cube with the standard pipeline: transform, cull faces turned away, sort by depth
// and draw far to near.
void drawCube(Cube& cube, uint32_t* buffer, float angle)
{
    Matrix4 ry, rx, turn, place, view;
    matRotate(angle, 1, ry);
    matRotate(0.5f, 0, rx);
    matMultiply(rx, ry, turn);
    matTranslate(0, 0, 60, place);
    matMultiply(place, turn, view);
    prepareFastTransform(view);
    for (MeshVertex& v : cube.vertices)
        transformVertex(v, view);
    mesh.lights[0].cx = -20;  // near the front corner, up and to the left
    mesh.lights[0].cy = 20;
    mesh.lights[0].cz = -70;
    const float d = static_cast<float>(projection.projectionDistance);
    resetDrawList();
    for (int i = 0; i < 12; i++) {
        MeshFace& f = cube.faces[i];
        // The face normal from its camera-space corners: (c − a) × (b − a).
        const float e1x = f.c->cx - f.a->cx, e1y = f.c->cy - f.a->cy, e1z = f.c->cz - f.a->cz;
        const float e2x = f.b->cx - f.a->cx, e2y = f.b->cy - f.a->cy, e2z = f.b->cz - f.a->cz;
        f.cnx = e1y * e2z - e1z * e2y;
        f.cny = e1z * e2x - e1x * e2z;
        f.cnz = e1x * e2y - e1y * e2x;
        if (f.cnx * f.a->cx + f.cny * f.a->cy + f.cnz * f.a->cz + d * f.cnz > 0)
            continue;
        addFaceToDrawList(i, (f.a->cz + f.b->cz + f.c->cz) * 0.33333334f);
    }
    sortDrawList(0, drawList.count - 1);
    for (int k = drawList.count - 1; k >= 0; k--)
        drawFace(cube.faces[drawListIndex(drawList.payload[k])], buffer);
}

}  // namespace

using CubeTest = PictureTest;

TEST_F(CubeTest, LitTexturedCubeInEveryMode)
{
    const char* folder = std::getenv("V4N_RASTER_CUBE_DIR");
    for (int mode = 0; mode < 10; mode++) {
        std::vector<uint32_t> frame(viewPixels);
        fillBackground(frame.data());
        const std::vector<uint32_t> background = frame;
        Cube cube;
        buildCube(cube, texture.data(), static_cast<DrawMode>(mode));
        drawCube(cube, frame.data(), 0.6f);
        int changed = 0;
        for (int i = 0; i < viewPixels; i++)
            changed += frame[i] != background[i];
        if (mode == 8)
            EXPECT_EQ(changed, 0);
        else if (mode == 5)
            EXPECT_GT(changed, 1000);
        else
            EXPECT_GT(changed, 15000) << mode;  // three sides of a cube about 200 pixels across
        if (folder) {
            const std::string path =
                std::string(folder) + "/cube_mode" + std::to_string(mode) + ".png";
            EXPECT_TRUE(writePng(path, frame.data(), viewWidth, viewHeight)) << path;
        }
    }
}
