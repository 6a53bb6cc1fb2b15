// The program's --record output decoded back with libavformat: the streams' sizes and counts match
// what was recorded, and the picture's flashes fall on the sound's notes.
#include "record/record.h"
#include "startup/startup.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string program = V4N_BINARY_DIR "/v4npelva";

// What a recording holds, decoded.
struct Decoded {
    bool ok = false;
    double durationSeconds = 0;
    int width = 0, height = 0;
    AVRational frameRate{0, 1};
    int sampleRate = 0;
    int channels = 0;
    std::string videoCodec, audioCodec;
    int64_t firstVideoPts = 0, firstAudioPts = 0;  // in seconds * 1e6
    std::vector<double> brightness;  // per video frame: mean luma of the middle rows, 0..255
    std::vector<float> samples;      // left channel, -1..1
    int keepFrame = -1;              // this video frame's first plane is kept, rows packed
    std::vector<uint8_t> kept;
    int colorSpace = 0, colorRange = 0;
    int64_t audioDuration = -1;  // the container's length of the sound, in samples, if it says
};

// Frees FFmpeg's objects whatever path the decoder leaves by.
struct DecodeContext {
    AVFormatContext* format = nullptr;
    AVCodecContext* codecs[2] = {nullptr, nullptr};
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    ~DecodeContext()
    {
        for (AVCodecContext*& c : codecs)
            avcodec_free_context(&c);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avformat_close_input(&format);
    }
};

void takeFrame(Decoded& d, const AVFrame* f, bool video)
{
    if (video) {
        if (int(d.brightness.size()) == d.keepFrame) {
            const int bytes = f->format == AV_PIX_FMT_BGR0 ? 4 : 1;
            for (int y = 0; y < f->height; ++y) {
                const uint8_t* row = f->data[0] + size_t(y) * f->linesize[0];
                d.kept.insert(d.kept.end(), row, row + size_t(f->width) * bytes);
            }
        }
        // Luma plane (YUV) or the first plane; the mean over the rows of the 320 x 200 picture.
        double sum = 0;
        int count = 0;
        for (int y = f->height / 4; y < f->height * 3 / 4; ++y)
            for (int x = 0; x < f->width; x += 2) {
                sum += f->data[0][size_t(y) * f->linesize[0] + x];
                ++count;
            }
        d.brightness.push_back(sum / count);
        return;
    }
    for (int i = 0; i < f->nb_samples; ++i) {
        float v = 0;
        if (f->format == AV_SAMPLE_FMT_FLTP || f->format == AV_SAMPLE_FMT_FLT)
            v = reinterpret_cast<const float*>(
                f->data[0])[f->format == AV_SAMPLE_FMT_FLT ? i * 2 : i];
        else if (f->format == AV_SAMPLE_FMT_S16)
            v = reinterpret_cast<const int16_t*>(f->data[0])[i * 2] / 32768.0f;
        else if (f->format == AV_SAMPLE_FMT_S32)
            v = float(reinterpret_cast<const int32_t*>(f->data[0])[i * 2] / 2147483648.0);
        d.samples.push_back(v);
    }
}

