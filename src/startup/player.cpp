// The one-scene player: the sequencer's opening steps (archive, music, video mode, frame buffers),
// then one row of the scene table played as the show reaches it.
#include "startup/startup.h"

#include "archive/archive.h"
#include "assets/assets.h"
#include "audio/audio.h"
#include "demo/demo.h"
#include "display/display.h"
#include "platform/platform.h"
#include "platform/platform_dialog.h"
#include "render/render.h"
#include "scenes/scene.h"
#include "sequencer/sequencer.h"
#include "shell/shell.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr const char* openingPictureName = "kfr_mi.jpg";
// Contact sheets show the scene at 10 % steps of its length.
constexpr int contactSheetFrames = 10;

// The sequencer's opening steps; false after a failure that was reported and shut down.
bool openShow(const ProgramOptions& options)
{
    std::snprintf(sequencer.dataFolder, sizeof sequencer.dataFolder, "%s",
                  dataFolder(options).c_str());
    sequencer.windowed = options.fullscreen ? 0 : 1;
    if (openDemo())
        return true;
    shutdownDemo();
    return false;
}

// Starts the module looping, at the given place when it is not the song's start.
void startMusic(uint32_t order, uint32_t row)
{
    demoMusic.playHandle = musicPlayModule(demoMusic.module, 1);
    musicSetSyncCallback(demoMusic.playHandle, musicSyncCallback);
    if (order != 0 || row != 0)
        musicSetPosition(demoMusic.playHandle, order, row);
    musicStartBackgroundPlay(0);
}

void restartDemoClock()
{
    timing.lastTick = timing.currentTick = platformTicks();
    timing.demoClock = 0;
}

// Up to the run: the scene's init with the settings around it, and the music at the scene's start.
void prepareScene(const SceneRow& row)
{
    if (row.usesOpeningPicture)
        scene.backgroundPicture = loadScenePicture(openingPictureName);
    if (row.waitsForFirstPattern) {
        // The opening: the init runs before the music starts, the run once its first pattern
        // passed.
        applySceneSettings(row.beforeInit);
        callScene(row.number, sceneInit, 0, 0, 0);
        applySceneSettings(row.beforeRun);
        musicPosition.order = musicPosition.row = 0;
        startMusic(0, 0);
        pollMusicPosition(1, 0);
        restartDemoClock();
        return;
    }
    timing.fadeLevel = row.entryFadeLevel;
    timing.fadeToWhite = row.entryFadeToWhite;
    timing.endFadeToWhite = row.entryEndFadeToWhite;
    startMusic(row.startOrder, row.startRow);
    pollMusicPosition(row.startOrder, row.startRow);
    readMusicPosition();
    restartDemoClock();
    applySceneSettings(row.beforeInit);
    callScene(row.number, sceneInit, 0, 0, 0);
    applySceneSettings(row.beforeRun);
}

}  // namespace

int playOneScene(const ProgramOptions& options, PlayReport* report)
{
    if (options.scene < 1 || options.scene > sceneCount)
        return 2;
    const SceneRow& row = sceneTable[options.scene - 1];
    if (!preparePngFolder(options))
        return 1;

    // Captures asked for by a caller (tests) stay; a contact sheet asks for its own.
    int32_t askedTimes[maxSceneCaptures];
    const int askedCount = sceneCapture.count;
    for (int i = 0; i < askedCount; ++i)
        askedTimes[i] = sceneCapture.times[i];
    resetProcessState();
    setPlayerOptions(options, false);
    if (!options.contactSheet.empty()) {
        int32_t times[contactSheetFrames];
        for (int i = 0; i < contactSheetFrames; ++i)
            times[i] = static_cast<int32_t>(int64_t(row.length) * (i + 1) / contactSheetFrames);
        requestSceneCaptures(times, contactSheetFrames);
    } else {
        requestSceneCaptures(askedTimes, askedCount);
    }
    recordSceneFrames(options.pngDir.c_str(), options.every);

    if (!options.headless)
        platformLoadIcon((dataFolder(options) + "icon_1.bmp").c_str());
    if (!platformInit(platformConfigFor(options))) {
        std::fprintf(stderr,
                     "v4npelva: the display could not be started (no X server?); try --headless\n");
        return 1;
    }
    if (!openMainWindow(options.fullscreen ? 1 : 0)) {
        std::fprintf(stderr, "v4npelva: the window could not be made\n");
        platformShutdown();
        return 1;
    }
    timing.lastTick = timing.currentTick = platformTicks();
    if (!openShow(options)) {
        reportDataSearch(options);
        platformShutdown();
        return 1;
    }

    prepareScene(row);
    PlayReport seen;
    seen.afterInit = meshCounts();
    armSceneCaptures();
    if (options.escapeAfterMs > 0)
        platformPostEventAfter(PlatformEvent{platformEventKeyDown, platformKeyEscape},
                               options.escapeAfterMs);
    const auto startTime = std::chrono::steady_clock::now();
    const uint32_t startTicks = platformTicks();
    const uint32_t startFrames = platformShownFrames();
    // Headless, the scene's line is written as the whole show writes it.
    sequencer.logScenes = options.headless;
    runScene(row);
    seen.runSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - startTime).count();
    completeSceneCaptures();
    seen.afterRun = meshCounts();
    seen.endOrder = musicPosition.order;
    seen.endRow = musicPosition.row;
    seen.endSceneTime = scene.sceneTime;
    seen.framesShown = platformShownFrames() - startFrames;
    seen.runTicks = platformTicks() - startTicks;
    seen.syncEventAfterRun = syncEvent.load();
    callScene(row.number, sceneFree, 0, 0, 0);
    freeBuffer(scene.backgroundPicture);
    // A frame that could not be written was reported when it happened; the run still fails.
    int code = sceneCapture.recordFailed ? 1 : 0;
    recordSceneFrames("", 1);
    if (report != nullptr)
        *report = seen;

    if (!options.contactSheet.empty() &&
        !writeSceneContactSheet(options.contactSheet.c_str(), row.name)) {
        std::fprintf(stderr, "v4npelva: cannot write the contact sheet %s\n",
                     options.contactSheet.c_str());
        code = 1;
    }
    shutdownDemo();
    platformShutdown();
    return code;
}
