// Start-up of the program v4npelva: the command line and the one-scene player.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "scenes/scene.h"

// An event a test delivers into the run's queue this long after the window opened.
struct TimedEvent {
    uint32_t afterMs = 0;
    PlatformEvent event;
};
constexpr int maxTimedEvents = 4;

// What the command line asks for.
struct ProgramOptions {
    int scene = 0;          // 1..14; 0: the whole show
    bool headless = false;  // virtual clock, no window, offline music
    bool fullscreen = false;
    bool outputChosen = false;  // --window, --fullscreen or --headless given: no launcher
    std::string pngDir;         // write shown frames as DIR/frame_NNNNN.png
    int every = 1;              // with pngDir: every Nth shown frame
    std::string contactSheet;   // write a contact sheet of the scene (or the show) to this PNG
    int everySeconds = 5;       // the show's contact sheet: a frame every N seconds of show time
    std::string record;         // record the show (or the scene) headless to this video file
    int recordScale = 4;        // with record: each pixel becomes N x N
    int fps = 60;               // with record: frames per second
    bool lossless = false;      // with record: FFV1 in Matroska
    bool help = false;
    bool version = false;
    std::string dataDir;         // folder of v4npelva.zem and v4npelva.xm; empty: found at start
    uint32_t escapeAfterMs = 0;  // tests and benchmarks: Escape is pressed this long into the run
    // Sound and picture.
    bool noSound = false;
    std::string audioDevice;  // by name as --list-audio-devices prints it; empty: the default
    bool listAudioDevices = false;
    int rate = 0;         // mixing rate in Hz; 0: the show's 22000
    int bufferMs = 0;     // how far ahead the music is mixed; 0: the player's default
    int avOffsetMs = 0;   // added to the delay between mixing and hearing
    int scale = 0;        // windowed: first window size as a multiple of 320 x 240; 0: largest
    bool smooth = false;  // linear instead of nearest-neighbour scaling
    bool noVsync = false;
    int headlessFrameRate = 60;  // tests: frames per virtual second of the headless backend
    uint32_t hashEveryMs = 0;    // tests: hash the frame shown at every multiple of this
    TimedEvent timedEvents[maxTimedEvents] = {};  // tests: deactivation and the like
    int timedEventCount = 0;
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
// The hashes of the frames shown at every multiple of ProgramOptions::hashEveryMs, for tests.
struct ShowReport {
    uint32_t framesShown = 0;  // every frame the show presented
    uint32_t endTicks = 0;     // platform ticks when the show ended
    int hashCount = 0;
    uint64_t hashes[platformMaxShownHashes] = {};
    uint32_t hashTicks[platformMaxShownHashes] = {};
};

// Plays the whole show as the command line asks (runDemo between the platform's start and stop).
// Returns the process exit code: 0 after the show, 1 after a failure that was reported.
int playShow(const ProgramOptions& options, ShowReport* report = nullptr);

// --contact-sheet without --scene: plays the show headless as playShow does and writes a sheet of
// the first frame shown at or after every options.everySeconds of show time, each labelled with
// its part of the show and the time, under a header of where each part begins. Returns the exit
// code: playShow's, or 1 when the sheet's font is missing or the file cannot be written.
int playShowContactSheet(const ProgramOptions& options, ShowReport* report = nullptr);
// One cell of the last whole-show sheet: when its frame showed and the part of the show it is
// labelled with (a scene's title, "Opening picture" or "Interlude").
struct ShowSheetCell {
    uint32_t tick = 0;
    const char* title = "";
};
constexpr int maxShowSheetCells = 4096;
int showSheetCells(ShowSheetCell* cells, int capacity);

// Shared by the one-scene player and the show.
// Every state record back to its start value, so that a play in a process that played before (a
// test, a benchmark) sees what a fresh program sees.
void resetProcessState();
// The folder prefix the data files are read from ("" or ending in '/'): the one given, else the
// first that holds the archive of the program's own folder, ../share/v4npelva beside it and the
// installed data folder, else the working folder.
std::string dataFolder(const ProgramOptions& options);
// After the show's own "v4npelva.zem file not found": one line naming the folders searched and
// --data DIR. Says nothing when the archive is there (it was damaged, not missing).
void reportDataSearch(const ProgramOptions& options);
// Creates the PNG folder the command line names, if any. False, after one line on standard error,
// when it is given but cannot be used as a folder.
bool preparePngFolder(const ProgramOptions& options);
// The player's options from the command line, set after musicStartup and before musicInit; the
// whole show first sets the player's start-up options (22000 Hz, high quality, 16-bit stereo).
void setPlayerOptions(const ProgramOptions& options, bool showDefaults);
// The platform configuration the command line asks for.
PlatformConfig platformConfigFor(const ProgramOptions& options);
// Prints the audio output devices, one name a line. Returns the exit code.
int listAudioDevices();

// --record: arms the recorder, plays the show or the scene headless, finishes the file. Returns the
// exit code: 1 when the file could not be made or is incomplete, 130 after Ctrl+C.
int recordProgram(const ProgramOptions& options);

// The whole program: parse, then --help, --version, --list-audio-devices, one scene or the show.
// Returns the exit code.
int programMain(int argc, char** argv);
