// Meshes modelled in code for the show's 3D Studio files. Shapes are built in the engine's axes
// (x right, y up, z away from the viewer) and turned into the file's axes (z up) when they become
// 3DS records, so a scene's numbers (heights, radii) read the same here as in its drawing code.
#pragma once

#include "geometry.h"
#include "writers/write3ds.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A point of a shape in engine axes with texture coordinates in texels of a 256x256 texture.
struct ModelVertex {
    float x = 0, y = 0, z = 0;
    float u = 0, v = 0;
};

// A shape: triangles (a, b, c) whose front side is the one the renderer keeps, i.e. the side
// toward which (c - a) x (b - a) points.
struct Model {
    std::vector<ModelVertex> vertices;
    std::vector<std::array<uint16_t, 3>> faces;
    // The flag word written with every face (the loader skips it): 0, or 7 for "all three edges
    // visible", which the flights', the tunnel's and the neon rooms' files carry.
    uint16_t faceFlags = 0;
};

// Appends a vertex and returns its index.
uint16_t addVertex(Model& model, float x, float y, float z, float u, float v);
void addTriangle(Model& model, int a, int b, int c);
// The triangle a b c, or a c b, whichever shows its front toward `facing`.
void addTriangleFacing(Model& model, int a, int b, int c, Point3 facing);
// The two triangles a b c and a c d of the quad a b c d, whose corners run round it in the
// order of a triangle's.
void addQuad(Model& model, int a, int b, int c, int d);

// One point of a lathe profile: radius from the axis, height, texel row.
struct ProfilePoint {
    float radius = 0.0f;
    float height = 0.0f;
    float v = 0.0f;
};

// A UV sphere; u runs once around, v from pole to pole, with seam vertices so no face wraps.
Model makeSphere(float radius, int rings, int segments);
// A surface of revolution about the y axis through the profile points (radius, height), from
// first to last; u runs around, v along the profile. Outward faces when the profile runs upward
// on the outside.
Model makeLathe(const std::vector<std::array<float, 2>>& profile, int segments, float vRepeat);
// A surface of revolution about the vertical axis through (cx, cz) whose profile points carry
// their own texel rows: segments steps around from startAngle (x toward z; one more column of
// vertices closes the seam), the texture repeated uRepeat times around. Rows run from the first
// profile point; the front lies to the right of the profile's direction in the (radius, height)
// plane, so a profile that goes up at the outside and inward over the top faces outward.
void addLathe(Model& model, const std::vector<ProfilePoint>& profile, int segments, float uRepeat,
              float cx = 0.0f, float cz = 0.0f, float startAngle = 0.0f);

// A point of a surface for parameters s, t in 0..1.
using SurfaceFunction = std::function<Point3(float s, float t)>;
// A grid of (columns + 1) x (rows + 1) vertices over the surface, rows along t, two triangles per
// cell split from its (0, 0) corner to its (1, 1) corner, the texture repeated uRepeat times along
// s and vRepeat times along t. The faces face the side toward which dt x ds points; flip turns
// them to the other side.
void addSurface(Model& model, const SurfaceFunction& surface, int columns, int rows, float uRepeat,
                float vRepeat, bool flip);
// Surfaces about a vertical axis through centre: s runs around it from +x toward +z, so the
// unflipped faces of a sphere or a torus face out. The sphere's t runs from the lower pole up,
// the torus's round the tube from its outer equator up; the lathe's radius and height follow the
// (radius, height) points with t, by linear interpolation.
SurfaceFunction sphereSurface(Point3 centre, float radius);
SurfaceFunction torusSurface(Point3 centre, float ringRadius, float tubeRadius);
SurfaceFunction latheSurface(Point3 centre, std::vector<std::array<float, 2>> profile);
// A rough rock: a sphere of the given radius, a little flattened, whose surface is pushed in and
// out by noise, in a grid of columns x rows cells.
void addRock(Model& model, Point3 centre, float radius, float roughness, int seed, int columns = 8,
             int rows = 5);

