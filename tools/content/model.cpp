// Shapes and 3DS records for the meshes modelled in code.
#include "model.h"

#include "noise.h"

#include <algorithm>
#include <cmath>

namespace {

// A grid of (rows + 1) x (columns + 1) vertices from place(i, j) and its quads; the front side is
// the one toward which (step in i) x (step in j) points.
template <typename Place>
void addGrid(Model& model, int rows, int columns, Place place)
{
    const uint16_t base = uint16_t(model.vertices.size());
    for (int i = 0; i <= rows; ++i)
        for (int j = 0; j <= columns; ++j)
            model.vertices.push_back(place(i, j));
    const int stride = columns + 1;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) {
            // The cell's corners p00, p10, p11, p01 round it, split along p10 to p01.
            const uint16_t p00 = uint16_t(base + i * stride + j), p10 = uint16_t(p00 + 1);
            const uint16_t p01 = uint16_t(p00 + stride), p11 = uint16_t(p01 + 1);
            model.faces.push_back({p00, p10, p01});
            model.faces.push_back({p10, p11, p01});
        }
}

}  // namespace

uint16_t addVertex(Model& model, float x, float y, float z, float u, float v)
{
    model.vertices.push_back({x, y, z, u, v});
    return uint16_t(model.vertices.size() - 1);
}

void addTriangle(Model& model, int a, int b, int c)
{
    model.faces.push_back({uint16_t(a), uint16_t(b), uint16_t(c)});
}

void addTriangleFacing(Model& model, int a, int b, int c, Point3 facing)
{
    const auto at = [&](int i) {
        const ModelVertex& v = model.vertices[size_t(i)];
        return Point3{v.x, v.y, v.z};
    };
    const Point3 n = cross(at(c) - at(a), at(b) - at(a));
    if (dot(n, facing) < 0.0f)
        std::swap(b, c);
    addTriangle(model, a, b, c);
}

void addQuad(Model& model, int a, int b, int c, int d)
{
    addTriangle(model, a, b, c);
    addTriangle(model, a, c, d);
}

Model makeSphere(float radius, int rings, int segments)
{
    Model model;
    // Row i runs from the top pole (i = 0) down; column j runs around toward -z from +x, which
    // makes the quads face outward.
    addGrid(model, rings, segments, [&](int i, int j) {
        const float polar = pi * float(i) / float(rings);
        const float around = 2.0f * pi * float(j) / float(segments);
        const float r = std::sin(polar) * radius;
        return ModelVertex{std::cos(around) * r, std::cos(polar) * radius, -std::sin(around) * r,
                           256.0f * float(j) / float(segments), 256.0f * float(i) / float(rings)};
    });
    // The pole rows are points: drop the faces whose corners meet there.
    std::vector<std::array<uint16_t, 3>> kept;
    for (const auto& f : model.faces) {
        const ModelVertex& a = model.vertices[f[0]];
        const ModelVertex& b = model.vertices[f[1]];
        const ModelVertex& c = model.vertices[f[2]];
        const auto same = [](const ModelVertex& p, const ModelVertex& q) {
            return std::fabs(p.x - q.x) < 1e-4f && std::fabs(p.y - q.y) < 1e-4f &&
                   std::fabs(p.z - q.z) < 1e-4f;
        };
        if (!same(a, b) && !same(b, c) && !same(a, c))
            kept.push_back(f);
    }
    model.faces = kept;
    return model;
}

Model makeLathe(const std::vector<std::array<float, 2>>& profile, int segments, float vRepeat)
{
    Model model;
    const int rows = int(profile.size()) - 1;
    addGrid(model, rows, segments, [&](int i, int j) {
        const float around = 2.0f * pi * float(j) / float(segments);
        const auto& p = profile[size_t(rows - i)];
        return ModelVertex{std::cos(around) * p[0], p[1], -std::sin(around) * p[0],
                           256.0f * float(j) / float(segments),
                           256.0f * vRepeat * float(i) / float(rows)};
    });
    return model;
}

void addLathe(Model& model, const std::vector<ProfilePoint>& profile, int segments, float uRepeat,
              float cx, float cz, float startAngle)
{
    const int first = static_cast<int>(model.vertices.size());
    const int columns = segments + 1;
    for (const ProfilePoint& p : profile) {
        for (int j = 0; j < columns; ++j) {
            const float a =
                startAngle + 2.0f * pi * static_cast<float>(j) / static_cast<float>(segments);
            addVertex(model, cx + p.radius * std::cos(a), p.height, cz + p.radius * std::sin(a),
                      256.0f * uRepeat * static_cast<float>(j) / static_cast<float>(segments), p.v);
        }
    }
    for (size_t i = 0; i + 1 < profile.size(); ++i) {
        const int row = first + static_cast<int>(i) * columns;
        for (int j = 0; j < segments; ++j)
            addQuad(model, row + j, row + j + 1, row + columns + j + 1, row + columns + j);
    }
}