Decoded decode(const std::string& path, int keepFrame = -1)
{
    Decoded d;
    d.keepFrame = keepFrame;
    DecodeContext c;
    if (avformat_open_input(&c.format, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(c.format, nullptr) < 0)
        return d;
    d.durationSeconds = double(c.format->duration) / AV_TIME_BASE;
    int streams[2] = {av_find_best_stream(c.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0),
                      av_find_best_stream(c.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)};
    for (int k = 0; k < 2; ++k) {
        if (streams[k] < 0)
            return d;
        const AVStream* s = c.format->streams[streams[k]];
        const AVCodec* codec = avcodec_find_decoder(s->codecpar->codec_id);
        c.codecs[k] = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(c.codecs[k], s->codecpar);
        if (avcodec_open2(c.codecs[k], codec, nullptr) < 0)
            return d;
        const int64_t start = s->start_time == AV_NOPTS_VALUE ? 0 : s->start_time;
        (k == 0 ? d.firstVideoPts : d.firstAudioPts) =
            av_rescale_q(start, s->time_base, AVRational{1, 1000000});
    }
    d.videoCodec = avcodec_get_name(c.codecs[0]->codec_id);
    d.audioCodec = avcodec_get_name(c.codecs[1]->codec_id);
    d.width = c.codecs[0]->width;
    d.height = c.codecs[0]->height;
    d.frameRate = c.format->streams[streams[0]]->avg_frame_rate;
    const AVStream* sound = c.format->streams[streams[1]];
    if (sound->duration != AV_NOPTS_VALUE)
        d.audioDuration = av_rescale_q(sound->duration, sound->time_base,
                                       AVRational{1, c.codecs[1]->sample_rate});
    d.colorSpace = c.codecs[0]->colorspace;
    d.colorRange = c.codecs[0]->color_range;
    d.sampleRate = c.codecs[1]->sample_rate;
    d.channels = c.codecs[1]->ch_layout.nb_channels;
    auto drain = [&](int k) {
        while (avcodec_receive_frame(c.codecs[k], c.frame) == 0)
            takeFrame(d, c.frame, k == 0);
    };
    while (av_read_frame(c.format, c.packet) >= 0) {
        for (int k = 0; k < 2; ++k)
            if (c.packet->stream_index == streams[k]) {
                // A decoder with frames waiting takes the packet once they are out.
                while (avcodec_send_packet(c.codecs[k], c.packet) == AVERROR(EAGAIN))
                    drain(k);
                drain(k);
            }
        av_packet_unref(c.packet);
    }
    for (int k = 0; k < 2; ++k) {
        avcodec_send_packet(c.codecs[k], nullptr);
        drain(k);
    }
    d.ok = true;
    return d;
}

// Frames where the picture turns white: a jump of the mean brightness to near white.
std::vector<int> flashFrames(const Decoded& d)
{
    std::vector<int> flashes;
    for (size_t f = 1; f < d.brightness.size(); ++f)
        if (d.brightness[f] > 225 && d.brightness[f] - d.brightness[f - 1] > 60)
            flashes.push_back(int(f));
    return flashes;
}

// The loudness rise of the sound at time t (seconds): energy of the 5 ms after t minus the 5 ms
// before.
double riseAt(const Decoded& d, double t)
{
    const long n = d.sampleRate / 200;
    const long at = long(t * d.sampleRate);
    double before = 0, after = 0;
    for (long i = 0; i < n; ++i) {
        if (at - 1 - i >= 0 && at - 1 - i < long(d.samples.size()))
            before += double(d.samples[size_t(at - 1 - i)]) * d.samples[size_t(at - 1 - i)];
        if (at + i >= 0 && at + i < long(d.samples.size()))
            after += double(d.samples[size_t(at + i)]) * d.samples[size_t(at + i)];
    }
    return after - before;
}

// Runs the program and decodes what it wrote; the program's closing line goes to output.
Decoded recordAndDecode(const std::vector<std::string>& flags, const std::string& out,
                        std::string& output, int keepFrame = -1)
{
    std::vector<std::string> args{program};
    args.insert(args.end(), flags.begin(), flags.end());
    args.push_back("--record");
    args.push_back(out);
    const ChildResult r = runProgram(args, true);
    output = r.output;
    if (r.exitCode != 0)
        return Decoded{};
    return decode(out, keepFrame);
}

// The count just before the last mention of word: the closing line ("... 292 frames").
long long countBefore(const std::string& output, const std::string& word)
{
    const size_t at = output.rfind(" " + word);
    if (at == std::string::npos)
        return -1;
    size_t start = output.rfind(' ', at - 1);
    return std::stoll(output.substr(start + 1, at - start - 1));
}

}  // namespace

