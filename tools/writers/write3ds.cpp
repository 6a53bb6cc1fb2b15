// 3DS encoder: the scene records of write3ds.h as a chunk tree.
#include "writers/write3ds.h"

#include <cstring>

void chunkPut16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void chunkPut32(std::vector<uint8_t>& out, uint32_t v)
{
    chunkPut16(out, uint16_t(v));
    chunkPut16(out, uint16_t(v >> 16));
}

void chunkPutFloat(std::vector<uint8_t>& out, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    chunkPut32(out, bits);
}

void chunkPutString(std::vector<uint8_t>& out, const std::string& s)
{
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}

size_t beginChunk(std::vector<uint8_t>& out, uint16_t id)
{
    const size_t start = out.size();
    chunkPut16(out, id);
    chunkPut32(out, 0);
    return start;
}

void endChunk(std::vector<uint8_t>& out, size_t start)
{
    const uint32_t length = uint32_t(out.size() - start);
    for (int i = 0; i < 4; ++i)
        out[start + 2 + size_t(i)] = uint8_t(length >> (8 * i));
}

namespace {

void writeTrack(std::vector<uint8_t>& out, uint16_t id, const Track3ds& track, int values)
{
    if (!track.present && track.keys.empty())
        return;
    const size_t chunk = beginChunk(out, id);
    chunkPut16(out, track.trackFlags);
    chunkPut32(out, 0);
    chunkPut32(out, 0);
    chunkPut32(
        out, track.claimedCount >= 0 ? uint32_t(track.claimedCount) : uint32_t(track.keys.size()));
    for (const Key3ds& key : track.keys) {
        chunkPut32(out, key.frame);
        chunkPut16(out, key.flags);
        if (key.flags & keyHasTension)
            chunkPutFloat(out, key.tension);
        if (key.flags & keyHasContinuity)
            chunkPutFloat(out, key.continuity);
        if (key.flags & keyHasBias)
            chunkPutFloat(out, key.bias);
        if (key.flags & keyHasEaseTo)
            chunkPutFloat(out, key.easeTo);
        if (key.flags & keyHasEaseFrom)
            chunkPutFloat(out, key.easeFrom);
        for (int i = 0; i < values; ++i)
            chunkPutFloat(out, key.value[size_t(i)]);
    }
    endChunk(out, chunk);
}

void writeMaterial(std::vector<uint8_t>& out, const Material3ds& material)
{
    const size_t chunk = beginChunk(out, 0xAFFF);
    const size_t name = beginChunk(out, 0xA000);
    chunkPutString(out, material.name);
    endChunk(out, name);
    if (!material.mapName.empty()) {
        const size_t map = beginChunk(out, material.mapChunk);
        const size_t file = beginChunk(out, 0xA300);
        chunkPutString(out, material.mapName);
        endChunk(out, file);
        endChunk(out, map);
    }
    endChunk(out, chunk);
}

void writeObject(std::vector<uint8_t>& out, const Object3ds& object)
{
    const size_t named = beginChunk(out, 0x4000);
    chunkPutString(out, object.name);
    const size_t mesh = beginChunk(out, 0x4100);

    const size_t vertices = beginChunk(out, 0x4110);
    chunkPut16(out, uint16_t(object.vertices.size()));
    for (const auto& v : object.vertices)
        for (float f : v)
            chunkPutFloat(out, f);
    endChunk(out, vertices);

    if (!object.texCoords.empty()) {
        const size_t coords = beginChunk(out, 0x4140);
        chunkPut16(out, uint16_t(object.texCoords.size()));
        for (const auto& uv : object.texCoords) {
            chunkPutFloat(out, uv[0]);
            chunkPutFloat(out, uv[1]);
        }
        endChunk(out, coords);
    }

    const size_t faces = beginChunk(out, 0x4120);
    chunkPut16(out, uint16_t(object.faces.size()));
    for (const Face3ds& f : object.faces) {
        chunkPut16(out, f.a);
        chunkPut16(out, f.b);
        chunkPut16(out, f.c);
        chunkPut16(out, f.flags);
    }
    for (const FaceGroup3ds& group : object.groups) {
        const size_t chunk = beginChunk(out, 0x4130);
        chunkPutString(out, group.material);
        chunkPut16(out, uint16_t(group.faces.size()));
        for (uint16_t f : group.faces)
            chunkPut16(out, f);
        endChunk(out, chunk);
    }
    endChunk(out, faces);

    if (object.hasMatrix) {
        const size_t matrix = beginChunk(out, 0x4160);
        for (float f : object.matrix)
            chunkPutFloat(out, f);
        endChunk(out, matrix);
    }
    endChunk(out, mesh);
    endChunk(out, named);
}

void writeLight(std::vector<uint8_t>& out, const Light3ds& light)
{
    const size_t named = beginChunk(out, 0x4000);
    chunkPutString(out, light.name);
    const size_t chunk = beginChunk(out, 0x4600);
    for (float f : light.position)
        chunkPutFloat(out, f);
    const size_t colour = beginChunk(out, 0x0010);
    for (float f : light.colour)
        chunkPutFloat(out, f);
    endChunk(out, colour);
    endChunk(out, chunk);
    endChunk(out, named);
}

void writeNode(std::vector<uint8_t>& out, const Node3ds& node)
{
    const size_t chunk = beginChunk(out, node.kind);
    if (node.nodeId >= 0) {
        const size_t id = beginChunk(out, 0xB030);
        chunkPut16(out, uint16_t(node.nodeId));
        endChunk(out, id);
    }
    const size_t header = beginChunk(out, 0xB010);
    chunkPutString(out, node.name);
    chunkPut16(out, node.flags1);
    chunkPut16(out, node.flags2);
    chunkPut16(out, node.parent);
    endChunk(out, header);
    if (node.hasPivot) {
        const size_t pivot = beginChunk(out, 0xB013);
        for (float f : node.pivot)
            chunkPutFloat(out, f);
        endChunk(out, pivot);
    }
    writeTrack(out, 0xB020, node.position, 3);
    writeTrack(out, 0xB021, node.rotation, 4);
    writeTrack(out, 0xB024, node.roll, 1);
    endChunk(out, chunk);
}

}  // namespace

std::vector<uint8_t> encode3ds(const Scene3ds& scene)
{
    std::vector<uint8_t> out;
    const size_t main = beginChunk(out, 0x4D4D);
    const size_t version = beginChunk(out, 0x0002);
    chunkPut32(out, 3);
    endChunk(out, version);

    const size_t editor = beginChunk(out, 0x3D3D);
    for (const Material3ds& material : scene.materials)
        writeMaterial(out, material);
    for (const Object3ds& object : scene.objects)
        writeObject(out, object);
    for (const Light3ds& light : scene.lights)
        writeLight(out, light);
    endChunk(out, editor);

    if (!scene.nodes.empty()) {
        const size_t keyframer = beginChunk(out, 0xB000);
        for (const Node3ds& node : scene.nodes)
            writeNode(out, node);
        endChunk(out, keyframer);
    }
    endChunk(out, main);
    return out;
}
