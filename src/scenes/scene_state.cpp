// The scenes' shared state with its reset, the run loop's common steps, the asset helpers of the
// inits and frees, and the frame captures.
#include "scenes/scene.h"

#include "demo/demo.h"
#include "display/display.h"
#include "platform/platform.h"
#include "shell/shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

SceneState scene;
SceneCapture sceneCapture;

namespace {

// The run's watch on the music, started with the run: a position or cue the song does not hold
// ends the wait instead of hanging the show.
MusicWatch sceneMusicWatch;

// The 320 x 240 picture read back for a capture.
uint32_t shownPicture[displayWidth * displayHeight];

bool validTextureSlot(int slot)
{
    return slot >= 0 && slot < textureSlotCount;
}

bool validPictureSlot(int slot)
{
    return slot >= 0 && slot < pictureSlotCount;
}

// Copies the FrameBuffer rows of the last shown picture into capture i.
void storeCapture(int i, int32_t drawnAt)
{
    std::memcpy(sceneCapture.pixels[i], shownPicture + frameOffset * displayWidth,
                sizeof sceneCapture.pixels[i]);
    sceneCapture.taken[i] = true;
    sceneCapture.takenAt[i] = drawnAt;
}

void recordShownFrame()
{
    SceneCapture& c = sceneCapture;
    const uint32_t number = c.framesSeen++;
    if (c.pngDir[0] == '\0' || c.recordFailed || number % uint32_t(c.every) != 0)
        return;
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05u.png", number);
    const std::string path = std::string(c.pngDir) + name;
    if (!platformWritePng(path.c_str())) {
        std::fprintf(stderr, "v4npelva: cannot write %s; recording stops\n", path.c_str());
        c.recordFailed = true;
    }
}

// Called before sceneTime is taken again: when a frame was shown since the last look, it was drawn
// with the sceneTime still held; it is recorded and fills every capture due by then.
void noticeShownFrame()
{
    SceneCapture& c = sceneCapture;
    if (!c.armed)
        return;
    const uint32_t shown = platformShownFrames();
    if (shown == c.shownFrames)
        return;
    c.shownFrames = shown;
    c.lastTime = scene.sceneTime;
    recordShownFrame();
    bool read = false;
    for (int i = 0; i < c.count; ++i) {
        if (c.taken[i] || c.times[i] > scene.sceneTime)
            continue;
        if (!read && !(read = platformReadShown(shownPicture)))
            return;
        storeCapture(i, scene.sceneTime);
    }
}

}  // namespace

void resetSceneState()
{
    for (int i = 0; i < textureSlotCount; ++i)
        freeTextureSlot(i);
    for (int i = 0; i < pictureSlotCount; ++i)
        freePictureSlot(i);
    freeBuffer(scene.scenePicture);
    freeBuffer(scene.backgroundPicture);
    scene = SceneState{};
}

MeshCounts meshCounts()
{
    return MeshCounts{mesh.vertexCount, mesh.faceCount, mesh.lightCount};
}

void restoreMeshCounts(const MeshCounts& counts)
{
    mesh.vertexCount = counts.vertexCount;
    mesh.faceCount = counts.faceCount;
    mesh.lightCount = counts.lightCount;
}

int32_t takeSceneTime()
{
    noticeShownFrame();
    scene.sceneTime = saturatingTrunc(timing.demoClock);
    return scene.sceneTime;
}

bool musicEndReached(uint32_t endPosition, uint32_t endRow)
{
    return musicPosition.order >= endPosition && musicPosition.row >= endRow;
}

bool runContinues(uint32_t endPosition, uint32_t endRow)
{
    if (quitRequested() || musicEndReached(endPosition, endRow))
        return false;
    if (!musicWatchGivesUp(sceneMusicWatch))
        return true;
    std::fprintf(stderr,
                 "v4npelva: the music never reaches order %u, row %u, where this scene ends: "
                 "going on\n",
                 endPosition, endRow);
    sceneMusicWatch.watching = false;
    return false;
}

void watchSceneMusic()
{
    startMusicWatch(sceneMusicWatch);
}

