// Morph: an object that flows through the key shapes stored in "morph.3ds", mirrored in a
// translucent floor whose texture scrolls, watched by a camera that swings round it; a column of
// pulsing frames on the right, a small wireframe view of one key shape in the lower left and a
// flickering glow in the corner.
#include <cmath>
#include <cstdint>

#include "demo/demo.h"
#include "display/display.h"
#include "render/draw.h"
#include "scenes/scene.h"

namespace {

constexpr int32_t morphPeriod = 853;  // time units from one key shape to the next
constexpr int floorSide = 9;          // the floor's first 81 vertices are a 9 x 9 grid
constexpr int floorGridVertices = floorSide * floorSide;
constexpr int morphObject = 1;
constexpr int mirrorObject = 2;
constexpr int firstKeyObject = 3;
// The show's 11776 units reach key 16 (11776 div 853 = 13) and morph towards key 17.
constexpr int lastKeyObject = 17;
constexpr int smallViewObject = 5;

// What the init found in the mesh; each flag or bound guards the drawing that relies on it.
struct MorphState {
    bool floorGrid = false;     // object 0 has the 81 grid vertices the scroll rewrites
    bool morphing = false;      // objects 1 and 2 exist with the same vertex count
    int32_t lastKey = 0;        // last key object with object 1's vertex count (contiguous from 3)
    bool smallView = false;     // object 5 exists
    int32_t drawnVertices = 0;  // the counts cut to object 2's end: what the common pipeline draws
    int32_t drawnFaces = 0;
};
MorphState morph;

int32_t vertexTotal(const MeshObject& object)
{
    return object.lastVertex - object.firstVertex + 1;
}

// The facing test alone (the small view has no near test).
bool facesEye(const MeshFace& face)
{
    const float d = float(projection.projectionDistance);
    return face.cnx * face.a->cx + face.cny * face.a->cy + face.cnz * face.a->cz + d * face.cnz <=
           0.0f;
}

// Object 1 between key objects k and k + 1 at f, and object 2 its reflection in the plane y = 0.
void morphVertices(int32_t k, float f)
{
    const MeshObject& target = mesh.objects[morphObject];
    const MeshObject& mirror = mesh.objects[mirrorObject];
    const MeshObject& from = mesh.objects[k];
    const MeshObject& to = mesh.objects[k < morph.lastKey ? k + 1 : k];
    const int32_t n = vertexTotal(target);
    for (int32_t i = 0; i < n; ++i) {
        const MeshVertex& a = mesh.vertices[from.firstVertex + i];
        const MeshVertex& b = mesh.vertices[to.firstVertex + i];
        MeshVertex& v = mesh.vertices[target.firstVertex + i];
        v.x = a.x + (b.x - a.x) * f;
        v.y = a.y + (b.y - a.y) * f;
        v.z = a.z + (b.z - a.z) * f;
        MeshVertex& m = mesh.vertices[mirror.firstVertex + i];
        m.x = v.x;
        m.y = -v.y;
        m.z = v.z;
    }
}

// Step 1: the main view swings round the object.
void mainView(int32_t t, Matrix4& view)
{
    const double pi = rendererPi;
    const float q = float(floatCos(t * pi / 1440) * floatSin(t * pi / 2880));
    const Vec3 eye = {float(300 * floatCos(t * pi / 1440 + q)), float(100 * floatSin(q) + 400),
                      float(300 * floatSin(t * pi / 2880 + q))};
    const Vec3 target = {float(50 * floatSin(t * pi / 1440)), 0.0f,
                         float(50 * floatCos(t * pi / 720))};
    orbitView(eye, target, view);
}

// Step 2: the floor's texture scrolls along its rows.
void scrollFloor(int32_t t)
{
    if (!morph.floorGrid)
        return;
    for (int r = 0; r < floorSide; ++r)
        for (int c = 0; c < floorSide; ++c) {
            MeshVertex& v = mesh.vertices[mesh.objects[0].firstVertex + floorSide * r + c];
            v.u = float(64 * c + t / 2);
            v.v = float(64 * r);
        }
}

// Step 3: the object between two key shapes, slow out of the first and fast into the next.
void morphAt(int32_t t)
{
    if (!morph.morphing)
        return;
    int32_t k = t / morphPeriod + firstKeyObject;
    const float s = float(t - (k - firstKeyObject) * morphPeriod) / float(morphPeriod);
    float f = s * s * s;
    if (k >= morph.lastKey) {
        // Past the last key shape the object keeps it.
        k = morph.lastKey;
        f = 0.0f;
    }
    morphVertices(k, f);
}

// Step 4: objects 0 to 2 through the common pipeline.
void drawMainView(const Matrix4& view)
{
    updateMeshNormals();
    transformVertices(0, morph.drawnVertices - 1, view);
    transformFaceNormals(0, morph.drawnFaces - 1, view);
    resetDrawList();
    addVisibleFaces(0, morph.drawnFaces - 1);
    drawDrawList();
}

// Step 5: the column of pulsing frames, neighbours breathing in opposite phase.
void drawFrames(int32_t t)
{
    const double pi = rendererPi;
    for (int i = 0; i < 5; ++i) {
        const float a = float(10 * floatCos(t * pi / 210 + i * pi) + 10);
        drawJitterBox(frameBuffer.pixels, int32_t(270 - a), int32_t(50 * i - a),
                      int32_t(2 * a + 20), int32_t(2 * a + 20));
    }
}

// Step 6: the small view of object 5, drawn in face order without sorting.
void drawSmallView(int32_t t)
{
    if (!morph.smallView)
        return;
    const double pi = rendererPi;
    const float q2 = float(floatCos(t * pi / 720) * floatSin(t * pi / 1440));
    const Vec3 eye2 = {float(600 * floatCos(t * pi / 360 + q2)), float(200 * floatSin(q2) + 400),
                       float(600 * floatSin(t * pi / 720 + q2))};
    Matrix4 orbit, shift, small;
    orbitView(eye2, Vec3{0, 0, 0}, orbit);
    matTranslate(-200, -150, 0, shift);
    matMultiply(shift, orbit, small);
    const MeshObject& object = mesh.objects[smallViewObject];
    prepareFastTransform(small);
    for (int32_t i = object.firstVertex; i <= object.lastVertex; ++i)
        transformVertex(mesh.vertices[i], small);
    for (int32_t i = object.firstFace; i <= object.lastFace; ++i) {
        rotateFaceNormal(mesh.faces[i], small);
        if (facesEye(mesh.faces[i]))
            drawFace(mesh.faces[i], frameBuffer.pixels);
    }
}

// Step 7: the glow in the lower left corner flickers in size, 120 to 375 pixels.
void drawCornerGlow()
{
    const int size = 120 + (nextRandom() >> 7);
    drawSlotSprite(0, 0, 200, size, size);
}

}  // namespace

