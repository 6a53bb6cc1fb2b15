// The Morph scene's data: "morph.3ds" and the two textures its faces use ("mofloor.jpg",
// "moskin.jpg"). The scene relies on: object 0 the floor, whose first 81 vertices are a 9 x 9 grid
// at height 0 (drawn half blended, its texture coordinates rewritten every frame); object 1 the
// morphing object and object 2 its mirror, with the same vertex count, order and faces; objects 3
// to 17 fifteen key shapes with object 1's vertex count and order, all above the floor and wound
// outwards under object 1's faces; object 5 with faces of its own for the small wireframe view.
#include "scene_morph.h"

#include "geometry.h"

#include "writers/write3ds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace {
// Face textures are addressed with byte coordinates.
constexpr int textureSize3d = 256;
// Key shapes: objects 3 to 17, enough for the 11776 units of the scene at 853 units per key.
constexpr int morphKeyShapes = 15;

// The morphing object is a latitude-longitude grid: morphColumns steps around (plus a seam column
// that repeats the first, so the texture wraps), morphRows steps from the top pole to the bottom
// one.
constexpr int morphColumns = 32;
constexpr int morphRows = 12;
constexpr int morphGridWidth = morphColumns + 1;
constexpr int morphVertices = morphGridWidth * (morphRows + 1);
// Every key shape sits this high above the floor (engine y), so its mirror image lies below it.
constexpr float morphCentreY = 70.0f;
// The shapes are modelled about 90 units in radius and shown at this scale.
constexpr float morphScale = 0.72f;
// ... and lifted where needed to stand at least this high above the floor.
constexpr float morphClearance = 6.0f;
// The floor: 9 x 9 vertices, floorStep apart, wide enough to fill the view from every point of the
// orbit (radius 300, height 300 to 500, looking at the origin).
constexpr int floorSide = 9;
constexpr float floorStep = 150.0f;

// The unit direction of grid point (theta around, phi from the top pole).
Point3 direction(float theta, float phi)
{
    return {std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta)};
}

// Scales a direction onto the surface |x|^p + |y|^p + |z|^p = 1 (a rounded cube for large p, an
// octahedron for p = 1).
Point3 superShell(Point3 d, float p, float size)
{
    const float n = std::pow(
        std::pow(std::fabs(d.x), p) + std::pow(std::fabs(d.y), p) + std::pow(std::fabs(d.z), p),
        1.0f / p);
    return d * (size / n);
}

Point3 turnY(Point3 p, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {p.x * c - p.z * s, p.y, p.x * s + p.z * c};
}

// A tube of radius r around a closed curve, for the knot: theta runs along the curve, phi (twice
// round) around the tube, in the curve's Frenet frame.
Point3 trefoil(float theta)
{
    return {std::sin(theta) + 2.0f * std::sin(2.0f * theta), -std::sin(3.0f * theta) * 0.9f,
            std::cos(theta) - 2.0f * std::cos(2.0f * theta)};
}

Point3 knotPoint(float theta, float phi)
{
    const float h = 0.001f;
    const Point3 c = trefoil(theta);
    const Point3 t = unit(trefoil(theta + h) - trefoil(theta - h));
    const Point3 second = trefoil(theta + h) + trefoil(theta - h) - c * 2.0f;
    const Point3 n = unit(second - t * dot(second, t));
    const Point3 b = cross(t, n);
    const float psi = 2.0f * phi;
    const Point3 around = n * std::cos(psi) + b * std::sin(psi);
    return c * 25.0f + around * 15.0f;
}

