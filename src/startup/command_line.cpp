// The command line of v4npelva.
#include "startup/startup.h"

#include "record/record.h"
#include "sequencer/sequencer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* programVersion = "v4npelva 0.1";

// A whole number in first..last, the whole text.
bool parseNumber(const char* text, long first, long last, int& value)
{
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < first || n > last)
        return false;
    value = static_cast<int>(n);
    return true;
}

// The flags that take a number, with their ranges.
struct NumberFlag {
    const char* flag;
    long first, last;
    int ProgramOptions::*field;
    const char* what;
};
constexpr NumberFlag numberFlags[] = {
    {"--every", 1, 1000000, &ProgramOptions::every, "a whole number of at least 1"},
    {"--rate", 8000, 96000, &ProgramOptions::rate, "a rate in Hz from 8000 to 96000"},
    {"--buffer", 10, 1000, &ProgramOptions::bufferMs, "a length in ms from 10 to 1000"},
    {"--av-offset", -500, 500, &ProgramOptions::avOffsetMs, "a time in ms from -500 to 500"},
    {"--scale", 1, 16, &ProgramOptions::scale, "a whole factor from 1 to 16"},
    {"--record-scale", 1, 8, &ProgramOptions::recordScale, "a whole factor from 1 to 8"},
    {"--fps", 10, 240, &ProgramOptions::fps, "a frame rate from 10 to 240"},
    {"--every-seconds", 1, 3600, &ProgramOptions::everySeconds,
     "a whole number of seconds from 1 to 3600"},
};

}  // namespace

const char* programUsage()
{
    return "usage: v4npelva [--window | --fullscreen | --headless] [OPTION...]\n"
           "       v4npelva --scene NAME|NUMBER [--window | --fullscreen | --headless] "
           "[OPTION...]\n"
           "                [--contact-sheet OUT.png]\n"
           "       v4npelva --contact-sheet OUT.png [--every-seconds N] [OPTION...]\n"
           "       v4npelva --record OUT.mp4|OUT.mkv [--scene NAME|NUMBER] [--record-scale N]\n"
           "                [--fps N] [--lossless] [OPTION...]\n"
           "       v4npelva --list-audio-devices | --help | --version\n"
           "Without --scene the whole show plays; Escape ends it. Without --window,\n"
           "--fullscreen or --headless the launcher asks first.\n"
           "  --window                 in a window, without the launcher\n"
           "  --fullscreen             full screen, without the launcher\n"
           "  --headless               no window and no sound device: a virtual clock and the\n"
           "                           offline music output, as fast as the machine goes and\n"
           "                           the same frames on every run; one line per scene on\n"
           "                           standard output: its name, the music's order and row\n"
           "                           at its start and end, sceneTime and the clock's tick\n"
           "                           at its start and end, and the frames it showed\n"
           "  --scene NAME|NUMBER      play one scene: flames, credits, space-flight, tunnel,\n"
           "                           wave-grid, cosmos, sun-code, disks, greetings, rubber,\n"
           "                           morph, computer, mother, final-flight, or 1 to 14\n"
           "  --no-sound               play silently (the music still keeps the time)\n"
           "  --audio-device NAME      the sound output device, by its listed name\n"
           "  --list-audio-devices     print the sound output devices and exit\n"
           "  --rate HZ                mixing rate, 8000 to 96000 (default 22000; 44100 with\n"
           "                           --scene or for an .mp4 recording)\n"
           "  --buffer MS              how far ahead the music is mixed, 10 to 1000 ms\n"
           "                           (default 250)\n"
           "  --av-offset MS           delay the picture's idea of the music by MS, -500 to 500\n"
           "  --scale N                first window size, N times 320x240 (default: largest)\n"
           "  --smooth                 scale the picture smoothly instead of in blocks\n"
           "  --no-vsync               do not wait for the screen's refresh\n"
           "  --data DIR               read v4npelva.zem and v4npelva.xm from DIR (default:\n"
           "                           the program's folder, then the installed data\n"
           "                           folder, then the working folder)\n"
           "  --png-dir DIR            write the frames the scenes show as DIR/frame_NNNNN.png\n"
           "  --every N                with --png-dir, only every Nth frame\n"
           "  --contact-sheet OUT.png  the whole show headless as one picture of labelled\n"
           "                           frames; with --scene, the frames at 10 % steps\n"
           "  --every-seconds N        with --contact-sheet of the show, a frame every N\n"
           "                           seconds of show time, 1 to 3600 (default 5)\n"
           "  --record OUT.mp4|OUT.mkv play headless and write the show (or the scene) as a\n"
           "                           video: H.264 with AAC (.mp4) or FLAC (.mkv)\n"
           "  --record-scale N         with --record, each pixel becomes N x N (default 4)\n"
           "  --fps N                  with --record, frames per second (default 60)\n"
           "  --lossless               with --record, FFV1 in a .mkv file\n"
           "  --help                   this text\n"
           "  --version                the program's version\n";
}