void morphInit()
{
    morph = MorphState{};
    loadTextureSlot(0, "light_b.jpg");
    loadSceneMesh("morph.3ds");

    const int32_t objects = mesh.objectCount;
    morph.floorGrid =
        checkSceneData(objects >= 1 && vertexTotal(mesh.objects[0]) >= floorGridVertices, "morph",
                       "object 0 is not a 9 x 9 floor grid: the floor does not scroll");
    morph.morphing =
        checkSceneData(objects > mirrorObject && vertexTotal(mesh.objects[mirrorObject]) ==
                                                     vertexTotal(mesh.objects[morphObject]),
                       "morph", "objects 1 and 2 are not an object and its mirror: nothing morphs");
    morph.lastKey = firstKeyObject - 1;
    if (morph.morphing)
        while (morph.lastKey + 1 < objects && vertexTotal(mesh.objects[morph.lastKey + 1]) ==
                                                  vertexTotal(mesh.objects[morphObject]))
            ++morph.lastKey;
    if (morph.morphing)
        morph.morphing =
            checkSceneData(morph.lastKey >= firstKeyObject, "morph",
                           "no key shape with object 1's vertex count: nothing morphs");
    if (morph.morphing)
        checkSceneData(morph.lastKey >= lastKeyObject, "morph",
                       "fewer than 15 key shapes: the object keeps the last one it reaches");
    morph.smallView =
        checkSceneData(objects > smallViewObject, "morph", "object 5 is missing: no small view");

    // Drawing modes: the floor blends half with what lies under it, the object and its mirror are
    // lit with a highlight, the small view's object is a wireframe of glow lines.
    if (objects >= 1)
        for (int32_t i = mesh.objects[0].firstFace; i <= mesh.objects[0].lastFace; ++i)
            mesh.faces[i].mode = modeHalfBlend;
    if (objects > mirrorObject)
        for (int32_t i = mesh.objects[morphObject].firstFace;
             i <= mesh.objects[mirrorObject].lastFace; ++i)
            mesh.faces[i].mode = modeHighlight;
    if (morph.smallView)
        for (int32_t i = mesh.objects[smallViewObject].firstFace;
             i <= mesh.objects[smallViewObject].lastFace; ++i)
            mesh.faces[i].mode = modeWireframe;

    if (morph.morphing) {
        // The mirror shares the object's texture coordinates, and its faces turn the other way
        // round, since the reflection reverses their winding.
        const MeshObject& source = mesh.objects[morphObject];
        const MeshObject& mirror = mesh.objects[mirrorObject];
        for (int32_t i = 0; i < vertexTotal(source); ++i) {
            mesh.vertices[mirror.firstVertex + i].u = mesh.vertices[source.firstVertex + i].u;
            mesh.vertices[mirror.firstVertex + i].v = mesh.vertices[source.firstVertex + i].v;
        }
        for (int32_t i = mirror.firstFace; i <= mirror.lastFace; ++i) {
            MeshVertex* first = mesh.faces[i].a;
            mesh.faces[i].a = mesh.faces[i].c;
            mesh.faces[i].c = first;
        }
    }
    prepareMeshNormals();

    // Only objects 0 to 2 take part in the common transform and drawing.
    const int32_t last = objects > mirrorObject ? mirrorObject : objects - 1;
    if (last >= 0) {
        mesh.faceCount = mesh.objects[last].lastFace + 1;
        mesh.vertexCount = mesh.objects[last].lastVertex + 1;
    }
    morph.drawnVertices = mesh.vertexCount;
    morph.drawnFaces = mesh.faceCount;
}

void morphRun(int32_t length, uint32_t endPosition, uint32_t endRow)
{
    beginSceneRun();
    while (runContinues(endPosition, endRow)) {
        readMusicPosition();
        const int32_t t = scene.sceneTime;
        Matrix4 view;
        mainView(t, view);
        scrollFloor(t);
        morphAt(t);
        drawMainView(view);
        drawFrames(t);
        drawSmallView(t);
        drawCornerGlow();
        finishSceneFrame(length, 0.96f);
    }
}

void morphFree()
{
    freeTextureSlot(0);
    free3ds();
}
