// The scenes: the state every scene shares, the steps of the standard per-frame pipeline, the asset
// helpers of an init, and the three operations of each of the fourteen scenes.
//
// A scene is three free functions called in the order init, run, free by the sequencer's one
// switch: the init loads textures, pictures and the mesh into the shared slots and sets starting
// values, the run draws frames until its end condition holds or quit is requested, and the free
// releases exactly what the init loaded. A run takes sceneTime only through takeSceneTime (which
// also serves the player's frame captures), restores every count it enlarged before it returns, and
// allocates nothing.
#pragma once

#include <cstdint>

#include "assets/assets.h"
#include "render/draw.h"
#include "render/render.h"

// Texture slots shared by the scenes; light sprites name theirs by the low byte of spriteSlot.
constexpr int textureSlotCount = 20;
// Full-screen pictures (320 x 200 pixels of 4 bytes) a scene keeps at once.
constexpr int pictureSlotCount = 4;

// The scene-wide shared state. One instance, reused by every scene; each init overwrites the slots
// it uses and each free releases them, so between scenes every slot is empty except
// backgroundPicture, which the sequencer owns.
struct SceneState {
    int32_t sceneTime = 0;                        // the demo clock truncated, taken once per frame
    Texture textureSlots[textureSlotCount] = {};  // textures, sprites and work buffers
    uint32_t* pictureSlots[pictureSlotCount] = {};  // full-screen pictures
    uint32_t* scenePicture = nullptr;               // one more full-screen picture
    uint32_t* backgroundPicture = nullptr;          // the opening picture, loaded by the sequencer
    // The light-sprite size K of each light for drawDrawList: s = trunc(1 + K · D / (D + z)).
    float lightSpriteSize[maxMeshLights] = {};
};
extern SceneState scene;

// Frees whatever the slots hold and puts the scene state back to its start values (tests, and the
// player between runs).
void resetSceneState();

// The mesh counts a scene may enlarge (vertices, faces, lights of its own behind the loaded ones).
struct MeshCounts {
    int32_t vertexCount;
    int32_t faceCount;
    int32_t lightCount;
};
MeshCounts meshCounts();
void restoreMeshCounts(const MeshCounts& counts);

// Run loop

// sceneTime = trunc(demoClock). Every scene takes the time through this, once before its loop and
// once after presenting each frame.
int32_t takeSceneTime();
// The music-driven end: order >= endPosition and row >= endRow together, compared unsigned, with
// the values of the last readMusicPosition.
bool musicEndReached(uint32_t endPosition, uint32_t endRow);
// The top-of-frame test of a music-ended run: false once the end is reached or quit is requested.
bool runContinues(uint32_t endPosition, uint32_t endRow);
// The top-of-frame test also ends the run, with one line on standard error, when the watch that
// beginSceneRun started gives up on the music (a module without the end position: two wraps, or
// 60 s without the position moving).
// Start of a run: take sceneTime, start the fade-in and the watch on the music.
void beginSceneRun();
// Starts the run's watch on the music (beginSceneRun does it; a run that waits on a cue without
// it calls this).
void watchSceneMusic();
// True, after one line on standard error, once the watch gives up: a cue the run waits for will
// not come (a module without sync commands).
bool musicCueOverdue(const char* sceneName, int cue);
// End of a frame of a scene that fades out near its length: present (with the trail, or plain for
// finishSceneFrameDirect), take sceneTime, fadeOutNear(sceneTime, length, fraction).
void finishSceneFrame(int32_t length, float fraction);
void finishSceneFrameDirect(int32_t length, float fraction);

// Standard 3D pipeline

