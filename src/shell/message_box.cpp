// The message box the program draws itself, in the dialogs' style, when the desktop's own cannot
// be shown: the text line by line, an OK button under it.
#include "shell/dialog_style.h"
#include "shell/shell.h"

#include <cstring>

namespace {

constexpr int maxLines = 16;
constexpr int margin = 12;

// Splits text at line breaks into lines of at most lineCapacity - 1 bytes.
constexpr int lineCapacity = messageCapacity;
int splitLines(const char* text, char (*lines)[lineCapacity])
{
    int count = 0;
    while (*text && count < maxLines) {
        const char* end = std::strpbrk(text, "\r\n");
        size_t length = end ? size_t(end - text) : std::strlen(text);
        if (length >= lineCapacity)
            length = lineCapacity - 1;
        std::memcpy(lines[count], text, length);
        lines[count][length] = '\0';
        ++count;
        if (!end)
            break;
        text = end + 1;
        if (*end == '\r' && *text == '\n')
            ++text;
    }
    return count;
}

}  // namespace

bool drawnMessageBox(const char* title, const char* text)
{
    static char lines[maxLines][lineCapacity];
    const int lineCount = splitLines(text, lines);
    DialogUnits units;
    dialogFontUnits(units);
    int textWidth = 0, lineHeight = units.baseY;
    for (int i = 0; i < lineCount; ++i) {
        int width, height;
        platformDialogTextSize(lines[i], width, height);
        if (width > textWidth)
            textWidth = width;
    }
    const DialogRect okSize = dialogUnitsToPixels(units, 0, 0, 50, 14);
    int width = textWidth + 2 * margin;
    if (width < okSize.width + 2 * margin)
        width = okSize.width + 2 * margin;
    const int height = margin + lineCount * lineHeight + margin + okSize.height + margin;
    const DialogRect ok{(width - okSize.width) / 2, height - margin - okSize.height, okSize.width,
                        okSize.height};

    const int dialog = platformDialogOpen(title, width, height);
    if (dialog < 0)
        return false;
    bool pressed = false, done = false, redraw = true;
    while (!done) {
        if (redraw) {
            drawDialogFace(dialog, width, height);
            for (int i = 0; i < lineCount; ++i)
                platformDialogText(dialog, margin, margin + i * lineHeight, lines[i],
                                   dialogTextColour);
            drawPushButton(dialog, ok, "OK", true, pressed);
            platformDialogPresent(dialog);
            redraw = false;
        }
        PlatformDialogInput input;
        if (!platformDialogWaitInput(input, 100) || input.dialog != dialog)
            continue;
        switch (input.kind) {
        case dialogInputKey:
            done = input.key == dialogKeyEnter || input.key == dialogKeySpace ||
                   input.key == dialogKeyEscape;
            break;
        case dialogInputMouseDown:
            pressed = dialogRectContains(ok, input.x, input.y);
            redraw = true;
            break;
        case dialogInputMouseUp:
            done = pressed && dialogRectContains(ok, input.x, input.y);
            pressed = false;
            redraw = true;
            break;
        case dialogInputClose: done = true; break;
        case dialogInputExpose: redraw = true; break;
        default: break;
        }
    }
    platformDialogClose(dialog);
    return true;
}
