// Modelling helpers for the show's meshes (mesh_parts.h).
#include "mesh_parts.h"

#include "noise.h"

#include <algorithm>
#include <cmath>

uint16_t addPartVertex(Object3ds& object, Point3 position, float u, float v)
{
    object.vertices.push_back(fileVertex(position));
    // The loader turns file v into 256 - v * 256 texels: store 1 - v for v down the picture.
    object.texCoords.push_back({u, 1.0f - v});
    return static_cast<uint16_t>(object.vertices.size() - 1);
}

void addPartFace(Object3ds& object, int a, int b, int c)
{
    object.faces.push_back({uint16_t(a), uint16_t(b), uint16_t(c), 7});
}

void file_addSurface(Object3ds& object, const SurfaceFunction& surface, int columns, int rows,
                float uRepeat, float vRepeat, bool flip)
{
    const int base = static_cast<int>(object.vertices.size());
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c) {
            const float s = c / float(columns), t = r / float(rows);
            addPartVertex(object, surface(s, t), s * uRepeat, t * vRepeat);
        }
    // Counter-clockwise seen from the side ds x dt points to, the side the engine's face test
    // keeps: (b - a) x (c - a) = ds x (ds + dt) = ds x dt.
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const int i00 = base + r * (columns + 1) + c, i10 = i00 + 1;
            const int i01 = i00 + columns + 1, i11 = i01 + 1;
            if (!flip) {
                addPartFace(object, i00, i10, i11);
                addPartFace(object, i00, i11, i01);
            } else {
                addPartFace(object, i00, i11, i10);
                addPartFace(object, i00, i01, i11);
            }
        }
}

SurfaceFunction file_sphereSurface(Point3 centre, float radius)
{
    return [=](float s, float t) {
        const float a = s * 2 * pi, b = (t - 0.5f) * pi;  // t 0 at the south pole
        return Point3{centre.x + radius * std::cos(b) * std::cos(a),
                      centre.y + radius * std::cos(b) * std::sin(a),
                      centre.z + radius * std::sin(b)};
    };
}

SurfaceFunction file_torusSurface(Point3 centre, float ringRadius, float tubeRadius)
{
    return [=](float s, float t) {
        const float a = s * 2 * pi, b = t * 2 * pi;
        const float r = ringRadius + tubeRadius * std::cos(b);
        return Point3{centre.x + r * std::cos(a), centre.y + r * std::sin(a),
                      centre.z + tubeRadius * std::sin(b)};
    };
}

SurfaceFunction file_latheSurface(Point3 centre, std::vector<std::array<float, 2>> profile)
{
    return [=](float s, float t) {
        const float at = t * float(profile.size() - 1);
        const size_t i = std::min(profile.size() - 2, size_t(at));
        const float f = at - float(i);
        const float r = profile[i][0] + (profile[i + 1][0] - profile[i][0]) * f;
        const float h = profile[i][1] + (profile[i + 1][1] - profile[i][1]) * f;
        const float a = s * 2 * pi;
        return Point3{centre.x + r * std::cos(a), centre.y + r * std::sin(a), centre.z + h};
    };
}

void rotateVertices(Object3ds& object, size_t first, int axis, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    for (size_t k = first; k < object.vertices.size(); ++k) {
        auto& p = object.vertices[k];
        const float a = p[i], b = p[j];
        p[i] = a * c - b * s;
        p[j] = a * s + b * c;
    }
}

void moveVertices(Object3ds& object, size_t first, Point3 offset)
{
    for (size_t k = first; k < object.vertices.size(); ++k) {
        object.vertices[k][0] += offset.x;
        object.vertices[k][1] += offset.y;
        object.vertices[k][2] += offset.z;
    }
}

void file_addRock(Object3ds& object, Point3 centre, float radius, float roughness, int seed, int columns,
             int rows)
{
    const SurfaceFunction rock = [=](float s, float t) {
        const float a = s * 2 * pi, b = (t - 0.5f) * pi;
        const Point3 d{std::cos(b) * std::cos(a), std::cos(b) * std::sin(a), std::sin(b)};
        // Noise read on the unit sphere, so the seam and the poles stay closed.
        const float n = fractalNoise(d.x * 1.7f + 5.0f, d.y * 1.7f, d.z * 1.7f, 3, 0.5f, seed);
        const float r =
            radius * (1.0f + roughness * n) * (seed % 2 ? 1.0f : 0.85f + 0.15f * std::fabs(d.z));
        return Point3{centre.x + r * d.x, centre.y + r * d.y, centre.z + r * d.z * 0.8f};
    };
    file_addSurface(object, rock, columns, rows, 2.0f, 1.0f, false);
}

void finishPartObject(Object3ds& object, const std::string& material, Point3 origin)
{
    FaceGroup3ds group;
    group.material = material;
    for (size_t i = 0; i < object.faces.size(); ++i)
        group.faces.push_back(uint16_t(i));
    object.groups = {group};
    object.hasMatrix = true;
    object.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, origin.x, origin.y, origin.z};
}

Key3ds filePositionKey(uint32_t frame, Point3 value)
{
    Key3ds key;
    key.frame = frame;
    key.value = {value.x, value.y, value.z, 0};
    return key;
}

Key3ds fileRotationKey(uint32_t frame, float angle, Point3 axis)
{
    Key3ds key;
    key.frame = frame;
    key.value = {angle, axis.x, axis.y, axis.z};
    return key;
}

namespace {
Track3ds track(std::vector<Key3ds> keys)
{
    Track3ds t;
    t.present = !keys.empty();
    t.keys = std::move(keys);
    return t;
}

}  // namespace

Node3ds fileObjectNode(const std::string& name, int id, std::vector<Key3ds> position,
                       std::vector<Key3ds> rotation, Point3 pivot)
{
    Node3ds node;
    node.kind = chunkObjectNode;
    node.nodeId = id;
    node.name = name;
    node.hasPivot = true;
    node.pivot = fileVertex(pivot);
    node.position = track(std::move(position));
    // Without a rotation track the loader leaves the object's accumulated rotation unset: every
    // object gets one, a single key of no turn when it does not spin.
    if (rotation.empty())
        rotation.push_back(fileRotationKey(0, 0.0f, {0, 0, 1}));
    node.rotation = track(std::move(rotation));
    return node;
}

Node3ds fileLightNode(const std::string& name, int id, std::vector<Key3ds> position)
{
    Node3ds node;
    node.kind = chunkLightNode;
    node.nodeId = id;
    node.name = name;
    node.position = track(std::move(position));
    node.position.present = true;
    return node;
}

Node3ds fileCameraNode(int id, std::vector<Key3ds> position, std::vector<Key3ds> roll)
{
    Node3ds node;
    node.kind = chunkCameraNode;
    node.nodeId = id;
    node.name = "Camera01";
    node.position = track(std::move(position));
    node.roll = track(std::move(roll));
    return node;
}

Node3ds fileTargetNode(int id, std::vector<Key3ds> position)
{
    Node3ds node;
    node.kind = chunkTargetNode;
    node.nodeId = id;
    node.name = "Camera01";
    node.position = track(std::move(position));
    return node;
}

std::vector<Key3ds> fileSpinKeys(uint32_t lastFrame, uint32_t step, float turns, Point3 axis)
{
    std::vector<Key3ds> keys;
    const uint32_t steps = (lastFrame + step - 1) / step;
    const float angle = turns * 2 * pi / float(steps);
    keys.push_back(fileRotationKey(0, 0.0f, axis));
    for (uint32_t i = 1; i <= steps; ++i)
        keys.push_back(fileRotationKey(i * step, angle, axis));
    return keys;
}
