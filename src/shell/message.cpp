#include "shell/shell.h"

#include <cstdarg>
#include <cstdio>

// Until the platform message box exists, messages go to standard error with the box's title.
void showMessage(const char* format, ...)
{
    char text[260];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "-ZEM- DEMO ENGINE message: %s\n", text);
}
