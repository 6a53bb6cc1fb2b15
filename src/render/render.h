// Renderer: vector and matrix maths, projection, normals and lighting values, keyframe tracks.
// The rasterizers and screen effects of this folder are declared in render/draw.h, which stands
// on its own: a file that uses both includes both.
#pragma once

#include <cmath>
#include <cstdint>

#include "render/maths.h"

// The mesh records are defined by the mesh loader (assets/mesh.h); the renderer reads and writes
// their position, camera-space, screen and normal fields.
struct MeshVertex;
struct MeshFace;
struct MeshLight;
struct MeshObject;

// Vectors and matrices (the types are in render/maths.h)

// The products m[i][0]·m[i][1] of the three rows of the matrix last given to prepareFastTransform.
// One renderer-wide value: the fast transforms assume it belongs to the matrix they are given.
struct PairProducts {
    float p0, p1, p2;
};
extern PairProducts pairProducts;

// pi as the renderer uses it everywhere (slightly below the true value).
constexpr double rendererPi = 3.1415926;

// The show's trigonometry: computed in double precision and stored as a 32-bit float, so every
// sine, cosine, tangent and arc tangent is rounded to a float before anything else uses it; the
// expression around it goes on in the types it is written in.
inline float floatCos(double a)
{
    return static_cast<float>(std::cos(a));
}
inline float floatSin(double a)
{
    return static_cast<float>(std::sin(a));
}
inline float floatTan(double a)
{
    return static_cast<float>(std::tan(a));
}
inline float floatAtan2(double y, double x)
{
    return static_cast<float>(std::atan2(y, x));
}

void matIdentity(Matrix4& m);
// Identity with the translation (a, b, c).
void matTranslate(float a, float b, float c, Matrix4& m);
// Zero except the diagonal (a, b, c, 1).
void matScale(float a, float b, float c, Matrix4& m);
// Rotation by angle (radians) about axis 0 (x), 1 (y) or 2 (z).
void matRotate(float angle, int axis, Matrix4& m);
// r = a·b (b acts first), each sum accumulated in float from k = 0 upward. r may alias a or b.
void matMultiply(const Matrix4& a, const Matrix4& b, Matrix4& r);
// Rotation by angle about an axis through the pivot point. The axis is taken with x mirrored:
// the rotation turns about (-axis.x, axis.y, axis.z), which the rotation tracks allow for.
void matAxisRotate(const Vec3& pivot, const Vec3& axis, float angle, Matrix4& m);
// Orbit view about b: b lands on the view axis at camera-space z = |b - a| - D, so the projection
// shows it at scale D / |b - a|. Like cameraView it takes the x and z of the direction negated:
// the point (a.x, 2·b.y - a.y, a.z) lands on the axis behind b.
void orbitView(const Vec3& a, const Vec3& b, Matrix4& m);
// View from eye toward target, rolled about the view axis. The translation takes eye x and z as
// given and eye y negated: the keyframed camera passes eye and target with x and z negated.
void cameraView(const Vec3& eye, const Vec3& target, float roll, Matrix4& m);
// deg · 3.1415926 · (1/180) in double, stored as float.
float degToRad(float degrees);

// Sets pairProducts from m; needed once per matrix before its fast transforms.
void prepareFastTransform(const Matrix4& m);
// Camera-space position (with translation) and camera-space normal (without) of a vertex.
void transformVertex(MeshVertex& v, const Matrix4& m);
// Camera-space position of a light (from its position).
void transformPoint(MeshLight& light, const Matrix4& m);
// Camera-space position of a vertex only (no normal).
void transformPoint(MeshVertex& v, const Matrix4& m);
// The point form for free point sets: returns m·p.
Vec3 transformPoint(const Vec3& p, const Matrix4& m);
// Camera-space face normal (rotation part only).
void rotateFaceNormal(MeshFace& f, const Matrix4& m);
// The direction form for free vectors: returns the rotation part of m applied to d.
Vec3 rotateDirection(const Vec3& d, const Matrix4& m);

// Projection

// Renderer-wide projection state. Camera space: x right, y up, z into the screen, eye at (0, 0,
// -D).
struct ProjectionState {
    int projectionDistance;  // D: the plane z = 0 is shown at scale 1
    int nearLimit;           // 10 - D: scenes drop faces with a vertex at z <= nearLimit
    int screenCentreX;       // 160, half the view width
    int screenCentreY;       // 100, the middle of the 200-row view
};
extern ProjectionState projection;