// A ring torus about the y axis.
Model makeTorus(float majorRadius, float minorRadius, int rings, int segments);
// A flat coin in the x-y plane facing -z and +z, with a rim; its faces map the whole texture
// (the centre at texel 128, 128, the rim at the edge).
Model makeCoin(float radius, float thickness, int segments);
// A box centred on the origin; every side maps the whole texture.
Model makeBox(float sizeX, float sizeY, float sizeZ);

// Moves, scales or turns every vertex.
void translateModel(Model& model, float x, float y, float z);
void scaleModel(Model& model, float x, float y, float z);
// Turns about the engine's y axis (x toward z), x axis (y toward z) or z axis (x toward y) by
// angle radians.
void rotateModelY(Model& model, float angle);
void rotateModelX(Model& model, float angle);
void rotateModelZ(Model& model, float angle);
// Shifts every texture coordinate by (du, dv) texels and scales them about 0 by (su, sv).
void mapModel(Model& model, float su, float sv, float du, float dv);
// Turns the faces inside out (for rooms seen from within).
void flipModel(Model& model);
// Adds the vertices and faces of part to model.
void appendModel(Model& model, const Model& part);

// One 3DS object of the model (objects that share a material share its face group, which holds
// at most 2048 faces in the loader): vertices in the file's axes relative to nothing (the model is
// where it stands), with texture coordinates, all faces in one material group, and a mesh
// matrix with unit axes whose origin is `origin` (engine axes) so a keyframed scene places it by
// its node's tracks about that point.
Object3ds modelObject(const std::string& name, const Model& model, const std::string& material,
                      Point3 origin = {0, 0, 0});

// Key helpers in engine axes (they swap into the file's axes).
Key3ds positionKey(uint32_t frame, float x, float y, float z);
Key3ds positionKey(uint32_t frame, Point3 p);
// A rotation key about an engine-axes direction (it need not be unit length: the key holds it
// scaled to unit length), angle in radians, relative to the key before it.
Key3ds rotationKey(uint32_t frame, float angle, float ax, float ay, float az);
// The same with the axis written as given, at whatever length (the loader does not scale it).
Key3ds rotationKeyAsGiven(uint32_t frame, float angle, Point3 axis);
// `turns` whole turns about an axis over the frames: a first key of no turn, then keys of equal
// angle every `step` frames up to the first at or after lastFrame (axes as given).
std::vector<Key3ds> spinKeys(uint32_t lastFrame, uint32_t step, float turns, Point3 axis);
Key3ds rollKey(uint32_t frame, float degrees);
// Sets the key's tension, continuity and bias (written only when non-zero).
Key3ds withTcb(Key3ds key, float tension, float continuity, float bias);

// An object node with a pivot (engine axes, relative to the object's origin: zero turns it about
// that origin), position and rotation tracks. Every keyframed object needs both tracks: the
// scene composes its matrix from them, so an object given no rotation keys gets one of no turn.
Node3ds objectNode(const std::string& name, Point3 pivot, std::vector<Key3ds> positions,
                   std::vector<Key3ds> rotations = {});
// A light node with a position track; nodes fill the lights' tracks in the order of the nodes,
// so every light before the last moving one needs a node (one key keeps it still).
Node3ds lightNode(const std::string& name, std::vector<Key3ds> positions);
// The camera node (position and roll tracks) and its target node.
Node3ds cameraNode(std::vector<Key3ds> positions, std::vector<Key3ds> rolls);
Node3ds targetNode(std::vector<Key3ds> positions);
// Gives every node of the scene its place in the list as its node id (written only when set).
void numberNodes(Scene3ds& scene);

// A light at an engine-axes position.
Light3ds modelLight(const std::string& name, float x, float y, float z,
                    std::array<float, 3> colour = {1, 1, 1});
Light3ds modelLight(const std::string& name, Point3 p, std::array<float, 3> colour = {1, 1, 1});