void addSurface(Model& model, const SurfaceFunction& surface, int columns, int rows, float uRepeat,
                float vRepeat, bool flip)
{
    const int base = static_cast<int>(model.vertices.size());
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c) {
            const float s = c / float(columns), t = r / float(rows);
            const Point3 p = surface(s, t);
            // Texels: 256 per repeat (the file gets back s * uRepeat and 1 - t * vRepeat exactly).
            addVertex(model, p.x, p.y, p.z, s * uRepeat * 256.0f, t * vRepeat * 256.0f);
        }
    // The cell a00 a10 a11 a01 (a10 one step along s): with b - a = ds and c - a = ds + dt,
    // (c - a) x (b - a) = dt x ds.
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const int a00 = base + r * (columns + 1) + c, a10 = a00 + 1;
            const int a01 = a00 + columns + 1, a11 = a01 + 1;
            if (!flip) {
                addTriangle(model, a00, a10, a11);
                addTriangle(model, a00, a11, a01);
            } else {
                addTriangle(model, a00, a11, a10);
                addTriangle(model, a00, a01, a11);
            }
        }
}

SurfaceFunction sphereSurface(Point3 centre, float radius)
{
    return [=](float s, float t) {
        const float a = s * 2 * pi, b = (t - 0.5f) * pi;
        return Point3{centre.x + radius * std::cos(b) * std::cos(a),
                      centre.y + radius * std::sin(b),
                      centre.z + radius * std::cos(b) * std::sin(a)};
    };
}

SurfaceFunction torusSurface(Point3 centre, float ringRadius, float tubeRadius)
{
    return [=](float s, float t) {
        const float a = s * 2 * pi, b = t * 2 * pi;
        const float r = ringRadius + tubeRadius * std::cos(b);
        return Point3{centre.x + r * std::cos(a), centre.y + tubeRadius * std::sin(b),
                      centre.z + r * std::sin(a)};
    };
}

SurfaceFunction latheSurface(Point3 centre, std::vector<std::array<float, 2>> profile)
{
    return [=](float s, float t) {
        const float at = t * float(profile.size() - 1);
        const size_t i = std::min(profile.size() - 2, size_t(at));
        const float f = at - float(i);
        const float r = profile[i][0] + (profile[i + 1][0] - profile[i][0]) * f;
        const float h = profile[i][1] + (profile[i + 1][1] - profile[i][1]) * f;
        const float a = s * 2 * pi;
        return Point3{centre.x + r * std::cos(a), centre.y + h, centre.z + r * std::sin(a)};
    };
}

void addRock(Model& model, Point3 centre, float radius, float roughness, int seed, int columns,
             int rows)
{
    const SurfaceFunction rock = [=](float s, float t) {
        const float a = s * 2 * pi, b = (t - 0.5f) * pi;
        const Point3 d{std::cos(b) * std::cos(a), std::sin(b), std::cos(b) * std::sin(a)};
        // Noise read on the unit sphere, so the seam and the poles stay closed (its second
        // coordinate runs along z, its third up).
        const float n = fractalNoise(d.x * 1.7f + 5.0f, d.z * 1.7f, d.y * 1.7f, 3, 0.5f, seed);
        const float r =
            radius * (1.0f + roughness * n) * (seed % 2 ? 1.0f : 0.85f + 0.15f * std::fabs(d.y));
        return Point3{centre.x + r * d.x, centre.y + r * d.y * 0.8f, centre.z + r * d.z};
    };
    addSurface(model, rock, columns, rows, 2.0f, 1.0f, false);
}

Model makeTorus(float majorRadius, float minorRadius, int rings, int segments)
{
    Model model;
    // Row i walks around the tube from the outer equator over the top; column j around the axis.
    addGrid(model, rings, segments, [&](int i, int j) {
        const float tube = 2.0f * pi * float(i) / float(rings);
        const float around = 2.0f * pi * float(j) / float(segments);
        const float r = majorRadius + std::cos(tube) * minorRadius;
        return ModelVertex{std::cos(around) * r, -std::sin(tube) * minorRadius,
                           -std::sin(around) * r, 256.0f * float(j) / float(segments),
                           256.0f * float(i) / float(rings)};
    });
    return model;
}