// Key shape `shape` (0 to 14) at grid point (theta, phi), relative to the object's centre.
Point3 keyShape(int shape, float theta, float phi)
{
    const Point3 d = direction(theta, phi);
    // sin(phi) is held at 0 or above: at the bottom pole it would come out a hair below 0, and a
    // fractional power of that is not a number.
    const float s = std::max(0.0f, std::sin(phi)), c = std::cos(phi);
    const float v = phi / pi;  // 0 at the top pole, 1 at the bottom
    switch (shape) {
    case 0:  // sphere
        return d * 82.0f;
    case 1:  // rounded cube, turned to show an edge
        return turnY(superShell(d, 7.0f, 66.0f), pi / 4.0f);
    case 2: {  // torus lying flat
        const float psi = 2.0f * phi;
        const float ring = 60.0f + 27.0f * std::cos(psi);
        return {ring * std::cos(theta), 27.0f * std::sin(psi), ring * std::sin(theta)};
    }
    case 3: {  // five-pointed star cushion
        const float a = std::fmod(theta * 5.0f / (2.0f * pi) + 0.25f, 1.0f);
        const float w = std::fabs(2.0f * a - 1.0f);
        const float rho = 38.0f + 58.0f * std::pow(w, 1.6f);
        const float puff = std::pow(s, 0.7f);
        return {rho * puff * std::cos(theta), 42.0f * c, rho * puff * std::sin(theta)};
    }
    case 4: {  // square column with a twist of one and a half turns
        const float twist = 2.4f * c;
        const float local = theta + twist;
        const float square = 1.0f / std::pow(std::pow(std::fabs(std::cos(local)), 6.0f) +
                                                 std::pow(std::fabs(std::sin(local)), 6.0f),
                                             1.0f / 6.0f);
        const float cap = std::pow(s, 0.25f);
        return {38.0f * square * cap * std::cos(theta), 88.0f * c,
                38.0f * square * cap * std::sin(theta)};
    }
    case 5:  // trefoil knot
        return knotPoint(theta, phi);
    case 6: {  // six-petalled flower bulb
        const float r = 58.0f + 26.0f * std::cos(6.0f * theta) * s * s;
        return {r * d.x, r * d.y * 0.85f, r * d.z};
    }
    case 7:  // octahedral diamond
        return turnY(superShell(d, 1.0f, 92.0f), pi / 4.0f);
    case 8: {  // vase with a lip, a neck and a round belly
        const float body = 24.0f + 36.0f * std::exp(-std::pow((v - 0.64f) / 0.22f, 2.0f)) -
                           10.0f * std::exp(-std::pow((v - 0.25f) / 0.10f, 2.0f)) +
                           9.0f * std::exp(-std::pow((v - 0.06f) / 0.05f, 2.0f));
        const float rho = body * std::pow(s, 0.3f);
        return {rho * std::cos(theta), 88.0f - 176.0f * v, rho * std::sin(theta)};
    }
    case 9: {  // saucer with a dome
        const float dome = c > 0.0f ? 46.0f * c * c * c : 0.0f;
        return {94.0f * s * std::cos(theta), 16.0f * c + dome - 8.0f, 94.0f * s * std::sin(theta)};
    }
    case 10: {  // lumpy blob
        const float r = 70.0f + 13.0f * std::sin(3.0f * theta + 2.0f * phi) +
                        10.0f * std::cos(5.0f * phi - theta) +
                        8.0f * std::sin(2.0f * theta) * std::cos(3.0f * phi);
        return d * r;
    }
    case 11: {  // ring whose flat band turns twice round on the way
        const float psi = 2.0f * phi;
        const float turn = 2.0f * theta;
        const float a = 36.0f * std::cos(psi), b = 11.0f * std::sin(psi);
        const float radial = a * std::cos(turn) - b * std::sin(turn);
        const float up = a * std::sin(turn) + b * std::cos(turn);
        return {(62.0f + radial) * std::cos(theta), up, (62.0f + radial) * std::sin(theta)};
    }
    case 12: {  // rippled hat
        const float rho = 92.0f * s;
        const float ripple = 22.0f * std::cos(rho * 0.12f) * (1.0f - rho / 110.0f);
        return {rho * std::cos(theta), 12.0f * c + ripple, rho * std::sin(theta)};
    }
    case 13: {  // drum with ribs
        const float side = std::pow(s, 0.12f);
        const float rib = 1.0f + 0.08f * std::cos(10.0f * phi);
        const float height = (c >= 0.0f ? 1.0f : -1.0f) * std::pow(std::fabs(c), 0.35f);
        return {62.0f * side * rib * std::cos(theta), 70.0f * height,
                62.0f * side * rib * std::sin(theta)};
    }
    default: {  // egg, tipped up
        const Point3 e = {d.x * 70.0f, d.y * (d.y > 0.0f ? 95.0f : 70.0f), d.z * 70.0f};
        return e;
    }
    }
}

