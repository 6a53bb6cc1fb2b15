// Files inside the unpacked image: lookup by packed 8.3 name and a stack of open-file slots.
#include "archive/archive.h"

#include "shell/report.h"

#include <cstring>

namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Moves cursor and position together to newPosition, kept within 0..size.
void moveTo(PackFile* file, int64_t newPosition)
{
    if (newPosition < 0)
        newPosition = 0;
    if (newPosition > file->size)
        newPosition = file->size;
    file->cursor += newPosition - file->position;
    file->position = int32_t(newPosition);
}

}  // namespace

void makePackName(char* out, const char* name)
{
    // A name without a dot stops at its end: the rest of the base and positions 8-11 are spaces.
    int i = 0;
    for (; i < 8; ++i) {
        if (*name == '.' || *name == '\0')
            out[i] = ' ';
        else
            out[i] = lowerAscii(*name++);
    }
    for (; i < 12; ++i) {
        if (*name == '\0')
            out[i] = ' ';
        else
            out[i] = lowerAscii(*name++);
    }
    out[12] = '\0';
}

PackFile* packOpen(const char* name)
{
    const PackArchive& archive = archiveState.archive;
    if (!archive.image)
        return nullptr;
    char key[13];
    makePackName(key, name);
    for (int i = 0; i < archive.entryCount; ++i) {
        PackDirEntry entry = packDirEntry(archive.image, i);
        if (std::memcmp(entry.name, key, 12) != 0)
            continue;
        if (archiveState.openFileIndex + 1 >= packFileSlots) {
            showMessage("Engine error: cannot open '%s', %d files are open already!", name,
                        packFileSlots);
            return nullptr;
        }
        PackFile* file = &archiveState.files[++archiveState.openFileIndex];
        file->cursor = archive.image + entry.offset;
        file->position = 0;
        file->size = int32_t(entry.size);
        return file;
    }
    return nullptr;
}

int packRead(void* buffer, int size, int count, PackFile* file)
{
    if (size <= 0 || count <= 0)
        return 0;
    int64_t wanted = int64_t(size) * count;
    int64_t left = int64_t(file->size) - file->position;
    int64_t n = wanted < left ? wanted : left;
    if (n <= 0)
        return 0;
    std::memcpy(buffer, file->cursor, size_t(n));
    file->cursor += n;
    file->position += int32_t(n);
    return int(n);
}

int packSeek(PackFile* file, int offset, int mode)
{
    switch (mode) {
    case 0: moveTo(file, offset); break;
    case 1: moveTo(file, int64_t(file->position) + offset); break;
    case 2: moveTo(file, int64_t(file->size) - offset - 1); break;
    default: break;
    }
    return 0;
}

int packTell(PackFile* file)
{
    return file->position;
}

int packClose(PackFile*)
{
    if (archiveState.openFileIndex >= 0)
        --archiveState.openFileIndex;
    return 0;
}