Model makeCoin(float radius, float thickness, int segments)
{
    Model model;
    const float half = thickness * 0.5f;
    // Front (z = -half, facing -z) and back (z = +half) as fans around a centre vertex, each
    // mapping the texture's inscribed circle; the rim as one band.
    for (int side = 0; side < 2; ++side) {
        const float z = side == 0 ? -half : half;
        const uint16_t centre = addVertex(model, 0, 0, z, 128, 128);
        const uint16_t first = uint16_t(model.vertices.size());
        for (int j = 0; j < segments; ++j) {
            const float a = 2.0f * pi * float(j) / float(segments);
            addVertex(model, std::cos(a) * radius, std::sin(a) * radius, z,
                      128.0f + 127.0f * std::cos(a), 128.0f - 127.0f * std::sin(a));
        }
        for (int j = 0; j < segments; ++j) {
            const uint16_t p = uint16_t(first + j);
            const uint16_t q = uint16_t(first + (j + 1) % segments);
            if (side == 0)
                model.faces.push_back({centre, p, q});
            else
                model.faces.push_back({centre, q, p});
        }
    }
    addGrid(model, 1, segments, [&](int i, int j) {
        const float a = 2.0f * pi * float(j) / float(segments);
        return ModelVertex{std::cos(a) * radius, std::sin(a) * radius, i == 0 ? half : -half,
                           256.0f * float(j) / float(segments), i == 0 ? 250.0f : 6.0f};
    });
    return model;
}

Model makeBox(float sizeX, float sizeY, float sizeZ)
{
    Model model;
    const float hx = sizeX * 0.5f, hy = sizeY * 0.5f, hz = sizeZ * 0.5f;
    // Each side: a corner and two edge directions that run counter-clockwise seen from outside.
    struct Side {
        Point3 o, e1, e2;
    };
    const Side sides[6] = {
        {{-hx, -hy, -hz}, {sizeX, 0, 0}, {0, sizeY, 0}},  // front, facing -z
        {{hx, -hy, hz}, {-sizeX, 0, 0}, {0, sizeY, 0}},   // back, facing +z
        {{-hx, -hy, hz}, {0, 0, -sizeZ}, {0, sizeY, 0}},  // left, facing -x
        {{hx, -hy, -hz}, {0, 0, sizeZ}, {0, sizeY, 0}},   // right, facing +x
        {{-hx, hy, -hz}, {sizeX, 0, 0}, {0, 0, sizeZ}},   // top, facing +y
        {{-hx, -hy, hz}, {sizeX, 0, 0}, {0, 0, -sizeZ}},  // bottom, facing -y
    };
    for (const Side& s : sides) {
        const uint16_t base = uint16_t(model.vertices.size());
        for (int k = 0; k < 4; ++k) {
            const float a = (k == 1 || k == 2) ? 1.0f : 0.0f;
            const float b = (k >= 2) ? 1.0f : 0.0f;
            const Point3 p = s.o + s.e1 * a + s.e2 * b;
            addVertex(model, p.x, p.y, p.z, a * 255.0f, (1.0f - b) * 255.0f);
        }
        // e1 x e2 points into the box, so (c - a) x (b - a) points out with b along e1.
        model.faces.push_back({base, uint16_t(base + 1), uint16_t(base + 3)});
        model.faces.push_back({uint16_t(base + 1), uint16_t(base + 2), uint16_t(base + 3)});
    }
    return model;
}

void translateModel(Model& model, float x, float y, float z)
{
    for (ModelVertex& v : model.vertices) {
        v.x += x;
        v.y += y;
        v.z += z;
    }
}

void scaleModel(Model& model, float x, float y, float z)
{
    for (ModelVertex& v : model.vertices) {
        v.x *= x;
        v.y *= y;
        v.z *= z;
    }
    // A mirroring scale turns the faces inside out; keep them facing out.
    if (x * y * z < 0)
        flipModel(model);
}

namespace {

// Turns every vertex in the plane of the coordinates a and b by angle, a toward b.
void turnModel(Model& model, float ModelVertex::*a, float ModelVertex::*b, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    for (ModelVertex& v : model.vertices) {
        const float first = v.*a * c - v.*b * s;
        v.*b = v.*a * s + v.*b * c;
        v.*a = first;
    }
}

}  // namespace

void rotateModelY(Model& model, float angle)
{
    turnModel(model, &ModelVertex::x, &ModelVertex::z, angle);
}

void rotateModelX(Model& model, float angle)
{
    turnModel(model, &ModelVertex::y, &ModelVertex::z, angle);
}

void rotateModelZ(Model& model, float angle)
{
    turnModel(model, &ModelVertex::x, &ModelVertex::y, angle);
}

void mapModel(Model& model, float su, float sv, float du, float dv)
{
    for (ModelVertex& v : model.vertices) {
        v.u = v.u * su + du;
        v.v = v.v * sv + dv;
    }
}

void flipModel(Model& model)
{
    for (auto& f : model.faces)
        std::swap(f[1], f[2]);
}

void appendModel(Model& model, const Model& part)
{
    const uint16_t base = uint16_t(model.vertices.size());
    model.vertices.insert(model.vertices.end(), part.vertices.begin(), part.vertices.end());
    for (const auto& f : part.faces)
        model.faces.push_back(
            {uint16_t(f[0] + base), uint16_t(f[1] + base), uint16_t(f[2] + base)});
}

