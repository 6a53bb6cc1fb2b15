// The neon rooms' data: "comp2.3ds" (the computer room), "mother.3ds" (the machine room with its
// moving parts), the room textures both share, the blinking sign's two pictures, the Computer's
// tall glowing overlay and the Mother's status panel. The scenes rely on: at most three lights,
// each with a position track; a camera track of about 495 frames; in comp2.3ds object 4 the
// monitor's screen mapping the whole texture and objects 6 to 8 the sign; in mother.3ds object 0
// the sign and object 4 the orb (drawn with a highlight), every object with a mesh matrix, a pivot
// and position and rotation tracks; "neonlamp.jpg" and "neonlam2.jpg" 256 x 256, "zorvex1.jpg"
// 320 wide and at least 500 high, "bksheme.jpg" at most 144 wide.
#include "scene_neon_rooms.h"

#include "masks.h"
#include "model.h"
#include "noise.h"
#include "shapes.h"
#include "text.h"

#include "writers/write3ds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace {
constexpr int faceTexture = 256;  // face textures are addressed with byte coordinates

// A texture rectangle in texels (u right, v down, as the engine stores them).
struct UvRect {
    float u0, v0, u1, v1;
};

// Cells of the shared object atlas "nrbox.jpg": 4 x 4 cells of 64 texels, inset by one texel so
// that no face samples its neighbour.
UvRect atlasCell(int column, int row)
{
    return {column * 64.0f + 1.0f, row * 64.0f + 1.0f, column * 64.0f + 63.0f, row * 64.0f + 63.0f};
}
// What each atlas cell holds (column, row).
constexpr int cellPlasticTop[2] = {0, 0}, cellPlasticSide[2] = {1, 0}, cellPlasticDark[2] = {2, 0},
              cellMetal[2] = {3, 0}, cellKeys[2] = {0, 1}, cellTowerFront[2] = {1, 1},
              cellBezel[2] = {2, 1}, cellGrille[2] = {3, 1}, cellWoodTop[2] = {0, 2},
              cellWoodSide[2] = {1, 2}, cellFabric[2] = {2, 2}, cellRubber[2] = {3, 2},
              cellBooks[2] = {0, 3}, cellMachine[2] = {1, 3}, cellLamp[2] = {2, 3},
              cellGlow[2] = {3, 3};
UvRect cell(const int (&c)[2])
{
    return atlasCell(c[0], c[1]);
}

// The rooms' shapes, added to a model: each face is wound to show the side given as `facing`.

// A quad from corner o along edges eu (texture u) and ev (texture v), split into nu x nv cells;
// the texture runs from rect's first corner to its second over the whole quad, or repeats once per
// `repeatU` and `repeatV` units when those are set.
void addPanel(Model& model, Point3 o, Point3 eu, Point3 ev, Point3 facing, UvRect r, int nu = 1,
              int nv = 1, float repeatU = 0.0f, float repeatV = 0.0f)
{
    const float lu = std::sqrt(dot(eu, eu)), lv = std::sqrt(dot(ev, ev));
    const uint16_t first = uint16_t(model.vertices.size());
    for (int j = 0; j <= nv; ++j)
        for (int i = 0; i <= nu; ++i) {
            const float fu = float(i) / nu, fv = float(j) / nv;
            const float u = repeatU > 0.0f ? r.u0 + (r.u1 - r.u0) * fu * lu / repeatU
                                           : r.u0 + (r.u1 - r.u0) * fu;
            const float v = repeatV > 0.0f ? r.v0 + (r.v1 - r.v0) * fv * lv / repeatV
                                           : r.v0 + (r.v1 - r.v0) * fv;
            const Point3 p = o + eu * fu + ev * fv;
            addVertex(model, p.x, p.y, p.z, u, v);
        }
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) {
            const int a = first + j * (nu + 1) + i;
            addTriangleFacing(model, a, a + 1, a + nu + 1, facing);
            addTriangleFacing(model, a + nu + 2, a + nu + 1, a + 1, facing);
        }
}

// An axis-aligned box seen from outside, min corner lo, max corner hi; top, sides and front
// (the -z face) take their own atlas cells. The bottom is left out (it rests on something).
void addBlock(Model& model, Point3 lo, Point3 hi, UvRect top, UvRect side, UvRect front,
              bool bottom = false, bool withFront = true)
{
    const Point3 d = hi - lo;
    addPanel(model, {lo.x, hi.y, lo.z}, {d.x, 0, 0}, {0, 0, d.z}, {0, 1, 0}, top);
    if (withFront)
        addPanel(model, {lo.x, hi.y, lo.z}, {d.x, 0, 0}, {0, -d.y, 0}, {0, 0, -1}, front);
    addPanel(model, {hi.x, hi.y, hi.z}, {-d.x, 0, 0}, {0, -d.y, 0}, {0, 0, 1}, side);
    addPanel(model, {lo.x, hi.y, hi.z}, {0, 0, -d.z}, {0, -d.y, 0}, {-1, 0, 0}, side);
    addPanel(model, {hi.x, hi.y, lo.z}, {0, 0, d.z}, {0, -d.y, 0}, {1, 0, 0}, side);
    if (bottom)
        addPanel(model, {lo.x, lo.y, hi.z}, {d.x, 0, 0}, {0, 0, -d.z}, {0, -1, 0}, side);
}

// An upright cylinder (axis y) of `sides` segments with a top cap; the texture wraps once.
void addCylinder(Model& model, Point3 base, float radius, float height, int sides, UvRect wall,
                 UvRect cap, bool topCap = true, bool inward = false)
{
    const uint16_t first = uint16_t(model.vertices.size());
    for (int i = 0; i <= sides; ++i) {
        const float a = 2.0f * pi * float(i % sides) / sides;
        const Point3 p = {base.x + radius * std::cos(a), base.y, base.z + radius * std::sin(a)};
        const float u = wall.u0 + (wall.u1 - wall.u0) * float(i) / sides;
        const Point3 top = p + Point3{0, height, 0};
        addVertex(model, top.x, top.y, top.z, u, wall.v0);
        addVertex(model, p.x, p.y, p.z, u, wall.v1);
    }
    for (int i = 0; i < sides; ++i) {
        const int a = first + 2 * i;
        const float mid = 2.0f * pi * (i + 0.5f) / sides;
        const Point3 out = Point3{std::cos(mid), 0, std::sin(mid)} * (inward ? -1.0f : 1.0f);
        addTriangleFacing(model, a, a + 1, a + 2, out);
        addTriangleFacing(model, a + 3, a + 2, a + 1, out);
    }
    if (topCap) {
        const float cu = (cap.u0 + cap.u1) * 0.5f, cv = (cap.v0 + cap.v1) * 0.5f;
        const float ru = (cap.u1 - cap.u0) * 0.5f, rv = (cap.v1 - cap.v0) * 0.5f;
        const Point3 centre = base + Point3{0, height, 0};
        const uint16_t middle = addVertex(model, centre.x, centre.y, centre.z, cu, cv);
        const uint16_t ring = uint16_t(model.vertices.size());
        for (int i = 0; i < sides; ++i) {
            const float a = 2.0f * pi * float(i) / sides;
            addVertex(model, base.x + radius * std::cos(a), base.y + height,
                      base.z + radius * std::sin(a), cu + ru * std::cos(a), cv + rv * std::sin(a));
        }
        for (int i = 0; i < sides; ++i)
            addTriangleFacing(model, middle, ring + i, ring + (i + 1) % sides, {0, 1, 0});
    }
}

