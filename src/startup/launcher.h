// The launcher DIALOG_1 and the sound set-up panel: their controls in dialog units, the focus and
// input rules, WindowProcSup, and the loops that show them in windows of their own.
#pragma once

#include "shell/dialog_style.h"

#include <cstdint>

// What the launcher was left with.
enum LauncherChoice : int {
    launcherExit = 0,             // Exit, Escape or the window's close button
    launcherStartWindowed = 1,    // Start demo with "Windowed Direct Draw" checked
    launcherStartFullScreen = 2,  // Start demo with "Full screen Direct Draw" checked
};

// Control identifiers of the launcher (group boxes and statics reuse those of the buttons).
enum LauncherControlId : int {
    idStartDemo = 101,
    idExit = 103,
    idSoundSetup = 104,
    idFullScreen = 105,
    idWindowed = 106,
};

enum DialogControlKind : int {
    controlGroupBox,
    controlRadioButton,  // automatic: checking one clears the others
    controlPushButton,
    controlStatic,
    controlStaticRight,
    controlChoice,  // sound set-up: a field whose value the arrows change
};

struct DialogControl {
    int id;
    DialogControlKind kind;
    const char* text;
    int x, y, width, height;  // dialog units
};

constexpr const char* launcherCaption = "The v4n Pelvadron Demo";
constexpr int launcherWidthUnits = 219, launcherHeightUnits = 86;
constexpr int launcherControlCount = 15;
extern const DialogControl launcherControls[launcherControlCount];

// Messages WindowProcSup handles, as the dialog manager sends them.
enum LauncherMessage : int {
    launcherInitDialog,
    launcherClose,
    launcherCommand,
};

struct LauncherState {
    int fullScreen = 0;     // 1 after "Full screen Direct Draw", 0 after "Windowed Direct Draw"
    int dialogEnabled = 0;  // 0 while the sound set-up runs: the launcher ignores everything
    int checkedRadio = 0;   // identifier of the checked radio button, 0 before the dialog starts
    int focus = 0;          // index in launcherControls of the focused control
    int pressed = -1;       // index of the push button held down, -1 for none
    bool ended = false;     // EndDialog was called
    int result = 0;         // its value: 1 Start demo, 0 Exit or close
    int soundSetups = 0;    // times the sound set-up was opened
};

// The launcher's dialog procedure: TRUE (1) for messages it handled, FALSE (0) otherwise. The
// sound set-up button runs musicConfig with the dialog disabled.
int WindowProcSup(LauncherState& state, int message, int commandId);
// Starts the dialog as the dialog manager does: enabled, WM_INITDIALOG, focus on the first tab
// stop.
void startLauncher(LauncherState& state);
// One key or mouse input, as the dialog manager turns it into focus moves and commands: Tab and
// Shift+Tab, the arrows (which also check a radio button they land on), Space presses the focused
// control, Enter presses the focused push button (Start demo from a radio button), Escape is Exit.
void launcherInput(LauncherState& state, const PlatformDialogInput& input,
                   const DialogUnits& units);
// The launcher's choice once it has ended.
LauncherChoice launcherChoice(const LauncherState& state);
// The control's place in pixels.
DialogRect launcherControlRect(int index, const DialogUnits& units);

// Shows the launcher and returns the choice. iconPath names the 32 x 32 icon file (null or
// missing: no icon). When no window can be opened the choice is the default, start windowed.
LauncherChoice runLauncher(const char* iconPath);
// The last launcher shown, for tests.
const LauncherState& lastLauncher();

// The sound set-up panel: four choice fields and OK, Cancel.
constexpr int soundChoiceCount = 4;
constexpr int soundMaxDevices = 16;
constexpr int soundMaxOptions = soundMaxDevices + 2;
constexpr int soundTextSize = 128;
enum SoundField : int { soundFieldDevice, soundFieldRate, soundFieldBuffer, soundFieldQuality };

struct SoundSetupState {
    char options[soundChoiceCount][soundMaxOptions][soundTextSize] = {};
    int optionCount[soundChoiceCount] = {};
    int chosen[soundChoiceCount] = {};
    int values[soundChoiceCount][soundMaxOptions] = {};  // rate, buffer, quality; device kind
    int focus = 0;                                       // 0..3 the fields, 4 OK, 5 Cancel
    int pressed = -1;
    bool ended = false;
    bool accepted = false;
};

constexpr int soundSetupControlCount = 10;
extern const DialogControl soundSetupControls[soundSetupControlCount];

// Fills the fields from the player's options and the given device names.
void loadSoundSetup(SoundSetupState& state, const char (*deviceNames)[soundTextSize],
                    int deviceCount);
// One input to the panel: Tab and Up/Down move, Left/Right (or a click) change a field, Space and
// Enter press, Escape cancels.
void soundSetupInput(SoundSetupState& state, const PlatformDialogInput& input,
                     const DialogUnits& units);
// Sets the player's options to what the panel shows.
void applySoundSetup(const SoundSetupState& state);