Object3ds modelObject(const std::string& name, const Model& model, const std::string& material,
                      Point3 origin)
{
    Object3ds object;
    object.name = name;
    for (const ModelVertex& v : model.vertices) {
        object.vertices.push_back({v.x, v.z, v.y});
        // The loader takes u * 256 and 256 - v * 256 as texels.
        object.texCoords.push_back({v.u / 256.0f, 1.0f - v.v / 256.0f});
    }
    FaceGroup3ds group;
    group.material = material;
    for (size_t i = 0; i < model.faces.size(); ++i) {
        const auto& f = model.faces[i];
        object.faces.push_back({f[0], f[1], f[2], model.faceFlags});
        group.faces.push_back(uint16_t(i));
    }
    object.groups.push_back(group);
    object.hasMatrix = true;
    object.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, origin.x, origin.z, origin.y};
    return object;
}

Key3ds positionKey(uint32_t frame, float x, float y, float z)
{
    Key3ds key;
    key.frame = frame;
    key.value = {x, z, y, 0};
    return key;
}

Key3ds positionKey(uint32_t frame, Point3 p)
{
    return positionKey(frame, p.x, p.y, p.z);
}

Key3ds rotationKey(uint32_t frame, float angle, float ax, float ay, float az)
{
    const float length = std::sqrt(ax * ax + ay * ay + az * az);
    Key3ds key;
    key.frame = frame;
    key.value = {angle, ax / length, az / length, ay / length};
    return key;
}

Key3ds rotationKeyAsGiven(uint32_t frame, float angle, Point3 axis)
{
    Key3ds key;
    key.frame = frame;
    key.value = {angle, axis.x, axis.z, axis.y};
    return key;
}

std::vector<Key3ds> spinKeys(uint32_t lastFrame, uint32_t step, float turns, Point3 axis)
{
    std::vector<Key3ds> keys;
    const uint32_t steps = (lastFrame + step - 1) / step;
    const float angle = turns * 2 * pi / float(steps);
    keys.push_back(rotationKeyAsGiven(0, 0.0f, axis));
    for (uint32_t i = 1; i <= steps; ++i)
        keys.push_back(rotationKeyAsGiven(i * step, angle, axis));
    return keys;
}

Key3ds rollKey(uint32_t frame, float degrees)
{
    Key3ds key;
    key.frame = frame;
    key.value = {degrees, 0, 0, 0};
    return key;
}

Key3ds withTcb(Key3ds key, float tension, float continuity, float bias)
{
    key.tension = tension;
    key.continuity = continuity;
    key.bias = bias;
    key.flags = uint16_t((tension != 0 ? keyHasTension : 0) |
                         (continuity != 0 ? keyHasContinuity : 0) | (bias != 0 ? keyHasBias : 0));
    return key;
}

Node3ds objectNode(const std::string& name, Point3 pivot, std::vector<Key3ds> positions,
                   std::vector<Key3ds> rotations)
{
    Node3ds node;
    node.kind = chunkObjectNode;
    node.name = name;
    node.hasPivot = true;
    node.pivot = fileAxes(pivot);
    node.position.keys = std::move(positions);
    if (rotations.empty())
        rotations.push_back(rotationKeyAsGiven(0, 0.0f, {0, 1, 0}));
    node.rotation.keys = std::move(rotations);
    return node;
}

Node3ds lightNode(const std::string& name, std::vector<Key3ds> positions)
{
    Node3ds node;
    node.kind = chunkLightNode;
    node.name = name;
    node.position.keys = std::move(positions);
    return node;
}

Node3ds cameraNode(std::vector<Key3ds> positions, std::vector<Key3ds> rolls)
{
    Node3ds node;
    node.kind = chunkCameraNode;
    node.name = "Camera01";
    node.position.keys = std::move(positions);
    node.roll.keys = std::move(rolls);
    return node;
}

Node3ds targetNode(std::vector<Key3ds> positions)
{
    Node3ds node;
    node.kind = chunkTargetNode;
    node.name = "Camera01";
    node.position.keys = std::move(positions);
    return node;
}

void numberNodes(Scene3ds& scene)
{
    for (size_t i = 0; i < scene.nodes.size(); ++i)
        scene.nodes[i].nodeId = int32_t(i);
}

Light3ds modelLight(const std::string& name, Point3 p, std::array<float, 3> colour)
{
    return modelLight(name, p.x, p.y, p.z, colour);
}

Light3ds modelLight(const std::string& name, float x, float y, float z, std::array<float, 3> colour)
{
    Light3ds light;
    light.name = name;
    light.position = {x, z, y};
    light.colour = colour;
    return light;
}
