// The whole show from the command line, and the start-up both players share: the process state,
// the data folder, the player's and the platform's options.
#include "startup/launcher.h"
#include "startup/startup.h"

#include "archive/archive.h"
#include "assets/assets.h"
#include "audio/audio.h"
#include "demo/demo.h"
#include "display/display.h"
#include "platform/platform.h"
#include "platform/platform_audio.h"
#include "platform/platform_dialog.h"
#include "render/render.h"
#include "scenes/scene.h"
#include "sequencer/sequencer.h"
#include "shell/shell.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* archiveName = "v4npelva.zem";
// Where `cmake --install` puts the data files.
#ifdef V4N_INSTALLED_DATA_DIR
constexpr const char* installedDataFolder = V4N_INSTALLED_DATA_DIR;
#else
constexpr const char* installedDataFolder = "/usr/local/share/v4npelva";
#endif
// The player's start-up options of the show: a 22000 Hz mix of high quality, 16-bit stereo.
constexpr int showMixRate = 22000;
// More devices than any machine offers; the list is cut there.
constexpr int maxListedDevices = 64;

}  // namespace

void resetProcessState()
{
    musicStartup();
    resetPlatform();
    resetShell();
    resetTiming();
    demoMusic = DemoMusic{};
    resetDisplay();
    resetArchive();
    resetMesh();
    resetPictures();
    resetSceneState();
    resetRandom();
    resetProjection();
    resetDrawList();
    resetPointCloud();
    resetSequencer();
}

std::string dataFolder(const ProgramOptions& options)
{
    if (!options.dataDir.empty())
        return options.dataDir + "/";
    std::error_code error;
    const auto holdsArchive = [&error](const std::filesystem::path& folder) {
        return std::filesystem::exists(folder / archiveName, error);
    };
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        // The build tree keeps the data beside the program; an install tree that was moved (or
        // unpacked under another root) keeps it in share/v4npelva beside the program's bin.
        if (holdsArchive(self.parent_path()))
            return self.parent_path().string() + "/";
        const std::filesystem::path installTree =
            self.parent_path().parent_path() / "share" / "v4npelva";
        if (holdsArchive(installTree))
            return installTree.string() + "/";
    }
    if (holdsArchive(installedDataFolder))
        return std::string(installedDataFolder) + "/";
    return "";
}

void reportDataSearch(const ProgramOptions& options)
{
    std::error_code error;
    const std::string folder = dataFolder(options);
    if (std::filesystem::exists(folder + archiveName, error))
        return;
    if (!options.dataDir.empty()) {
        std::fprintf(stderr, "v4npelva: looked in %s (from --data)\n", options.dataDir.c_str());
        return;
    }
    std::string searched;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        searched = self.parent_path().string() + ", " +
                   (self.parent_path().parent_path() / "share" / "v4npelva").string() + ", ";
    std::fprintf(stderr,
                 "v4npelva: looked in %s%s and the working folder; --data DIR names the folder "
                 "that holds v4npelva.zem and v4npelva.xm\n",
                 searched.c_str(), installedDataFolder);
}

bool preparePngFolder(const ProgramOptions& options)
{
    if (options.pngDir.empty())
        return true;
    std::error_code error;
    std::filesystem::create_directories(options.pngDir, error);
    if (std::filesystem::is_directory(options.pngDir, error))
        return true;
    std::fprintf(stderr, "v4npelva: cannot use '%s' as the PNG folder\n", options.pngDir.c_str());
    return false;
}