// Object matrix of keyframed object k at frame f: V · T · F4 · R · F3 · F1 · F2, formed left to
// right, with T the position track at f taken as (x, z, y), R the remaining rotation of the
// rotation track about the pivot, F4 the pivot matrix, F3 the accumulated rotation, F1 the mesh
// matrix and F2 the origin matrix. Advances the object's rotation track (time must not go back).
void placeObject(MeshObject& object, const Matrix4& view, float frame, Matrix4& out);
// The same with T taken from `position` (in the track's axes) instead of the position track, for
// scenes that move an object off its track; the rotation track is evaluated and advanced as above.
void placeObjectAt(MeshObject& object, const Matrix4& view, const Vec3& position, float frame,
                   Matrix4& out);
// Places every object of the mesh with placeObject at frame f and transforms it.
void placeObjects(const Matrix4& view, float frame);
// One keyframed frame at frame f: the camera view from its track, every object placed and
// transformed, the lights on their tracks, then every face and light drawn far to near with
// light-sprite size k.
void drawKeyframedFrame(float frame, float k);
// Camera-space positions and normals of the vertices firstVertex..lastVertex, and camera-space
// normals of the faces firstFace..lastFace, with m. Ranges are clipped to the mesh's counts.
void transformVertices(int firstVertex, int lastVertex, const Matrix4& m);
void transformFaceNormals(int firstFace, int lastFace, const Matrix4& m);
// Both of the above for one object's ranges.
void transformObject(const MeshObject& object, const Matrix4& m);
// Every vertex and face of the mesh with one matrix.
void transformMesh(const Matrix4& m);
// Moves every light with a position track of two keys or more to its value at frame f.
void evalLightTracks(float frame);
// Camera-space positions of every light with m.
void transformLights(const Matrix4& m);
// Environment mapping of vertices first..last after their transform: u = (1 - cnx) · 127,
// v = (1 - cny) · 127.
void environmentMap(int firstVertex, int lastVertex);

// The near and facing tests: no vertex at camera-space z <= nearLimit, and N · P + D · N.z <= 0 for
// the camera-space normal N and the first vertex P.
bool faceIsVisible(const MeshFace& face);
// Appends the visible faces first..last with key (z0 + z1 + z2) × 0.33333334. Entries beyond the
// list's capacity are dropped.
void addVisibleFaces(int firstFace, int lastFace);
// Appends lights first..first + count - 1 (clipped to the light count) keyed by camera-space z.
void addLightsToDrawList(int firstLight, int count);
// Every face and every light: addVisibleFaces over the whole mesh, then every light.
void fillDrawList();
// The light-sprite size rule: trunc(1 + K · D / (D + z)) in 32-bit floats; 0 or less draws nothing.
int lightSpriteSide(float k, float z);
// Sets the light-sprite size K of every light table entry.
void setLightSpriteSizes(float k);
// Sorts the DrawList and draws it far to near into the FrameBuffer: faces with drawFace, lights
// projected and drawn as additive sprites of side lightSpriteSide(scene.lightSpriteSize[i], z)
// from the texture slot of their sprite slot's low byte.
void drawDrawList();
// Sprite of texture slot `slot` centred at (cx, cy), w x h pixels; nothing for an empty or
// unknown slot.
void drawSlotSprite(int slot, int cx, int cy, int w, int h);
// The four-sprite lens flare from texture slot `slot` for the screen point (px, py) along the line
// through the screen centre; k places the smallest sprite (1 or -1 by scene).
void drawLensFlare(int slot, float px, float py, float k);

// Asset helpers of an init and a free

// Loads a picture into a texture slot (32 bits per pixel). A missing file ends the process with
// the loader's message.
void loadTextureSlot(int slot, const char* name);
// Loads a full-screen picture into a picture slot.
void loadPictureSlot(int slot, const char* name);
// Loads a full-screen picture; the caller keeps the pointer (scenePicture, backgroundPicture).
uint32_t* loadScenePicture(const char* name);
// Loads the mesh or, when it cannot be loaded, writes the loader's line and ends the process.
void loadSceneMesh(const char* name);
// A zeroed work buffer of width x height pixels (at least a 256 x 256 texture's worth) in a slot.
void allocateTextureSlot(int slot, int width, int height);
// A zeroed buffer of the given pixels (at least a 256 x 256 texture's worth), freed by freeBuffer.
uint32_t* allocateWorkBuffer(int pixels);
// Releases a slot's or a picture's pixels and empties it; empty slots are accepted.
void freeTextureSlot(int slot);
void freeTextureSlots(int firstSlot, int lastSlot);
void freePictureSlot(int slot);
void freeBuffer(uint32_t*& pixels);
// Appends a light at (x, y, z) with the sprite slot; its index, or -1 when the table is full.
int appendLight(float x, float y, float z, uint32_t spriteSlot);