// Both containers: the picture's size and rate, every frame, and exactly rate / fps samples per
// frame with the sound starting with the picture. The same frame of both holds the same picture:
// the H.264 luma in sharp 2 x 2 blocks is the BT.709 luma of the lossless file's pixels.
TEST(Record, FramesSamplesAndSizeMatchWhatWasPlayed)
{
    struct Case {
        const char* name;
        std::vector<std::string> flags;
        const char* videoCodec;
        const char* audioCodec;
        int width, height, fps;
    };
    const Case cases[] = {
        {"cosmos.mp4",
         {"--scene", "cosmos", "--record-scale", "2", "--fps", "48"},
         "h264",
         "aac",
         640,
         480,
         48},
        {"cosmos.mkv",
         {"--scene", "cosmos", "--record-scale", "1", "--fps", "48", "--lossless"},
         "ffv1",
         "flac",
         320,
         240,
         48},
    };
    constexpr int keepFrame = 120;  // the planet on the nebula, colours everywhere
    std::vector<uint8_t> pictures[2];
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string output;
        const Decoded d = recordAndDecode(c.flags, dir.file(c.name), output, keepFrame);
        ASSERT_TRUE(d.ok) << output;
        EXPECT_EQ(d.videoCodec, c.videoCodec);
        EXPECT_EQ(d.audioCodec, c.audioCodec);
        EXPECT_EQ(d.width, c.width);
        EXPECT_EQ(d.height, c.height);
        EXPECT_EQ(d.frameRate.num, c.fps * d.frameRate.den);
        EXPECT_EQ(d.channels, 2);
        const long long frames = countBefore(output, "frames");
        const long long samples = countBefore(output, "samples");
        // The scene runs for 2560 clock units of 1.9 ms: 4.864 s.
        EXPECT_NEAR(double(frames) / c.fps, 4.864, 2.0 / c.fps) << output;
        EXPECT_EQ(static_cast<long long>(d.brightness.size()), frames);
        EXPECT_EQ(samples, frames * d.sampleRate / c.fps);
        // The encoder's last block may be padded, never short.
        EXPECT_GE(static_cast<long long>(d.samples.size()), samples);
        EXPECT_LT(static_cast<long long>(d.samples.size()), samples + 2048);
        EXPECT_NEAR(d.durationSeconds, double(frames) / c.fps, 0.05);
        EXPECT_NEAR(double(d.firstAudioPts - d.firstVideoPts) / 1e6, 0, 0.001);
        pictures[&c - cases] = d.kept;
        if (d.videoCodec == "h264") {
            // MP4 trims the encoder's padding by the track's length: every sample, no more.
            EXPECT_EQ(d.audioDuration, samples);
            EXPECT_EQ(d.colorSpace, AVCOL_SPC_BT709);
            EXPECT_EQ(d.colorRange, AVCOL_RANGE_MPEG);
        }
    }
    const std::vector<uint8_t>& luma = pictures[0];
    const std::vector<uint8_t>& pixels = pictures[1];
    ASSERT_EQ(luma.size(), size_t(640) * 480);
    ASSERT_EQ(pixels.size(), size_t(320) * 240 * 4);
    double errorSum = 0, worst = 0;
    int notBlack = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const uint8_t* p = pixels.data() + (size_t(y) * 320 + x) * 4;
            const double want = 16 + 219.0 / 255 * (0.2126 * p[2] + 0.7152 * p[1] + 0.0722 * p[0]);
            notBlack += want > 20;
            for (int k = 0; k < 4; ++k) {
                const double got = luma[size_t(2 * y + k / 2) * 640 + 2 * x + k % 2];
                errorSum += std::abs(got - want);
                worst = std::max(worst, std::abs(got - want));
            }
        }
    EXPECT_GT(notBlack, 320 * 200 / 2);
    EXPECT_LT(errorSum / (640 * 480), 1.2);
    EXPECT_LT(worst, 16.0);
}

// Wave grid flashes white on every 32nd row of the music, where a note starts. Over all the flashes
// of the scene, the lag at which the sound rises most must be within one frame of the picture.
TEST(Record, FlashesInThePictureFallOnTheNotesInTheSound)
{
    TempDir dir;
    std::string output;
    const Decoded d = recordAndDecode({"--scene", "wave-grid", "--record-scale", "1"},
                                      dir.file("wave.mp4"), output);
    ASSERT_TRUE(d.ok) << output;
    const std::vector<int> flashes = flashFrames(d);
    // 22 s of the scene at 111.6 frames a beat.
    ASSERT_GE(flashes.size(), 10u);
    for (size_t i = 1; i < flashes.size(); ++i)
        EXPECT_NEAR(flashes[i] - flashes[i - 1], 111.6, 1.5);
    // Rows are 58 ms apart: search less than half a row either side.
    int bestLagMs = 0;
    double best = -1e30;
    for (int lag = -28; lag <= 28; ++lag) {
        double sum = 0;
        for (int f : flashes)
            sum += riseAt(d, f / 60.0 + lag / 1000.0);
        if (sum > best) {
            best = sum;
            bestLagMs = lag;
        }
    }
    EXPECT_LE(std::abs(bestLagMs), 17)
        << "the sound's notes lie " << bestLagMs << " ms from the flashes";
}

// Names the program cannot record to get one line and exit 1, before anything plays.
TEST(Record, UnusableNamesAndFlagsAreRefusedInOneLine)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {program, "--scene", "cosmos", "--record", dir.file("show.avi")},
        {program, "--scene", "cosmos", "--record", dir.file("show.mp4"), "--lossless"},
        {program, "--record", dir.file("missing/show.mp4"), "--scene", "cosmos"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[4]);
        const ChildResult r = runProgram(args, true);
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_NE(r.output.find("v4npelva: "), std::string::npos) << r.output;
    }
    const ChildResult both = runProgram({program, "--window", "--record", dir.file("a.mp4")}, true);
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_NE(both.output.find("--record plays headless"), std::string::npos) << both.output;
}

