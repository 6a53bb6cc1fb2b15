// Whole scenes played headless as the program plays them (no PNG writing), against presentFrame
// alone, timed alternately in one loop. `fps` is the scene's frames per second; `ratio` is its mean
// frame time over the time of one presentFrame, so a ratio near 1 means the scene's own drawing
// costs little beside showing the frame. A new scene adds one BENCHMARK_CAPTURE line.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>

#include "demo/demo.h"
#include "display/display.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "startup/startup.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds for `frames` presentFrame calls on a headless 32-bit display showing a busy picture.
double timePresentFrames(uint32_t frames)
{
    resetDisplay();
    resetPlatform();
    resetShell();
    resetTiming();
    PlatformConfig config;
    config.desktopBits = 32;
    platformInit(config);
    openMainWindow(0);
    chooseVideoMode();
    initFrameBuffers();
    for (int i = 0; i < frameWidth * frameHeight; ++i)
        frameBuffer.pixels[i] = uint32_t(i) * 2654435761u;
    timing.fadeLevel = 40;
    const Clock::time_point start = Clock::now();
    for (uint32_t i = 0; i < frames; ++i)
        presentFrame();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    releaseDisplay();
    platformShutdown();
    resetPlatform();
    return seconds;
}

void BM_Scene(benchmark::State& state, const char* name)
{
    ProgramOptions options;
    std::string error;
    const char* argv[] = {"v4npelva", "--headless", "--scene", name};
    if (!parseProgramOptions(4, const_cast<char**>(argv), options, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    options.dataDir = V4N_BINARY_DIR;
    double sceneSeconds = 0, presentSeconds = 0;
    uint64_t frames = 0;
    for (auto _ : state) {
        PlayReport report;
        if (playOneScene(options, &report) != 0 || report.framesShown == 0) {
            state.SkipWithError("the scene did not play");
            return;
        }
        sceneSeconds += report.runSeconds;
        frames += report.framesShown;
        presentSeconds += timePresentFrames(report.framesShown);
    }
    state.counters["fps"] = double(frames) / sceneSeconds;
    state.counters["ratio"] = sceneSeconds / presentSeconds;
}

}  // namespace

BENCHMARK_CAPTURE(BM_Scene, flames, "flames")->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, credits, "credits")->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, space_flight, "space-flight")
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, tunnel, "tunnel")->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, wave_grid, "wave-grid")->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, cosmos, "cosmos")->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, sun_code, "sun-code")->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, disks, "disks")->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, greetings, "greetings")->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, rubber, "rubber")->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, morph, "morph")->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, computer, "computer")->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, mother, "mother")->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scene, final_flight, "final-flight")
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
