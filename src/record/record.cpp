// The recorder: each shown frame is enlarged with sharp pixels, converted and encoded; the music's
// rendered samples are cut to exactly rate / fps per frame on average and encoded beside it.
#include "record/record.h"

#include "audio/audio.h"
#include "platform/platform.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

struct Recorder {
    RecordSettings settings;
    AVFormatContext* format = nullptr;
    const AVCodec* videoCodec = nullptr;
    const AVCodec* audioCodec = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    bool opened = false;  // streams set up and the header written (at the first frame)
    bool failed = false;
    bool stopping = false;
    int rate = 0, channels = 0, bytesPerSample = 0;
    std::vector<uint8_t> tapped;   // rendered samples not yet used
    std::vector<int16_t> pending;  // samples of the file not yet encoded, interleaved stereo
    std::vector<uint32_t> shown;   // the 320 x 240 picture
    int64_t tappedSamples = 0;     // rendered samples taken from the tap in total
    int64_t sampleOffset = 0;      // file sample of rendered sample 0
    bool offsetKnown = false;
    int64_t framesWritten = 0;
    int64_t samplesQueued = 0;  // file samples placed in pending so far
    int64_t samplesEncoded = 0;
    int64_t firstMicros = -1;
    std::chrono::steady_clock::time_point wallStart;
    std::chrono::steady_clock::time_point lastProgress;
};
Recorder recorder;
volatile std::sig_atomic_t interruptRequested = 0;

void onInterrupt(int)
{
    interruptRequested = 1;
}

bool fail(const char* what, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = "";
    av_strerror(code, text, sizeof text);
    std::fprintf(stderr, "\nv4npelva: recording stopped: %s (%s)\n", what, text);
    recorder.failed = true;
    return false;
}

bool endsWith(const std::string& text, const char* tail)
{
    const size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// Sends one frame (null: flush) and writes every packet the encoder gives back.
bool encode(AVCodecContext* context, AVStream* stream, AVFrame* frame)
{
    Recorder& r = recorder;
    int code = avcodec_send_frame(context, frame);
    if (code < 0)
        return fail("the encoder refused a frame", code);
    for (;;) {
        code = avcodec_receive_packet(context, r.packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0)
            return fail("the encoder failed", code);
        av_packet_rescale_ts(r.packet, context->time_base, stream->time_base);
        r.packet->stream_index = stream->index;
        code = av_interleaved_write_frame(r.format, r.packet);
        if (code < 0)
            return fail("cannot write the file (disk full?)", code);
    }
}

AVPixelFormat pickPixelFormat()
{
    // Lossless keeps the picture's own 32-bit pixels; otherwise the players' usual 4:2:0.
    return recorder.settings.lossless ? AV_PIX_FMT_0RGB32 : AV_PIX_FMT_YUV420P;
}

AVSampleFormat pickSampleFormat(const AVCodec* codec)
{
    if (codec->sample_fmts == nullptr)
        return AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_S16)
            return *f;
    return codec->sample_fmts[0];
}

