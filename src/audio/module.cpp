// Loading and freeing modules, and finding their sync commands.
#include "audio/player_state.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

// A module bigger than this is refused before reading: XM files of the era are a few MB at most.
constexpr uint64_t kMaxModuleBytes = 64u << 20;

namespace {

// The letter libopenmpt shows for an effect number in this module's format ('?' when none).
char effectLetter(openmpt_module* mod, int pattern, int row, int channel)
{
    const char* text = openmpt_module_format_pattern_row_channel_command(
        mod, pattern, row, channel, OPENMPT_MODULE_COMMAND_EFFECT);
    const char letter = text != nullptr && text[0] != 0 && text[1] == 0 ? text[0] : '?';
    openmpt_free_string(text);
    return letter;
}

// A pattern-loop command with a count (XM and MOD E6x, S3M and IT SBx, x > 0) sends play back
// within its pattern.
bool isPatternLoopEnd(char letter, uint8_t param)
{
    return ((letter == 'E' && param >> 4 == 0x6) || (letter == 'S' && param >> 4 == 0xB)) &&
           (param & 0x0F) != 0;
}

// Finds the sync commands and the rows that end a pattern loop.
void findCommands(MusicModule* module)
{
    openmpt_module* mod = module->mod;
    const int patterns = openmpt_module_get_num_patterns(mod);
    const int channels = openmpt_module_get_num_channels(mod);
    // The effect numbers libopenmpt uses are not part of its interface: learn each one's letter
    // from the formatted text, once per distinct number (0 unknown; effect 0 is none).
    char letters[256] = {};
    letters[0] = '?';
    for (int p = 0; p < patterns; ++p) {
        const int rows = openmpt_module_get_pattern_num_rows(mod, p);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < channels; ++c) {
                const uint8_t effect = openmpt_module_get_pattern_row_channel_command(
                    mod, p, r, c, OPENMPT_MODULE_COMMAND_EFFECT);
                if (letters[effect] == 0)
                    letters[effect] = effectLetter(mod, p, r, c);
                if (letters[effect] == '?')
                    continue;
                const uint8_t value = openmpt_module_get_pattern_row_channel_command(
                    mod, p, r, c, OPENMPT_MODULE_COMMAND_PARAMETER);
                if (letters[effect] == 'W')
                    module->syncs.push_back(
                        SyncCommand{uint32_t(p), uint32_t(r), uint32_t(c), value});
                else if (isPatternLoopEnd(letters[effect], value))
                    module->loopEnds.push_back(patternRowKey(uint32_t(p), uint32_t(r)));
            }
        }
    }
    // Already in pattern, row, channel order; keep the promise explicit.
    std::sort(module->syncs.begin(), module->syncs.end(),
              [](const SyncCommand& a, const SyncCommand& b) {
                  return a.pattern != b.pattern ? a.pattern < b.pattern
                         : a.row != b.row       ? a.row < b.row
                                                : a.channel < b.channel;
              });
    std::sort(module->loopEnds.begin(), module->loopEnds.end());
}

// What libopenmpt noticed while loading (a cut file, damaged samples, ...), one line each on
// standard error, named after the file: a damaged module still plays, but not without a word.
void reportLoadWarnings(openmpt_module* mod, const char* fileName)
{
    const char* text = openmpt_module_get_metadata(mod, "warnings");
    if (text == nullptr)
        return;
    const char* line = text;
    while (*line != 0) {
        const char* end = std::strchr(line, '\n');
        const size_t length = end != nullptr ? size_t(end - line) : std::strlen(line);
        if (length > 0)
            std::fprintf(stderr, "v4npelva: %s: %.*s\n", fileName, int(length), line);
        line += length + (end != nullptr ? 1 : 0);
    }
    openmpt_free_string(text);
}

