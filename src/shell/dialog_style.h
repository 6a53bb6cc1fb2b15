// The look every dialog of the program shares (the launcher, the sound set-up, the message box):
// grey faces with light and dark edges, text in the dialogs' font, controls placed in dialog units
// measured from that font.
#pragma once

#include "platform/platform_dialog.h"

#include <cstdint>

constexpr uint32_t dialogFaceColour = 0xC0C0C0;
constexpr uint32_t dialogLightColour = 0xFFFFFF;
constexpr uint32_t dialogShadowColour = 0x808080;
constexpr uint32_t dialogDarkColour = 0x000000;
constexpr uint32_t dialogTextColour = 0x000000;
constexpr uint32_t dialogFieldColour = 0xFFFFFF;

struct DialogRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The font's base units: a horizontal dialog unit is a quarter of baseX pixels, a vertical one an
// eighth of baseY.
struct DialogUnits {
    int baseX = 6, baseY = 13;
};

// Dialog units to pixels, rounded to the nearest pixel.
DialogRect dialogUnitsToPixels(const DialogUnits& units, int x, int y, int width, int height);
bool dialogRectContains(const DialogRect& r, int x, int y);
// The units of the dialogs' font; false (and the defaults) when the font cannot be loaded.
bool dialogFontUnits(DialogUnits& units);

void drawDialogFace(int dialog, int width, int height);
// The button Enter presses (the focused one, or the dialog's default button while the focus is on
// a control that is no push button) has a black frame.
void drawPushButton(int dialog, const DialogRect& r, const char* text, bool focused, bool pressed,
                    bool isDefault = false);
void drawGroupBox(int dialog, const DialogRect& r, const char* text);
void drawRadioButton(int dialog, const DialogRect& r, const char* text, bool checked, bool focused);
void drawStaticText(int dialog, const DialogRect& r, const char* text, bool rightAligned);
// A sunken white field with its text, a dotted outline when focused, and small arrows at the
// right end: the field's value changes with the arrow keys or a click on an arrow.
void drawChoiceField(int dialog, const DialogRect& r, const char* text, bool focused);
// The dotted outline of the control with the keyboard focus.
void drawFocusOutline(int dialog, const DialogRect& r);
