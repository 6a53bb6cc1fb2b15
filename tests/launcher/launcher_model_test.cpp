// The launcher's and the sound set-up's rules without a window: layout in dialog units, focus
// order, keys, clicks, WindowProcSup's disabled state and the options the panel sets.
#include "audio/audio.h"
#include "startup/launcher.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const DialogUnits units{6, 13};

PlatformDialogInput key(int which, bool shift = false)
{
    PlatformDialogInput input;
    input.kind = dialogInputKey;
    input.key = which;
    input.shift = shift;
    return input;
}

int indexOfText(const char* text)
{
    for (int i = 0; i < launcherControlCount; ++i)
        if (std::strcmp(launcherControls[i].text, text) == 0)
            return i;
    return -1;
}

// A full click (press and release) in the middle of a launcher control.
void click(LauncherState& state, const char* text)
{
    const DialogRect r = launcherControlRect(indexOfText(text), units);
    PlatformDialogInput input;
    input.kind = dialogInputMouseDown;
    input.x = r.x + r.width / 2;
    input.y = r.y + r.height / 2;
    launcherInput(state, input, units);
    input.kind = dialogInputMouseUp;
    launcherInput(state, input, units);
}

}  // namespace

TEST(LauncherModel, DialogUnitsBecomePixelsFromTheFontsBaseUnits)
{
    // A quarter of the average width and an eighth of the height per unit, rounded.
    const DialogRect radio = launcherControlRect(indexOfText("Full screen Direct Draw"), units);
    EXPECT_EQ(radio.x, 15);
    EXPECT_EQ(radio.y, 24);
    EXPECT_EQ(radio.width, 137);
    EXPECT_EQ(radio.height, 16);
    const DialogRect exit = launcherControlRect(indexOfText("Exit"), {7, 14});
    EXPECT_EQ(exit.x, 193);  // 110 * 7 / 4 = 192.5
    EXPECT_EQ(exit.y, 123);  // 70 * 14 / 8 = 122.5
    EXPECT_EQ(exit.width, 187);
    // Every control lies inside the dialog.
    const DialogRect dialog =
        dialogUnitsToPixels(units, 0, 0, launcherWidthUnits, launcherHeightUnits);
    for (int i = 0; i < launcherControlCount; ++i) {
        const DialogRect r = launcherControlRect(i, units);
        EXPECT_LE(r.x + r.width, dialog.width) << launcherControls[i].text;
        EXPECT_LE(r.y + r.height, dialog.height) << launcherControls[i].text;
    }
}

TEST(LauncherModel, DefaultsAndKeyboard)
{
    LauncherState state;
    startLauncher(state);
    EXPECT_EQ(state.checkedRadio, idWindowed);
    EXPECT_EQ(state.fullScreen, 0);
    // The focus starts on the checked option.
    EXPECT_EQ(state.focus, indexOfText("Windowed Direct Draw"));

    // Enter on a radio button presses Start demo: windowed, untouched.
    LauncherState start = state;
    launcherInput(start, key(dialogKeyEnter), units);
    EXPECT_TRUE(start.ended);
    EXPECT_EQ(launcherChoice(start), launcherStartWindowed);

    // Tab visits the tab stops in order and wraps; Shift+Tab goes back; focus alone checks nothing.
    const char* order[] = {"Sound setup", "Start demo", "Exit", "Full screen Direct Draw",
                           "Windowed Direct Draw"};
    for (const char* text : order) {
        launcherInput(state, key(dialogKeyTab), units);
        EXPECT_EQ(state.focus, indexOfText(text)) << text;
    }
    launcherInput(state, key(dialogKeyTab, true), units);
    EXPECT_EQ(state.focus, indexOfText("Full screen Direct Draw"));
    EXPECT_EQ(state.checkedRadio, idWindowed);

    // An arrow onto a radio button checks it, as automatic radio buttons do.
    launcherInput(state, key(dialogKeyRight), units);
    EXPECT_EQ(state.checkedRadio, idWindowed);
    launcherInput(state, key(dialogKeyUp), units);
    EXPECT_EQ(state.checkedRadio, idFullScreen);
    EXPECT_EQ(state.fullScreen, 1);
    launcherInput(state, key(dialogKeyDown), units);
    EXPECT_EQ(state.checkedRadio, idWindowed);
    EXPECT_EQ(state.fullScreen, 0);
    launcherInput(state, key(dialogKeyUp), units);
    EXPECT_EQ(state.fullScreen, 1);

    // Space presses the focused control: on Start demo, full screen starts.
    launcherInput(state, key(dialogKeyTab), units);
    launcherInput(state, key(dialogKeyTab), units);
    launcherInput(state, key(dialogKeyTab), units);
    ASSERT_EQ(state.focus, indexOfText("Start demo"));
    launcherInput(state, key(dialogKeySpace), units);
    EXPECT_EQ(launcherChoice(state), launcherStartFullScreen);

    LauncherState escape;
    startLauncher(escape);
    launcherInput(escape, key(dialogKeyEscape), units);
    EXPECT_TRUE(escape.ended);
    EXPECT_EQ(launcherChoice(escape), launcherExit);
}