bool parseProgramOptions(int argc, char** argv, ProgramOptions& options, std::string& error)
{
    options = ProgramOptions{};
    int outputs = 0;
    bool everySecondsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const NumberFlag* number = nullptr;
        for (const NumberFlag& n : numberFlags)
            if (flag == n.flag)
                number = &n;
        const bool takesValue = number != nullptr || flag == "--scene" || flag == "--png-dir" ||
                                flag == "--contact-sheet" || flag == "--data" ||
                                flag == "--record" || flag == "--audio-device";
        if (takesValue && i + 1 >= argc) {
            error = flag + " needs a value";
            return false;
        }
        // An empty path would name no file: the flag would be quietly ignored or fall back.
        const bool takesPath = flag == "--png-dir" || flag == "--contact-sheet" ||
                               flag == "--data" || flag == "--record";
        if (takesPath && argv[i + 1][0] == '\0') {
            error = flag + " needs a path, not ''";
            return false;
        }
        if (number != nullptr) {
            everySecondsGiven = everySecondsGiven || flag == "--every-seconds";
            if (!parseNumber(argv[++i], number->first, number->last, options.*number->field)) {
                error = flag + " needs " + number->what + ", not '" + argv[i] + "'";
                return false;
            }
        } else if (flag == "--record") {
            options.record = argv[++i];
        } else if (flag == "--lossless") {
            options.lossless = true;
        } else if (flag == "--data") {
            options.dataDir = argv[++i];
        } else if (flag == "--audio-device") {
            options.audioDevice = argv[++i];
        } else if (flag == "--no-sound") {
            options.noSound = true;
        } else if (flag == "--list-audio-devices") {
            options.listAudioDevices = true;
        } else if (flag == "--smooth") {
            options.smooth = true;
        } else if (flag == "--no-vsync") {
            options.noVsync = true;
        } else if (flag == "--scene") {
            const SceneRow* row = findSceneRow(argv[++i]);
            if (row == nullptr) {
                error = std::string("unknown scene '") + argv[i] + "'";
                return false;
            }
            options.scene = row->number;
        } else if (flag == "--png-dir") {
            options.pngDir = argv[++i];
        } else if (flag == "--contact-sheet") {
            options.contactSheet = argv[++i];
        } else if (flag == "--window") {
            options.headless = options.fullscreen = false;
            options.outputChosen = true;
            ++outputs;
        } else if (flag == "--fullscreen") {
            options.fullscreen = true;
            options.headless = false;
            options.outputChosen = true;
            ++outputs;
        } else if (flag == "--headless") {
            options.headless = true;
            options.fullscreen = false;
            options.outputChosen = true;
            ++outputs;
        } else if (flag == "--help" || flag == "-h") {
            options.help = true;
        } else if (flag == "--version") {
            options.version = true;
        } else {
            error = "unknown option '" + flag + "'";
            return false;
        }
    }
    if (outputs > 1) {
        error = "choose one of --window, --fullscreen and --headless";
        return false;
    }
    if (!options.record.empty()) {
        if (outputs > 0 && !options.headless) {
            error = "--record plays headless; leave out --window and --fullscreen";
            return false;
        }
        // The virtual clock runs at the video's frame rate, so every frame is one shown frame.
        options.headless = options.outputChosen = true;
        options.headlessFrameRate = options.fps;
    }
    if (everySecondsGiven && (options.contactSheet.empty() || options.scene != 0)) {
        error = "--every-seconds is for --contact-sheet of the whole show";
        return false;
    }
    if (!options.contactSheet.empty() && options.scene == 0) {
        // The show's sheet is taken in virtual time: the same frames on every run.
        if (!options.record.empty()) {
            error = "choose one of --record and --contact-sheet for the whole show";
            return false;
        }
        if (outputs > 0 && !options.headless) {
            error = "--contact-sheet plays the show headless; leave out --window and --fullscreen";
            return false;
        }
        options.headless = options.outputChosen = true;
    }
    return true;
}