// A flat ring (annulus band) around the y axis: an outer wall, an inner wall and a top and
// bottom, for the rotating rings of the machine.
void addRing(Model& model, Point3 centre, float inner, float outer, float height, int sides,
             UvRect band, UvRect face)
{
    addCylinder(model, centre, outer, height, sides, band, face, false);
    addCylinder(model, centre, inner, height, sides, band, face, false, true);
    for (int level = 0; level < 2; ++level) {
        const float y = centre.y + (level == 0 ? height : 0.0f);
        const uint16_t first = uint16_t(model.vertices.size());
        for (int i = 0; i <= sides; ++i) {
            const float a = 2.0f * pi * float(i % sides) / sides;
            const float u = face.u0 + (face.u1 - face.u0) * float(i) / sides;
            addVertex(model, centre.x + outer * std::cos(a), y, centre.z + outer * std::sin(a), u,
                      face.v0);
            addVertex(model, centre.x + inner * std::cos(a), y, centre.z + inner * std::sin(a), u,
                      face.v1);
        }
        const Point3 facing = {0, level == 0 ? 1.0f : -1.0f, 0};
        for (int i = 0; i < sides; ++i) {
            const int a = first + 2 * i;
            addTriangleFacing(model, a, a + 1, a + 2, facing);
            addTriangleFacing(model, a + 3, a + 2, a + 1, facing);
        }
    }
}

// A sphere for the floating orb, texture wrapped round twice.
void addOrb(Model& model, Point3 centre, float radius, int columns, int rows)
{
    const uint16_t first = uint16_t(model.vertices.size());
    for (int i = 0; i <= rows; ++i)
        for (int j = 0; j <= columns; ++j) {
            const float theta = 2.0f * pi * float(j % columns) / columns;
            const float phi = pi * float(i) / rows;
            const Point3 d = {std::sin(phi) * std::cos(theta), std::cos(phi),
                              std::sin(phi) * std::sin(theta)};
            const Point3 p = centre + d * radius;
            addVertex(model, p.x, p.y, p.z, 512.0f * float(j) / columns, 256.0f * float(i) / rows);
        }
    // Each face shows the side away from the centre, seen from its own middle.
    const auto outward = [&](int x, int y, int z) {
        const ModelVertex& p = model.vertices[size_t(x)];
        const ModelVertex& q = model.vertices[size_t(y)];
        const ModelVertex& r = model.vertices[size_t(z)];
        return Point3{(p.x + q.x + r.x) / 3.0f, (p.y + q.y + r.y) / 3.0f,
                      (p.z + q.z + r.z) / 3.0f} -
               centre;
    };
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) {
            const int a = first + i * (columns + 1) + j;
            const int b = a + columns + 1;
            addTriangleFacing(model, a, b, a + 1, outward(a, b, a + 1));
            addTriangleFacing(model, b + 1, a + 1, b, outward(b + 1, a + 1, b));
        }
}

// One object of a room in one material, every face with the flag word 7, and no mesh matrix: it
// stands where it is modelled (`placed` gives it one).
Object3ds roomObject(const std::string& name, Model model, const std::string& material)
{
    model.faceFlags = 7;
    Object3ds object = modelObject(name, model, material);
    object.hasMatrix = false;
    return object;
}

// The room shell: floor, walls and ceiling as separate objects, cut into tiles small enough that
// a tile dropped by the near test never opens a hole in the view.
struct RoomSize {
    float halfX, halfZ, height, tile;
};

Object3ds roomFloor(const RoomSize& r)
{
    Model model;
    const int nx = int(2 * r.halfX / r.tile), nz = int(2 * r.halfZ / r.tile);
    addPanel(model, {-r.halfX, 0, -r.halfZ}, {2 * r.halfX, 0, 0}, {0, 0, 2 * r.halfZ}, {0, 1, 0},
             {0, 0, 256, 256}, nx, nz, 500.0f, 500.0f);
    return roomObject("floor", model, "ROOM FLOOR");
}

// A rectangle of wall tiles left open for a sign, which then lies in the wall itself: with no
// wall face behind it, no wall face can be sorted in front of it. Wall 0 is the far wall (+z),
// 1 the near one, 2 the left (-x), 3 the right; tiles count along the wall from its left end as
// seen from inside and up from the floor, last ones excluded.
struct WallOpening {
    int wall;
    int along0, along1, up0, up1;
};

Object3ds roomWalls(const RoomSize& r, const std::vector<WallOpening>& openings = {})
{
    Model model;
    const int nx = int(2 * r.halfX / r.tile), nz = int(2 * r.halfZ / r.tile),
              ny = int(r.height / r.tile);
    // Each wall carries the texture once from floor to ceiling and repeats it every 600 units
    // along; walls are seen from inside the room.
    const Point3 origins[4] = {{-r.halfX, 0, r.halfZ},
                               {r.halfX, 0, -r.halfZ},
                               {-r.halfX, 0, -r.halfZ},
                               {r.halfX, 0, r.halfZ}};
    const Point3 alongs[4] = {
        {2 * r.halfX, 0, 0}, {-2 * r.halfX, 0, 0}, {0, 0, 2 * r.halfZ}, {0, 0, -2 * r.halfZ}};
    const Point3 facings[4] = {{0, 0, -1}, {0, 0, 1}, {1, 0, 0}, {-1, 0, 0}};
    for (int w = 0; w < 4; ++w) {
        const int n = w < 2 ? nx : nz;
        const Point3 step = alongs[w] * (1.0f / n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < ny; ++j) {
                bool open = false;
                for (const WallOpening& o : openings)
                    open = open || (o.wall == w && i >= o.along0 && i < o.along1 && j >= o.up0 &&
                                    j < o.up1);
                if (open)
                    continue;
                const float u0 = i * r.tile / 600.0f * 256.0f, v0 = 256.0f - j * 256.0f / ny;
                addPanel(model, origins[w] + step * float(i) + Point3{0, r.height * j / ny, 0},
                         step, {0, r.height / ny, 0}, facings[w],
                         {u0, v0, u0 + r.tile / 600.0f * 256.0f, v0 - 256.0f / ny});
            }
    }
    return roomObject("walls", model, "ROOM WALL");
}

