// The launcher DIALOG_1: its controls, WindowProcSup and the dialog manager's rules for focus,
// keys and mouse, and the loop that shows it.
#include "startup/launcher.h"

#include "audio/audio.h"

#include <cstring>

const DialogControl launcherControls[launcherControlCount] = {
    {104, controlGroupBox, "Video settings", 1, 1, 107, 52},
    {idFullScreen, controlRadioButton, "Full screen Direct Draw", 10, 15, 91, 10},
    {idWindowed, controlRadioButton, "Windowed Direct Draw", 10, 33, 91, 10},
    {idSoundSetup, controlPushButton, "Sound setup", 1, 54, 107, 14},
    {idStartDemo, controlPushButton, "Start demo", 1, 70, 107, 14},
    {idExit, controlPushButton, "Exit", 110, 70, 107, 14},
    {101, controlGroupBox, "", 110, 1, 107, 67},
    {102, controlStaticRight, "code :", 118, 9, 27, 8},
    {103, controlStaticRight, "gfx :", 126, 18, 19, 8},
    {104, controlStaticRight, "music :", 118, 38, 26, 8},
    {100, controlStatic, "-ZEM-", 164, 9, 20, 8},
    {101, controlStatic, "-ZEM-", 164, 18, 20, 8},
    {103, controlStatic, "K-Frost", 164, 28, 28, 8},
    {102, controlStatic, "-ZEM-", 164, 38, 20, 8},
    {104, controlStatic, "Email:-ZEM- - zem@zem.test", 114, 57, 100, 8},
};

namespace {

LauncherState launcher;

bool isTabStop(const DialogControl& c)
{
    return c.kind == controlRadioButton || c.kind == controlPushButton;
}

int indexOf(int id, DialogControlKind kind)
{
    for (int i = 0; i < launcherControlCount; ++i)
        if (launcherControls[i].id == id && launcherControls[i].kind == kind)
            return i;
    return -1;
}

// The next tab stop after (step 1) or before (step -1) the given control, wrapping around.
int nextTabStop(int from, int step)
{
    int i = from;
    for (int n = 0; n < launcherControlCount; ++n) {
        i = (i + step + launcherControlCount) % launcherControlCount;
        if (isTabStop(launcherControls[i]))
            return i;
    }
    return from;
}

// What a click on, or Space over, a control does: an automatic radio button checks itself and
// sends its command; a push button sends its command.
void press(LauncherState& state, int index)
{
    const DialogControl& c = launcherControls[index];
    if (c.kind == controlRadioButton) {
        if (state.dialogEnabled == 0)
            return;
        state.checkedRadio = c.id;
    }
    WindowProcSup(state, launcherCommand, c.id);
}

void moveFocus(LauncherState& state, int index, bool checkRadio)
{
    state.focus = index;
    if (checkRadio && launcherControls[index].kind == controlRadioButton)
        press(state, index);
}

int controlAt(int x, int y, const DialogUnits& units)
{
    for (int i = 0; i < launcherControlCount; ++i)
        if (isTabStop(launcherControls[i]) &&
            dialogRectContains(launcherControlRect(i, units), x, y))
            return i;
    return -1;
}

void drawLauncher(int dialog, const LauncherState& state, const DialogUnits& units)
{
    const DialogRect size =
        dialogUnitsToPixels(units, 0, 0, launcherWidthUnits, launcherHeightUnits);
    drawDialogFace(dialog, size.width, size.height);
    for (int i = 0; i < launcherControlCount; ++i) {
        const DialogControl& c = launcherControls[i];
        const DialogRect r = launcherControlRect(i, units);
        const bool focused = state.focus == i;
        switch (c.kind) {
        case controlGroupBox: drawGroupBox(dialog, r, c.text); break;
        case controlRadioButton:
            drawRadioButton(dialog, r, c.text, state.checkedRadio == c.id, focused);
            break;
        case controlPushButton: {
            // Enter presses the focused push button, else Start demo: that one is drawn so.
            const bool onButton = launcherControls[state.focus].kind == controlPushButton;
            drawPushButton(dialog, r, c.text, focused, state.pressed == i,
                           !onButton && c.id == idStartDemo);
            break;
        }
        case controlStatic: drawStaticText(dialog, r, c.text, false); break;
        case controlStaticRight: drawStaticText(dialog, r, c.text, true); break;
        default: break;
        }
    }
    platformDialogPresent(dialog);
}

}  // namespace

DialogRect launcherControlRect(int index, const DialogUnits& units)
{
    const DialogControl& c = launcherControls[index];
    return dialogUnitsToPixels(units, c.x, c.y, c.width, c.height);
}

