// v4npelva-music-check: checks the soundtrack's timing and renders it.
//   v4npelva-music-check map [FILE.xm]           section map: boundaries, deviations, syncs
//   v4npelva-music-check render OUT.wav [FILE.xm] [OUT.png]
//                                                 WAV through the offline output, level figures,
//                                                 and a spectrogram drawn by sox when OUT.png is
//                                                 given
// Without FILE.xm the module is composed afresh. Exit status 1 when a check fails.
#include "music/music.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

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
    std::fprintf(stderr,
                 "usage: %s map [FILE.xm]\n"
                 "       %s render OUT.wav [FILE.xm] [OUT.png]\n",
                 argv[0], argv[0]);
    return 2;
}
