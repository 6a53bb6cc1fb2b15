// v4npelva-music-check: checks the soundtrack's timing and renders it.
//   v4npelva-music-check map [FILE.xm]           section map: boundaries, deviations, syncs
//   v4npelva-music-check render OUT.wav [FILE.xm] [OUT.png]
//                                                 WAV through the offline output, level figures,
//                                                 and a spectrogram drawn by sox when OUT.png is
//                                                 given
//   v4npelva-music-check mix [FILE.xm] [--rate HZ] [--sections]
//                                                 mix figures of a render (band shares, level
//                                                 above 10 kHz, centroid, loudness, true peak)
//                                                 and of the patterns (effect types, volume
//                                                 slides); --sections adds one line per section
//                                                 of the soundtrack's layout
// Without FILE.xm the module is composed afresh. Exit status 1 when a check fails.
#include "music/arrange.h"
#include "music/music.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

bool loadOrCompose(int argc, char** argv, int index, std::vector<uint8_t>& bytes)
{
    if (argc <= index) {
        bytes = encodeXm(composeSoundtrack());
        return !bytes.empty();
    }
    FILE* f = std::fopen(argv[index], "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "cannot read %s\n", argv[index]);
        return false;
    }
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(f);
    return true;
}

// Quotes a path for the shell: single quotes, with embedded quotes closed and escaped.
std::string shellQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The mix command: renders the module and prints its figures.
int printMix(int argc, char** argv)
{
    int rate = 44100;
    bool sections = false;
    std::string file;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rate" && i + 1 < argc)
            rate = std::atoi(argv[++i]);
        else if (arg == "--sections")
            sections = true;
        else
            file = arg;
    }
    if (rate < 8000 || rate > 96000) {
        std::fprintf(stderr, "mixing rate out of range (8000 to 96000)\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    char* fileArg[] = {argv[0], file.data()};
    if (!loadOrCompose(file.empty() ? 1 : 2, fileArg, 1, bytes))
        return 1;
    RenderStats stats;
    std::string error;
    std::vector<int16_t> samples;
    // The render passes through a WAV file of its own in the temporary folder.
    const char* tmp = std::getenv("TMPDIR");
    const std::string wav = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") +
                            "/v4npelva-music-check-mix-" + std::to_string(getpid()) + ".wav";
    const bool rendered = renderSoundtrack(bytes, wav, 0.0, stats, &samples, error, rate);
    std::remove(wav.c_str());
    PatternFigures patterns;
    if (!rendered || !measurePatterns(bytes, patterns, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const size_t frames = samples.size() / 2;
    std::printf("song at %d Hz, %.2f s: %s\n", rate, stats.seconds,
                formatMixFigures(measureMix(samples, rate, 0, frames)).c_str());
    const int notes = std::max(1, patterns.notes);
    std::printf(
        "patterns: %d notes, %d effect types besides F, B, D and W (%s), volume column "
        "(%s), %d volume slides = %.1f per 100 notes\n",
        patterns.notes, patterns.effectTypeCount, patterns.effectTypes.c_str(),
        patterns.volumeColumnTypes.c_str(), patterns.volumeSlides,
        100.0 * patterns.volumeSlides / notes);
    if (sections) {
        // Section times from the layout's rows and tempi: a row lasts speed x 2.5 / bpm seconds.
        double start = 0;
        for (int i = 0; i < soundtrackSectionCount; ++i) {
            const SectionPlan& p = sectionPlan(static_cast<SoundtrackSection>(i));
            const double length = p.bars * 16 * p.rowsPerStep * p.speed * 2.5 / p.bpm;
            const MixFigures m = measureMix(samples, rate, static_cast<size_t>(start * rate),
                                            static_cast<size_t>((start + length) * rate));
            std::printf("%-18s %6.2f s: %s\n", p.name, start, formatMixFigures(m).c_str());
            start += length;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    std::vector<uint8_t> bytes;
    if (command == "map") {
        if (!loadOrCompose(argc, argv, 2, bytes))
            return 1;
        const SectionMap map = measureSectionMap(bytes);
        std::fputs(formatSectionMap(map).c_str(), stdout);
        return map.problems.empty() ? 0 : 1;
    }
    if (command == "render" && argc >= 3) {
        if (!loadOrCompose(argc, argv, 3, bytes))
            return 1;
        RenderStats stats;
        std::string error;
        if (!renderSoundtrack(bytes, argv[2], 1.8, stats, nullptr, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf(
            "%s: %.2f s, peak %d (%.2f dBFS), RMS %.2f dBFS, quietest second %.1f dBFS at %.1f s\n",
            argv[2], stats.seconds, stats.peak, 20 * std::log10(stats.peak / 32768.0 + 1e-12),
            stats.rmsDb, stats.quietestSecondDb, stats.quietestSecondAt);
        if (argc >= 5) {
            const std::string sox = "sox " + shellQuote(argv[2]) +
                                    " -n spectrogram -x 2000 -y 513 -o " + shellQuote(argv[4]);
            if (std::system(sox.c_str()) != 0) {
                std::fprintf(stderr, "sox failed: %s\n", sox.c_str());
                return 1;
            }
            std::printf("spectrogram: %s\n", argv[4]);
        }
        return stats.peak < 32767 ? 0 : 1;
    }
    if (command == "mix")
        return printMix(argc, argv);
    std::fprintf(stderr,
                 "usage: %s map [FILE.xm]\n"
                 "       %s render OUT.wav [FILE.xm] [OUT.png]\n"
                 "       %s mix [FILE.xm] [--rate HZ] [--sections]\n",
                 argv[0], argv[0], argv[0]);
    return 2;
}
