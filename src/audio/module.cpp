// Loading and freeing modules, and finding their sync commands.
#include "audio/player_state.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
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
