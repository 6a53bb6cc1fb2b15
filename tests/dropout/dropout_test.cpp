// The whole show's first minute and a half in a window under Xvfb, while two busy loops compete
// for the processors, with SDL's disk driver writing what would be heard: the capture must have
// no run of silence longer than 5 ms that the music itself does not have (the offline render of
// the same module says where those are), and the program must not report an underrun.
#include "audio/audio.h"
#include "platform/xvfb_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

// The show's own settings: 22000 Hz, 16-bit stereo.
constexpr int kRate = 22000;
constexpr int kShowSeconds = 90;
constexpr int64_t kLongestGapFrames = kRate * 5 / 1000;

struct Gap {
    int64_t start;   // first silent frame
    int64_t frames;  // length
};

// Runs where both channels are 0 for longer than kLongestGapFrames, between the first and the last
// frame that sound (the silence before the music starts and after the program stops is not a gap).
std::vector<Gap> gapsIn(const std::vector<int16_t>& samples, int64_t* firstSound)
{
    const int64_t frames = int64_t(samples.size() / 2);
    auto silent = [&](int64_t f) {
        return samples[size_t(f) * 2] == 0 && samples[size_t(f) * 2 + 1] == 0;
    };
    int64_t first = 0, last = frames - 1;
    while (first < frames && silent(first))
        ++first;
    while (last > first && silent(last))
        --last;
    *firstSound = first;
    std::vector<Gap> gaps;
    for (int64_t f = first; f <= last;) {
        if (!silent(f)) {
            ++f;
            continue;
        }
        const int64_t start = f;
        while (f <= last && silent(f))
            ++f;
        if (f - start > kLongestGapFrames)
            gaps.push_back({start, f - start});
    }
    return gaps;
}

std::vector<int16_t> offlineRender(int seconds)
{
    std::vector<uint8_t> bytes;
    musicStartup();
    musicSetOption(musicOptionMixRate, kRate);
    musicSetOption(musicOptionMixQuality, 1);
    musicSetOption(musicOptionOutputDevice, musicDeviceOffline);
    EXPECT_TRUE(musicInit());
    MusicModule* module = musicLoadModule(V4N_BINARY_DIR "/v4npelva.xm");
    EXPECT_NE(module, nullptr) << musicLastError();
    if (module == nullptr)
        return {};
    musicPlayModule(module, 1);
    musicTapOutput(&bytes);
    musicStartBackgroundPlay(0);
    musicRenderOfflineTo(uint64_t(seconds) * kRate);
    musicTapOutput(nullptr);
    musicFreeModule(module);
    musicClose();
    std::vector<int16_t> samples(bytes.size() / 2);
    std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<uint8_t*>(samples.data()));
    return samples;
}

pid_t startBusyLoop()
{
    const pid_t pid = fork();
    if (pid == 0) {
        volatile uint64_t spin = 0;
        for (;;)
            spin = spin + 1;
    }
    return pid;
}

double loadAverage()
{
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

}  // namespace

TEST(DropOut, AMinuteAndAHalfInAWindowUnderLoadHasNoGapTheMusicLacks)
{
    if (!xvfbInstalled())
        GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_FALSE(startXvfb().empty());
    const std::vector<int16_t> offline = offlineRender(kShowSeconds + 10);
    ASSERT_FALSE(offline.empty());

    TempDir folder("v4n-dropout");
    const std::string capture = folder.file("capture.raw");
    const std::string errors = folder.file("stderr.txt");
    const pid_t busy[2] = {startBusyLoop(), startBusyLoop()};
    const pid_t show = fork();
    if (show == 0) {
        // A test run from a background job inherits an ignored Ctrl+C, and SDL leaves an ignored
        // signal alone.
        signal(SIGINT, SIG_DFL);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
        const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDERR_FILENO);
        // V4N_DROPOUT_PROGRAM tries another build of the program (an older one, to see it fail).
        const char* other = std::getenv("V4N_DROPOUT_PROGRAM");
        const char* program = other != nullptr ? other : V4N_BINARY_DIR "/v4npelva";
        execl(program, "v4npelva", "--window", "--data", V4N_BINARY_DIR,
              static_cast<char*>(nullptr));
        _exit(98);
    }
    // Loading takes a moment before the music starts; the capture is judged from its first sound.
    std::this_thread::sleep_for(std::chrono::seconds(kShowSeconds + 3));
    const double load = loadAverage();
    kill(show, SIGINT);  // SDL turns it into a quit, as closing the window would
    int status = 0;
    waitpid(show, &status, 0);
    for (pid_t pid : busy) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    std::ifstream errorFile(errors);
    const std::string errorText{std::istreambuf_iterator<char>(errorFile), {}};
    EXPECT_EQ(errorText.find("dropped out"), std::string::npos) << errorText;

    std::ifstream captureFile(capture, std::ios::binary);
    const std::string raw{std::istreambuf_iterator<char>(captureFile), {}};
    std::vector<int16_t> captured(raw.size() / 2);
    std::copy_n(raw.data(), captured.size() * 2, reinterpret_cast<char*>(captured.data()));
    int64_t capturedStart = 0, offlineStart = 0;
    const std::vector<Gap> gaps = gapsIn(captured, &capturedStart);
    const std::vector<Gap> musicGaps = gapsIn(offline, &offlineStart);
    const double seconds = double(captured.size() / 2 - capturedStart) / kRate;
    EXPECT_GT(seconds, kShowSeconds - 15) << "the capture is too short";

    // A gap of the capture is the music's own when it lies within one of the offline render's,
    // the two aligned at their first sound.
    int64_t longest = 0;
    for (const Gap& gap : gaps) {
        const int64_t start = gap.start - capturedStart + offlineStart;
        const bool music = std::any_of(musicGaps.begin(), musicGaps.end(), [&](const Gap& m) {
            return start >= m.start && start + gap.frames <= m.start + m.frames;
        });
        if (!music) {
            longest = std::max(longest, gap.frames);
            ADD_FAILURE() << "silent for " << gap.frames * 1000.0 / kRate << " ms at "
                          << double(gap.start - capturedStart) / kRate << " s of the music";
        }
    }
    std::printf(
        "dropout: %.1f s captured, %zu silences of the music's own, longest gap %.1f ms, "
        "load average %.2f\n",
        seconds, musicGaps.size(), longest * 1000.0 / kRate, load);
}