// Streams, encoders and the header, once the music's rate is known (at the first frame).
bool openStreams()
{
    Recorder& r = recorder;
    const int width = platformTargetWidth * r.settings.scale;
    const int height = platformTargetHeight * r.settings.scale;
    r.rate = musicMixRate();
    int mode = 0;
    musicGetOption(musicOptionOutputMode, &mode);
    r.channels = (mode & musicModeMono) ? 1 : 2;
    r.bytesPerSample = (mode & musicMode8Bit) ? 1 : 2;

    r.videoStream = avformat_new_stream(r.format, nullptr);
    r.video = avcodec_alloc_context3(r.videoCodec);
    r.video->width = width;
    r.video->height = height;
    r.video->time_base = AVRational{1, r.settings.fps};
    r.video->framerate = AVRational{r.settings.fps, 1};
    r.video->pix_fmt = pickPixelFormat();
    r.video->gop_size = r.settings.fps * 2;
    if (r.video->pix_fmt == AV_PIX_FMT_YUV420P) {
        // Say how the planes were made, so that players do not guess from the picture's size.
        r.video->color_range = AVCOL_RANGE_MPEG;
        r.video->colorspace = AVCOL_SPC_BT709;
        r.video->color_primaries = AVCOL_PRI_BT709;
        r.video->color_trc = AVCOL_TRC_IEC61966_2_1;
    }
    if (r.format->oformat->flags & AVFMT_GLOBALHEADER)
        r.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (r.videoCodec->id == AV_CODEC_ID_H264) {
        // Sharp pixel art compresses well: a fast preset at a quality where blocks stay clean.
        // The fastest preset spends no time on searches that flat 4 x 4 blocks do not need;
        // CABAC and B-frames, cheap here, halve its size. CRF 18 keeps edges clean (luma PSNR
        // about 51 dB against the exact enlargement).
        av_dict_set(&options, "preset", "ultrafast", 0);
        av_dict_set(&options, "crf", "18", 0);
        av_dict_set(&options, "x264-params", "cabac=1:bframes=3:b-adapt=0", 0);
    }
    if (r.videoCodec->id == AV_CODEC_ID_FFV1)
        av_dict_set(&options, "level", "3", 0);
    int code = avcodec_open2(r.video, r.videoCodec, &options);
    av_dict_free(&options);
    if (code < 0)
        return fail("cannot open the video encoder", code);
    avcodec_parameters_from_context(r.videoStream->codecpar, r.video);
    r.videoStream->time_base = r.video->time_base;
    r.videoStream->avg_frame_rate = r.video->framerate;

    r.audioStream = avformat_new_stream(r.format, nullptr);
    r.audio = avcodec_alloc_context3(r.audioCodec);
    r.audio->sample_rate = r.rate;
    r.audio->sample_fmt = pickSampleFormat(r.audioCodec);
    av_channel_layout_default(&r.audio->ch_layout, 2);
    r.audio->time_base = AVRational{1, r.rate};
    if (r.audioCodec->id == AV_CODEC_ID_AAC)
        r.audio->bit_rate = 192000;
    if (r.format->oformat->flags & AVFMT_GLOBALHEADER)
        r.audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    code = avcodec_open2(r.audio, r.audioCodec, nullptr);
    if (code < 0)
        return fail("cannot open the audio encoder", code);
    avcodec_parameters_from_context(r.audioStream->codecpar, r.audio);
    r.audioStream->time_base = r.audio->time_base;

    // MP4 gives the tracks' lengths in the movie's time scale, 1 ms by default, which would cut
    // the sound's end to a whole millisecond; a scale where a frame and a sample are both whole
    // units keeps every sample.
    AVDictionary* muxerOptions = nullptr;
    if (endsWith(r.settings.path, ".mp4"))
        av_dict_set_int(&muxerOptions, "movie_timescale", std::lcm(r.settings.fps, r.rate), 0);
    code = avformat_write_header(r.format, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (code < 0)
        return fail("cannot write the file's header", code);

    r.picture = av_frame_alloc();
    r.picture->format = r.video->pix_fmt;
    r.picture->width = width;
    r.picture->height = height;
    av_frame_get_buffer(r.picture, 0);
    r.sound = av_frame_alloc();
    r.packet = av_packet_alloc();
    r.shown.resize(size_t(platformTargetWidth) * platformTargetHeight);
    r.opened = true;
    return true;
}

// Encodes whole audio frames from pending; with flush, the rest too.
bool encodeAudio(bool flush)
{
    Recorder& r = recorder;
    const int frameSize = r.audio->frame_size > 0 ? r.audio->frame_size : 4096;
    size_t used = 0;
    while (r.pending.size() - used >= size_t(frameSize) * 2 || (flush && r.pending.size() > used)) {
        const int count = int(std::min<size_t>(frameSize, (r.pending.size() - used) / 2));
        av_frame_unref(r.sound);
        r.sound->format = r.audio->sample_fmt;
        r.sound->nb_samples = count;
        r.sound->sample_rate = r.rate;
        av_channel_layout_copy(&r.sound->ch_layout, &r.audio->ch_layout);
        av_frame_get_buffer(r.sound, 0);
        const int16_t* in = r.pending.data() + used;
        if (r.audio->sample_fmt == AV_SAMPLE_FMT_S16) {
            std::memcpy(r.sound->data[0], in, size_t(count) * 4);
        } else if (r.audio->sample_fmt == AV_SAMPLE_FMT_FLTP) {
            auto* left = reinterpret_cast<float*>(r.sound->data[0]);
            auto* right = reinterpret_cast<float*>(r.sound->data[1]);
            for (int i = 0; i < count; ++i) {
                left[i] = in[2 * i] / 32768.0f;
                right[i] = in[2 * i + 1] / 32768.0f;
            }
        } else {
            return fail("the audio encoder wants an unsupported sample format", AVERROR(EINVAL));
        }
        r.sound->pts = r.samplesEncoded;
        r.samplesEncoded += count;
        used += size_t(count) * 2;
        if (!encode(r.audio, r.audioStream, r.sound))
            return false;
    }
    r.pending.erase(r.pending.begin(), r.pending.begin() + std::ptrdiff_t(used));
    return true;
}

// Moves newly rendered samples into pending as 16-bit stereo, in file sample order; the last of
// them belongs at file sample renderedEnd - 1.
void takeTapped(int64_t renderedEnd)
{
    Recorder& r = recorder;
    const size_t frameBytes = size_t(r.channels) * r.bytesPerSample;
    const int64_t count = int64_t(r.tapped.size() / frameBytes);
    // The samples follow one another without a gap; only when the music stood still or jumped
    // (a pause, a restart) by more than a frame are they placed anew, so that the clock's
    // rounding never drops or repeats a sample.
    const int64_t placedEnd = r.sampleOffset + r.tappedSamples + count;
    if (count > 0 &&
        (!r.offsetKnown || std::abs(placedEnd - renderedEnd) > r.rate / r.settings.fps)) {
        r.sampleOffset = renderedEnd - (r.tappedSamples + count);
        r.offsetKnown = true;
    }
    for (int64_t i = 0; i < count; ++i) {
        const int64_t at = r.sampleOffset + r.tappedSamples + i;
        if (at < r.samplesQueued)
            continue;  // rendered before the recording began
        while (r.samplesQueued < at) {
            r.pending.push_back(0);
            r.pending.push_back(0);
            ++r.samplesQueued;
        }
        const uint8_t* s = r.tapped.data() + size_t(i) * frameBytes;
        int16_t left, right;
        if (r.bytesPerSample == 2) {
            std::memcpy(&left, s, 2);
            right = left;
            if (r.channels == 2)
                std::memcpy(&right, s + 2, 2);
        } else {
            left = int16_t((s[0] - 128) << 8);
            right = r.channels == 2 ? int16_t((s[1] - 128) << 8) : left;
        }
        r.pending.push_back(left);
        r.pending.push_back(right);
        ++r.samplesQueued;
    }
    r.tappedSamples += count;
    r.tapped.erase(r.tapped.begin(), r.tapped.begin() + std::ptrdiff_t(count * frameBytes));
}

// Silence up to the given file sample where the music gave nothing (paused, ended).
void padAudio(int64_t upTo)
{
    Recorder& r = recorder;
    while (r.samplesQueued < upTo) {
        r.pending.push_back(0);
        r.pending.push_back(0);
        ++r.samplesQueued;
    }
}

bool encodePicture()
{
    Recorder& r = recorder;
    if (av_frame_make_writable(r.picture) < 0)
        return fail("cannot reuse the picture", AVERROR(ENOMEM));
    AVFrame* f = r.picture;
    if (f->format == AV_PIX_FMT_YUV420P)
        yuvFromShownPacked(r.shown.data(), r.settings.scale,
                           YuvPlanes{f->data[0], f->data[1], f->data[2], f->linesize[0],
                                     f->linesize[1], f->linesize[2]});
    else
        bgr0FromShown(r.shown.data(), r.settings.scale, f->data[0], f->linesize[0]);
    r.picture->pts = r.framesWritten;
    ++r.framesWritten;
    return encode(r.video, r.videoStream, r.picture);
}

// The line ends with a carriage return rather than starting with one: the cursor waits at its
// start, so a scene line printed meanwhile on standard output overwrites it (scene lines are
// longer) instead of being appended to it, and the next progress line comes below.
void showProgress(bool last)
{
    Recorder& r = recorder;
    if (!r.settings.progress)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - r.lastProgress < std::chrono::milliseconds(250))
        return;
    r.lastProgress = now;
    const double wall = std::chrono::duration<double>(now - r.wallStart).count();
    const double played = double(r.framesWritten) / r.settings.fps;
    const double speed = wall > 0 ? played / wall : 0;
    if (r.settings.expectedMs > 0) {
        const double share = std::min(1.0, played * 1000 / r.settings.expectedMs);
        const double left = speed > 0 ? (r.settings.expectedMs / 1000 - played) / speed : 0;
        std::fprintf(stderr, "recording %3.0f %%  %lld frames  %.1fx real time  %.0f s left   \r",
                     share * 100, static_cast<long long>(r.framesWritten), speed,
                     left > 0 ? left : 0);
    } else {
        std::fprintf(stderr, "recording %lld frames  %.1fx real time   \r",
                     static_cast<long long>(r.framesWritten), speed);
    }
    std::fflush(stderr);
}