uint32_t littleEndian(const uint8_t* p, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// The length an XM file's own headers add up to (header, patterns with their packed data,
// instruments with their sample headers and sample data), or 0 when the bytes are not an XM
// file. libopenmpt plays a cut XM file without a warning; this finds the cut.
uint64_t xmStatedSize(const uint8_t* data, uint64_t size)
{
    if (size < 80 || std::memcmp(data, "Extended Module: ", 17) != 0)
        return 0;
    auto field = [&](uint64_t at, int bytes, uint64_t& value) {
        if (at + uint64_t(bytes) > size)
            return false;
        value = littleEndian(data + at, bytes);
        return true;
    };
    uint64_t headerSize = 0, patterns = 0, instruments = 0;
    field(60, 4, headerSize);
    field(70, 2, patterns);
    field(72, 2, instruments);
    uint64_t at = 60 + headerSize;
    for (uint64_t p = 0; p < patterns; ++p) {
        uint64_t patternHeader = 0, packed = 0;
        if (!field(at, 4, patternHeader) || !field(at + 7, 2, packed))
            return at + 9;
        at += patternHeader + packed;
    }
    for (uint64_t i = 0; i < instruments; ++i) {
        uint64_t instrumentHeader = 0, samples = 0, sampleHeader = 0;
        if (!field(at, 4, instrumentHeader) || !field(at + 27, 2, samples))
            return at + 29;
        if (samples > 0 && !field(at + 29, 4, sampleHeader))
            return at + 33;
        at += instrumentHeader;
        uint64_t sampleBytes = 0;
        for (uint64_t k = 0; k < samples; ++k) {
            uint64_t length = 0;
            if (!field(at + k * sampleHeader, 4, length))
                return at + samples * sampleHeader;
            sampleBytes += length;
        }
        at += samples * sampleHeader + sampleBytes;
    }
    return at;
}

}  // namespace

MusicModule* musicLoadModuleFromMemory(const void* data, uint64_t size)
{
    if (data == nullptr || size == 0) {
        setMusicError("empty module");
        return nullptr;
    }
    int error = 0;
    const char* errorText = nullptr;
    openmpt_module* mod = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent,
                                                             nullptr, openmpt_error_func_store,
                                                             nullptr, &error, &errorText, nullptr);
    if (mod == nullptr) {
        setMusicError("not a playable module (%s)",
                      errorText != nullptr ? errorText : "unknown format");
        openmpt_free_string(errorText);
        return nullptr;
    }
    openmpt_free_string(errorText);
    auto* module = new MusicModule;
    module->mod = mod;
    findCommands(module);
    setMusicError("%s", "");
    return module;
}

MusicModule* musicLoadModule(const char* fileName)
{
    if (fileName == nullptr) {
        setMusicError("no module name");
        return nullptr;
    }
    FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) {
        setMusicError("cannot open '%s'", fileName);
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t got = 0;
    bool tooBig = false;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        if (bytes.size() + got > kMaxModuleBytes) {
            tooBig = true;
            break;
        }
        bytes.insert(bytes.end(), block, block + got);
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (tooBig || readError) {
        setMusicError(tooBig ? "'%s' is too big for a module" : "cannot read '%s'", fileName);
        return nullptr;
    }
    MusicModule* module = musicLoadModuleFromMemory(bytes.data(), bytes.size());
    if (module != nullptr) {
        reportLoadWarnings(module->mod, fileName);
        if (xmStatedSize(bytes.data(), bytes.size()) > bytes.size())
            std::fprintf(stderr,
                         "v4npelva: %s: the module is cut short after %llu bytes; what is missing "
                         "plays as silence\n",
                         fileName, static_cast<unsigned long long>(bytes.size()));
    }
    if (module == nullptr) {
        std::string reason = musicLastError();
        setMusicError("'%s': %s", fileName, reason.c_str());
    }
    return module;
}

bool musicFreeModule(MusicModule* module)
{
    if (module == nullptr)
        return true;
    bool playing = false;
    unsigned handle = 0;
    {
        std::lock_guard<std::mutex> lock(musicPlayer.playMutex);
        playing = musicPlayer.module == module;
        handle = musicPlayer.playHandle;
    }
    if (playing)
        musicStopModule(handle);
    openmpt_module_destroy(module->mod);
    delete module;
    return true;
}
