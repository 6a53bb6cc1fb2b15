// Start-up of the program v4npelva: the command line and the one-scene player.
#pragma once

#include <cstdint>
#include <string>

#include "scenes/scene.h"

// What the command line asks for.
struct ProgramOptions {
    int scene = 0;          // 1..14; 0 when none was given
    bool headless = false;  // virtual clock, no window, offline music
    bool fullscreen = false;
    std::string pngDir;        // write shown frames as DIR/frame_NNNNN.png
    int every = 1;             // with pngDir: every Nth shown frame
    std::string contactSheet;  // write a contact sheet of the scene to this PNG
    bool help = false;
    bool version = false;
    std::string dataDir;         // folder of v4npelva.zem and v4npelva.xm; empty: found at start
    uint32_t escapeAfterMs = 0;  // tests and benchmarks: Escape is pressed this long into the run
};

// Parses argv. False with a one-line reason in error on a bad flag, value or scene.
bool parseProgramOptions(int argc, char** argv, ProgramOptions& options, std::string& error);
// The usage text (several lines, ending in a line break).
const char* programUsage();

// What a one-scene play saw, for tests and benchmarks.
struct PlayReport {
    MeshCounts afterInit{};  // mesh counts when the init returned
    MeshCounts afterRun{};   // and when the run returned
    uint32_t endOrder = 0;   // music position when the run returned
    uint32_t endRow = 0;
    int32_t endSceneTime = 0;   // sceneTime when the run returned
    uint32_t framesShown = 0;   // frames shown during the run
    uint32_t runTicks = 0;      // platform ticks the run took
    int syncEventAfterRun = 0;  // syncEvent when the run returned
    double runSeconds = 0;      // wall-clock time the run took
};

// Plays one scene as the show would reach it: opens the archive and the module, sets the music to
// the scene's start, applies the scene table's settings, runs init, run and free, ends through
// shutdownDemo. Returns the process exit code: 0 after a played scene, 1 after a failure that was
// reported, 2 for a scene this build does not contain.
int playOneScene(const ProgramOptions& options, PlayReport* report = nullptr);
// Writes the captures of the last play as a contact sheet: a grid of the frames, each labelled with
// the sceneTime it was drawn at and its share of the scene's length. False when it cannot be
// written.
bool writeSceneContactSheet(const char* path, const char* sceneName);
// The whole program: parse, then --help, --version or the player. Returns the exit code.
int programMain(int argc, char** argv);