Object3ds roomCeiling(const RoomSize& r)
{
    Model model;
    const int nx = int(2 * r.halfX / r.tile), nz = int(2 * r.halfZ / r.tile);
    addPanel(model, {-r.halfX, r.height, -r.halfZ}, {2 * r.halfX, 0, 0}, {0, 0, 2 * r.halfZ},
             {0, -1, 0}, {0, 0, 256, 256}, nx, nz, 800.0f, 800.0f);
    return roomObject("ceiling", model, "ROOM CEILING");
}

// A flat sign showing the neon picture (or the part `part` of it), facing `facing`, cut into
// columns x rows faces like the wall tiles it replaces.
Object3ds signPlate(const std::string& name, Point3 corner, Point3 across, Point3 down,
                    Point3 facing, UvRect part, int columns, int rows)
{
    Model model;
    addPanel(model, corner, across, down, facing, part, columns, rows);
    return roomObject(name, model, "NEON SIGN");
}

struct PathPoint {
    uint32_t frame;
    Point3 eye;
    Point3 target;
};

// The camera and its target along the path, with roll 0.
void addCamera(Scene3ds& scene, const std::vector<PathPoint>& path)
{
    Node3ds camera, target;
    camera.kind = chunkCameraNode;
    camera.name = "Camera01";
    target.kind = chunkTargetNode;
    target.name = "Camera01.Target";
    camera.position.present = target.position.present = true;
    for (const PathPoint& p : path) {
        camera.position.keys.push_back(positionKey(p.frame, p.eye));
        target.position.keys.push_back(positionKey(p.frame, p.target));
    }
    camera.roll.present = true;
    camera.roll.keys.push_back(rollKey(0, 0));
    scene.nodes.push_back(camera);
    scene.nodes.push_back(target);
}

// A light at its first position, moving along the points given (a closed loop when the last
// point repeats the first).
void addLight(Scene3ds& scene, const std::string& name, std::array<float, 3> colour,
              const std::vector<std::pair<uint32_t, Point3>>& track)
{
    scene.lights.push_back(modelLight(name, track.front().second, colour));
    std::vector<Key3ds> keys;
    for (const auto& [frame, p] : track)
        keys.push_back(positionKey(frame, p));
    scene.nodes.push_back(lightNode(name, keys));
}

// An object whose placement the keyframer drives: its vertices are modelled where it stands, its
// mesh matrix is the identity with the origin at `origin`, its pivot is the origin itself, and its
// position track starts there (one key for an object that stays).
Object3ds& placed(Object3ds& object, Point3 origin)
{
    object.hasMatrix = true;
    const auto o = fileAxes(origin);
    object.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, o[0], o[1], o[2]};
    return object;
}

}  // namespace

