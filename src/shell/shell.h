// Application shell: the main window's event handling, the message pump with its quit flag and
// pause on deactivation, the message box, the missing-file report and the shutdown routine.
#pragma once

#include "platform/platform.h"
#include "shell/report.h"

// The title every message box carries.
constexpr const char* messageTitle = "-ZEM- DEMO ENGINE message";
// Size of the message text buffer, line break and terminator included.
constexpr int messageCapacity = 260;
// How long the pump sleeps waiting for an event while the application is inactive (ms).
constexpr int inactiveWaitMs = 20;

// Process-wide shell state.
struct ShellState {
    int quitFlag = 0;                        // result of the last pumpMessages
    char lastMessage[messageCapacity] = {};  // the text of the last message, line break included
    int messageCount = 0;                    // messages shown since the start
};
extern ShellState shell;

// Back to the start values (for tests).
void resetShell();

// Opens the main window for full-screen (1) or windowed (0) output and records the choice for
// the display. Full screen hides the mouse cursor. False when no window can be made.
bool openMainWindow(int fullScreen);
// The main window's event handling: Escape closes the window; closing destroys it and posts the
// quit message; activation changes store the app-active flag in timing.appActive; expose and
// resize refresh the client rectangle. Other keys do nothing.
void windowProc(const PlatformEvent& event);
// Posts the quit message that ends the next pump.
void postQuit();
// Handles every pending event and runs the window timer; 1 when the quit message was taken,
// else 0 (also stored as the quit flag). While the application is inactive it does not return:
// the music is suspended and the demo clock held until the application is active again.
int pumpMessages();
// The quit flag: the result of the last pump.
int quitRequested();

// Shows text in a message box the program draws itself, in the dialogs' style, and waits for OK.
// False when no window can be opened.
bool drawnMessageBox(const char* title, const char* text);

// showMessage, reportMissingFile and shutdownDemo are declared in shell/report.h.
