// Writes the seed corpora of the asset fuzzers: v4n-asset-seeds FUZZDIR fills
// FUZZDIR/corpus/assets_3ds and FUZZDIR/corpus/assets_picture with files made by the writers.
#include <cstdio>
#include <filesystem>
#include <string>

#include "writers/write3ds.h"
#include "writers/writers.h"

namespace {

Key3ds key(uint32_t frame, std::array<float, 4> value, uint16_t flags)
{
    Key3ds k;
    k.frame = frame;
    k.flags = flags;
    k.tension = 0.25f;
    k.continuity = -0.5f;
    k.bias = 0.75f;
    k.easeTo = 0.1f;
    k.easeFrom = 0.2f;
    k.value = value;
    return k;
}

Track3ds track(std::vector<Key3ds> keys)
{
    Track3ds t;
    t.present = true;
    t.keys = std::move(keys);
    return t;
}

Node3ds makeNode(uint16_t kind, int32_t id, const std::string& name)
{
    Node3ds n;
    n.kind = kind;
    n.nodeId = id;
    n.name = name;
    return n;
}

Object3ds object(const std::string& name, int vertices, int faces)
{
    Object3ds o;
    o.name = name;
    for (int i = 0; i < vertices; ++i) {
        o.vertices.push_back({float(i), float(i % 3), float(i % 5)});
        o.texCoords.push_back({float(i) / 8, float(i) / 16});
    }
    for (int i = 0; i < faces; ++i)
        o.faces.push_back({uint16_t(i % vertices), uint16_t((i + 1) % vertices),
                           uint16_t((i + 2) % vertices), 7});
    o.hasMatrix = true;
    return o;
}

Scene3ds fullScene()
{
    Scene3ds s;
    s.materials = {{"Stone", "m.jpg", 0xA200}, {"Bare", "", 0xA200}, {"Glass", "b.bmp", 0xA220}};
    Object3ds a = object("Box", 4, 2);
    a.groups = {{"Stone", {0, 1}}};
    Object3ds b = object("Cone", 6, 3);
    b.groups = {{"Glass", {1, 2}}, {"Stone", {0}}};
    s.objects = {a, b};
    s.lights = {{"Lamp", {1, 2, 3}, {1, 1, 1}}};
    Node3ds camera = makeNode(chunkCameraNode, 0, "Camera01");
    camera.position = track({key(0, {1, 2, 3}, 0), key(10, {4, 5, 6}, 0x1F)});
    camera.roll = track({key(0, {15}, 0x04)});
    Node3ds target = makeNode(chunkTargetNode, 1, "Camera01");
    target.position = track({key(5, {7, 8, 9}, 0x09)});
    Node3ds box = makeNode(chunkObjectNode, 2, "Box");
    box.hasPivot = true;
    box.pivot = {0.5f, 1.5f, 2.5f};
    box.position = track({key(0, {1, 2, 3}, 0x02)});
    box.rotation = track({key(0, {0.5f, 0, 0, 1}, 0x10), key(30, {1, 1, 0, 0}, 0)});
    Node3ds lamp = makeNode(chunkLightNode, 3, "Lamp");
    lamp.position = track({key(0, {1, 2, 3}, 0)});
    s.nodes = {camera, target, box, lamp};
    return s;
}

bool write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    if (writeFileBytes(path.string(), bytes))
        return true;
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: v4n-asset-seeds FUZZDIR\n");
        return 2;
    }
    const std::filesystem::path meshes = std::filesystem::path(argv[1]) / "corpus" / "assets_3ds";
    const std::filesystem::path pictures =
        std::filesystem::path(argv[1]) / "corpus" / "assets_picture";
    std::filesystem::create_directories(meshes);
    std::filesystem::create_directories(pictures);
    bool ok = write(meshes / "full.3ds", encode3ds(fullScene()));
    Scene3ds small;
    small.objects = {object("One", 3, 1)};
    ok &= write(meshes / "small.3ds", encode3ds(small));
    Scene3ds lights;
    lights.lights = {{"L0", {0, 0, 0}, {1, 0, 0}}, {"L1", {5, 5, 5}, {0, 1, 0}}};
    lights.nodes = {makeNode(chunkLightNode, 0, "L0"), makeNode(chunkLightNode, 1, "L1")};
    lights.nodes[0].position = track({key(0, {1, 1, 1}, 0), key(9, {2, 2, 2}, 0x1F)});
    ok &= write(meshes / "lights.3ds", encode3ds(lights));

    std::vector<uint8_t> pixels(24 * 16 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i * 7 + i / 96);
    ok &= write(pictures / "colour.jpg", encodeJpeg(pixels.data(), 24, 16, 80));
    ok &= write(pictures / "picture.bmp", encodeBmp(pixels.data(), 24, 16));
    std::vector<uint8_t> gray(17 * 9);
    for (size_t i = 0; i < gray.size(); ++i)
        gray[i] = uint8_t(i * 3);
    ok &= write(pictures / "gray.jpg", encodeJpegGray(gray.data(), 17, 9, 60));
    return ok ? 0 : 1;
}