Scene3ds modelComputerRoom()
{
    // The room: 4000 x 4000 units, 1600 high; the desk against the far wall (+z) in the middle,
    // the monitor on it facing the room, the tower beside it, the chair pushed aside, shelves on
    // the left.
    const RoomSize room = {2000.0f, 2000.0f, 1500.0f, 250.0f};
    Scene3ds scene;
    scene.materials = {{"ROOM FLOOR", "nrfloor.jpg"},
                       {"ROOM WALL", "nrwall.jpg"},
                       {"ROOM CEILING", "nrceil.jpg"},
                       {"OBJECTS", "nrbox.jpg"},
                       {"NEON SIGN", "neonlamp.jpg"}};
    scene.objects.push_back(roomFloor(room));  // 0
    scene.objects.push_back(
        roomWalls(room, {{0, 6, 10, 3, 6}, {3, 10, 12, 3, 5}, {2, 3, 9, 5, 6}}));  // 1
    scene.objects.push_back(roomCeiling(room));                                    // 2

    {  // 3: the desk, its legs and the keyboard
        Model model;
        addBlock(model, {-700, 420, 1250}, {700, 460, 1950}, cell(cellWoodTop), cell(cellWoodSide),
                 cell(cellWoodSide));
        for (float x : {-660.0f, 600.0f})
            for (float z : {1290.0f, 1850.0f})
                addBlock(model, {x, 0, z}, {x + 60, 420, z + 60}, cell(cellMetal), cell(cellMetal),
                         cell(cellMetal));
        addBlock(model, {-260, 460, 1270}, {260, 490, 1420}, cell(cellKeys), cell(cellPlasticSide),
                 cell(cellPlasticDark));
        addBlock(model, {380, 460, 1300}, {470, 490, 1400}, cell(cellPlasticTop),
                 cell(cellPlasticSide), cell(cellPlasticDark));
        scene.objects.push_back(roomObject("desk", model, "OBJECTS"));
    }
    {  // 4: the monitor's screen, the whole texture on one face a little in front of the case
        Model model;
        addPanel(model, {-215, 840, 1468}, {430, 0, 0}, {0, -300, 0}, {0, 0, -1},
                 {0.5f, 0.5f, 255.5f, 255.5f}, 2, 2);
        scene.objects.push_back(roomObject("screen", model, "OBJECTS"));
    }
    {  // 5: the monitor case with its bezel, neck and foot
        Model model;
        // The case has no front face: a flat bezel frames the screen instead, so that no face of
        // the case lies behind the screen to be sorted over it.
        addBlock(model, {-260, 520, 1470}, {260, 880, 1850}, cell(cellPlasticTop),
                 cell(cellPlasticSide), cell(cellBezel), false, false);
        const UvRect bezel = cell(cellBezel);
        addPanel(model, {-260, 880, 1470}, {520, 0, 0}, {0, -40, 0}, {0, 0, -1}, bezel);
        addPanel(model, {-260, 540, 1470}, {520, 0, 0}, {0, -20, 0}, {0, 0, -1}, bezel);
        addPanel(model, {-260, 840, 1470}, {45, 0, 0}, {0, -300, 0}, {0, 0, -1}, bezel);
        addPanel(model, {215, 840, 1470}, {45, 0, 0}, {0, -300, 0}, {0, 0, -1}, bezel);
        addBlock(model, {-70, 470, 1580}, {70, 520, 1740}, cell(cellPlasticTop),
                 cell(cellPlasticSide), cell(cellPlasticDark));
        addBlock(model, {-160, 460, 1520}, {160, 472, 1800}, cell(cellPlasticTop),
                 cell(cellPlasticSide), cell(cellPlasticDark));
        scene.objects.push_back(roomObject("monitor", model, "OBJECTS"));
    }
    // 6 to 8: the neon sign above the desk, a second one on the right wall, a strip along the left.
    // Each lies in an opening of the walls.
    scene.objects.push_back(signPlate("sign", {-500, 1500, 2000}, {1000, 0, 0}, {0, -750, 0},
                                      {0, 0, -1}, {0, 0, 256, 256}, 4, 3));
    scene.objects.push_back(signPlate("sign2", {2000, 1250, -500}, {0, 0, -500}, {0, -500, 0},
                                      {-1, 0, 0}, {0, 0, 256, 256}, 2, 2));
    scene.objects.push_back(signPlate("sign3", {-2000, 1500, -1250}, {0, 0, 1500}, {0, -250, 0},
                                      {1, 0, 0}, {0, 0, 256, 62}, 6, 1));
    {  // 9: the tower beside the desk and two speakers on the desk
        Model model;
        addBlock(model, {820, 0, 1300}, {1080, 640, 1880}, cell(cellPlasticTop),
                 cell(cellPlasticSide), cell(cellTowerFront));
        for (float x : {-560.0f, 420.0f})
            addBlock(model, {x, 460, 1520}, {x + 140, 720, 1660}, cell(cellMetal), cell(cellRubber),
                     cell(cellGrille));
        scene.objects.push_back(roomObject("tower", model, "OBJECTS"));
    }
    {  // 10: the chair
        Model model;
        addBlock(model, {290, 380, 460}, {750, 460, 900}, cell(cellFabric), cell(cellRubber),
                 cell(cellRubber));
        addBlock(model, {290, 460, 460}, {750, 860, 520}, cell(cellRubber), cell(cellRubber),
                 cell(cellFabric));
        addCylinder(model, {520, 60, 680}, 40, 320, 8, cell(cellMetal), cell(cellMetal), false);
        for (int i = 0; i < 5; ++i) {
            const float a = 2.0f * pi * i / 5.0f;
            const Point3 end = {520 + 260 * std::cos(a), 0, 680 + 260 * std::sin(a)};
            addBlock(model, {std::min(520.0f, end.x) - 25, 0, std::min(680.0f, end.z) - 25},
                     {std::max(520.0f, end.x) + 25, 60, std::max(680.0f, end.z) + 25},
                     cell(cellRubber), cell(cellRubber), cell(cellRubber));
        }
        scene.objects.push_back(roomObject("chair", model, "OBJECTS"));
    }
    {  // 11: shelves on the left wall with books and boxes, cabinets on the right
        Model model;
        for (int s = 0; s < 3; ++s) {
            const float y = 350.0f + 380.0f * s;
            addBlock(model, {-1990, y, -600}, {-1650, y + 40, 700}, cell(cellWoodTop),
                     cell(cellWoodSide), cell(cellWoodSide));
            addBlock(model, {-1960, y + 40, -560.0f + 80.0f * s},
                     {-1700, y + 300, 200.0f + 120.0f * s}, cell(cellBooks), cell(cellBooks),
                     cell(cellBooks));
        }
        // Two server cabinets against the right wall, their panels of lights towards the room.
        for (float z : {150.0f, 650.0f})
            addBlock(model, {1640, 0, z}, {1990, 1250, z + 420}, cell(cellMetal), cell(cellMachine),
                     cell(cellRubber));
        addBlock(model, {-1990, 0, -640}, {-1650, 1500, -600}, cell(cellWoodSide),
                 cell(cellWoodSide), cell(cellWoodSide));
        addBlock(model, {-1990, 0, 700}, {-1650, 1500, 740}, cell(cellWoodSide), cell(cellWoodSide),
                 cell(cellWoodSide));
        scene.objects.push_back(roomObject("shelves", model, "OBJECTS"));
    }
    {  // 12: ceiling lamps
        Model model;
        for (float x : {-1000.0f, 1000.0f})
            for (float z : {-1000.0f, 1000.0f})
                addBlock(model, {x - 300, 1460, z - 80}, {x + 300, 1500, z + 80}, cell(cellLamp),
                         cell(cellMetal), cell(cellMetal), true);
        scene.objects.push_back(roomObject("lamps", model, "OBJECTS"));
    }

    // The camera: in at the door, across to the desk, straight at the monitor (whose picture is
    // the screen's own centre: the room repeats inside it), round past the tower and the sign,
    // up over the desk and back out.
    addCamera(scene, {{0, {-1500, 1100, -1800}, {0, 650, 1400}},
                      {50, {-1100, 900, -1000}, {0, 650, 1450}},
                      {110, {-300, 760, 0}, {0, 680, 1460}},
                      {170, {0, 680, 850}, {0, 680, 1465}},
                      {215, {0, 680, 1000}, {0, 680, 1465}},
                      {260, {600, 750, 500}, {900, 600, 1600}},
                      {320, {1000, 950, -800}, {2000, 1000, -750}},
                      {370, {700, 1250, 300}, {0, 560, 1600}},
                      {430, {-600, 1000, -500}, {-1800, 900, 200}},
                      {495, {-1200, 1100, -1700}, {0, 800, 1500}}});

    // Three coloured lights drifting slowly in the upper half of the room, well away from the path.
    addLight(scene, "red", {1, 0.2f, 0.1f},
             {{0, {-1600, 1300, 1600}},
              {165, {-1300, 1200, 1000}},
              {330, {-1650, 1300, 1400}},
              {495, {-1600, 1300, 1600}}});
    addLight(scene, "green", {0.2f, 1, 0.2f},
             {{0, {1650, 1300, 500}},
              {165, {1650, 1200, -400}},
              {330, {1500, 1350, 1200}},
              {495, {1650, 1300, 500}}});
    addLight(scene, "blue", {0.2f, 0.4f, 1},
             {{0, {300, 1300, 1700}},
              {165, {-500, 1250, 1750}},
              {330, {600, 1300, 1650}},
              {495, {300, 1300, 1700}}});
    return scene;
}