// After every shown frame: the frames of the video up to it and the samples up to its end.
void onShown()
{
    Recorder& r = recorder;
    if (r.failed || r.stopping)
        return;
    if (interruptRequested) {
        r.stopping = true;
        platformPostEvent(PlatformEvent{platformEventKeyDown, platformKeyEscape});
        return;
    }
    if (!r.opened && !openStreams()) {
        r.stopping = true;
        platformPostEvent(PlatformEvent{platformEventKeyDown, platformKeyEscape});
        return;
    }
    // The frame was drawn for the tick before the virtual clock moved on by one period.
    const int64_t period = 1000000 / r.settings.fps;
    const int64_t shownMicros = int64_t(platformTicks()) * 1000 - period;
    if (r.firstMicros < 0)
        r.firstMicros = shownMicros;
    const int64_t since = shownMicros - r.firstMicros;
    // Now is the end of this frame. The music is not rendered here: rendering fires its syncs,
    // and doing it earlier than the show would changes what the show draws. The samples the show
    // has not asked for yet come with a later frame, at the place they belong.
    const int64_t renderedEnd =
        (since + period) * r.rate / 1000000 - int64_t(musicUnrenderedFrames());
    takeTapped(renderedEnd);
    const int64_t index = (since * r.settings.fps + 500000) / 1000000;
    bool ok = true;
    // Silence only where the music has nothing up to its rendered end (paused, ended).
    auto padFrame = [&] {
        padAudio(std::min(renderedEnd, r.framesWritten * r.rate / r.settings.fps));
    };
    // Time that passed without a shown frame (a pause, a wait) keeps the last picture on screen.
    while (ok && r.framesWritten > 0 && r.framesWritten < index) {
        ok = encodePicture();
        padFrame();
    }
    if (!platformReadShown(r.shown.data()))
        return;
    if (ok && r.framesWritten <= index) {
        ok = encodePicture();
        padFrame();
    }
    // Exactly the samples of the frames written go to the encoder; later ones wait.
    const int64_t wanted = r.framesWritten * r.rate / r.settings.fps;
    if (ok) {
        const size_t keep = size_t(std::max<int64_t>(0, r.samplesQueued - wanted)) * 2;
        std::vector<int16_t> later(r.pending.end() - std::ptrdiff_t(keep), r.pending.end());
        r.pending.resize(r.pending.size() - keep);
        ok = encodeAudio(false);
        r.pending.insert(r.pending.end(), later.begin(), later.end());
    }
    if (!ok) {
        r.stopping = true;
        platformPostEvent(PlatformEvent{platformEventKeyDown, platformKeyEscape});
        return;
    }
    showProgress(false);
}