// The grid's triangles: two per cell, wound so that (c - a) x (b - a) points out of the shape.
std::vector<Face3ds> gridFaces(int columnStep, int rowStep)
{
    std::vector<Face3ds> faces;
    for (int i = 0; i < morphRows; i += rowStep) {
        for (int j = 0; j < morphColumns; j += columnStep) {
            const auto at = [](int row, int column) {
                return uint16_t(row * morphGridWidth + column);
            };
            const int i1 = std::min(i + rowStep, morphRows);
            const int j1 = std::min(j + columnStep, morphColumns);
            faces.push_back({at(i, j), at(i1, j), at(i, j1), 7});
            faces.push_back({at(i1, j1), at(i, j1), at(i1, j), 7});
        }
    }
    return faces;
}

std::vector<Point3> shapeVertices(int shape)
{
    std::vector<Point3> points;
    for (int i = 0; i <= morphRows; ++i)
        for (int j = 0; j <= morphColumns; ++j) {
            // The seam column repeats column 0 exactly, the poles are single points.
            const float theta = 2.0f * pi * float(j % morphColumns) / float(morphColumns);
            const float phi = pi * float(i) / float(morphRows);
            points.push_back(keyShape(shape, theta, phi));
        }
    // Keep every shape wound the same way as the faces: a shape whose surface runs the other way
    // round is mirrored in x, which turns it inside out again.
    const std::vector<Face3ds> faces = gridFaces(1, 1);
    float volume = 0.0f;
    for (const Face3ds& f : faces)
        volume += dot(points[f.a], cross(points[f.b], points[f.c]));
    float lowest = 1e9f;
    for (Point3& p : points) {
        if (volume > 0.0f)
            p.x = -p.x;
        p = p * morphScale;
        p.y += morphCentreY;
        lowest = std::min(lowest, p.y);
    }
    // Every shape clears the floor, so that its mirror image stays below it.
    if (lowest < morphClearance)
        for (Point3& p : points)
            p.y += morphClearance - lowest;
    return points;
}

Object3ds gridObject(const std::string& name, const std::vector<Point3>& points, bool mirror)
{
    Object3ds object;
    object.name = name;
    for (const Point3& p : points)
        object.vertices.push_back(fileAxes(mirror ? Point3{p.x, -p.y, p.z} : p));
    return object;
}

}  // namespace

Scene3ds modelMorph()
{
    Scene3ds scene;
    scene.materials.push_back({"MORPH FLOOR", "mofloor.jpg"});
    scene.materials.push_back({"MORPH SKIN", "moskin.jpg"});

    // Object 0: the floor at height 0, facing up; the scene rewrites its texture coordinates.
    Object3ds floor;
    floor.name = "floor";
    const float half = floorStep * (floorSide - 1) * 0.5f;
    for (int r = 0; r < floorSide; ++r)
        for (int c = 0; c < floorSide; ++c) {
            floor.vertices.push_back(
                fileAxes({-half + floorStep * c, 0.0f, -half + floorStep * r}));
            floor.texCoords.push_back({c * 0.25f, 1.0f - r * 0.25f});
        }
    FaceGroup3ds floorGroup{"MORPH FLOOR", {}};
    for (int r = 0; r + 1 < floorSide; ++r)
        for (int c = 0; c + 1 < floorSide; ++c) {
            const auto at = [](int row, int column) { return uint16_t(row * floorSide + column); };
            floorGroup.faces.push_back(uint16_t(floor.faces.size()));
            floor.faces.push_back({at(r, c), at(r, c + 1), at(r + 1, c), 7});
            floorGroup.faces.push_back(uint16_t(floor.faces.size()));
            floor.faces.push_back({at(r + 1, c + 1), at(r + 1, c), at(r, c + 1), 7});
        }
    floor.groups.push_back(floorGroup);
    scene.objects.push_back(floor);

    // Objects 1 and 2: the morphing object and its mirror, both starting as the first key shape,
    // with the same faces (the scene turns the mirror's winding round) and texture coordinates.
    const std::vector<Point3> first = shapeVertices(0);
    const std::vector<Face3ds> faces = gridFaces(1, 1);
    for (int k = 0; k < 2; ++k) {
        Object3ds object = gridObject(k == 0 ? "morph" : "mirror", first, k == 1);
        for (int i = 0; i <= morphRows; ++i)
            for (int j = 0; j <= morphColumns; ++j)
                object.texCoords.push_back(
                    {2.0f * float(j) / float(morphColumns), 1.0f - float(i) / float(morphRows)});
        object.faces = faces;
        FaceGroup3ds group{"MORPH SKIN", {}};
        for (size_t f = 0; f < faces.size(); ++f)
            group.faces.push_back(uint16_t(f));
        object.groups.push_back(group);
        scene.objects.push_back(object);
    }

    // Objects 3 to 17: the key shapes, vertices only, except object 5 (the torus), which also has
    // a coarse set of faces for the small wireframe view.
    for (int shape = 0; shape < morphKeyShapes; ++shape) {
        Object3ds object = gridObject("key" + std::to_string(shape), shapeVertices(shape), false);
        if (shape == 2)
            object.faces = gridFaces(2, 2);
        scene.objects.push_back(object);
    }
    return scene;
}