int WindowProcSup(LauncherState& state, int message, int commandId)
{
    if (state.dialogEnabled == 0)
        return 0;
    switch (message) {
    case launcherInitDialog: state.checkedRadio = idWindowed; return 1;
    case launcherClose:
        state.ended = true;
        state.result = 0;
        return 1;
    case launcherCommand:
        switch (commandId) {
        case idStartDemo:
            state.ended = true;
            state.result = 1;
            return 1;
        case idExit:
            state.ended = true;
            state.result = 0;
            return 1;
        case idSoundSetup:
            state.dialogEnabled = 0;
            ++state.soundSetups;
            musicConfig();
            state.dialogEnabled = 1;
            return 1;
        case idFullScreen: state.fullScreen = 1; return 0;
        case idWindowed: state.fullScreen = 0; return 0;
        default: return 0;
        }
    default: return 0;
    }
}

void startLauncher(LauncherState& state)
{
    state = LauncherState{};
    state.dialogEnabled = 1;
    WindowProcSup(state, launcherInitDialog, 0);
    // The focus starts on the checked option, as the arrows keep it.
    const int checked = indexOf(state.checkedRadio, controlRadioButton);
    state.focus = checked >= 0 ? checked : nextTabStop(launcherControlCount - 1, 1);
}

void launcherInput(LauncherState& state, const PlatformDialogInput& input, const DialogUnits& units)
{
    // While the sound set-up runs the launcher acts on nothing, not even its focus.
    if (state.dialogEnabled == 0 || state.ended)
        return;
    switch (input.kind) {
    case dialogInputKey:
        switch (input.key) {
        case dialogKeyTab:
            moveFocus(state, nextTabStop(state.focus, input.shift ? -1 : 1), false);
            break;
        case dialogKeyLeft:
        case dialogKeyUp: moveFocus(state, nextTabStop(state.focus, -1), true); break;
        case dialogKeyRight:
        case dialogKeyDown: moveFocus(state, nextTabStop(state.focus, 1), true); break;
        case dialogKeySpace: press(state, state.focus); break;
        case dialogKeyEnter:
            if (launcherControls[state.focus].kind == controlPushButton)
                press(state, state.focus);
            else
                press(state, indexOf(idStartDemo, controlPushButton));
            break;
        case dialogKeyEscape: WindowProcSup(state, launcherCommand, idExit); break;
        default: break;
        }
        break;
    case dialogInputMouseDown: {
        const int index = controlAt(input.x, input.y, units);
        if (index < 0)
            break;
        state.focus = index;
        if (launcherControls[index].kind == controlRadioButton)
            press(state, index);
        else
            state.pressed = index;
        break;
    }
    case dialogInputMouseUp: {
        const int index = state.pressed;
        state.pressed = -1;
        if (index >= 0 && controlAt(input.x, input.y, units) == index)
            press(state, index);
        break;
    }
    case dialogInputClose: WindowProcSup(state, launcherClose, 0); break;
    default: break;
    }
}

LauncherChoice launcherChoice(const LauncherState& state)
{
    if (state.result == 0)
        return launcherExit;
    return state.fullScreen > 0 ? launcherStartFullScreen : launcherStartWindowed;
}

const LauncherState& lastLauncher()
{
    return launcher;
}

LauncherChoice runLauncher(const char* iconPath)
{
    if (iconPath)
        platformLoadIcon(iconPath);
    startLauncher(launcher);
    DialogUnits units;
    dialogFontUnits(units);
    const DialogRect size =
        dialogUnitsToPixels(units, 0, 0, launcherWidthUnits, launcherHeightUnits);
    const int dialog = platformDialogOpen(launcherCaption, size.width, size.height);
    if (dialog < 0) {
        // As when the dialog box cannot be created: the show starts with the defaults.
        launcher.result = 1;
        launcher.ended = true;
        return launcherChoice(launcher);
    }
    drawLauncher(dialog, launcher, units);
    while (!launcher.ended) {
        PlatformDialogInput input;
        if (!platformDialogWaitInput(input, 100) || input.dialog != dialog)
            continue;
        if (input.kind == dialogInputExpose) {
            drawLauncher(dialog, launcher, units);
            continue;
        }
        const int setupsBefore = launcher.soundSetups;
        launcherInput(launcher, input, units);
        if (launcher.soundSetups != setupsBefore) {
            // Back from the modal panel: the launcher takes the focus again.
            launcher.pressed = -1;
            platformDialogRaise(dialog);
        }
        if (!launcher.ended)
            drawLauncher(dialog, launcher, units);
    }
    platformDialogClose(dialog);
    return launcherChoice(launcher);
}
