// The message box every error and note goes through.
#include "shell/shell.h"

#include "platform/platform_dialog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void showMessage(const char* format, ...)
{
    char text[messageCapacity];
    // Leave room for the line break: at most 257 characters of text, cut beyond that.
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(text, messageCapacity - 2, format, args);
    va_end(args);
    if (written < 0)
        text[0] = '\0';
    std::strcat(text, "\n");
    std::memcpy(shell.lastMessage, text, sizeof text);
    ++shell.messageCount;
    if (platformMessageBox(messageTitle, text))
        return;
    // Where the desktop's own box cannot be shown, the program draws one in its dialogs' style.
    if (platformMessageBoxesWanted() && drawnMessageBox(messageTitle, text))
        return;
    std::fprintf(stderr, "%s: %s", messageTitle, text);
}

void reportMissingFile(const char* name)
{
    showMessage("Engine error: file '%s' not found!", name);
}