Picture paintMorphFloor()
{
    // A dark glassy floor of 64-texel tiles (one grid cell each): deep blue with a faint cloudy
    // sheen, bright cyan seams along the rows (the scroll runs along them, so they stay steady) and
    // softer violet seams across, which the scroll turns into passing pulses.
    Canvas canvas = makeCanvas(textureSize3d, textureSize3d);
    for (int y = 0; y < textureSize3d; ++y)
        for (int x = 0; x < textureSize3d; ++x) {
            const float fx = float(x) / textureSize3d * 2.0f * pi;
            const float fy = float(y) / textureSize3d * 2.0f * pi;
            const float sheen = 0.5f + 0.25f * std::sin(fx + 2.0f * std::sin(fy)) +
                                0.25f * std::sin(2.0f * fy + std::cos(3.0f * fx));
            Rgb c = {0.02f + 0.05f * sheen, 0.04f + 0.07f * sheen, 0.12f + 0.16f * sheen};
            const float dy = std::fabs(float((y + 32) % 64) - 32.0f);
            const float dx = std::fabs(float((x + 32) % 64) - 32.0f);
            c = addRgb(c, scaleRgb({0.15f, 0.75f, 1.0f}, std::exp(-dy * dy / 2.5f) * 0.85f +
                                                             std::exp(-dy * dy / 40.0f) * 0.15f));
            c = addRgb(c, scaleRgb({0.55f, 0.25f, 0.9f}, std::exp(-dx * dx / 3.0f) * 0.5f +
                                                             std::exp(-dx * dx / 50.0f) * 0.1f));
            // A small bright stud where the seams cross.
            c = addRgb(c,
                       scaleRgb({0.8f, 0.9f, 1.0f}, std::exp(-(dx * dx + dy * dy) / 8.0f) * 0.6f));
            canvas.pixels[size_t(y) * textureSize3d + x] = c;
        }
    return finishPicture(canvas, 1101);
}

Picture paintMorphSkin()
{
    // Liquid metal in bands of colour from pole to pole (violet, blue, cyan, gold), with fine
    // darker lines around and along the grid so the shape's motion reads on its surface. Kept at
    // half brightness: the highlight mode doubles it where the surface faces the viewer.
    static const std::vector<RampStop> bands = {
        {0.00f, {0.45f, 0.20f, 0.55f}}, {0.18f, {0.20f, 0.25f, 0.60f}},
        {0.36f, {0.15f, 0.50f, 0.62f}}, {0.50f, {0.55f, 0.60f, 0.62f}},
        {0.64f, {0.62f, 0.48f, 0.18f}}, {0.82f, {0.50f, 0.22f, 0.30f}},
        {1.00f, {0.45f, 0.20f, 0.55f}},
    };
    Canvas canvas = makeCanvas(textureSize3d, textureSize3d);
    for (int y = 0; y < textureSize3d; ++y)
        for (int x = 0; x < textureSize3d; ++x) {
            const float fx = float(x) / textureSize3d * 2.0f * pi;
            const float wave = 0.06f * std::sin(2.0f * fx) + 0.03f * std::sin(5.0f * fx);
            Rgb c = sampleRamp(bands, std::clamp(float(y) / textureSize3d + wave, 0.0f, 1.0f));
            const float line = std::fabs(std::sin(float(x) * pi / 16.0f)) *
                               std::fabs(std::sin(float(y) * pi / 21.333f));
            c = scaleRgb(c, 0.7f + 0.3f * std::pow(line, 0.3f));
            c = addRgb(c, scaleRgb({0.25f, 0.25f, 0.3f},
                                   std::pow(std::max(0.0f, std::sin(fx * 3.0f + float(y) * 0.05f)),
                                            24.0f)));
            canvas.pixels[size_t(y) * textureSize3d + x] = c;
        }
    return finishPicture(canvas, 1102);
}
