// The standard per-frame 3D pipeline of the scenes: keyframed placement, transforms, environment
// mapping, visible faces and lights into the DrawList, far-to-near drawing with light sprites, and
// the lens flare.
#include "scenes/scene.h"

#include "display/display.h"

#include <cmath>

namespace {

// Clips an inclusive index range to 0..count - 1; false when nothing is left.
bool clipRange(int& first, int& last, int count)
{
    if (first < 0)
        first = 0;
    if (last > count - 1)
        last = count - 1;
    return first <= last;
}

// Projects light i and draws its sprite, sized by the light's K and its camera-space depth.
void drawLightSprite(int i)
{
    MeshLight& light = mesh.lights[i];
    projectPoint(light);
    const int side = lightSpriteSide(scene.lightSpriteSize[i], light.cz);
    if (side <= 0)
        return;
    drawSlotSprite(static_cast<int>(light.spriteSlot & 0xFF), saturatingTrunc(light.sx),
                   saturatingTrunc(light.sy), side, side);
}

}  // namespace

void placeObject(MeshObject& object, const Matrix4& view, float frame, Matrix4& out)
{
    placeObjectAt(object, view, evalPositionTrack(object, frame), frame, out);
}

void placeObjectAt(MeshObject& object, const Matrix4& view, const Vec3& position, float frame,
                   Matrix4& out)
{
    Matrix4 t;
    matTranslate(position.x, position.z, position.y, t);
    // The rotation track updates the accumulated rotation first; what it returns is the rest of
    // the way to the next key.
    const AxisAngle rest = evalRotationTrack(object, frame);
    Matrix4 r;
    matAxisRotate(Vec3{object.pivotX, object.pivotY, object.pivotZ},
                  Vec3{-rest.axis.x, rest.axis.z, rest.axis.y}, rest.angle, r);
    Matrix4 m = view;
    matMultiply(m, t, m);
    matMultiply(m, object.pivotMatrix, m);
    matMultiply(m, r, m);
    matMultiply(m, object.rotationMatrix, m);
    matMultiply(m, object.meshMatrix, m);
    matMultiply(m, object.originMatrix, out);
}

void placeObjects(const Matrix4& view, float frame)
{
    for (int i = 0; i < mesh.objectCount; ++i) {
        Matrix4 m;
        placeObject(mesh.objects[i], view, frame, m);
        transformObject(mesh.objects[i], m);
    }
}

void drawKeyframedFrame(float frame, float k)
{
    Matrix4 view;
    evalCameraView(frame, view);
    placeObjects(view, frame);
    evalLightTracks(frame);
    transformLights(view);
    fillDrawList();
    setLightSpriteSizes(k);
    drawDrawList();
}

void transformVertices(int firstVertex, int lastVertex, const Matrix4& m)
{
    if (!clipRange(firstVertex, lastVertex, mesh.vertexCount))
        return;
    prepareFastTransform(m);
    for (int i = firstVertex; i <= lastVertex; ++i)
        transformVertex(mesh.vertices[i], m);
}

void transformFaceNormals(int firstFace, int lastFace, const Matrix4& m)
{
    if (!clipRange(firstFace, lastFace, mesh.faceCount))
        return;
    prepareFastTransform(m);
    for (int i = firstFace; i <= lastFace; ++i)
        rotateFaceNormal(mesh.faces[i], m);
}

void transformObject(const MeshObject& object, const Matrix4& m)
{
    transformVertices(object.firstVertex, object.lastVertex, m);
    transformFaceNormals(object.firstFace, object.lastFace, m);
}

void transformMesh(const Matrix4& m)
{
    transformVertices(0, mesh.vertexCount - 1, m);
    transformFaceNormals(0, mesh.faceCount - 1, m);
}

void evalLightTracks(float frame)
{
    for (int i = 0; i < mesh.lightCount && i < maxMeshLights; ++i)
        evalLightTrack(mesh.lights[i], frame);
}

void transformLights(const Matrix4& m)
{
    prepareFastTransform(m);
    for (int i = 0; i < mesh.lightCount && i < maxMeshLights; ++i)
        transformPoint(mesh.lights[i], m);
}

