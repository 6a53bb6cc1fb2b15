// Application shell: message box, missing-file report, shutdown.
#pragma once

// Formats the text printf-style into a 260-character buffer (longer text is cut), appends a line
// break and shows it with the title "-ZEM- DEMO ENGINE message". Never ends the program.
void showMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