void release()
{
    Recorder& r = recorder;
    musicTapOutput(nullptr);
    platformOnShown(nullptr);
    avcodec_free_context(&r.video);
    avcodec_free_context(&r.audio);
    av_frame_free(&r.picture);
    av_frame_free(&r.sound);
    av_packet_free(&r.packet);
    if (r.format != nullptr) {
        if (r.format->pb != nullptr)
            avio_closep(&r.format->pb);
        avformat_free_context(r.format);
    }
    r.format = nullptr;
}

RecordCounts lastCounts;

}  // namespace

bool recordStart(const RecordSettings& settings, std::string& error)
{
    release();
    recorder = Recorder{};
    lastCounts = RecordCounts{};
    Recorder& r = recorder;
    r.settings = settings;
    av_log_set_level(AV_LOG_ERROR);
    const bool mp4 = endsWith(settings.path, ".mp4");
    const bool mkv = endsWith(settings.path, ".mkv");
    if (!mp4 && !mkv) {
        error = "--record needs a file name ending in .mp4 or .mkv, not '" + settings.path + "'";
        return false;
    }
    if (settings.lossless && !mkv) {
        error = "--lossless records to Matroska: name the file .mkv";
        return false;
    }
    avformat_alloc_output_context2(&r.format, nullptr, mp4 ? "mp4" : "matroska",
                                   settings.path.c_str());
    if (r.format == nullptr) {
        error = std::string("the container ") + (mp4 ? "mp4" : "matroska") +
                " is not available in this FFmpeg";
        return false;
    }
    const char* videoName = settings.lossless ? "ffv1" : "libx264";
    r.videoCodec = avcodec_find_encoder_by_name(videoName);
    const char* audioName = mp4 ? "aac" : "flac";
    r.audioCodec = avcodec_find_encoder_by_name(audioName);
    if (r.videoCodec == nullptr || r.audioCodec == nullptr) {
        error = std::string("the encoder ") + (r.videoCodec == nullptr ? videoName : audioName) +
                " is not available in this FFmpeg";
        release();
        return false;
    }
    if (avio_open(&r.format->pb, settings.path.c_str(), AVIO_FLAG_WRITE) < 0) {
        error = "cannot create '" + settings.path + "'";
        release();
        return false;
    }
    r.tapped.reserve(1 << 16);
    musicTapOutput(&r.tapped);
    platformOnShown(onShown);
    r.wallStart = r.lastProgress = std::chrono::steady_clock::now();
    interruptRequested = 0;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    return true;
}

