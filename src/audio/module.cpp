// Loading and freeing modules, and finding their sync commands.
#include "audio/player_state.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstring>
#include <string>

// A module bigger than this is refused before reading: XM files of the era are a few MB at most.
constexpr uint64_t kMaxModuleBytes = 64u << 20;

namespace {

// True when the formatted effect letter of this cell is the sync command W.
bool isSyncEffect(openmpt_module* mod, int pattern, int row, int channel)
{
    const char* text =
        openmpt_module_format_pattern_row_channel_command(mod, pattern, row, channel, OPENMPT_MODULE_COMMAND_EFFECT);
    const bool sync = text != nullptr && std::strcmp(text, "W") == 0;
    openmpt_free_string(text);
    return sync;
}

void findSyncCommands(MusicModule* module)
{
    openmpt_module* mod = module->mod;
    const int patterns = openmpt_module_get_num_patterns(mod);
    const int channels = openmpt_module_get_num_channels(mod);
    // The effect number libopenmpt gives W is not part of its interface: learn it from the letter,
    // once per distinct effect number (0..255; -1 unknown, 0 not W, 1 W).
    int8_t effectIsSync[256];
    std::memset(effectIsSync, -1, sizeof effectIsSync);
    effectIsSync[0] = 0;
    for (int p = 0; p < patterns; ++p) {
        const int rows = openmpt_module_get_pattern_num_rows(mod, p);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < channels; ++c) {
                const uint8_t effect = openmpt_module_get_pattern_row_channel_command(mod, p, r, c, OPENMPT_MODULE_COMMAND_EFFECT);
                if (effectIsSync[effect] < 0)
                    effectIsSync[effect] = isSyncEffect(mod, p, r, c) ? 1 : 0;
                if (effectIsSync[effect] == 1) {
                    const uint8_t value = openmpt_module_get_pattern_row_channel_command(mod, p, r, c, OPENMPT_MODULE_COMMAND_PARAMETER);
                    module->syncs.push_back(SyncCommand{uint32_t(p), uint32_t(r), uint32_t(c), value});
                }
            }
        }
    }
    // Already in pattern, row, channel order; keep the promise explicit.
    std::sort(module->syncs.begin(), module->syncs.end(), [](const SyncCommand& a, const SyncCommand& b) {
        return a.pattern != b.pattern ? a.pattern < b.pattern : a.row != b.row ? a.row < b.row : a.channel < b.channel;
    });
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
    openmpt_module* mod = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent, nullptr,
                                                             openmpt_error_func_store, nullptr, &error,
                                                             &errorText, nullptr);
    if (mod == nullptr) {
        setMusicError("not a playable module (%s)", errorText != nullptr ? errorText : "unknown format");
        openmpt_free_string(errorText);
        return nullptr;
    }
    openmpt_free_string(errorText);
    auto* module = new MusicModule;
    module->mod = mod;
    findSyncCommands(module);
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
