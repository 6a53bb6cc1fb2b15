// Renders the soundtrack to a WAV file through the music player's offline output and measures
// its level.
#include "music/music.h"

#include "audio/audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr uint64_t sliceFrames = 1 << 16;

bool readWavSamples(const std::string& path, std::vector<int16_t>& samples, std::string& error)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = "cannot read " + path;
        return false;
    }
    uint8_t header[44];
    bool ok = std::fread(header, 1, sizeof header, f) == sizeof header;
    const uint32_t bytes =
        header[40] | header[41] << 8 | header[42] << 16 | uint32_t(header[43]) << 24;
    samples.resize(bytes / 2);
    ok = ok && std::fread(samples.data(), 2, samples.size(), f) == samples.size();
    std::fclose(f);
    if (!ok)
        error = "short WAV file " + path;
    return ok;
}

}  // namespace

bool renderSoundtrack(const std::vector<uint8_t>& xmBytes, const std::string& wavPath,
                      double introSeconds, RenderStats& stats, std::vector<int16_t>* samplesOut,
                      std::string& error, int renderRate)
{
    musicStartup();
    musicSetOption(musicOptionOutputDevice, musicDeviceOffline);
    musicSetOption(musicOptionMixRate, renderRate);
    musicSetOption(musicOptionMixQuality, 1);
    musicInit();
    MusicModule* module = musicLoadModuleFromMemory(xmBytes.data(), xmBytes.size());
    if (module == nullptr) {
        error = std::string("module does not load: ") + musicLastError();
        musicClose();
        return false;
    }
    musicPlayModule(module, 0);
    if (!musicRecordWav(wavPath.c_str())) {
        error = "cannot write " + wavPath;
        musicFreeModule(module);
        musicClose();
        return false;
    }
    // One pass of the song: render until the player stops adding frames.
    uint64_t target = sliceFrames;
    for (;;) {
        musicRenderOfflineTo(target);
        if (musicRenderedFrames() < target)
            break;
        target += sliceFrames;
    }
    musicFreeModule(module);
    musicClose();

    std::vector<int16_t> samples;
    if (!readWavSamples(wavPath, samples, error))
        return false;
    const size_t frames = samples.size() / 2;
    stats.seconds = double(frames) / renderRate;
    double sum = 0;
    int peak = 0;
    for (int16_t v : samples) {
        peak = std::max(peak, std::abs(int(v)));
        sum += double(v) * v;
    }
    stats.peak = peak;
    stats.rmsDb =
        20 * std::log10(std::sqrt(sum / std::max<size_t>(1, samples.size())) / 32768.0 + 1e-12);
    // Quietest whole second after the intro, in half-second hops.
    stats.quietestSecondDb = 0;
    const size_t first = static_cast<size_t>(introSeconds * renderRate);
    for (size_t start = first; start + renderRate <= frames; start += renderRate / 2) {
        double s = 0;
        for (size_t i = start * 2; i < (start + renderRate) * 2; ++i)
            s += double(samples[i]) * samples[i];
        const double db = 20 * std::log10(std::sqrt(s / (2.0 * renderRate)) / 32768.0 + 1e-12);
        if (db < stats.quietestSecondDb) {
            stats.quietestSecondDb = db;
            stats.quietestSecondAt = double(start) / renderRate;
        }
    }
    if (samplesOut != nullptr)
        *samplesOut = std::move(samples);
    return true;
}