TEST(LauncherModel, MouseAndClose)
{
    LauncherState state;
    startLauncher(state);
    click(state, "Full screen Direct Draw");
    EXPECT_EQ(state.fullScreen, 1);
    EXPECT_FALSE(state.ended);

    // A press released outside the button does nothing.
    const DialogRect start = launcherControlRect(indexOfText("Start demo"), units);
    PlatformDialogInput input;
    input.kind = dialogInputMouseDown;
    input.x = start.x + 2;
    input.y = start.y + 2;
    launcherInput(state, input, units);
    EXPECT_EQ(state.pressed, indexOfText("Start demo"));
    input.kind = dialogInputMouseUp;
    input.x = start.x + start.width + 5;
    launcherInput(state, input, units);
    EXPECT_FALSE(state.ended);

    // Clicks on statics and group boxes do nothing.
    click(state, "K-Frost");
    click(state, "Video settings");
    EXPECT_FALSE(state.ended);
    EXPECT_EQ(state.fullScreen, 1);

    click(state, "Start demo");
    EXPECT_EQ(launcherChoice(state), launcherStartFullScreen);

    LauncherState closed;
    startLauncher(closed);
    input = PlatformDialogInput{};
    input.kind = dialogInputClose;
    launcherInput(closed, input, units);
    EXPECT_EQ(launcherChoice(closed), launcherExit);
}

TEST(LauncherModel, NothingActsWhileTheSoundSetupRuns)
{
    LauncherState state;
    startLauncher(state);
    state.dialogEnabled = 0;
    click(state, "Start demo");
    click(state, "Full screen Direct Draw");
    launcherInput(state, key(dialogKeyEscape), units);
    launcherInput(state, key(dialogKeyTab), units);
    EXPECT_FALSE(state.ended);
    EXPECT_EQ(state.fullScreen, 0);
    EXPECT_EQ(state.focus, indexOfText("Windowed Direct Draw"));
    EXPECT_EQ(WindowProcSup(state, launcherCommand, idStartDemo), 0);
    EXPECT_EQ(WindowProcSup(state, launcherClose, 0), 0);
    EXPECT_FALSE(state.ended);

    // Enabled again, the radio commands return FALSE and the others TRUE.
    state.dialogEnabled = 1;
    EXPECT_EQ(WindowProcSup(state, launcherCommand, idFullScreen), 0);
    EXPECT_EQ(state.fullScreen, 1);
    EXPECT_EQ(WindowProcSup(state, launcherCommand, 999), 0);
    EXPECT_EQ(WindowProcSup(state, launcherCommand, idStartDemo), 1);
    EXPECT_EQ(state.result, 1);
}

TEST(SoundSetupModel, ShowsThePlayersOptionsAndSetsTheChosenOnes)
{
    musicStartup();
    musicSetOption(musicOptionMixRate, 22000);
    musicSetOption(musicOptionBufferMs, 30);  // not in the list: shown in its place
    musicSetOption(musicOptionMixQuality, 1);
    const char names[2][soundTextSize] = {"Speakers", "Headphones"};
    musicSetDeviceName("Headphones");
    SoundSetupState panel;
    loadSoundSetup(panel, names, 2);
    EXPECT_STREQ(panel.options[soundFieldDevice][panel.chosen[soundFieldDevice]], "Headphones");
    EXPECT_STREQ(panel.options[soundFieldDevice][panel.optionCount[soundFieldDevice] - 1],
                 "No sound");
    EXPECT_STREQ(panel.options[soundFieldRate][panel.chosen[soundFieldRate]], "22000 Hz");
    EXPECT_STREQ(panel.options[soundFieldBuffer][panel.chosen[soundFieldBuffer]], "30 ms");
    EXPECT_STREQ(panel.options[soundFieldBuffer][panel.chosen[soundFieldBuffer] - 1], "20 ms");
    EXPECT_STREQ(panel.options[soundFieldBuffer][panel.chosen[soundFieldBuffer] + 1], "40 ms");
    EXPECT_STREQ(panel.options[soundFieldQuality][panel.chosen[soundFieldQuality]], "High quality");

    // Right: the next device (No sound); Down, Right: a faster rate; Down, Down, Left: linear.
    soundSetupInput(panel, key(dialogKeyRight), units);
    soundSetupInput(panel, key(dialogKeyDown), units);
    soundSetupInput(panel, key(dialogKeyRight), units);
    soundSetupInput(panel, key(dialogKeyDown), units);
    soundSetupInput(panel, key(dialogKeyDown), units);
    soundSetupInput(panel, key(dialogKeyLeft), units);
    SoundSetupState cancelled = panel;
    soundSetupInput(cancelled, key(dialogKeyEscape), units);
    EXPECT_TRUE(cancelled.ended);
    EXPECT_FALSE(cancelled.accepted);

    soundSetupInput(panel, key(dialogKeyEnter), units);
    ASSERT_TRUE(panel.ended);
    ASSERT_TRUE(panel.accepted);
    applySoundSetup(panel);
    int value = 0;
    EXPECT_TRUE(musicGetOption(musicOptionOutputDevice, &value));
    EXPECT_EQ(value, musicDeviceNull);
    EXPECT_TRUE(musicGetOption(musicOptionMixRate, &value));
    EXPECT_EQ(value, 22050);
    EXPECT_TRUE(musicGetOption(musicOptionMixQuality, &value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(musicGetOption(musicOptionBufferMs, &value));
    EXPECT_EQ(value, 30);

    // From No sound back to a named device: the device output again, by that name.
    loadSoundSetup(panel, names, 2);
    EXPECT_STREQ(panel.options[soundFieldDevice][panel.chosen[soundFieldDevice]], "No sound");
    soundSetupInput(panel, key(dialogKeyLeft), units);
    soundSetupInput(panel, key(dialogKeyLeft), units);
    soundSetupInput(panel, key(dialogKeyEnter), units);
    applySoundSetup(panel);
    EXPECT_TRUE(musicGetOption(musicOptionOutputDevice, &value));
    EXPECT_EQ(value, musicDeviceAuto);
    EXPECT_STREQ(musicDeviceName(), "Speakers");
    musicStartup();
}