Scene3ds modelMotherRoom()
{
    // The machine room: 2400 x 2400, 1200 high. In the middle stands the machine, a column with
    // three rings turning at their own speeds, two pistons pumping beside it and a mirror orb
    // circling it; consoles stand along the walls and the sign hangs on the far wall.
    const RoomSize room = {1200.0f, 1200.0f, 1200.0f, 200.0f};
    Scene3ds scene;
    scene.materials = {{"ROOM FLOOR", "nrfloor.jpg"},  {"ROOM WALL", "nrwall.jpg"},
                       {"ROOM CEILING", "nrceil.jpg"}, {"OBJECTS", "nrbox.jpg"},
                       {"NEON SIGN", "neonlamp.jpg"},  {"ORB", "nrorb.jpg"}};

    struct Part {
        Object3ds object;
        Point3 origin;
    };
    std::vector<Part> parts;
    parts.push_back({signPlate("sign", {-400, 1000, 1200}, {800, 0, 0}, {0, -800, 0}, {0, 0, -1},
                               {0, 0, 256, 256}, 4, 4),
                     {0, 600, 1200}});              // 0, in an opening of the far wall
    parts.push_back({roomFloor(room), {0, 0, 0}});  // 1
    parts.push_back({roomWalls(room, {{0, 4, 8, 1, 5}}), {0, 0, 0}});  // 2
    parts.push_back({roomCeiling(room), {0, 0, 0}});                   // 3
    {                                                                  // 4: the orb
        Model model;
        addOrb(model, {0, 0, 0}, 90, 16, 10);
        parts.push_back({roomObject("orb", model, "ORB"), {0, 0, 0}});
    }
    {  // 5: the column
        Model model;
        addCylinder(model, {0, 0, 0}, 150, 1200, 16, cell(cellMachine), cell(cellMetal), false);
        addCylinder(model, {0, 0, 0}, 260, 90, 16, cell(cellMetal), cell(cellPlasticDark));
        parts.push_back({roomObject("core", model, "OBJECTS"), {0, 0, 0}});
    }
    const float ringHeights[3] = {260, 560, 860};
    const float ringRadii[3] = {330, 290, 250};
    for (int i = 0; i < 3; ++i) {  // 6, 7, 8: the rings
        Model model;
        addRing(model, {0, ringHeights[i], 0}, ringRadii[i] - 70, ringRadii[i], 60, 20,
                cell(cellGlow), cell(cellMetal));
        for (int k = 0; k < 4; ++k) {
            const float a = pi * 0.5f * k + 0.3f * i;
            const Point3 c = {std::cos(a) * (ringRadii[i] + 30), ringHeights[i] + 10,
                              std::sin(a) * (ringRadii[i] + 30)};
            addBlock(model, c - Point3{30, 0, 30}, c + Point3{30, 40, 30}, cell(cellLamp),
                     cell(cellPlasticDark), cell(cellPlasticDark));
        }
        parts.push_back(
            {roomObject("ring" + std::to_string(i + 1), model, "OBJECTS"), {0, ringHeights[i], 0}});
    }
    for (int i = 0; i < 2; ++i) {  // 9, 10: the pistons beside the column
        Model model;
        const float x = i == 0 ? -560.0f : 560.0f;
        addCylinder(model, {x, 300, 0}, 40, 260, 8, cell(cellMetal), cell(cellPlasticTop));
        addBlock(model, {x - 90, 560, -90}, {x + 90, 600, 90}, cell(cellMetal),
                 cell(cellPlasticDark), cell(cellPlasticDark), true);
        parts.push_back({roomObject(i == 0 ? "pistonA" : "pistonB", model, "OBJECTS"), {x, 0, 0}});
    }
    {  // 11: consoles along the walls
        Model model;
        for (int i = 0; i < 3; ++i) {
            const float x = -700.0f + 700.0f * i;
            addBlock(model, {x - 200, 0, -1190}, {x + 200, 380, -990}, cell(cellMetal),
                     cell(cellRubber), cell(cellMachine));
        }
        for (float x : {-560.0f, 560.0f})
            addBlock(model, {x - 80, 0, -80}, {x + 80, 420, 80}, cell(cellMetal), cell(cellMachine),
                     cell(cellMachine));
        for (int i = 0; i < 2; ++i) {
            const float z = -350.0f + 700.0f * i;
            addBlock(model, {1000, 0, z - 200}, {1190, 520, z + 200}, cell(cellMetal),
                     cell(cellMachine), cell(cellRubber));
            addBlock(model, {-1190, 0, z - 200}, {-1000, 520, z + 200}, cell(cellMetal),
                     cell(cellMachine), cell(cellRubber));
        }
        parts.push_back({roomObject("consoles", model, "OBJECTS"), {0, 0, 0}});
    }

    for (size_t i = 0; i < parts.size(); ++i) {
        placed(parts[i].object, parts[i].origin);
        scene.objects.push_back(parts[i].object);
        // Pivot at the object's origin, both tracks starting where it stands (one key each for a
        // part that stays).
        Node3ds node =
            objectNode(parts[i].object.name, {0, 0, 0}, {positionKey(0, parts[i].origin)},
                       {rotationKey(0, 0.0f, 0, 1, 0)});
        node.nodeId = int(i);
        if (i == 4) {
            // The orb circles the column at 560 units, bobbing, once every 165 frames.
            node.position.keys.clear();
            for (int k = 0; k <= 12; ++k) {
                const float a = 2.0f * pi * k / 4.0f;
                node.position.keys.push_back(positionKey(
                    uint32_t(k * 165 / 4),
                    {560 * std::cos(a), 700 + 120 * std::sin(2 * a), 560 * std::sin(a)}));
            }
            for (int k = 1; k <= 16; ++k)
                node.rotation.keys.push_back(rotationKey(uint32_t(k * 31), 1.2f, 1, 0, 0));
        } else if (i >= 6 && i <= 8) {
            // The rings turn, the middle one the other way, each at its own speed.
            const float speed = i == 7 ? -0.9f : (i == 6 ? 0.6f : 1.3f);
            for (int k = 1; k <= 10; ++k)
                node.rotation.keys.push_back(rotationKey(uint32_t(k * 50), speed, 0, 1, 0));
        } else if (i == 9 || i == 10) {
            // The pistons pump a quarter of a beat apart.
            node.position.keys.clear();
            const float x = parts[i].origin.x;
            for (int k = 0; k <= 24; ++k) {
                const float lift = ((k + (i == 10 ? 1 : 0)) % 2 == 0) ? 0.0f : -200.0f;
                node.position.keys.push_back(positionKey(uint32_t(k * 21), {x, lift, 0}));
            }
        }
        scene.nodes.push_back(node);
    }

    // Camera: round the machine at middle height, in close to the rings and the orb, up to look
    // down on it, past the sign and out.
    addCamera(scene, {{0, {-900, 500, -1050}, {0, 600, 0}},
                      {70, {300, 450, -1000}, {0, 650, 0}},
                      {140, {950, 800, -200}, {0, 550, 0}},
                      {200, {800, 700, 850}, {0, 650, 0}},
                      {260, {-100, 1100, 750}, {0, 300, 0}},
                      {320, {-900, 950, -400}, {0, 600, 300}},
                      {380, {-200, 1000, -800}, {0, 600, 1195}},
                      {440, {700, 900, -800}, {0, 600, 0}},
                      {495, {-900, 500, -1050}, {0, 600, 0}}});

    // Three small beacons circling the machine at different heights.
    for (int i = 0; i < 3; ++i) {
        std::vector<std::pair<uint32_t, Point3>> track;
        for (int k = 0; k <= 12; ++k) {
            const float a = 2.0f * pi * (k / 4.0f + i / 3.0f) * (i == 1 ? -1.0f : 1.0f);
            const float r = 420.0f + 60.0f * i;
            track.push_back(
                {uint32_t(k * 42), {r * std::cos(a), 350.0f + 300.0f * i, r * std::sin(a)}});
        }
        addLight(scene, i == 0 ? "red" : (i == 1 ? "green" : "blue"),
                 {i == 0 ? 1.0f : 0.2f, i == 1 ? 1.0f : 0.2f, i == 2 ? 1.0f : 0.2f}, track);
    }
    return scene;
}

