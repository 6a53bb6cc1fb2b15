// The two services of the shell that the layers below it call: the message box and the shutdown.
// Declarations only. The archive and the picture loader include this header and leave the calls
// to be resolved when a program is linked: every program links v4n_shell, which defines them.
#pragma once

// Formats the text printf-style into a 260-character buffer (longer text is cut), appends a line
// break and shows it with the title "-ZEM- DEMO ENGINE message". Never ends the program.
void showMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "Engine error: file '<name>' not found!"
void reportMissingFile(const char* name);
// Stops and frees the music, releases the display and posts the quit message.
void shutdownDemo();
