// The command line of v4npelva.
#include "shell/startup/startup.h"

#include "demo/sequencer/sequencer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* programVersion = "v4npelva 0.1";

bool parseCount(const char* text, int& value)
{
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < 1 || n > 1000000)
        return false;
    value = static_cast<int>(n);
    return true;
}

}  // namespace

const char* programUsage()
{
    return "usage: v4npelva --scene NAME|NUMBER [--window | --fullscreen | --headless]\n"
           "                [--png-dir DIR] [--every N] [--contact-sheet OUT.png]\n"
           "       v4npelva --help | --version\n"
           "  --scene NAME|NUMBER      play one scene: flames, credits, space-flight, tunnel,\n"
           "                           wave-grid, cosmos, sun-code, disks, greetings, rubber, "
           "morph,\n"
           "                           computer, mother, final-flight, or its number 1 to 14\n"
           "  --window                 in a window (the default)\n"
           "  --fullscreen             full screen\n"
           "  --headless               no window and no sound device: a virtual clock and the\n"
           "                           offline music output, the same frames on every run\n"
           "  --png-dir DIR            write the scene's frames as DIR/frame_NNNNN.png\n"
           "  --every N                with --png-dir, only every Nth frame\n"
           "  --contact-sheet OUT.png  write the frames at 10 % steps of the scene as one "
           "picture\n";
}

bool parseProgramOptions(int argc, char** argv, ProgramOptions& options, std::string& error)
{
    options = ProgramOptions{};
    int outputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool takesValue = flag == "--scene" || flag == "--png-dir" || flag == "--every" ||
                                flag == "--contact-sheet";
        if (takesValue && i + 1 >= argc) {
            error = flag + " needs a value";
            return false;
        }
        if (flag == "--scene") {
            const SceneRow* row = findSceneRow(argv[++i]);
            if (row == nullptr) {
                error = std::string("unknown scene '") + argv[i] + "'";
                return false;
            }
            options.scene = row->number;
        } else if (flag == "--png-dir") {
            options.pngDir = argv[++i];
        } else if (flag == "--every") {
            if (!parseCount(argv[++i], options.every)) {
                error = std::string("--every needs a whole number of at least 1, not '") + argv[i] +
                        "'";
                return false;
            }
        } else if (flag == "--contact-sheet") {
            options.contactSheet = argv[++i];
        } else if (flag == "--window") {
            options.headless = options.fullscreen = false;
            ++outputs;
        } else if (flag == "--fullscreen") {
            options.fullscreen = true;
            options.headless = false;
            ++outputs;
        } else if (flag == "--headless") {
            options.headless = true;
            options.fullscreen = false;
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
    if (!options.help && !options.version && options.scene == 0) {
        error = "no scene given (the whole show is not built yet)";
        return false;
    }
    return true;
}

int programMain(int argc, char** argv)
{
    ProgramOptions options;
    std::string error;
    if (!parseProgramOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "v4npelva: %s\n%s", error.c_str(), programUsage());
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
    return playOneScene(options);
}