// Back to the start-up values (the ones the program starts with): field of view 45 degrees,
// centre (160, 100).
void resetProjection();
// D = trunc(320 / (2 · tan(degrees · 3.14 / 360))) and nearLimit = 10 - D (3.14 as written).
void setFieldOfView(float degrees);
// Screen position of a camera-space point: f = D / (D + z); (x·f + cx, cy - y·f).
void projectPoint(const Vec3& camera, float& sx, float& sy);
// Writes the screen x, y of a vertex or light from its camera-space position.
void projectPoint(MeshVertex& v);
void projectPoint(MeshLight& light);

// Normals and lighting

// Unit face normals and smoothed unit vertex normals for the whole current mesh; vertices at the
// same position (within 0.00001 on each axis) share one normal across texture seams.
void prepareMeshNormals();
// Per-frame normals of a deforming mesh: area-weighted, no grouping.
void updateMeshNormals();
// Light-map column s and row t from the camera-space normal: ((1 + nx)·128, (1 + ny)·128).
void lightMapCoords(const MeshVertex& v, float& s, float& t);
// Brightness 5..255 of a vertex lit by light 0 (camera-space positions and normal).
float pointLightIntensity(const MeshVertex& v, const Vec3& light);
float pointLightIntensity(const MeshVertex& v);

// The highlight tables: the two 256x256 light maps, [row][column], in one block of 131072 bytes
// (plane 0 the diffuse map, 64..255; plane 1 the highlight map, 0..192, directly after it), and
// the environment picture. buildLightMaps makes them at the first mesh load and they stay to the
// end of the run; resetLightMaps puts the record back to its start value.
constexpr int lightMapSize = 256;  // light maps are addressed by byte coordinates
struct LightMapState {
    uint8_t maps[2][lightMapSize][lightMapSize];
    uint32_t* envMapTexture = nullptr;  // the environment picture's 256x256 pixels (owned), or null
    bool built = false;                 // buildLightMaps has made the tables since the last reset
};
extern LightMapState lightMapState;
inline uint8_t (&lightMap)[lightMapSize][lightMapSize] = lightMapState.maps[0];
inline uint8_t (&specularMap)[lightMapSize][lightMapSize] = lightMapState.maps[1];
inline uint32_t* const& envMapTexture = lightMapState.envMapTexture;
// Frees the environment picture and zeroes the record: no maps, no picture, not built.
void resetLightMaps();
// Computes both planes (no file access).
void fillLightMaps();
// Unless the tables are built: fills the light maps and loads the environment picture
// "enver1.jpg" (null when it cannot be loaded). Later calls leave them as they are.
void buildLightMaps();
// Builds the tables with the given environment picture (allocated with std::malloc, owned from
// now on; null for none) in place of "enver1.jpg": for tests and tools that bring their own.
void buildLightMapsWith(uint32_t* environment);

// Keyframe tracks

// 3D Studio's ease-to/ease-from warp of the segment fraction u (easeFrom of the first key,
// easeTo of the second).
float easeTime(float u, float easeFrom, float easeTo);

// One component of a Kochanek–Bartels segment between key values p1 and p2, with the neighbours
// p0 (used when hasPrevious) and p3 (used when hasNext).
struct TcbSegment {
    float p0, p1, p2, p3;
    float tension1, continuity1, bias1;  // of the key at p1
    float tension2, continuity2, bias2;  // of the key at p2
    bool hasPrevious, hasNext;
};
float tcbValue(const TcbSegment& s, float u);

// Evaluates the camera position, target and roll tracks at frame t into a view matrix.
void evalCameraView(float t, Matrix4& view);
// Sets the light's position from its track when the track has two keys or more.
void evalLightTrack(MeshLight& light, float t);
// The object's position at t in the key's axis order (the caller swaps y and z).
Vec3 evalPositionTrack(const MeshObject& object, float t);
// Applies the newest passed rotation key to the object's accumulated rotation matrix and returns
// the rotation still to apply on top of it: axis (file order) and angle.
struct AxisAngle {
    Vec3 axis;
    float angle;
};
AxisAngle evalRotationTrack(MeshObject& object, float t);
