// runDemo: the whole show, from opening the archive to the shutdown.
#include "archive/archive.h"
#include "audio/audio.h"
#include "demo/demo.h"
#include "display/display.h"
#include "platform/platform.h"
#include "render/render.h"
#include "scenes/scene.h"
#include "sequencer/sequencer.h"
#include "shell/shell.h"

#include <cstdio>
#include <cstring>
#include <string>

SequencerState sequencer;

namespace {

constexpr const char* archiveName = "v4npelva.zem";
constexpr const char* moduleName = "v4npelva.xm";
constexpr const char* openingPictureName = "kfr_mi.jpg";
// The interlude flashes on the music's sync commands until this order, where Final flight begins.
constexpr uint32_t finalFlightOrder = 84;

std::string dataPath(const char* name)
{
    return std::string(sequencer.dataFolder) + name;
}

// The one way out of runDemo: every path passes here once.
int shutDown(int exitCode)
{
    ++sequencer.shutdowns;
    shutdownDemo();
    return exitCode;
}

// The music position heard now, read without touching musicPosition (which the scenes' end tests
// use as they last read it).
void heardPosition(uint32_t& order, uint32_t& row)
{
    MusicPlayStatus status{};
    if (musicGetPlayStatus(demoMusic.playHandle, &status)) {
        order = status.position;
        row = status.row;
    } else {
        order = musicPosition.order;
        row = musicPosition.row;
    }
}

void initScene(const SceneRow& row)
{
    ++sequencer.inits[row.number - 1];
    callScene(row.number, sceneInit, 0, 0, 0);
}

void freeScene(const SceneRow& row)
{
    ++sequencer.frees[row.number - 1];
    callScene(row.number, sceneFree, 0, 0, 0);
}

// Scenes 2 to 13: the table's settings before the init and before the run, init, run, free, and
// the quit check where the table has one. False when the show must end.
bool playTableScene(const SceneRow& row)
{
    applySceneSettings(row.beforeInit);
    initScene(row);
    applySceneSettings(row.beforeRun);
    runScene(row);
    freeScene(row);
    // The opening picture served as the Credits background; it is not shown again.
    if (row.number == 2)
        freeBuffer(scene.backgroundPicture);
    return !(row.quitCheckAfterFree && quitRequested());
}

// The black screen after Mother that flashes white on every sync command until Final flight's
// order, with Final flight's init made under it.
void interlude(const SceneRow& finalFlight)
{
    setFieldOfView(45);
    timing.fadeLevel = 255;
    presentFrame();
    std::memset(frameBuffer.pixels, 0, sizeof frameBuffer.pixels);
    // White, idle, then fading in from white at 90 degrees.
    applySceneSettings(finalFlight.beforeInit);
    initScene(finalFlight);
    timing.endFadeToWhite = 0;
    // A module without Final flight's order would keep the screen black for ever.
    MusicWatch watch;
    startMusicWatch(watch);
    while (musicPosition.order < finalFlightOrder && !quitRequested()) {
        if (musicWatchGivesUp(watch)) {
            std::fprintf(stderr,
                         "v4npelva: the music never reaches order %u, where Final flight begins: "
                         "going on\n",
                         unsigned(finalFlightOrder));
            break;
        }
        readMusicPosition();
        presentFrame();
        if (syncEvent.load(std::memory_order_relaxed) != 0) {
            syncEvent.store(0, std::memory_order_relaxed);
            if (sequencer.interludeFlashes < maxInterludeFlashes) {
                sequencer.flashOrders[sequencer.interludeFlashes] = musicPosition.order;
                sequencer.flashRows[sequencer.interludeFlashes] = musicPosition.row;
            }
            ++sequencer.interludeFlashes;
            timing.fadeLevel = 255;
            timing.fadeToWhite = 1;
            startFadeIn();
        }
    }
}

}  // namespace

void writeLogLine(const SceneLogEntry& entry)
{
    const SceneRow& row = sceneTable[entry.number - 1];
    std::printf(
        "scene %2d %-12s start order %2u row %2u sceneTime %5d tick %7u | end order %2u row %2u "
        "sceneTime %5d frames %5u\n",
        entry.number, row.name, entry.startOrder, entry.startRow, entry.startSceneTime,
        entry.startTicks, entry.endOrder, entry.endRow, entry.endSceneTime, entry.framesShown);
    std::fflush(stdout);
}

