// Drawing of the dialogs' controls in the classic grey three-dimensional style.
#include "shell/dialog_style.h"

namespace {

int rounded(int units, int base, int divisor)
{
    return (units * base + divisor / 2) / divisor;
}

void hline(int dialog, int x, int y, int width, uint32_t rgb)
{
    platformDialogFill(dialog, x, y, width, 1, rgb);
}

void vline(int dialog, int x, int y, int height, uint32_t rgb)
{
    platformDialogFill(dialog, x, y, 1, height, rgb);
}

// Two-pixel edge: raised (light top left) or sunken (dark top left).
void edge(int dialog, const DialogRect& r, bool raised)
{
    const uint32_t outerTop = raised ? dialogLightColour : dialogShadowColour;
    const uint32_t outerBottom = raised ? dialogDarkColour : dialogLightColour;
    const uint32_t innerTop = raised ? dialogFaceColour : dialogDarkColour;
    const uint32_t innerBottom = raised ? dialogShadowColour : dialogFaceColour;
    hline(dialog, r.x, r.y, r.width, outerTop);
    vline(dialog, r.x, r.y, r.height, outerTop);
    hline(dialog, r.x, r.y + r.height - 1, r.width, outerBottom);
    vline(dialog, r.x + r.width - 1, r.y, r.height, outerBottom);
    hline(dialog, r.x + 1, r.y + 1, r.width - 2, innerTop);
    vline(dialog, r.x + 1, r.y + 1, r.height - 2, innerTop);
    hline(dialog, r.x + 1, r.y + r.height - 2, r.width - 2, innerBottom);
    vline(dialog, r.x + r.width - 2, r.y + 1, r.height - 2, innerBottom);
}

// Text centred vertically in r, starting at x.
void textIn(int dialog, const DialogRect& r, int x, const char* text, int maxWidth)
{
    int width, height;
    platformDialogTextSize(text, width, height);
    platformDialogText(dialog, x, r.y + (r.height - height) / 2, text, dialogTextColour, maxWidth);
}

}  // namespace

DialogRect dialogUnitsToPixels(const DialogUnits& units, int x, int y, int width, int height)
{
    return {rounded(x, units.baseX, 4), rounded(y, units.baseY, 8), rounded(width, units.baseX, 4),
            rounded(height, units.baseY, 8)};
}

