// Small windows of the program's own for the launcher, the sound set-up and the message box: a
// fixed-size window, filled rectangles and text in DejaVu Sans through SDL_ttf, and the keyboard
// and mouse input the dialogs need. At most platformDialogCapacity are open at once (a dialog and
// the modal panel over it). Works without platformInit: the first open starts SDL's video.
#pragma once

#include <cstdint>

constexpr int platformDialogCapacity = 3;
// The class name every window of the program carries on X11.
constexpr const char* platformWindowClass = "v4npelvadron";

enum PlatformDialogInputKind : int {
    dialogInputNone = 0,
    dialogInputKey,        // key holds a PlatformDialogKey
    dialogInputMouseDown,  // left button pressed at x, y
    dialogInputMouseUp,    // left button released at x, y
    dialogInputClose,      // the window's close button
    dialogInputExpose,     // the window must be drawn again
};

enum PlatformDialogKey : int {
    dialogKeyOther = 0,
    dialogKeyTab,
    dialogKeyLeft,
    dialogKeyRight,
    dialogKeyUp,
    dialogKeyDown,
    dialogKeySpace,
    dialogKeyEnter,
    dialogKeyEscape,
};

struct PlatformDialogInput {
    int kind = dialogInputNone;
    int dialog = -1;  // the dialog the input is for
    int key = dialogKeyOther;
    bool shift = false;
    int x = 0, y = 0;  // pixels from the client area's top left corner
};

// Sets the 32 x 32 picture (0xAARRGGBB, top row first) every window opened afterwards shows as
// its icon, the main window included. Null clears it.
void platformSetIcon(const uint32_t* pixels);
// Reads a 32 x 32 picture file (BMP or PNG) as the icon. False when it cannot be read.
bool platformLoadIcon(const char* path);
// The icon in effect (null when none).
const uint32_t* platformIcon();

// The text size in pixels the dialogs are drawn with, and the font's metrics at that size: the
// average width of the 52 letters and the line height, from which dialog units are measured.
// False when SDL_ttf or the font cannot be loaded.
bool platformDialogFontMetrics(int& averageWidth, int& height);
// Opens a dialog window with a client area of width x height pixels, centred on the screen.
// Returns its number, or -1 when no window (no display, no font) can be made.
int platformDialogOpen(const char* title, int width, int height);
void platformDialogClose(int dialog);
// Drawing into the dialog's back buffer; platformDialogPresent shows it.
void platformDialogFill(int dialog, int x, int y, int width, int height, uint32_t rgb);
// Draws text with its top left corner at x, y, clipped to maxWidth pixels (0: no clip).
void platformDialogText(int dialog, int x, int y, const char* text, uint32_t rgb, int maxWidth = 0);
// Width and height in pixels of a line of text.
void platformDialogTextSize(const char* text, int& width, int& height);
void platformDialogPresent(int dialog);
// The dialog's client area as 0x00RRGGBB pixels (what was presented last); for tests.
bool platformDialogRead(int dialog, uint32_t* pixels, int capacity, int& width, int& height);
// Takes the next input for any open dialog, waiting up to timeoutMs for one.
bool platformDialogWaitInput(PlatformDialogInput& input, uint32_t timeoutMs);
// Raises the dialog's window and gives it the keyboard focus.
void platformDialogRaise(int dialog);
// True when a message box should appear on screen: the SDL backend runs with boxes switched on.
bool platformMessageBoxesWanted();