bool recordFinish()
{
    Recorder& r = recorder;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    bool ok = !r.failed;
    if (r.opened) {
        if (!r.failed) {
            padAudio(r.framesWritten * r.rate / r.settings.fps);
            // Samples rendered past the last frame are not part of the video.
            const int64_t extra = r.samplesQueued - r.framesWritten * r.rate / r.settings.fps;
            if (extra > 0)
                r.pending.resize(r.pending.size() - size_t(extra) * 2);
            ok = encodeAudio(true) && encode(r.audio, r.audioStream, nullptr) &&
                 encode(r.video, r.videoStream, nullptr);
        }
        const int code = av_write_trailer(r.format);
        if (code < 0)
            ok = fail("cannot finish the file", code);
        showProgress(true);
        if (r.settings.progress)
            std::fputc('\n', stderr);
    }
    lastCounts.videoFrames = r.framesWritten;
    lastCounts.audioSamples = r.samplesEncoded;
    lastCounts.sampleRate = r.rate;
    lastCounts.interrupted = interruptRequested != 0 || r.failed;
    if (interruptRequested)
        std::fprintf(stderr, "v4npelva: recording interrupted; %s holds the first %.1f s\n",
                     r.settings.path.c_str(), double(r.framesWritten) / r.settings.fps);
    if (!r.opened)
        ok = false;
    release();
    return ok;
}

RecordCounts recordCounts()
{
    return lastCounts;
}