bool dialogRectContains(const DialogRect& r, int x, int y)
{
    return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

bool dialogFontUnits(DialogUnits& units)
{
    int averageWidth, height;
    if (!platformDialogFontMetrics(averageWidth, height)) {
        units = DialogUnits{};
        return false;
    }
    units.baseX = averageWidth;
    units.baseY = height;
    return true;
}

void drawDialogFace(int dialog, int width, int height)
{
    platformDialogFill(dialog, 0, 0, width, height, dialogFaceColour);
}

void drawFocusOutline(int dialog, const DialogRect& r)
{
    for (int x = r.x; x < r.x + r.width; x += 2) {
        platformDialogFill(dialog, x, r.y, 1, 1, dialogDarkColour);
        platformDialogFill(dialog, x, r.y + r.height - 1, 1, 1, dialogDarkColour);
    }
    for (int y = r.y; y < r.y + r.height; y += 2) {
        platformDialogFill(dialog, r.x, y, 1, 1, dialogDarkColour);
        platformDialogFill(dialog, r.x + r.width - 1, y, 1, 1, dialogDarkColour);
    }
}

void drawPushButton(int dialog, const DialogRect& r, const char* text, bool focused, bool pressed,
                    bool isDefault)
{
    platformDialogFill(dialog, r.x, r.y, r.width, r.height, dialogFaceColour);
    DialogRect inner = r;
    if (focused || isDefault) {
        // The button Enter presses has a black frame around its edge.
        platformDialogFill(dialog, r.x, r.y, r.width, 1, dialogDarkColour);
        platformDialogFill(dialog, r.x, r.y + r.height - 1, r.width, 1, dialogDarkColour);
        platformDialogFill(dialog, r.x, r.y, 1, r.height, dialogDarkColour);
        platformDialogFill(dialog, r.x + r.width - 1, r.y, 1, r.height, dialogDarkColour);
        inner = {r.x + 1, r.y + 1, r.width - 2, r.height - 2};
    }
    if (pressed) {
        platformDialogFill(dialog, inner.x, inner.y, inner.width, 1, dialogShadowColour);
        platformDialogFill(dialog, inner.x, inner.y + inner.height - 1, inner.width, 1,
                           dialogShadowColour);
        platformDialogFill(dialog, inner.x, inner.y, 1, inner.height, dialogShadowColour);
        platformDialogFill(dialog, inner.x + inner.width - 1, inner.y, 1, inner.height,
                           dialogShadowColour);
    } else {
        edge(dialog, inner, true);
    }
    int width, height;
    platformDialogTextSize(text, width, height);
    const int shift = pressed ? 1 : 0;
    platformDialogText(dialog, r.x + (r.width - width) / 2 + shift,
                       r.y + (r.height - height) / 2 + shift, text, dialogTextColour, r.width - 4);
    if (focused)
        drawFocusOutline(dialog, {inner.x + 3, inner.y + 3, inner.width - 6, inner.height - 6});
}

void drawGroupBox(int dialog, const DialogRect& r, const char* text)
{
    int width = 0, height = 0;
    platformDialogTextSize(text, width, height);
    // The frame runs through the middle of the caption's line, an etched double line.
    const int top = r.y + (text && text[0] ? height / 2 : 0);
    const DialogRect frame{r.x, top, r.width, r.y + r.height - top};
    hline(dialog, frame.x, frame.y, frame.width - 1, dialogShadowColour);
    vline(dialog, frame.x, frame.y, frame.height - 1, dialogShadowColour);
    hline(dialog, frame.x, frame.y + frame.height - 2, frame.width - 1, dialogShadowColour);
    vline(dialog, frame.x + frame.width - 2, frame.y, frame.height - 1, dialogShadowColour);
    hline(dialog, frame.x + 1, frame.y + 1, frame.width - 3, dialogLightColour);
    vline(dialog, frame.x + 1, frame.y + 1, frame.height - 3, dialogLightColour);
    hline(dialog, frame.x, frame.y + frame.height - 1, frame.width, dialogLightColour);
    vline(dialog, frame.x + frame.width - 1, frame.y, frame.height, dialogLightColour);
    if (text && text[0]) {
        platformDialogFill(dialog, r.x + 6, r.y, width + 4, height, dialogFaceColour);
        platformDialogText(dialog, r.x + 8, r.y, text, dialogTextColour, r.width - 12);
    }
}

void drawRadioButton(int dialog, const DialogRect& r, const char* text, bool checked, bool focused)
{
    // A 12-pixel round box: sunken ring, white inside, a black dot when checked.
    constexpr int size = 12;
    static const char* const ring[size] = {
        "....ssss....", "..ssddddss..", ".sdd....ddl.", ".sd......fl.",
        "sd........fl", "sd........fl", "sd........fl", "sd........fl",
        ".sd......fl.", ".sff....ffl.", "..llffffll..", "....llll....",
    };
    const int x0 = r.x, y0 = r.y + (r.height - size) / 2;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const char c = ring[y][x];
            uint32_t rgb = c == 's'   ? dialogShadowColour
                           : c == 'd' ? dialogDarkColour
                           : c == 'l' ? dialogLightColour
                           : c == 'f' ? dialogFaceColour
                                      : dialogFieldColour;
            const bool inside = c == '.' && x > 1 && x < 10 && y > 0 && y < 11 &&
                                (x - 5.5) * (x - 5.5) + (y - 5.5) * (y - 5.5) < 20.0;
            if (c != '.' || inside)
                platformDialogFill(dialog, x0 + x, y0 + y, 1, 1, rgb);
        }
    if (checked)
        platformDialogFill(dialog, x0 + 4, y0 + 4, 4, 4, dialogDarkColour);
    const int textX = r.x + size + 4;
    textIn(dialog, r, textX, text, r.x + r.width - textX);
    if (focused) {
        int width, height;
        platformDialogTextSize(text, width, height);
        const int maxWidth = r.x + r.width - textX;
        drawFocusOutline(dialog, {textX - 2, r.y + (r.height - height) / 2 - 1,
                                  (width < maxWidth ? width : maxWidth) + 4, height + 2});
    }
}

void drawStaticText(int dialog, const DialogRect& r, const char* text, bool rightAligned)
{
    int width, height;
    platformDialogTextSize(text, width, height);
    const int x = rightAligned && width < r.width ? r.x + r.width - width : r.x;
    // Text longer than its control is cut at the control's right edge.
    platformDialogText(dialog, x, r.y, text, dialogTextColour, r.width);
}

void drawChoiceField(int dialog, const DialogRect& r, const char* text, bool focused)
{
    platformDialogFill(dialog, r.x, r.y, r.width, r.height, dialogFieldColour);
    edge(dialog, r, false);
    const int arrows = r.height;  // a square button of two arrows at the right end
    const DialogRect button{r.x + r.width - arrows - 2, r.y + 2, arrows, r.height - 4};
    platformDialogFill(dialog, button.x, button.y, button.width, button.height, dialogFaceColour);
    edge(dialog, button, true);
    const int cx = button.x + button.width / 2, cy = button.y + button.height / 2;
    for (int i = 0; i < 3; ++i) {
        // A left-pointing and a right-pointing arrow head.
        platformDialogFill(dialog, cx - 4 + i, cy - i, 1, 2 * i + 1, dialogDarkColour);
        platformDialogFill(dialog, cx + 4 - i, cy - i, 1, 2 * i + 1, dialogDarkColour);
    }
    textIn(dialog, r, r.x + 5, text, r.width - arrows - 10);
    if (focused)
        drawFocusOutline(dialog, {r.x + 3, r.y + 3, r.width - arrows - 7, r.height - 6});
}
