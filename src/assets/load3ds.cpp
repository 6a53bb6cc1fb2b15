// The 3DS mesh loader: a counting walk that sizes the file, then a filling walk into the Mesh.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/archive.h"
#include "assets/assets.h"

namespace {

// The open mesh file and how far the walk has read. No read goes past `limit`, the end of the
// chunk being handled (the file's end at the top), so every handler stays inside its chunk.
struct ChunkReader {
    PackFile* file;
    int64_t consumed;
    int64_t limit;
    char* message;
    jmp_buf failure;
};
ChunkReader reader;

// A failed read or seek: back to load3ds, which writes the pass's message.
[[noreturn]] void failRead() {
    longjmp(reader.failure, 1);
}

// Refuses the file with a reason of its own, kept over the pass's message.
[[noreturn]] void refuse(const char* reason) {
    std::snprintf(reader.message, meshMessageSize, "%s", reason);
    failRead();
}

void readBytes(void* out, int64_t count) {
    if (count < 0 || reader.consumed + count > reader.limit) failRead();
    if (packRead(out, 1, int(count), reader.file) != count) failRead();
    reader.consumed += count;
}

uint8_t readByte() {
    uint8_t b;
    readBytes(&b, 1);
    return b;
}

uint16_t readU16() {
    uint8_t b[2];
    readBytes(b, 2);
    return uint16_t(b[0] | b[1] << 8);
}

uint32_t readU32() {
    uint8_t b[4];
    readBytes(b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

float readFloat() {
    const uint32_t bits = readU32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

// Reads a zero-terminated string into out (capacity bytes with the terminator); a longer name
// is refused rather than cut or written past its slot.
void readString(char* out, int capacity) {
    for (int length = 0;; ++length) {
        const uint8_t c = readByte();
        if (c != 0 && length == capacity - 1) refuse("слишком длинное имя.");
        out[length] = char(c);
        if (c == 0) return;
    }
}

void skipBytes(int64_t count) {
    if (count < 0 || reader.consumed + count > reader.limit) failRead();
    packSeek(reader.file, int(count), 1);
    reader.consumed += count;
}

void rewindFile() {
    packSeek(reader.file, 0, 0);
    reader.consumed = 0;
}

// The position of the file's end as the walk uses it: one less than its size.
int64_t measureFile() {
    packSeek(reader.file, 0, 2);
    return packTell(reader.file);
}

struct ChunkHeader {
    uint16_t id;
    int64_t end;  // first byte after the payload
};

// Reads a chunk header; false for a length of 0, which ends the walk level. A chunk running past
// the one that holds it is a read failure.
bool readChunkHeader(ChunkHeader& chunk) {
    chunk.id = readU16();
    const uint32_t length = readU32();
    if (length == 0) return false;
    if (length < 6) failRead();
    chunk.end = reader.consumed + (int64_t(length) - 6);
    if (chunk.end > reader.limit) failRead();
    return true;
}

void identity(Matrix4& m) {
    m = Matrix4{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

void translation(Matrix4& m, float x, float y, float z) {
    identity(m);
    m.m[3] = x;
    m.m[7] = y;
    m.m[11] = z;
}

// The object the editor chunks of the current mesh object write into.
MeshObject& currentObject() {
    if (mesh.objectCount >= maxMeshObjects) refuse("слишком много объектов.");
    return mesh.objects[mesh.objectCount];
}

void readKeyValue(TrackKey& key) {
    key.x = readFloat();
    key.y = readFloat();
    key.z = readFloat();
}

void readKeyValue(RotationKey& key) {
    key.angle = readFloat();
    key.axisX = readFloat();
    key.axisY = readFloat();
    key.axisZ = readFloat();
}

void readKeyValue(RollKey& key) {
    key.roll = readFloat();
}

// Reads a track into keys/count: K keys plus one zeroed key past them. The array is handed to
// the Mesh before it is filled, so a failure half-way leaves nothing unowned.
template <typename Key>
void readTrack(Key*& keys, int32_t& count, int values) {
    skipBytes(10);
    const uint32_t keyCount = readU32();
    // Each key takes at least its frame, flag word and value.
    if (int64_t(keyCount) * (6 + 4 * values) > reader.limit - reader.consumed) refuse("неверное число ключей.");
    std::free(keys);
    keys = static_cast<Key*>(std::calloc(size_t(keyCount) + 1, sizeof(Key)));
    count = int32_t(keyCount);
    for (uint32_t i = 0; i < keyCount; ++i) {
        Key& key = keys[i];
        key.frame = int32_t(readU32());
        const uint16_t flags = readU16();
        key.tension = flags & 0x01 ? readFloat() : 0.0f;
        key.continuity = flags & 0x02 ? readFloat() : 0.0f;
        key.bias = flags & 0x04 ? readFloat() : 0.0f;
        key.easeTo = flags & 0x08 ? readFloat() : 0.0f;
        key.easeFrom = flags & 0x10 ? readFloat() : 0.0f;
        readKeyValue(key);
    }
}

}  // namespace

void statChunk(int64_t end) {
    while (reader.consumed < end) {
        ChunkHeader chunk;
        if (!readChunkHeader(chunk)) return;
        const int64_t outerLimit = reader.limit;
        reader.limit = chunk.end;
        switch (chunk.id) {
        case 0x4D4D:  // main
        case 0x3D3D:  // editor data
            statChunk(chunk.end);
            break;
        case 0x4000: {  // named object: its name, then its parts
            char name[objectNameSize];
            readString(name, objectNameSize);
            if (mesh.objectCount < maxMeshObjects) std::memcpy(mesh.objectNames[mesh.objectCount], name, sizeof name);
            statChunk(chunk.end);
            break;
        }
        case 0x4100:  // triangle mesh
            if (mesh.objectCount >= maxMeshObjects) refuse("слишком много объектов.");
            ++mesh.objectCount;
            statChunk(chunk.end);
            break;
        case 0x4110:  // vertex list
            mesh.vertexCount += readU16();
            skipBytes(chunk.end - reader.consumed);
            break;
        case 0x4120:  // face list, its sub-chunks skipped with it
            mesh.faceCount += readU16();
            skipBytes(chunk.end - reader.consumed);
            break;
        default:
            skipBytes(chunk.end - reader.consumed);
        }
        reader.limit = outerLimit;
    }
}

void loadChunk(int64_t end) {
    int32_t faceBase = 0;  // face count before this level's last face list
    while (reader.consumed < end) {
        ChunkHeader chunk;
        if (!readChunkHeader(chunk)) return;
        const int64_t outerLimit = reader.limit;
        reader.limit = chunk.end;
        switch (chunk.id) {
        case 0x4D4D:  // main
        case 0xB000:  // keyframer data
            loadChunk(chunk.end);
            mesh.lightNodeIndex = 0;
            break;
        case 0x3D3D:  // editor data
        case 0xAFFF:  // material
        case 0xA200:  // texture map
        case 0xA220:  // reflection map
        case 0xA230:  // bump map
            loadChunk(chunk.end);
            break;
        case 0x4000: {  // named object; the counting walk kept the name
            char name[256];
            readString(name, sizeof name);
            loadChunk(chunk.end);
            break;
        }
        case 0x4100: {  // triangle mesh: its vertices and faces, then its ranges
            currentObject();
            loadChunk(chunk.end);
            MeshObject& object = currentObject();
            const int32_t index = mesh.objectCount;
            object.firstVertex = index == 0 ? 0 : mesh.objects[index - 1].lastVertex + 1;
            object.firstFace = index == 0 ? 0 : mesh.objects[index - 1].lastFace + 1;
            object.lastVertex = mesh.vertexCount - 1;
            object.lastFace = mesh.faceCount - 1;
            mesh.objectFaceTotal[index] = mesh.faceCount;
            mesh.objectVertexTotal[index] = mesh.vertexCount;
            ++mesh.objectCount;
            break;
        }
        case 0x4110: {  // vertex list, file x, y, z -> engine x, z, y
            currentObject();
            mesh.objectFirstVertex[mesh.objectCount] = mesh.vertexCount;
            const int count = readU16();
            if (mesh.vertexCount + count > maxMeshVertices) refuse("слишком много вершин.");
            for (int i = 0; i < count; ++i) {
                MeshVertex& v = mesh.vertices[mesh.vertexCount + i];
                v.x = readFloat();
                v.z = readFloat();
                v.y = readFloat();
            }
            mesh.vertexCount += count;
            break;
        }
        case 0x4140: {  // texture coordinates, in texels of a 256x256 texture
            const int count = readU16();
            if (mesh.texCoordCount + count > maxMeshVertices) refuse("слишком много текстурных координат.");
            for (int i = 0; i < count; ++i) {
                MeshVertex& v = mesh.vertices[mesh.texCoordCount + i];
                const float u = readFloat();
                const float t = readFloat();
                v.u = u * 256.0f;
                v.v = 256.0f - t * 256.0f;
            }
            mesh.texCoordCount += count;
            break;
        }
        case 0x4120: {  // face list; its sub-chunks are met next at this level
            currentObject();
            const int32_t firstVertex = mesh.objectFirstVertex[mesh.objectCount];
            const int count = readU16();
            if (mesh.faceCount + count > maxMeshFaces) refuse("слишком много граней.");
            for (int i = 0; i < count; ++i) {
                int32_t corner[3];
                for (int32_t& c : corner) {
                    c = readU16() + firstVertex;
                    if (c >= mesh.vertexCount) refuse("неверный номер вершины в списке граней.");
                }
                skipBytes(2);  // face flags
                MeshFace& face = mesh.faces[mesh.faceCount + i];
                face.a = &mesh.vertices[corner[0]];
                face.b = &mesh.vertices[corner[1]];
                face.c = &mesh.vertices[corner[2]];
            }
            faceBase = mesh.faceCount;
            mesh.faceCount += count;
            break;
        }
        case 0x4130: {  // faces of one material, numbered from this level's face list
            char name[materialNameSize];
            readString(name, materialNameSize);
            int group = 0;
            while (group < mesh.faceGroupCount && std::strcmp(mesh.faceGroups[group].name, name) != 0) ++group;
            if (group == mesh.faceGroupCount) {
                if (mesh.faceGroupCount >= maxFaceGroups) refuse("слишком много групп граней.");
                ++mesh.faceGroupCount;
            }
            FaceGroup& faceGroup = mesh.faceGroups[group];
            const int count = readU16();
            if (faceGroup.faceCount + count > maxFaceGroupFaces) refuse("слишком много граней в группе.");
            for (int i = 0; i < count; ++i) {
                const int32_t face = readU16() + faceBase;
                if (face >= mesh.faceCount) refuse("неверный номер грани в группе.");
                faceGroup.faces[faceGroup.faceCount++] = uint16_t(face);
            }
            std::memcpy(faceGroup.name, name, sizeof name);
            break;
        }
        case 0x4160: {  // mesh matrix: axes X, Y, Z and the origin, in file axes
            MeshObject& object = currentObject();
            float m[12];
            for (float& f : m) f = readFloat();
            object.meshMatrix = Matrix4{{m[0], m[2], m[1], 0, m[6], m[8], m[7], 0, m[3], m[5], m[4], 0, 0, 0, 0, 1}};
            translation(object.originMatrix, -m[9], -m[11], -m[10]);
            break;
        }
        case 0x4600: {  // light position; its sub-chunks are met next and skipped
            if (mesh.lightCount >= maxMeshLights) refuse("слишком много источников света.");
            MeshLight& light = mesh.lights[mesh.lightCount];
            light.x = readFloat();
            light.z = readFloat();
            light.y = readFloat();
            ++mesh.lightCount;
            break;
        }
        case 0xA000:  // material name
            if (mesh.materialCount >= maxMeshMaterials) refuse("слишком много материалов.");
            readString(mesh.materials[mesh.materialCount].name, materialNameSize);
            break;
        case 0xA300: {  // map file name: the material is complete
            if (mesh.materialCount >= maxMeshMaterials) refuse("слишком много материалов.");
            MeshMaterial& material = mesh.materials[mesh.materialCount];
            readString(material.mapName, mapNameSize);
            std::free(material.texture);
            material.texture = loadPicture(material.mapName, 32);
            ++mesh.materialCount;
            break;
        }
        case 0xB002:
            mesh.nodeKind = nodeObject;
            loadChunk(chunk.end);
            break;
        case 0xB003:
            mesh.nodeKind = nodeCamera;
            loadChunk(chunk.end);
            break;
        case 0xB004:
            mesh.nodeKind = nodeTarget;
            loadChunk(chunk.end);
            break;
        case 0xB005:
            mesh.nodeKind = nodeLight;
            loadChunk(chunk.end);
            break;
        case 0xB010: {  // node header: the last object of that name, else object 0
            char name[256];
            readString(name, sizeof name);
            mesh.nodeObject = 0;
            for (int i = 0; i < mesh.objectCount; ++i)
                if (std::strcmp(mesh.objectNames[i], name) == 0) mesh.nodeObject = i;
            skipBytes(6);  // two flag words and the parent
            break;
        }
        case 0xB013: {  // pivot, file x, y, z -> engine x, z, y
            MeshObject& object = mesh.objects[mesh.nodeObject];
            object.pivotX = readFloat();
            object.pivotZ = readFloat();
            object.pivotY = readFloat();
            translation(object.pivotMatrix, -object.pivotX, -object.pivotY, -object.pivotZ);
            break;
        }
        case 0xB020:  // position track of the current node
            switch (mesh.nodeKind) {
            case nodeCamera:
                readTrack(mesh.cameraKeys, mesh.cameraKeyCount, 3);
                mesh.nodeKind = nodeTarget;
                break;
            case nodeTarget:
                readTrack(mesh.targetKeys, mesh.targetKeyCount, 3);
                mesh.nodeKind = nodeNone;
                break;
            case nodeObject: {
                MeshObject& object = mesh.objects[mesh.nodeObject];
                readTrack(object.positionKeys, object.positionKeyCount, 3);
                mesh.nodeKind = nodeNone;
                break;
            }
            case nodeLight: {
                if (mesh.lightNodeIndex >= maxMeshLights) refuse("слишком много источников света.");
                MeshLight& light = mesh.lights[mesh.lightNodeIndex];
                readTrack(light.keys, light.keyCount, 3);
                mesh.nodeKind = nodeNone;
                ++mesh.lightNodeIndex;
                break;
            }
            case nodeNone:  // no node wants it: skipped whole
                skipBytes(chunk.end - reader.consumed);
                break;
            }
            break;
        case 0xB021: {  // rotation track of the current node's object
            MeshObject& object = mesh.objects[mesh.nodeObject];
            readTrack(object.rotationKeys, object.rotationKeyCount, 4);
            object.currentRotationKey = -1;
            identity(object.rotationMatrix);
            break;
        }
        case 0xB024:  // camera roll track
            readTrack(mesh.rollKeys, mesh.rollKeyCount, 1);
            break;
        default:
            skipBytes(chunk.end - reader.consumed);
        }
        reader.limit = outerLimit;
    }
}

int load3ds(const char* name, char* message) {
    mesh.materialCount = 0;
    mesh.faceGroupCount = 0;
    mesh.texCoordCount = 0;
    for (FaceGroup& group : mesh.faceGroups) group.faceCount = 0;
    mesh.nodeKind = nodeNone;
    mesh.nodeObject = 0;
    message[0] = 0;

    PackFile* file = packOpen(name);
    if (!file) {
        std::snprintf(message, meshMessageSize, "не могу открыть файл %s.", name);
        return 0;
    }
    reader.file = file;
    reader.message = message;

    if (setjmp(reader.failure)) {
        if (!message[0])
            std::snprintf(message, meshMessageSize, "statChunk() завершилась с ошибкой. Файл %s, видимо, поврежден.",
                          name);
        packClose(file);
        return 0;
    }
    const int64_t end = measureFile();
    rewindFile();
    reader.limit = file->size;
    mesh.lightCount = 0;
    mesh.texCoordCount = 0;
    mesh.faceCount = 0;
    mesh.vertexCount = 0;
    mesh.objectCount = 0;
    statChunk(end);
    if (mesh.vertexCount > maxMeshVertices || mesh.faceCount > maxMeshFaces) {
        std::snprintf(message, meshMessageSize, "%s",
                      mesh.vertexCount > maxMeshVertices ? "слишком много вершин." : "слишком много граней.");
        packClose(file);
        return 0;
    }

    if (setjmp(reader.failure)) {
        if (!message[0]) std::snprintf(message, meshMessageSize, "ошибка при чтении файла.");
        packClose(file);
        return 0;
    }
    mesh.faceCount = 0;
    mesh.vertexCount = 0;
    mesh.objectCount = 0;
    rewindFile();
    reader.limit = file->size;
    loadChunk(end);

    makeHighlightMaps();

    // Faces take the texture of their group's material; faces no group lists have none. The
    // material is looked up among the first face-group-count slots; no match means the slot
    // just past them, as the show's files expect.
    for (int i = 0; i < mesh.faceCount; ++i) mesh.faces[i].texture = nullptr;
    for (int i = 0; i < mesh.faceGroupCount; ++i) {
        const FaceGroup& group = mesh.faceGroups[i];
        int j = 0;
        while (j < mesh.faceGroupCount && std::strcmp(mesh.materials[j].name, group.name) != 0) ++j;
        uint32_t* texture = j < mesh.materialCount ? mesh.materials[j].texture : nullptr;
        for (int k = 0; k < group.faceCount; ++k) mesh.faces[group.faces[k]].texture = texture;
    }
    for (int i = 0; i < mesh.faceCount; ++i) mesh.faces[i].mode = modeLightMapped;
    packClose(file);
    return 1;
}