namespace {
// Tileable value noise on a square texture: period in lattice cells across the width.
float tiledNoise(float x, float y, int period, uint32_t seed)
{
    const auto lattice = [&](int ix, int iy) {
        ix = ((ix % period) + period) % period;
        iy = ((iy % period) + period) % period;
        uint32_t h = uint32_t(ix) * 374761393u + uint32_t(iy) * 668265263u + seed * 2246822519u;
        h = (h ^ (h >> 13)) * 1274126177u;
        return float((h ^ (h >> 16)) & 0xffff) / 65535.0f;
    };
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const float fx = x - ix, fy = y - iy;
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const float a = lattice(ix, iy) + (lattice(ix + 1, iy) - lattice(ix, iy)) * sx;
    const float b = lattice(ix, iy + 1) + (lattice(ix + 1, iy + 1) - lattice(ix, iy + 1)) * sx;
    return a + (b - a) * sy;
}

// Grain over a texture tile of 256: two octaves of tileable noise, about 0..1.
float grain(int x, int y, int period, uint32_t seed)
{
    const float f = float(period) / faceTexture;
    return 0.65f * tiledNoise(x * f, y * f, period, seed) +
           0.35f * tiledNoise(x * f * 4, y * f * 4, period * 4, seed + 1);
}

// Neon letters: a white-hot tube inside its colour, a tight glow and a wide haze.
void addNeonText(Canvas& canvas, const Mask& letters, int x, int y, Rgb colour, float power)
{
    Mask tight = dilateMask(letters, 1);
    blurMask(tight, 3);
    Mask haze = dilateMask(letters, 3);
    blurMask(haze, 12);
    addMask(canvas, haze, x, y, colour, 0.55f * power);
    addMask(canvas, tight, x, y, colour, 0.9f * power);
    addMask(canvas, letters, x, y, mixRgb(colour, {1, 1, 1}, 0.6f), 0.9f * power);
}

// The same letters unlit: a dull glass tube.
void addDeadTube(Canvas& canvas, const Mask& letters, int x, int y, Rgb colour)
{
    addMask(canvas, letters, x, y, scaleRgb(colour, 0.18f), 1.0f);
}

// The sign's backing: a dark plate of riveted panels, with the sign's wiring.
Canvas signBacking()
{
    Canvas canvas = makeCanvas(faceTexture, faceTexture);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float g = grain(x, y, 8, 71);
        Rgb c = {0.05f + 0.03f * g, 0.045f + 0.03f * g, 0.06f + 0.035f * g};
        const int ex = std::min(x, faceTexture - 1 - x), ey = std::min(y, faceTexture - 1 - y);
        if (std::min(ex, ey) < 6)
            c = {0.16f, 0.16f, 0.18f};
        else if (std::min(ex, ey) < 8)
            c = {0.02f, 0.02f, 0.025f};
        return c;
    });
    for (int k = 0; k < 4; ++k)
        addCore(canvas, k % 2 ? 244.0f : 11.0f, k / 2 ? 244.0f : 11.0f, 1.6f, {0.5f, 0.5f, 0.55f});
    return canvas;
}

bool paintNeonSign(Picture& picture, bool lit)
{
    Font bold, book;
    if (!loadDejaVuFont(bold, "DejaVuSans-Bold.ttf") || !loadDejaVuFont(book, "DejaVuSans.ttf"))
        return false;
    Canvas canvas = signBacking();
    const Rgb pink = {1.0f, 0.2f, 0.65f}, cyan = {0.2f, 0.85f, 1.0f}, amber = {1.0f, 0.6f, 0.15f};
    const Mask zem =
        renderText(bold, "-ZEM-", fitTextHeight(bold, "-ZEM-", 200.0f, 90.0f, 2.0f), 2.0f, 16);
    const Mask online =
        renderText(book, "ONLINE", fitTextHeight(book, "ONLINE", 170.0f, 40.0f, 6.0f), 6.0f, 16);
    const Mask open = renderText(bold, "24 H", 30.0f, 3.0f, 16);
    const int zx = (faceTexture - zem.width) / 2, zy = 28 - 16;
    const int ox = (faceTexture - online.width) / 2, oy = 142 - 16;
    // A neon frame round the words.
    Mask frame = makeMask(faceTexture, faceTexture);
    for (int y = 22; y < 234; ++y)
        for (int x = 22; x < 234; ++x) {
            const int ex = std::min(x - 22, 233 - x), ey = std::min(y - 22, 233 - y);
            if (std::min(ex, ey) < 3 && !(y > 120 && y < 136))
                frame.values[size_t(y) * faceTexture + x] = 1.0f;
        }
    if (lit) {
        addNeonText(canvas, zem, zx, zy, pink, 1.0f);
        addNeonText(canvas, online, ox, oy, cyan, 0.9f);
        addNeonText(canvas, open, (faceTexture - open.width) / 2, 186 - 16, amber, 0.9f);
        addNeonText(canvas, frame, 0, 0, cyan, 0.6f);
    } else {
        // The sign between blinks: the name dimmer, the rest of its tubes dark.
        addNeonText(canvas, zem, zx, zy, pink, 0.55f);
        addDeadTube(canvas, online, ox, oy, cyan);
        addNeonText(canvas, open, (faceTexture - open.width) / 2, 186 - 16, amber, 0.8f);
        addDeadTube(canvas, frame, 0, 0, cyan);
    }
    picture = finishPicture(canvas, lit ? 1201 : 1202);
    return true;
}

}  // namespace

bool paintNeonSignLit(Picture& picture)
{
    return paintNeonSign(picture, true);
}
bool paintNeonSignDark(Picture& picture)
{
    return paintNeonSign(picture, false);
}

Picture paintRoomFloor()
{
    // Dark rubber-coated floor plates, two by two per texture, with bevelled seams and a tread of
    // small studs.
    Canvas canvas = makeCanvas(faceTexture, faceTexture);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float g = grain(x, y, 8, 11);
        Rgb c = {0.16f + 0.06f * g, 0.17f + 0.06f * g, 0.21f + 0.07f * g};
        const int px = x % 128, py = y % 128;
        const bool stud =
            ((px / 16 + py / 16) % 2 == 0) && std::hypot(px % 16 - 7.5f, py % 16 - 7.5f) < 3.0f;
        if (stud)
            c = scaleRgb(c, 1.35f);
        const int edge = std::min({px, py, 127 - px, 127 - py});
        if (edge < 2)
            c = {0.04f, 0.04f, 0.05f};
        else if (edge < 4)
            c = scaleRgb(c, px < 4 || py < 4 ? 1.5f : 0.6f);
        return c;
    });
    return finishPicture(canvas, 1203);
}