void setPlayerOptions(const ProgramOptions& options, bool showDefaults)
{
    if (showDefaults) {
        musicSetOption(musicOptionStreamMode, 1);
        musicSetOption(musicOptionMixRate, showMixRate);
        musicSetOption(musicOptionMixQuality, 1);
        musicSetOption(musicOptionOutputMode, musicMode16Bit | musicModeStereo);
    }
    // The values were checked on the command line.
    if (options.rate != 0)
        musicSetOption(musicOptionMixRate, options.rate);
    if (options.bufferMs != 0)
        musicSetOption(musicOptionBufferMs, options.bufferMs);
    if (options.avOffsetMs != 0)
        musicSetOption(musicOptionLatencyOffsetMs, options.avOffsetMs);
    // Headless, the music follows the virtual clock whatever was asked for.
    if (options.noSound && !options.headless)
        musicSetOption(musicOptionOutputDevice, musicDeviceNull);
    musicSetDeviceName(options.audioDevice.c_str());
}

PlatformConfig platformConfigFor(const ProgramOptions& options)
{
    PlatformConfig config;
    config.headless = options.headless;
    config.fullscreen = options.fullscreen;
    config.smoothScaling = options.smooth;
    config.vsync = !options.noVsync;
    config.windowScale = options.scale;
    config.frameRate = options.headlessFrameRate;
    return config;
}

int listAudioDevices()
{
    static char names[maxListedDevices][platformAudioNameSize];
    const int count = platformAudioDeviceNames(names, maxListedDevices);
    for (int i = 0; i < count; ++i)
        std::printf("%s\n", names[i]);
    if (count == 0)
        std::fprintf(stderr, "v4npelva: no audio output device found\n");
    return 0;
}

int playShow(const ProgramOptions& options, ShowReport* report)
{
    if (!preparePngFolder(options))
        return 1;
    resetProcessState();
    setPlayerOptions(options, true);
    // Without an output flag the viewer chooses in the launcher; its sound set-up changes the
    // player's options set just above, so nothing may reset them after this.
    bool fullscreen = options.fullscreen;
    // Every window carries the show's icon, the launcher's and the main window.
    if (!options.headless)
        platformLoadIcon((dataFolder(options) + "icon_1.bmp").c_str());
    if (!options.outputChosen && !options.headless) {
        const LauncherChoice choice = runLauncher((dataFolder(options) + "icon_1.bmp").c_str());
        if (choice == launcherExit)
            return 0;
        fullscreen = choice == launcherStartFullScreen;
    }
    recordSceneFrames(options.pngDir.c_str(), options.every);
    if (!options.pngDir.empty())
        armSceneCaptures();
    std::snprintf(sequencer.dataFolder, sizeof sequencer.dataFolder, "%s",
                  dataFolder(options).c_str());
    sequencer.windowed = fullscreen ? 0 : 1;
    sequencer.logScenes = options.headless;

    ProgramOptions chosen = options;
    chosen.fullscreen = fullscreen;
    if (!platformInit(platformConfigFor(chosen))) {
        std::fprintf(stderr,
                     "v4npelva: the display could not be started (no X server?); try --headless\n");
        return 1;
    }
    if (!openMainWindow(fullscreen ? 1 : 0)) {
        std::fprintf(stderr, "v4npelva: the window could not be made\n");
        platformShutdown();
        return 1;
    }
    timing.lastTick = timing.currentTick = platformTicks();
    if (options.hashEveryMs > 0)
        platformHashShownEvery(options.hashEveryMs);
    if (options.escapeAfterMs > 0)
        platformPostEventAfter(PlatformEvent{platformEventKeyDown, platformKeyEscape},
                               options.escapeAfterMs);
    for (int i = 0; i < options.timedEventCount && i < maxTimedEvents; ++i)
        platformPostEventAfter(options.timedEvents[i].event, options.timedEvents[i].afterMs);
    int code = runDemo();
    if (code != 0)
        reportDataSearch(options);
    completeSceneCaptures();
    // A frame that could not be written was reported when it happened; the show still fails.
    if (code == 0 && sceneCapture.recordFailed)
        code = 1;
    recordSceneFrames("", 1);
    if (report != nullptr) {
        report->framesShown = platformShownFrames();
        report->endTicks = platformTicks();
        report->hashCount =
            platformShownHashes(report->hashes, report->hashTicks, platformMaxShownHashes);
    }
    platformShutdown();
    return code;
}