void environmentMap(int firstVertex, int lastVertex)
{
    if (!clipRange(firstVertex, lastVertex, mesh.vertexCount))
        return;
    for (int i = firstVertex; i <= lastVertex; ++i) {
        MeshVertex& v = mesh.vertices[i];
        v.u = (1.0f - v.cnx) * 127.0f;
        v.v = (1.0f - v.cny) * 127.0f;
    }
}

bool faceIsVisible(const MeshFace& face)
{
    if (face.a == nullptr || face.b == nullptr || face.c == nullptr)
        return false;
    const float nearLimit = static_cast<float>(projection.nearLimit);
    if (face.a->cz <= nearLimit || face.b->cz <= nearLimit || face.c->cz <= nearLimit)
        return false;
    const float d = static_cast<float>(projection.projectionDistance);
    const MeshVertex& p = *face.a;
    return face.cnx * p.cx + face.cny * p.cy + face.cnz * p.cz + d * face.cnz <= 0.0f;
}

void addVisibleFaces(int firstFace, int lastFace)
{
    if (!clipRange(firstFace, lastFace, mesh.faceCount))
        return;
    for (int i = firstFace; i <= lastFace; ++i) {
        const MeshFace& face = mesh.faces[i];
        if (faceIsVisible(face) &&
            !addFaceToDrawList(i, (face.a->cz + face.b->cz + face.c->cz) * 0.33333334f))
            return;
    }
}

void addLightsToDrawList(int firstLight, int count)
{
    int last = firstLight + count - 1;
    if (!clipRange(firstLight, last,
                   mesh.lightCount < maxMeshLights ? mesh.lightCount : maxMeshLights))
        return;
    for (int i = firstLight; i <= last; ++i)
        if (!addLightToDrawList(i, mesh.lights[i].cz))
            return;
}

void fillDrawList()
{
    resetDrawList();
    addVisibleFaces(0, mesh.faceCount - 1);
    addLightsToDrawList(0, mesh.lightCount);
}

int lightSpriteSide(float k, float z)
{
    const float d = static_cast<float>(projection.projectionDistance);
    // At or behind the eye plane the formula has no meaning (a division by zero or a sprite seen
    // from behind): such a light is not drawn.
    if (!(d + z > 0.0f))
        return 0;
    return saturatingTrunc(1.0f + k * d / (d + z));
}

void setLightSpriteSizes(float k)
{
    for (float& size : scene.lightSpriteSize)
        size = k;
}

void drawDrawList()
{
    if (drawList.count > 1)
        sortDrawList(0, drawList.count - 1);
    for (int i = drawList.count - 1; i >= 0; --i) {
        const int32_t payload = drawList.payload[i];
        const int index = drawListIndex(payload);
        if (drawListIsLight(payload)) {
            if (index < mesh.lightCount && index < maxMeshLights)
                drawLightSprite(index);
        } else if (index < mesh.faceCount && index < maxMeshFaces) {
            drawFace(mesh.faces[index], frameBuffer.pixels);
        }
    }
}

void drawSlotSprite(int slot, int cx, int cy, int w, int h)
{
    if (slot < 0 || slot >= textureSlotCount)
        return;
    const Texture& texture = scene.textureSlots[slot];
    if (texture.pixels == nullptr)
        return;
    drawSprite(frameBuffer.pixels, texture.width, texture.height, texture.pixels, cx, cy, w, h);
}

void drawLensFlare(int slot, float px, float py, float k)
{
    const float dx = px - 160.0f;
    const float dy = py - 100.0f;
    drawSlotSprite(slot, saturatingTrunc(320.0f - px), saturatingTrunc(200.0f - py), 64, 64);
    drawSlotSprite(slot, saturatingTrunc(160.0f - dx / 2.0f), saturatingTrunc(100.0f - dy / 2.0f),
                   32, 32);
    drawSlotSprite(slot, saturatingTrunc(160.0f + dx / 2.0f), saturatingTrunc(100.0f + dy / 2.0f),
                   24, 24);
    drawSlotSprite(slot, saturatingTrunc(160.0f + k * dx / 4.0f),
                   saturatingTrunc(100.0f + k * dy / 4.0f), 16, 16);
}