Picture paintRoomWall()
{
    // One wall from the floor (bottom row) to the ceiling (top row): a dark baseboard, tall
    // blue-grey panels getting lighter upward, a glowing teal strip under the ceiling.
    Canvas canvas = makeCanvas(faceTexture, faceTexture);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float g = grain(x, y, 4, 21);
        const float up = 1.0f - float(y) / faceTexture;
        Rgb c = {0.14f + 0.12f * up + 0.04f * g, 0.16f + 0.13f * up + 0.04f * g,
                 0.22f + 0.16f * up + 0.05f * g};
        const int px = x % 128;
        if (px < 3 || px > 124)
            c = scaleRgb(c, 0.45f);
        if (y > 226)
            c = {0.07f + 0.03f * g, 0.07f + 0.03f * g, 0.08f + 0.03f * g};
        if (y == 226 || y == 227)
            c = {0.35f, 0.36f, 0.4f};
        if (y > 60 && y < 64)
            c = scaleRgb(c, 0.6f);
        const float strip = std::exp(-std::pow((y - 22.0f) / 3.0f, 2.0f));
        const float haze = std::exp(-std::pow((y - 22.0f) / 14.0f, 2.0f));
        c = addRgb(c, scaleRgb({0.2f, 0.9f, 0.85f}, strip * 0.85f + haze * 0.25f));
        return c;
    });
    return finishPicture(canvas, 1204);
}

Picture paintRoomCeiling()
{
    // Ceiling tiles with a steel grid.
    Canvas canvas = makeCanvas(faceTexture, faceTexture);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        const float g = grain(x, y, 16, 31);
        Rgb c = {0.2f + 0.05f * g, 0.21f + 0.05f * g, 0.24f + 0.05f * g};
        const int edge = std::min({x % 64, y % 64, 63 - x % 64, 63 - y % 64});
        if (edge < 2)
            c = {0.42f, 0.43f, 0.46f};
        return c;
    });
    return finishPicture(canvas, 1205);
}

Picture paintRoomObjects()
{
    // The atlas of the rooms' furniture: 4 x 4 cells of 64 texels, light already in the colours
    // (the rooms' faces are copied, not lit): tops lightest, sides darker.
    Canvas canvas = makeCanvas(faceTexture, faceTexture);
    Random random = makeRandom(1206);
    const auto fill = [&](int cx, int cy, auto shade) {
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                setPixel(canvas, cx * 64 + x, cy * 64 + y,
                         shade(x, y, grain(cx * 64 + x, cy * 64 + y, 32, 41 + cx + 4 * cy)));
    };
    const Rgb beige = {0.78f, 0.74f, 0.64f};
    fill(0, 0, [&](int, int, float g) { return scaleRgb(beige, 0.95f + 0.05f * g); });
    fill(1, 0,
         [&](int, int y, float g) { return scaleRgb(beige, 0.7f - 0.1f * y / 64.0f + 0.04f * g); });
    fill(2, 0, [&](int, int, float g) { return scaleRgb(beige, 0.5f + 0.04f * g); });
    fill(3, 0, [&](int x, int, float g) {
        return scaleRgb({0.5f, 0.52f, 0.56f}, 0.65f + 0.25f * g + 0.1f * std::sin(x * 0.7f));
    });
    fill(0, 1, [&](int x, int y, float) {  // keyboard keys
        const int kx = x % 8, ky = y % 10;
        const bool key = kx > 0 && kx < 7 && ky > 0 && ky < 8;
        return key ? scaleRgb(beige, ky < 2 ? 1.0f : 0.85f) : scaleRgb(beige, 0.35f);
    });
    fill(1, 1, [&](int x, int y, float g) {  // tower front: drive bays, vents, power light
        Rgb c = scaleRgb(beige, 0.72f + 0.04f * g);
        if (y > 6 && y < 16 && x > 8 && x < 56)
            c = scaleRgb(beige, (y == 7 || y == 15) ? 0.4f : 0.6f);
        if (y > 20 && y < 28 && x > 8 && x < 56)
            c = scaleRgb(beige, (y == 21 || y == 27) ? 0.4f : 0.62f);
        if (y > 40 && y < 58 && x > 12 && x < 52 && y % 3 == 0)
            c = scaleRgb(beige, 0.3f);
        if (std::hypot(x - 48.0f, y - 34.0f) < 2.5f)
            c = {0.3f, 1.0f, 0.3f};
        return c;
    });
    fill(2, 1, [&](int x, int y, float g) {  // monitor bezel
        const int edge = std::min({x, y, 63 - x, 63 - y});
        return scaleRgb(beige, (edge < 4 ? 0.8f : 0.62f) + 0.03f * g);
    });
    fill(3, 1, [&](int x, int y, float) {  // speaker grille
        const float r = std::hypot(x - 31.5f, y - 31.5f);
        const bool hole = (x % 4 < 2) && (y % 4 < 2);
        Rgb c = hole ? Rgb{0.05f, 0.05f, 0.06f} : Rgb{0.2f, 0.2f, 0.22f};
        if (r > 18 && r < 21)
            c = {0.35f, 0.35f, 0.38f};
        return c;
    });
    fill(0, 2, [&](int x, int y, float g) {  // wood top
        const float ring = std::sin((x + 9.0f * std::sin(y * 0.11f)) * 0.45f + g * 3.0f);
        return scaleRgb({0.62f, 0.38f, 0.2f}, 0.8f + 0.12f * ring + 0.08f * g);
    });
    fill(1, 2, [&](int x, int y, float g) {
        const float ring = std::sin((x + 9.0f * std::sin(y * 0.11f)) * 0.45f + g * 3.0f);
        return scaleRgb({0.62f, 0.38f, 0.2f}, 0.5f + 0.08f * ring);
    });
    fill(2, 2, [&](int x, int y, float g) {  // blue fabric
        return scaleRgb({0.18f, 0.25f, 0.6f}, 0.75f + 0.15f * g + 0.08f * ((x + y) % 3 == 0));
    });
    fill(3, 2, [&](int, int, float g) {
        return Rgb{0.08f + 0.03f * g, 0.08f + 0.03f * g, 0.09f + 0.03f * g};
    });
    {  // book spines
        int x = 0;
        while (x < 64) {
            const int w = 4 + int(nextRandom(random) % 6);
            const Rgb colours[] = {{0.6f, 0.1f, 0.1f}, {0.1f, 0.3f, 0.55f},  {0.15f, 0.45f, 0.2f},
                                   {0.7f, 0.6f, 0.2f}, {0.35f, 0.15f, 0.4f}, {0.75f, 0.72f, 0.65f}};
            const Rgb c = colours[nextRandom(random) % 6];
            const int top = int(nextRandom(random) % 14);
            for (int y = 0; y < 64; ++y)
                for (int i = x; i < std::min(64, x + w); ++i) {
                    Rgb p =
                        y < top ? Rgb{0.03f, 0.03f, 0.04f} : scaleRgb(c, (i == x ? 0.5f : 0.9f));
                    if (y > top + 8 && y < top + 10)
                        p = {0.85f, 0.8f, 0.5f};
                    setPixel(canvas, i, 192 + y, p);
                }
            x += w;
        }
    }
    fill(1, 3, [&](int x, int y, float g) {  // machine panel: dark plates, a seam, rows of lights
        Rgb c = {0.1f + 0.04f * g, 0.11f + 0.04f * g, 0.14f + 0.05f * g};
        if (y % 32 < 2)
            c = {0.03f, 0.03f, 0.04f};
        const int lx = x % 12, ly = y % 32;
        if (ly > 8 && ly < 12 && lx > 2 && lx < 9)
            c = (x / 12 + y / 32) % 3 == 0 ? Rgb{1.0f, 0.55f, 0.15f} : Rgb{0.2f, 0.85f, 1.0f};
        if (ly > 18 && ly < 28 && (x % 4) < 2)
            c = scaleRgb(c, 0.5f);
        return c;
    });
    fill(2, 3, [&](int x, int y, float) {  // a lamp's diffuser
        const float e = std::min({x, y, 63 - x, 63 - y}) / 32.0f;
        return mixRgb({0.6f, 0.62f, 0.65f}, {1.0f, 1.0f, 0.95f}, std::min(1.0f, e * 3.0f));
    });
    fill(3, 3, [&](int x, int y, float) {  // glowing indicator band
        const float band = std::exp(-std::pow((y - 31.5f) / 9.0f, 2.0f));
        const float dash = (x % 16) < 10 ? 1.0f : 0.35f;
        return addRgb({0.05f, 0.08f, 0.1f}, scaleRgb({0.2f, 0.9f, 1.0f}, band * dash));
    });
    return finishPicture(canvas, 1206);
}

