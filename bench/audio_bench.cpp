// Music player: the CPU cost of a second of music at 44.1 kHz through the player's offline path
// (32-frame chunks, row tracking, syncs), against libopenmpt rendering the same module in blocks
// of 4096 frames with nothing else to do.
#include <benchmark/benchmark.h>

#include <libopenmpt/libopenmpt.h>

#include <ctime>
#include <vector>

#include "audio/audio.h"
#include "xm/xm_writer.h"

namespace {

// Eight channels, each with a looped saw wave, a note every 4 rows, a sync every 16 rows: a busy
// module of the era at speed 6, 125 BPM, looping.
std::vector<uint8_t> benchModule()
{
    XmModule module;
    module.channels = 8;
    module.orders = {0, 0, 0, 0};
    XmInstrument instrument;
    XmSample sample;
    for (int i = 0; i < 256; ++i)
        sample.data.push_back(int16_t((i - 128) * 100));
    sample.loop = XmLoop::forward;
    sample.loopLength = 256;
    sample.volume = 40;
    instrument.samples.push_back(sample);
    module.instruments.push_back(instrument);
    XmPattern pattern = makeXmPattern(64, module.channels);
    for (int row = 0; row < 64; ++row) {
        for (int channel = 0; channel < module.channels; ++channel) {
            XmCell& cell = xmCell(pattern, module.channels, row, channel);
            if ((row + channel) % 4 == 0) {
                cell.note = xmNote(3 + channel % 3, (row * 7 + channel * 5) % 12);
                cell.instrument = 1;
            }
        }
        if (row % 16 == 0)
            xmCell(pattern, module.channels, row, 7).effect = xmEffectSync;
    }
    module.patterns.push_back(pattern);
    return encodeXm(module);
}

constexpr int kRate = 44100;

// CPU time of this thread: the machine is shared, so wall time would count other work too.
double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Seconds of CPU per second of music (`cpu_per_music_second`), and `ratio`: the player's time over
// plain block rendering of the same second, the two timed alternately.
void BM_MusicSecondVsBlockRender(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = benchModule();
    musicStartup();
    musicSetOption(musicOptionOutputDevice, musicDeviceOffline);
    musicSetOption(musicOptionMixQuality, int(state.range(0)));
    musicInit();
    MusicModule* module = musicLoadModuleFromMemory(bytes.data(), bytes.size());
    const unsigned handle = musicPlayModule(module, 1);
    musicStartBackgroundPlay(0);

    openmpt_module* plain =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    openmpt_module_set_repeat_count(plain, -1);
    openmpt_module_set_render_param(plain, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH,
                                    state.range(0) ? 8 : 2);
    std::vector<int16_t> block(4096 * 2);

    double oursSeconds = 0, plainSeconds = 0;
    uint64_t target = 0;
    for (auto _ : state) {
        const double t0 = threadSeconds();
        target += kRate;
        musicRenderOfflineTo(target);
        const double t1 = threadSeconds();
        for (int done = 0; done < kRate;)
            done += int(openmpt_module_read_interleaved_stereo(
                plain, kRate, std::min(4096, kRate - done), block.data()));
        benchmark::DoNotOptimize(block.data());
        const double t2 = threadSeconds();
        oursSeconds += t1 - t0;
        plainSeconds += t2 - t1;
    }
    state.counters["cpu_per_music_second"] = oursSeconds / double(state.iterations());
    state.counters["ratio"] = oursSeconds / plainSeconds;
    openmpt_module_destroy(plain);
    musicStopModule(handle);
    musicFreeModule(module);
    musicClose();
}
BENCHMARK(BM_MusicSecondVsBlockRender)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