// The check an init makes on data the scene relies on: when holds is false it writes one line
// "<scene>: <what>" to standard error. Returns holds.
bool checkSceneData(bool holds, const char* sceneName, const char* what);

// Frame captures for the player's contact sheet and PNG frames and for the tests' golden frames:
// between armSceneCaptures and completeSceneCaptures, each frame shown during a run is noticed by
// the next takeSceneTime, while sceneTime still holds the time the frame was drawn with.
constexpr int maxSceneCaptures = 12;
constexpr int scenePngDirSize = 512;
struct SceneCapture {
    int count = 0;                           // captures asked for
    int32_t times[maxSceneCaptures] = {};    // scene times asked for, ascending
    int32_t takenAt[maxSceneCaptures] = {};  // the sceneTime the captured frame was drawn with
    bool taken[maxSceneCaptures] = {};
    bool armed = false;        // between armSceneCaptures and completeSceneCaptures
    uint32_t shownFrames = 0;  // the platform's shown-frame count when last looked at
    int32_t lastTime = 0;      // the sceneTime of the last frame shown during the run
    // Recording: every `every`-th shown frame as <pngDir>/frame_NNNNN.png (NNNNN counts the frames
    // shown in the run from 0); an empty folder records nothing.
    char pngDir[scenePngDirSize] = {};
    int every = 1;
    uint32_t framesSeen = 0;
    bool recordFailed = false;  // a PNG could not be written (reported once, recording stops)
    // The captured pictures, FrameBuffer rows only: 320 x 200 pixels of 0x00RRGGBB.
    uint32_t pixels[maxSceneCaptures][320 * 200] = {};
};
extern SceneCapture sceneCapture;
// Asks for captures at the given scene times (up to maxSceneCaptures, ascending); a count of 0
// asks for none. Clears the recording too.
void requestSceneCaptures(const int32_t* times, int count);
// Records the run's frames into folder (empty: none), every Nth frame.
void recordSceneFrames(const char* folder, int every);
// Just before a run: frames shown from now on count.
void armSceneCaptures();
// After a run: captures not taken get the last frame shown (a run that ended before their time).
void completeSceneCaptures();

// The scenes, in show order (numbers 1 to 14)

void flamesInit();
void flamesRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void flamesFree();
void creditsInit();
void creditsRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void creditsFree();
void spaceFlightInit();
void spaceFlightRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void spaceFlightFree();
void tunnelInit();
void tunnelRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void tunnelFree();
void waveGridInit();
void waveGridRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void waveGridFree();
void cosmosInit();
void cosmosRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void cosmosFree();
void sunCodeInit();
void sunCodeRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void sunCodeFree();
// The first row of the code strip that Sun and code shows at time t: one row every 3 time units,
// 0 to 498, computed in 32-bit floats.
int32_t codeStripRow(int32_t t);
void disksInit();
void disksRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void disksFree();
void greetingsInit();
void greetingsRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void greetingsFree();
void rubberInit();
void rubberRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void rubberFree();
void morphInit();
void morphRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void morphFree();
void computerInit();
void computerRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void computerFree();
void motherInit();
void motherRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void motherFree();
void finalFlightInit();
void finalFlightRun(int32_t length, uint32_t endPosition, uint32_t endRow);
void finalFlightFree();