// Ctrl+C part way: a clear message, exit 130, and a file that plays up to where it stopped with the
// sound as long as the picture.
TEST(Record, InterruptedRecordingLeavesAPlayableFile)
{
    TempDir dir;
    const std::string out = dir.file("cut.mkv");
    const std::string log = dir.file("log.txt");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (freopen(log.c_str(), "w", stderr) == nullptr ||
            freopen("/dev/null", "w", stdout) == nullptr)
            _exit(99);
        execl(program.c_str(), program.c_str(), "--record", out.c_str(), "--record-scale", "1",
              static_cast<char*>(nullptr));
        _exit(98);
    }
    // Wait until the file has grown past its header, then interrupt.
    auto size = [&] {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(out, error);
        return error ? 0 : bytes;
    };
    for (int i = 0; i < 200 && size() < 20000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const std::vector<uint8_t> text = readFileBytes(log);
    const std::string output(text.begin(), text.end());
    EXPECT_NE(output.find("recording interrupted"), std::string::npos) << output;
    const Decoded d = decode(out);
    ASSERT_TRUE(d.ok);
    ASSERT_GT(d.brightness.size(), 0u);
    const long long samples = countBefore(output, "samples");
    EXPECT_EQ(samples, static_cast<long long>(d.brightness.size()) * d.sampleRate / 60);
    EXPECT_NEAR(d.durationSeconds, d.brightness.size() / 60.0, 0.05);
}

// Away from the show for a second: the sound is silent, and after it the music
// goes on beside the picture with the samples still exactly rate / fps per frame.
TEST(Record, APauseSilencesTheSoundAndTheMusicGoesOnAfter)
{
    TempDir dir;
    const std::string out = dir.file("pause.mkv");
    const std::string flags[] = {"v4npelva", "--record", out, "--record-scale", "1"};
    char* argv[5];
    for (int i = 0; i < 5; ++i)
        argv[i] = const_cast<char*>(flags[i].c_str());
    ProgramOptions options;
    std::string error;
    ASSERT_TRUE(parseProgramOptions(5, argv, options, error)) << error;
    options.timedEvents[0] = {3000, PlatformEvent{platformEventDeactivate, 0}};
    options.timedEvents[1] = {4000, PlatformEvent{platformEventActivate, 0}};
    options.timedEventCount = 2;
    options.escapeAfterMs = 6000;
    ASSERT_EQ(recordProgram(options), 0);
    const RecordCounts counts = recordCounts();
    EXPECT_FALSE(counts.interrupted);
    const Decoded d = decode(out);
    ASSERT_TRUE(d.ok);
    // The file starts with the first shown frame, after the loading; it ends at the Escape at 6 s,
    // so the second away lies at 3 to 4 s of the show minus the time before the first frame.
    const double before = 6.0 - double(d.brightness.size()) / 60;
    ASSERT_GT(before, 0.5);
    ASSERT_LT(before, 2.5);
    EXPECT_EQ(static_cast<long long>(d.brightness.size()), counts.videoFrames);
    EXPECT_EQ(counts.audioSamples, counts.videoFrames * d.sampleRate / 60);
    auto rms = [&](double from, double to) {
        double e = 0;
        const size_t a = size_t(from * d.sampleRate), b = size_t(to * d.sampleRate);
        for (size_t i = a; i < b && i < d.samples.size(); ++i)
            e += double(d.samples[i]) * d.samples[i];
        return std::sqrt(e / double(b - a));
    };
    EXPECT_GT(rms(2.0 - before, 2.9 - before), 0.01);
    EXPECT_LT(rms(3.1 - before, 3.9 - before), 1e-4);
    EXPECT_GT(rms(4.2 - before, 5.8 - before), 0.01);
}

// Recording watches the show without touching it: the scene ends on the same frame, at the same
// music position and sceneTime, as when it plays headless with nothing recorded.
TEST(Record, RecordingDoesNotChangeWhatTheShowDraws)
{
    TempDir dir;
    for (const char* scene : {"flames"}) {
        SCOPED_TRACE(scene);
        const std::string flags[] = {"v4npelva", "--headless", "--scene", scene,
                                     "--rate",   "44100",      "--fps",   "30"};
        char* argv[8];
        for (int i = 0; i < 8; ++i)
            argv[i] = const_cast<char*>(flags[i].c_str());
        ProgramOptions options;
        std::string error;
        ASSERT_TRUE(parseProgramOptions(8, argv, options, error)) << error;
        options.headlessFrameRate = 30;  // half the frames: the scene is long
        PlayReport plain, recorded;
        ASSERT_EQ(playOneScene(options, &plain), 0);
        RecordSettings settings;
        settings.path = dir.file(std::string(scene) + ".mkv");
        settings.scale = 1;
        settings.lossless = true;
        settings.fps = 30;
        settings.progress = false;
        ASSERT_TRUE(recordStart(settings, error)) << error;
        ASSERT_EQ(playOneScene(options, &recorded), 0);
        ASSERT_TRUE(recordFinish());
        EXPECT_EQ(recorded.framesShown, plain.framesShown);
        EXPECT_EQ(recorded.endSceneTime, plain.endSceneTime);
        EXPECT_EQ(recorded.endOrder, plain.endOrder);
        EXPECT_EQ(recorded.endRow, plain.endRow);
        EXPECT_EQ(recordCounts().audioSamples, recordCounts().videoFrames * 44100 / 30);
    }
}
