// The 3DS loader's reads: little-endian values, names and skips, each held to the chunk's end.
#include <cstdio>
#include <cstring>

#include "archive/archive.h"
#include "assets/load3ds_walk.h"

bool refuse(LoadContext& ctx, const char* reason)
{
    std::snprintf(ctx.message, meshMessageSize, "%s", reason);
    return false;
}

bool readBytes(LoadContext& ctx, void* out, int64_t count)
{
    if (count < 0 || ctx.consumed + count > ctx.limit)
        return false;
    if (packRead(out, 1, int(count), ctx.file) != count)
        return false;
    ctx.consumed += count;
    return true;
}

bool readU16(LoadContext& ctx, uint16_t& value)
{
    uint8_t b[2];
    if (!readBytes(ctx, b, 2))
        return false;
    value = uint16_t(b[0] | b[1] << 8);
    return true;
}

bool readU32(LoadContext& ctx, uint32_t& value)
{
    uint8_t b[4];
    if (!readBytes(ctx, b, 4))
        return false;
    value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool readFloat(LoadContext& ctx, float& value)
{
    uint32_t bits;
    if (!readU32(ctx, bits))
        return false;
    std::memcpy(&value, &bits, 4);
    return true;
}

bool readString(LoadContext& ctx, char* out, int capacity)
{
    for (int length = 0;; ++length) {
        uint8_t c;
        if (!readBytes(ctx, &c, 1))
            return false;
        if (c != 0 && length == capacity - 1)
            return refuse(ctx, "слишком длинное имя.");
        out[length] = char(c);
        if (c == 0)
            return true;
    }
}

bool skipBytes(LoadContext& ctx, int64_t count)
{
    if (count < 0 || ctx.consumed + count > ctx.limit)
        return false;
    packSeek(ctx.file, int(count), 1);
    ctx.consumed += count;
    return true;
}

bool skipRest(LoadContext& ctx, const ChunkHeader& chunk)
{
    return skipBytes(ctx, chunk.end - ctx.consumed);
}
