// The sound set-up panel (the player's set-up, musicConfig): output device, mixing rate, buffer
// length and interpolation, modal over the launcher. The choices become the player's options for
// this run.
#include "startup/launcher.h"

#include "audio/audio.h"
#include "platform/platform_audio.h"

#include <cstdio>
#include <cstring>

const DialogControl soundSetupControls[soundSetupControlCount] = {
    {0, controlStaticRight, "Output device:", 4, 8, 56, 8},
    {0, controlStaticRight, "Mixing rate:", 4, 24, 56, 8},
    {0, controlStaticRight, "Buffer length:", 4, 40, 56, 8},
    {0, controlStaticRight, "Interpolation:", 4, 56, 56, 8},
    {soundFieldDevice, controlChoice, "", 64, 6, 124, 12},
    {soundFieldRate, controlChoice, "", 64, 22, 124, 12},
    {soundFieldBuffer, controlChoice, "", 64, 38, 124, 12},
    {soundFieldQuality, controlChoice, "", 64, 54, 124, 12},
    {1, controlPushButton, "OK", 44, 74, 50, 14},
    {2, controlPushButton, "Cancel", 100, 74, 50, 14},
};

namespace {

constexpr const char* soundCaption = "Sound setup";
constexpr int soundWidthUnits = 194, soundHeightUnits = 94;
constexpr int focusOk = soundChoiceCount, focusCancel = soundChoiceCount + 1;
constexpr int focusCount = soundChoiceCount + 2;
constexpr int deviceDefault = 0, deviceNone = -1;
constexpr const char* noSoundText = "No sound";

constexpr int rates[] = {11025, 22000, 22050, 32000, 44100, 48000};
constexpr int buffers[] = {20, 40, 60, 100, 150, 250, 500};

void addOption(SoundSetupState& s, int field, const char* text, int value)
{
    int& n = s.optionCount[field];
    if (n == soundMaxOptions)
        return;
    std::snprintf(s.options[field][n], soundTextSize, "%s", text);
    s.values[field][n] = value;
    ++n;
}

// Adds the numbers of a list with the current value in its place (added when not in the list),
// and chooses the current one.
void addNumbers(SoundSetupState& s, int field, const int* list, int count, int current,
                const char* format)
{
    bool placed = false;
    char text[soundTextSize];
    for (int i = 0; i < count; ++i) {
        if (!placed && current <= list[i]) {
            if (current != list[i]) {
                std::snprintf(text, sizeof text, format, current);
                addOption(s, field, text, current);
            }
            s.chosen[field] = s.optionCount[field];
            placed = true;
            if (current != list[i])
                --s.chosen[field];
        }
        std::snprintf(text, sizeof text, format, list[i]);
        addOption(s, field, text, list[i]);
    }
    if (!placed) {
        std::snprintf(text, sizeof text, format, current);
        addOption(s, field, text, current);
        s.chosen[field] = s.optionCount[field] - 1;
    }
}

// Index in the panel's focus order of a control, -1 for the statics.
int focusIndex(const DialogControl& c)
{
    if (c.kind == controlChoice)
        return c.id;
    if (c.kind == controlPushButton)
        return c.id == 1 ? focusOk : focusCancel;
    return -1;
}

DialogRect controlRect(const DialogControl& c, const DialogUnits& units)
{
    return dialogUnitsToPixels(units, c.x, c.y, c.width, c.height);
}

int controlAt(int x, int y, const DialogUnits& units)
{
    for (const DialogControl& c : soundSetupControls)
        if (focusIndex(c) >= 0 && dialogRectContains(controlRect(c, units), x, y))
            return focusIndex(c);
    return -1;
}

void step(SoundSetupState& s, int field, int by)
{
    const int n = s.optionCount[field];
    if (n > 0)
        s.chosen[field] = (s.chosen[field] + by + n) % n;
}

void pressFocused(SoundSetupState& s)
{
    if (s.focus < soundChoiceCount) {
        step(s, s.focus, 1);
        return;
    }
    s.ended = true;
    s.accepted = s.focus == focusOk;
}

void drawPanel(int dialog, const SoundSetupState& s, const DialogUnits& units)
{
    const DialogRect size = dialogUnitsToPixels(units, 0, 0, soundWidthUnits, soundHeightUnits);
    drawDialogFace(dialog, size.width, size.height);
    for (const DialogControl& c : soundSetupControls) {
        const DialogRect r = controlRect(c, units);
        const int f = focusIndex(c);
        switch (c.kind) {
        case controlStaticRight: {
            // Statics sit on the text line of the field beside them.
            drawStaticText(dialog, r, c.text, true);
            break;
        }
        case controlChoice:
            drawChoiceField(dialog, r,
                            s.optionCount[c.id] > 0 ? s.options[c.id][s.chosen[c.id]] : "",
                            s.focus == f);
            break;
        case controlPushButton:
            drawPushButton(dialog, r, c.text, s.focus == f, s.pressed == f);
            break;
        default: break;
        }
    }
    platformDialogPresent(dialog);
}

}  // namespace