void runScene(const SceneRow& row)
{
    SceneLogEntry entry;
    entry.number = row.number;
    heardPosition(entry.startOrder, entry.startRow);
    entry.startSceneTime = static_cast<int32_t>(timing.demoClock);
    entry.startTicks = platformTicks();
    const uint32_t framesBefore = platformShownFrames();
    callScene(row.number, sceneRun, row.length, row.endOrder, row.endRow);
    heardPosition(entry.endOrder, entry.endRow);
    entry.endSceneTime = scene.sceneTime;
    entry.endTicks = platformTicks();
    entry.framesShown = platformShownFrames() - framesBefore;
    if (sequencer.logCount < sceneCount)
        sequencer.log[sequencer.logCount++] = entry;
    if (sequencer.logScenes)
        writeLogLine(entry);
}

bool openDemo()
{
    if (!openArchive(dataPath(archiveName).c_str()))
        return false;
    musicInit();
    // The show goes on without sound when the device does not open; say so once.
    if (musicLastError()[0] != '\0')
        std::fprintf(stderr, "v4npelva: %s\n", musicLastError());
    demoMusic.module = musicLoadModule(dataPath(moduleName).c_str());
    demoMusic.playHandle = 0;
    if (demoMusic.module == nullptr) {
        // Without music no scene reaches its end position: stop rather than play for ever.
        std::fprintf(stderr, "v4npelva: cannot play %s: %s\n", dataPath(moduleName).c_str(),
                     musicLastError());
        return false;
    }
    pumpMessages();
    if (!chooseVideoMode()) {
        showMessage("Not found compotible video mode. Try windowed !");
        return false;
    }
    if (display.bitsPerPixel != 32 && sequencer.windowed) {
        if (display.bitsPerPixel == 8) {
            showMessage(
                "NOTE: 8bpp video modes not supported! Change desktop to other modes or try "
                "Fullscreen!");
            return false;
        }
        showMessage("NOTE: Change you desktop to 32bpp mode for best perfomance!");
    }
    initFrameBuffers();
    return true;
}

void resetSequencer()
{
    sequencer = SequencerState{};
}

int runDemo()
{
    sequencer.logCount = 0;
    if (!openDemo())
        return shutDown(1);

    const SceneRow& flames = sceneTable[0];
    applySceneSettings(flames.beforeInit);  // black, fully faded
    scene.backgroundPicture = loadScenePicture(openingPictureName);
    initScene(flames);
    applySceneSettings(flames.beforeRun);  // the closing fade goes to white
    musicPosition.order = musicPosition.row = 0;

    demoMusic.playHandle = musicPlayModule(demoMusic.module, 1);
    musicSetSyncCallback(demoMusic.playHandle, musicSyncCallback);
    musicStartBackgroundPlay(0);
    // The first pattern passes before anything is shown; no messages are taken meanwhile.
    pollMusicPosition(1, 0);
    timing.lastTick = timing.currentTick = platformTicks();
    timing.demoClock = 0;

    runScene(flames);
    timing.demoClock = 0;
    freeScene(flames);
    if (quitRequested())
        return shutDown(0);

    // The opening picture fades in from white and holds until order 2, row 32.
    timing.endFadeToWhite = 1;
    timing.fadeLevel = 255;
    timing.fadeToWhite = 1;
    if (scene.backgroundPicture != nullptr)
        std::memcpy(frameBuffer.pixels, scene.backgroundPicture, sizeof frameBuffer.pixels);
    waitForMusicPosition(2, 32);

    for (int number = 2; number <= 13; ++number)
        if (!playTableScene(sceneTable[number - 1]))
            return shutDown(0);

    const SceneRow& finalFlight = sceneTable[13];
    interlude(finalFlight);
    applySceneSettings(finalFlight.beforeRun);  // clock 0, from white, fading in
    runScene(finalFlight);
    freeScene(finalFlight);
    if (quitRequested())
        return shutDown(0);
    setFieldOfView(45);
    return shutDown(0);
}