Picture paintMotherOrb()
{
    // A polished orb: chrome bands from top to bottom with a fine engraved grid.
    Canvas canvas = makeCanvas(faceTexture, faceTexture);
    paintPixels(canvas, [&](int x, int y) -> Rgb {
        Rgb c = scaleRgb(chromeColour(float(y) / faceTexture), 0.6f);
        if (x % 32 == 0 || y % 32 == 0)
            c = scaleRgb(c, 0.5f);
        return c;
    });
    return finishPicture(canvas, 1207);
}

bool paintComputerOverlay(Picture& picture)
{
    // The glow that passes over the computer room: circuit traces and readouts on black, 320 wide
    // and 520 high (the scene scrolls 300 rows of it). Only the solder pads are bright enough to
    // show at the highest threshold; the traces and the text fade in and out as it pulses.
    Font mono;
    if (!loadDejaVuFont(mono, "DejaVuSansMono-Bold.ttf"))
        return false;
    constexpr int width = 320, height = 520;
    Mask cores = makeMask(width, height), pads = makeMask(width, height);
    Random random = makeRandom(1208);
    for (int t = 0; t < 14; ++t) {
        int x = 8 + int(nextRandom(random) % (width - 16)),
            y = 8 + int(nextRandom(random) % (height - 16));
        int dir = int(nextRandom(random) % 4);
        const int steps = 3 + int(nextRandom(random) % 4);
        for (int s = 0; s < steps; ++s) {
            const int length = 12 + int(nextRandom(random) % 60);
            for (int i = 0; i < length; ++i) {
                const int dx = dir == 0 ? 1 : (dir == 2 ? -1 : 0),
                          dy = dir == 1 ? 1 : (dir == 3 ? -1 : 0);
                if (x + dx < 4 || x + dx >= width - 4 || y + dy < 4 || y + dy >= height - 4)
                    break;
                x += dx;
                y += dy;
                cores.values[size_t(y) * width + x] = 1.0f;
                if (dir % 2 == 0)
                    cores.values[size_t(y + 1) * width + x] = 1.0f;
                else
                    cores.values[size_t(y) * width + x + 1] = 1.0f;
            }
            dir = (dir + (nextRandom(random) % 2 ? 1 : 3)) % 4;
        }
        for (int py = -3; py <= 3; ++py)
            for (int px = -3; px <= 3; ++px)
                if (std::hypot(float(px), float(py)) <= 3.2f &&
                    std::hypot(float(px), float(py)) >= 1.6f)
                    pads.values[size_t(y + py) * width + x + px] = 1.0f;
    }
    Canvas canvas = makeCanvas(width, height);
    Mask glow = dilateMask(cores, 2);
    blurMask(glow, 5);
    addMask(canvas, glow, 0, 0, {0.1f, 0.45f, 0.5f}, 1.0f);
    addMask(canvas, cores, 0, 0, {0.45f, 0.8f, 0.85f}, 1.0f);
    addMask(canvas, pads, 0, 0, {1.0f, 0.75f, 0.3f}, 1.0f);
    const char* lines[] = {"-ZEM- NET", "NODE 07 LINK", "SCAN 3F00",
                           "CORE OK",   "SIGNAL 98%",   "UPLOAD"};
    for (int i = 0; i < 6; ++i) {
        const Mask text = renderText(mono, lines[i], 15.0f, 1.0f, 4);
        const int x = 14 + int(nextRandom(random) % (width - 28 - text.width));
        addMask(canvas, text, x, 30 + i * 82, {0.35f, 0.75f, 0.5f}, 1.0f);
    }
    applyEdgeFade(canvas, 0, 3);
    picture = finishPicture(canvas, 1209);
    return true;
}

bool paintMotherPanel(Picture& picture)
{
    // The status panel at the top right: a framed window for the small copy of the frame (its
    // inside left black, the copy shows through there), readouts and level bars to its left.
    Font mono;
    if (!loadDejaVuFont(mono, "DejaVuSansMono-Bold.ttf"))
        return false;
    constexpr int width = 144, height = 64;
    Canvas canvas = makeCanvas(width, height);
    const Rgb cyan = {0.2f, 0.8f, 1.0f}, green = {0.3f, 1.0f, 0.4f}, amber = {1.0f, 0.65f, 0.15f};
    // Frame round the window at panel columns 60..139, rows 4..53.
    for (int y = 1; y < 57; ++y)
        for (int x = 57; x < 143; ++x) {
            const bool inside = x >= 60 && x < 140 && y >= 4 && y < 54;
            const bool edge = (x == 58 || x == 141 || y == 2 || y == 55);
            if (edge)
                setPixel(canvas, x, y, scaleRgb(cyan, 0.9f));
            else if (!inside)
                setPixel(canvas, x, y, scaleRgb(cyan, 0.12f));
        }
    const Mask title = renderText(mono, "MOTHER", 11.0f, 0.5f, 1);
    addMask(canvas, title, 2, 0, cyan, 1.0f);
    const Rgb bars[3] = {green, amber, green};
    const int levels[3] = {44, 30, 37};
    for (int b = 0; b < 3; ++b)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 50; ++x) {
                const int px = 4 + x, py = 18 + b * 9 + y;
                setPixel(canvas, px, py,
                         x < levels[b] && x % 3 != 2 ? bars[b] : scaleRgb(bars[b], 0.12f));
            }
    const Mask status = renderText(mono, "LINK OK", 9.0f, 0.0f, 1);
    addMask(canvas, status, 2, 46, green, 1.0f);
    picture = finishPicture(canvas, 1210);
    return true;
}