void loadSoundSetup(SoundSetupState& s, const char (*deviceNames)[soundTextSize], int deviceCount)
{
    s = SoundSetupState{};
    int device = musicDeviceAuto, rate = 44100, buffer = 250, quality = 0;
    musicGetOption(musicOptionOutputDevice, &device);
    musicGetOption(musicOptionMixRate, &rate);
    musicGetOption(musicOptionBufferMs, &buffer);
    musicGetOption(musicOptionMixQuality, &quality);
    const char* current = musicDeviceName();

    addOption(s, soundFieldDevice, "Default device", deviceDefault);
    if (deviceCount > soundMaxDevices)
        deviceCount = soundMaxDevices;
    for (int i = 0; i < deviceCount; ++i) {
        addOption(s, soundFieldDevice, deviceNames[i], i + 1);
        if (current[0] && std::strcmp(current, deviceNames[i]) == 0)
            s.chosen[soundFieldDevice] = s.optionCount[soundFieldDevice] - 1;
    }
    addOption(s, soundFieldDevice, noSoundText, deviceNone);
    if (device == musicDeviceNull)
        s.chosen[soundFieldDevice] = s.optionCount[soundFieldDevice] - 1;

    addNumbers(s, soundFieldRate, rates, int(sizeof rates / sizeof rates[0]), rate, "%d Hz");
    addNumbers(s, soundFieldBuffer, buffers, int(sizeof buffers / sizeof buffers[0]), buffer,
               "%d ms");
    addOption(s, soundFieldQuality, "Linear", 0);
    addOption(s, soundFieldQuality, "High quality", 1);
    s.chosen[soundFieldQuality] = quality == 1 ? 1 : 0;
}

void soundSetupInput(SoundSetupState& s, const PlatformDialogInput& input, const DialogUnits& units)
{
    if (s.ended)
        return;
    switch (input.kind) {
    case dialogInputKey:
        switch (input.key) {
        case dialogKeyTab:
            s.focus = (s.focus + (input.shift ? focusCount - 1 : 1)) % focusCount;
            break;
        case dialogKeyUp: s.focus = (s.focus + focusCount - 1) % focusCount; break;
        case dialogKeyDown: s.focus = (s.focus + 1) % focusCount; break;
        case dialogKeyLeft:
        case dialogKeyRight:
            if (s.focus < soundChoiceCount)
                step(s, s.focus, input.key == dialogKeyLeft ? -1 : 1);
            else
                s.focus = s.focus == focusOk ? focusCancel : focusOk;
            break;
        case dialogKeySpace: pressFocused(s); break;
        case dialogKeyEnter:
            // Enter accepts from a field; on a button it presses that button.
            if (s.focus < soundChoiceCount)
                s.focus = focusOk;
            pressFocused(s);
            break;
        case dialogKeyEscape:
            s.ended = true;
            s.accepted = false;
            break;
        default: break;
        }
        break;
    case dialogInputMouseDown: {
        const int f = controlAt(input.x, input.y, units);
        if (f < 0)
            break;
        s.focus = f;
        if (f < soundChoiceCount) {
            // The left half of the field steps back, the right half forward.
            const DialogRect r = controlRect(soundSetupControls[soundChoiceCount + f], units);
            step(s, f, input.x < r.x + r.width / 2 ? -1 : 1);
        } else {
            s.pressed = f;
        }
        break;
    }
    case dialogInputMouseUp: {
        const int f = s.pressed;
        s.pressed = -1;
        if (f >= 0 && controlAt(input.x, input.y, units) == f) {
            s.ended = true;
            s.accepted = f == focusOk;
        }
        break;
    }
    case dialogInputClose:
        s.ended = true;
        s.accepted = false;
        break;
    default: break;
    }
}

void applySoundSetup(const SoundSetupState& s)
{
    const int device = s.values[soundFieldDevice][s.chosen[soundFieldDevice]];
    int currentDevice = musicDeviceAuto;
    musicGetOption(musicOptionOutputDevice, &currentDevice);
    if (device == deviceNone) {
        musicSetOption(musicOptionOutputDevice, musicDeviceNull);
    } else {
        if (currentDevice == musicDeviceNull)
            musicSetOption(musicOptionOutputDevice, musicDeviceAuto);
        musicSetDeviceName(
            device == deviceDefault ? "" : s.options[soundFieldDevice][s.chosen[soundFieldDevice]]);
    }
    musicSetOption(musicOptionMixRate, s.values[soundFieldRate][s.chosen[soundFieldRate]]);
    musicSetOption(musicOptionBufferMs, s.values[soundFieldBuffer][s.chosen[soundFieldBuffer]]);
    musicSetOption(musicOptionMixQuality, s.values[soundFieldQuality][s.chosen[soundFieldQuality]]);
}

bool musicConfig()
{
    static char names[soundMaxDevices][platformAudioNameSize];
    static SoundSetupState panel;
    const int count = platformAudioDeviceNames(names, soundMaxDevices);
    loadSoundSetup(panel, names, count);
    DialogUnits units;
    dialogFontUnits(units);
    const DialogRect size = dialogUnitsToPixels(units, 0, 0, soundWidthUnits, soundHeightUnits);
    const int dialog = platformDialogOpen(soundCaption, size.width, size.height);
    if (dialog < 0)
        return false;
    drawPanel(dialog, panel, units);
    while (!panel.ended) {
        PlatformDialogInput input;
        // Input for the launcher behind the panel is dropped: nothing there acts meanwhile.
        if (!platformDialogWaitInput(input, 100) || input.dialog != dialog)
            continue;
        if (input.kind != dialogInputExpose)
            soundSetupInput(panel, input, units);
        if (!panel.ended)
            drawPanel(dialog, panel, units);
    }
    platformDialogClose(dialog);
    if (panel.accepted)
        applySoundSetup(panel);
    return panel.accepted;
}