bool musicCueOverdue(const char* sceneName, int cue)
{
    if (!musicWatchGivesUp(sceneMusicWatch))
        return false;
    std::fprintf(stderr, "%s: the music gave no cue %d: going on\n", sceneName, cue);
    sceneMusicWatch.watching = false;
    return true;
}

void beginSceneRun()
{
    takeSceneTime();
    startFadeIn();
    watchSceneMusic();
}

void finishSceneFrame(int32_t length, float fraction)
{
    presentFrame();
    takeSceneTime();
    fadeOutNear(scene.sceneTime, length, fraction);
}

void finishSceneFrameDirect(int32_t length, float fraction)
{
    presentFrameDirect();
    takeSceneTime();
    fadeOutNear(scene.sceneTime, length, fraction);
}

void loadTextureSlot(int slot, const char* name)
{
    if (validTextureSlot(slot))
        scene.textureSlots[slot] = loadTexture(name, 32);
}

void loadPictureSlot(int slot, const char* name)
{
    if (validPictureSlot(slot))
        scene.pictureSlots[slot] = loadPicture(name, 32);
}

uint32_t* loadScenePicture(const char* name)
{
    return loadPicture(name, 32);
}

void loadSceneMesh(const char* name)
{
    char message[meshMessageSize];
    if (!load3ds(name, message))
        failMeshLoad(message);
}

void allocateTextureSlot(int slot, int width, int height)
{
    if (!validTextureSlot(slot))
        return;
    scene.textureSlots[slot] = Texture{width, height, allocateWorkBuffer(width * height)};
}

uint32_t* allocateWorkBuffer(int pixels)
{
    return allocatePicture(pixels > 0 ? pixels : 0);
}

void freeTextureSlot(int slot)
{
    if (!validTextureSlot(slot))
        return;
    freeBuffer(scene.textureSlots[slot].pixels);
    scene.textureSlots[slot] = Texture{};
}

void freeTextureSlots(int firstSlot, int lastSlot)
{
    for (int slot = firstSlot; slot <= lastSlot; ++slot)
        freeTextureSlot(slot);
}

void freePictureSlot(int slot)
{
    if (validPictureSlot(slot))
        freeBuffer(scene.pictureSlots[slot]);
}

void freeBuffer(uint32_t*& pixels)
{
    std::free(pixels);
    pixels = nullptr;
}

int appendLight(float x, float y, float z, uint32_t spriteSlot)
{
    if (mesh.lightCount < 0 || mesh.lightCount >= maxMeshLights)
        return -1;
    const int index = mesh.lightCount++;
    MeshLight& light = mesh.lights[index];
    light = MeshLight{};
    light.x = x;
    light.y = y;
    light.z = z;
    light.spriteSlot = spriteSlot;
    return index;
}

bool checkSceneData(bool holds, const char* sceneName, const char* what)
{
    if (!holds)
        std::fprintf(stderr, "%s: %s\n", sceneName, what);
    return holds;
}

void requestSceneCaptures(const int32_t* times, int count)
{
    sceneCapture = SceneCapture{};
    if (times == nullptr || count <= 0)
        return;
    sceneCapture.count = count < maxSceneCaptures ? count : maxSceneCaptures;
    for (int i = 0; i < sceneCapture.count; ++i)
        sceneCapture.times[i] = times[i];
}

void recordSceneFrames(const char* folder, int every)
{
    SceneCapture& c = sceneCapture;
    std::snprintf(c.pngDir, sizeof c.pngDir, "%s", folder != nullptr ? folder : "");
    c.every = every > 0 ? every : 1;
    c.framesSeen = 0;
    c.recordFailed = false;
}

void armSceneCaptures()
{
    sceneCapture.armed = true;
    sceneCapture.shownFrames = platformShownFrames();
    sceneCapture.framesSeen = 0;
}

void completeSceneCaptures()
{
    if (!sceneCapture.armed)
        return;
    noticeShownFrame();
    sceneCapture.armed = false;
    if (sceneCapture.count == 0 || !platformReadShown(shownPicture))
        return;
    for (int i = 0; i < sceneCapture.count; ++i)
        if (!sceneCapture.taken[i])
            storeCapture(i, sceneCapture.lastTime);
}
