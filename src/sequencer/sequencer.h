// The demo sequencer's scene table and the one switch that calls a scene's init, run and free by
// number.
#pragma once

#include <cstdint>

constexpr int sceneCount = 14;

// Settings the sequencer makes around a scene's init or run, applied in this field order; -1 (or 0
// for the fields of view) leaves a value as it is.
struct SceneSettings {
    float firstFieldOfView = 0;  // set before the clock reset
    bool zeroClock = false;      // demoClock = 0
    float fieldOfView = 0;       // set after the clock reset
    int endFadeToWhite = -1;
    int fadeLevel = -1;
    int fadeToWhite = -1;
    int fadeState = -1;        // a FadeState value
    bool startFadeIn = false;  // startFadeIn() last
};

// One row of the show's scene table.
struct SceneRow {
    int number;                 // 1..14 in show order
    const char* name;           // the --scene name
    const char* title;          // as the show's scene list calls it
    int32_t length;             // run argument, clock units
    uint32_t endOrder, endRow;  // run arguments (unused by the scenes that end on a cue or time)
    SceneSettings beforeInit;
    SceneSettings beforeRun;
    uint32_t startOrder, startRow;  // music position at which the scene's init runs in the show
    float fadeFraction;  // the scene's fadeOutNear fraction; 0 for a scene without a closing fade
    bool quitCheckAfterFree;
    // The fade the show leaves when the row begins (level and colour), and the colour of the
    // closing fade then in effect: a scene played on its own starts from these.
    int entryFadeLevel;
    int entryFadeToWhite;
    int entryEndFadeToWhite;
    bool waitsForFirstPattern = false;  // the music starts after the init; the run begins at 1, 0
    bool usesOpeningPicture = false;    // backgroundPicture must hold the opening picture
};

// Rows 1..14 at indices 0..13.
extern const SceneRow sceneTable[sceneCount];

// The row of a scene by --scene name or number text ("flames", "7"); null when there is none.
const SceneRow* findSceneRow(const char* nameOrNumber);
// Applies settings in their field order.
void applySceneSettings(const SceneSettings& settings);

enum SceneStep : uint8_t { sceneInit = 1, sceneRun = 2, sceneFree = 3 };
// Calls one operation of scene `number` (1..14); the run takes the three run arguments.
void callScene(int number, SceneStep step, int32_t length, uint32_t endOrder, uint32_t endRow);

// What the show saw of one scene: where the music and the clock stood when its run began and when
// it returned.
struct SceneLogEntry {
    int number = 0;
    uint32_t startOrder = 0;  // music position heard when the run began
    uint32_t startRow = 0;
    int32_t startSceneTime = 0;  // trunc(demoClock) when the run began
    uint32_t startTicks = 0;     // platform ticks when the run began
    uint32_t endOrder = 0;       // and when it returned
    uint32_t endRow = 0;
    int32_t endSceneTime = 0;
    uint32_t endTicks = 0;     // platform ticks when the run returned
    uint32_t framesShown = 0;  // frames shown by the run
};

// The sequencer's own state: where the data files are, the launcher's output choice, and what the
// show did (for the log and for tests).
constexpr int dataFolderSize = 512;
constexpr int maxInterludeFlashes = 32;
struct SequencerState {
    char dataFolder[dataFolderSize] = {};  // prefix of v4npelva.zem and v4npelva.xm ("" here)
    int windowed = 1;                      // 1 unless full-screen output was chosen
    bool logScenes = false;                // one line per scene on standard output
    SceneLogEntry log[sceneCount] = {};    // in show order, logCount entries
    int logCount = 0;
    int inits[sceneCount] = {};  // inits and frees run per scene (index number - 1)
    int frees[sceneCount] = {};
    int interludeFlashes = 0;  // sync values that restarted the interlude's white flash
    uint32_t flashOrders[maxInterludeFlashes] = {};  // the music position of the first ones
    uint32_t flashRows[maxInterludeFlashes] = {};
    int shutdowns = 0;  // shutdownDemo calls made by runDemo
};
extern SequencerState sequencer;

// Back to the start values (for tests and a second show in one process).
void resetSequencer();
// The show's opening: the archive, the player and the module from the data folder, the first
// pump, the video mode with its notes, the frame buffers. False after a failure that was reported;
// the caller shuts down.
bool openDemo();
// Writes a scene's log line on standard output: its number and name, the music's order and row,
// sceneTime and the tick at its start, the order, row and sceneTime at its end, the frames shown.
void writeLogLine(const SceneLogEntry& entry);
// Runs a scene (its init done) to its end and keeps its log entry; with logScenes set, writes it.
void runScene(const SceneRow& row);
// The show: opens the archive and the music, chooses the video mode, plays the fourteen scenes in
// table order to the music with the opening picture and the interlude between them, and ends
// through shutdownDemo exactly once on every path. Returns the process exit code: 0 after the show
// played or was ended by the user, 1 after a failure it reported.
int runDemo();