int programMain(int argc, char** argv)
{
    ProgramOptions options;
    std::string error;
    if (!parseProgramOptions(argc, argv, options, error)) {
        // One line that says what is wrong; the whole text is a flag away.
        std::fprintf(stderr, "v4npelva: %s\nTry 'v4npelva --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(programUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s\n", programVersion);
        return 0;
    }
    if (options.listAudioDevices)
        return listAudioDevices();
    if (!options.record.empty())
        return recordProgram(options);
    if (options.scene == 0 && !options.contactSheet.empty())
        return playShowContactSheet(options);
    return options.scene != 0 ? playOneScene(options) : playShow(options);
}

int recordProgram(const ProgramOptions& options)
{
    RecordSettings settings;
    settings.path = options.record;
    settings.scale = options.recordScale;
    settings.fps = options.fps;
    settings.lossless = options.lossless;
    // The scene table's lengths are in clock units of 1.9 ms.
    double units = 0;
    for (const SceneRow& row : sceneTable)
        if (options.scene == 0 || row.number == options.scene)
            units += row.length;
    settings.expectedMs = units * 1.9;
    if (options.escapeAfterMs > 0 && options.escapeAfterMs < settings.expectedMs)
        settings.expectedMs = options.escapeAfterMs;
    std::string error;
    if (!recordStart(settings, error)) {
        std::fprintf(stderr, "v4npelva: %s\n", error.c_str());
        return 1;
    }
    // AAC takes only its standard rates, and the show mixes at 22000 Hz: an .mp4 is mixed at
    // 44100 Hz unless --rate names a rate AAC takes (a .mkv keeps the show's rate).
    ProgramOptions played = options;
    const bool mp4 = options.record.size() >= 4 &&
                     options.record.compare(options.record.size() - 4, 4, ".mp4") == 0;
    constexpr int aacRates[] = {8000,  11025, 12000, 16000, 22050, 24000,
                                32000, 44100, 48000, 64000, 88200, 96000};
    bool aacRate = false;
    for (int rate : aacRates)
        aacRate = aacRate || rate == options.rate;
    if (mp4 && options.rate != 0 && !aacRate) {
        std::fprintf(stderr,
                     "v4npelva: AAC in .mp4 cannot take %d Hz; record to .mkv or pick 44100\n",
                     options.rate);
        recordFinish();
        return 1;
    }
    if (mp4 && options.rate == 0)
        played.rate = 44100;
    const int code = played.scene != 0 ? playOneScene(played) : playShow(played);
    const bool written = recordFinish();
    const RecordCounts counts = recordCounts();
    if (!written) {
        std::fprintf(stderr, "v4npelva: the recording %s is incomplete\n", options.record.c_str());
        return 1;
    }
    std::fprintf(stderr, "v4npelva: wrote %s: %lld frames, %lld samples at %d Hz\n",
                 options.record.c_str(), static_cast<long long>(counts.videoFrames),
                 static_cast<long long>(counts.audioSamples), counts.sampleRate);
    return counts.interrupted ? 130 : code;
}
