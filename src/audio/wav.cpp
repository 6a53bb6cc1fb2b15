// Recording the rendered stream as a PCM WAV file.
#include "audio/player_state.h"

#include <cstring>

namespace {

void putLe(uint8_t* out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The 44-byte header of a PCM WAV file holding dataBytes of samples in the player's format.
void wavHeader(uint8_t* h, uint32_t dataBytes)
{
    const MusicPlayer& p = musicPlayer;
    const uint32_t blockAlign = uint32_t(p.channels * p.bytesPerSample);
    std::memcpy(h, "RIFF", 4);
    putLe(h + 4, 36 + dataBytes, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putLe(h + 16, 16, 4);
    putLe(h + 20, 1, 2);  // PCM
    putLe(h + 22, uint32_t(p.channels), 2);
    putLe(h + 24, uint32_t(p.mixRate), 4);
    putLe(h + 28, uint32_t(p.mixRate) * blockAlign, 4);
    putLe(h + 32, blockAlign, 2);
    putLe(h + 34, uint32_t(p.bytesPerSample * 8), 2);
    std::memcpy(h + 36, "data", 4);
    putLe(h + 40, dataBytes, 4);
}

}  // namespace

bool wavOpen(const char* fileName)
{
    MusicPlayer& p = musicPlayer;
    p.wavFile = std::fopen(fileName, "wb");
    if (p.wavFile == nullptr) {
        setMusicError("cannot write '%s'", fileName);
        return false;
    }
    uint8_t header[44];
    wavHeader(header, 0);
    p.wavBytes = 0;
    return std::fwrite(header, 1, sizeof header, p.wavFile) == sizeof header;
}

void wavAppend(const uint8_t* data, size_t bytes)
{
    MusicPlayer& p = musicPlayer;
    // A WAV file counts its data in 32 bits; stop recording before that overflows.
    if (p.wavBytes + bytes > 0xffffffffu - 64)
        return;
    p.wavBytes += std::fwrite(data, 1, bytes, p.wavFile);
}

bool wavFinish(bool close)
{
    MusicPlayer& p = musicPlayer;
    if (p.wavFile == nullptr)
        return !close;
    uint8_t header[44];
    wavHeader(header, static_cast<uint32_t>(p.wavBytes));
    bool ok = std::fseek(p.wavFile, 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, sizeof header, p.wavFile) == sizeof header;
    ok = std::fseek(p.wavFile, 0, SEEK_END) == 0 && ok;
    ok = std::fflush(p.wavFile) == 0 && ok;
    if (close) {
        ok = std::fclose(p.wavFile) == 0 && ok;
        p.wavFile = nullptr;
    }
    return ok;
}
