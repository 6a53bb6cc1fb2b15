// The launcher, the sound set-up panel and the drawn message box in real windows on a private
// Xvfb server, driven by xdotool from a script that runs beside the dialog's own loop. The script
// starts once no window of this process is left on the server and drives only mapped windows of
// this process; every xdotool call has a time limit, and a script that fails presses Escape in
// this process's windows so that the dialog returns and the test reports the failure instead of
// waiting for ever.
#include "../platform/xvfb_server.h"
#include "audio/audio.h"
#include "shell/shell.h"
#include "startup/launcher.h"

#include <gtest/gtest.h>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// SDL's video start-up loads the system's GL driver and D-Bus, which keep allocations that leak
// checking reports once SDL unloads them; as in the platform suite, this binary leaves leak
// checking to the other suites (the dialogs' own code allocates nothing on the heap).
extern "C" const char* __lsan_default_options()
{
    return "detect_leaks=0";
}

namespace {

const std::string launcherName = "^The v4n Pelvadron Demo$";
// The script line that sets id to the launcher window that opens next.
const std::string launcherWindow = "id=$(find_window '" + launcherName + "')\n";

std::string scratch(const char* name)
{
    return std::string(V4N_BINARY_DIR) + "/launcher_test_" + name;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// What every script starts with. xdo is xdotool with a time limit. find_window prints the first
// mapped window of this process whose name matches $1, and fails after 60 s. On a failure every
// window of this process gets Escape.
std::string scriptPrologue()
{
    std::string text =
        "set -e\n"
        "xdo() { timeout 20 xdotool \"$@\"; }\n"
        "find_window() {\n"
        "  i=0\n"
        "  while [ $i -lt 1200 ]; do\n"
        "    w=$(xdo search --all --onlyvisible --pid @PID@ --name \"$1\" | head -n 1 || true)\n"
        "    if [ -n \"$w\" ]; then echo $w; return 0; fi\n"
        "    sleep 0.05; i=$((i + 1))\n"
        "  done\n"
        "  echo \"no window '$1' of process @PID@ in 60 s\" >&2\n"
        "  return 1\n"
        "}\n"
        "give_up() {\n"
        "  for round in 1 2; do\n"
        "    for w in $(xdo search --pid @PID@ --name . || true); do\n"
        "      xdo windowfocus $w || true; xdo key --window $w Escape || true\n"
        "    done\n"
        "    sleep 0.5\n"
        "  done\n"
        "}\n"
        // A screenshot once the window's picture holds still: two captures in a row alike, so
        // a window still being drawn on a busy machine is not taken half done.
        "shot() {\n"
        "  i=0; rm -f \"$2.ppm\"\n"
        "  while [ $i -lt 40 ]; do\n"
        "    timeout 20 import -window \"$1\" \"ppm:$2.new\"\n"
        "    if [ -f \"$2.ppm\" ] && cmp -s \"$2.new\" \"$2.ppm\"; then break; fi\n"
        "    mv \"$2.new\" \"$2.ppm\"; sleep 0.15; i=$((i + 1))\n"
        "  done\n"
        "  timeout 20 convert \"$2.ppm\" \"$2\"; rm -f \"$2.new\" \"$2.ppm\"\n"
        "}\n"
        "trap 'status=$?; if [ $status -ne 0 ]; then echo \"script failed ($status)\" >&2; "
        "give_up; fi; rm -f \"$0\"; touch \"${0%.sh}.done\"' EXIT\n";
    const std::string pid = std::to_string(getpid());
    for (size_t at = text.find("@PID@"); at != std::string::npos; at = text.find("@PID@", at))
        text.replace(at, 5, pid);
    return text;
}

// Waits up to 20 s until the server shows no window of this process: a dialog that returned has
// closed its connection, but the server may not have taken its windows down yet, and a new
// window can even get the old one's id. True when none is left.
bool noWindowOfThisProcess()
{
    const std::string command = "timeout 5 xdotool search --all --onlyvisible --pid " +
                                std::to_string(getpid()) + " --name . 2>/dev/null";
    for (int attempt = 0; attempt < 200; ++attempt) {
        std::string out;
        if (FILE* p = popen(command.c_str(), "r")) {
            char buffer[64];
            while (fgets(buffer, sizeof buffer, p))
                out += buffer;
            pclose(p);
        }
        if (out.empty())
            return true;
        usleep(100000);
    }
    return false;
}

// The scripts of this process: each has its own file (sh reads a script as it runs, so a file
// written anew under a running script would change it) and leaves a mark when it ends.
struct Scripts {
    int count = 0;
    std::string errors;    // what the last one wrote on standard error
    std::string doneMark;  // the file the last one creates as it ends
};
Scripts scripts;

void removeScriptFiles()
{
    if (!scripts.errors.empty())
        std::remove(scripts.errors.c_str());
    if (!scripts.doneMark.empty())
        std::remove(scripts.doneMark.c_str());
}

std::string scriptErrors()
{
    return readFile(scripts.errors);
}

// Waits up to 60 s for the last script to end. True when it has (or there was none).
bool lastScriptEnded()
{
    for (int i = 0; i < 600 && !scripts.doneMark.empty() && !std::ifstream(scripts.doneMark); ++i)
        usleep(100000);
    return scripts.doneMark.empty() || std::ifstream(scripts.doneMark).good();
}

// Runs a shell script in the background once the previous one has ended and no window of an
// earlier dialog is left; the script waits for the windows it drives. At the process's end the
// last script is waited for before the server stops: a script that outlived its server could
// drive the next test's server, which may take the same display number and give its first
// window the same id.
void runBeside(const std::string& script)
{
    EXPECT_TRUE(lastScriptEnded()) << "the previous script did not end";
    EXPECT_TRUE(noWindowOfThisProcess()) << "a window of an earlier dialog is still shown";
    removeScriptFiles();
    if (scripts.count == 0)
        std::atexit([] {
            lastScriptEnded();
            removeScriptFiles();
        });
    const std::string name =
        "script_" + std::to_string(getpid()) + "_" + std::to_string(++scripts.count);
    const std::string path = scratch((name + ".sh").c_str());
    scripts.errors = scratch((name + ".err").c_str());
    scripts.doneMark = scratch((name + ".done").c_str());
    std::remove(scripts.doneMark.c_str());
    std::ofstream(path) << scriptPrologue() << script << "\n";
    std::system(("sh " + path + " >/dev/null 2>" + scripts.errors + " &").c_str());
}

bool startDisplay()
{
    if (!xvfbInstalled() || std::system("command -v xdotool >/dev/null") != 0 ||
        std::system("command -v import >/dev/null") != 0)
        return false;
    return !startXvfb().empty();
}

// Pixels further apart than a little anti-aliasing: at most a few in a thousand may differ.
int differingPixels(const uint8_t* a, const uint8_t* b, int count)
{
    int differing = 0;
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c)
            if (std::abs(int(a[i * 3 + c]) - int(b[i * 3 + c])) > 24) {
                ++differing;
                break;
            }
    return differing;
}

// Compares a screenshot with its golden picture (rewritten with V4N_UPDATE_GOLDEN=1); a width of
// 0 takes any size.
void expectLooksAsBefore(const std::string& shot, const char* name, int width, int height)
{
    int shotWidth = 0, shotHeight = 0, channels = 0;
    uint8_t* picture = stbi_load(shot.c_str(), &shotWidth, &shotHeight, &channels, 3);
    ASSERT_NE(picture, nullptr) << "no screenshot " << shot;
    if (width > 0) {
        EXPECT_EQ(shotWidth, width);
        EXPECT_EQ(shotHeight, height);
    }
    const std::string golden = std::string(V4N_LAUNCHER_GOLDEN) + "/" + name;
    if (std::getenv("V4N_UPDATE_GOLDEN")) {
        stbi_write_png(golden.c_str(), shotWidth, shotHeight, 3, picture, shotWidth * 3);
    } else {
        int goldenWidth = 0, goldenHeight = 0;
        uint8_t* expected = stbi_load(golden.c_str(), &goldenWidth, &goldenHeight, &channels, 3);
        ASSERT_NE(expected, nullptr) << golden << " missing: run with V4N_UPDATE_GOLDEN=1";
        EXPECT_EQ(goldenWidth, shotWidth);
        EXPECT_EQ(goldenHeight, shotHeight);
        if (goldenWidth == shotWidth && goldenHeight == shotHeight) {
            EXPECT_LE(differingPixels(picture, expected, shotWidth * shotHeight),
                      shotWidth * shotHeight / 200)
                << shot << " looks different from " << golden;
        }
        stbi_image_free(expected);
    }
    stbi_image_free(picture);
}

// The middle of a launcher control in pixels, as xdotool takes it.
std::string centre(int id, DialogControlKind kind)
{
    DialogUnits units;
    dialogFontUnits(units);
    for (int i = 0; i < launcherControlCount; ++i)
        if (launcherControls[i].id == id && launcherControls[i].kind == kind) {
            const DialogRect r = launcherControlRect(i, units);
            return std::to_string(r.x + r.width / 2) + " " + std::to_string(r.y + r.height / 2);
        }
    return "0 0";
}

}  // namespace

TEST(LauncherWindow, KeyboardOpensTheSoundSetupAndStartsFullScreenLooksAsBefore)
{
    if (!startDisplay())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
    musicStartup();
    musicSetOption(musicOptionMixRate, 22000);
    // The icon the content tool writes beside the program: 4 bits a pixel.
    const std::string iconPath = std::string(V4N_BINARY_DIR) + "/icon_1.bmp";

    const std::string shot = scratch("shot.png"), panelShot = scratch("panel.png");
    std::remove(shot.c_str());
    std::remove(panelShot.c_str());
    runBeside(launcherWindow + "shot $id " + shot +
              "\n"
              "xprop -id $id WM_CLASS _NET_WM_ICON > " +
              scratch("xprop.txt") +
              "\n"
              "xdo windowfocus --sync $id\n"
              // The focus starts on the checked option: one Tab reaches Sound setup.
              "xdo key Tab space\n"
              "panel=$(find_window '^Sound setup$')\n"
              "shot $panel " +
              panelShot +
              "\n"
              "echo $id > " +
              scratch("launcher_id.txt") +
              "\n"
              "xprop -id $panel WM_TRANSIENT_FOR > " +
              scratch("transient.txt") +
              "\n"
              // A click on Start demo while the panel is open does nothing.
              "xdo mousemove --window $id " +
              centre(idStartDemo, controlPushButton) +
              " click 1\n"
              "xdo windowfocus --sync $panel\n"
              "xdo key Left Return\n"
              "sleep 0.3\n"
              "xdo windowfocus --sync $id\n"
              "xdo key Up Up Return\n");
    const LauncherChoice choice = runLauncher(iconPath.c_str());
    EXPECT_EQ(choice, launcherStartFullScreen) << scriptErrors();
    EXPECT_EQ(lastLauncher().soundSetups, 1);
    // The panel's last device choice is "No sound"; its other fields kept the player's values.
    int value = 0;
    musicGetOption(musicOptionOutputDevice, &value);
    EXPECT_EQ(value, musicDeviceNull);
    musicGetOption(musicOptionMixRate, &value);
    EXPECT_EQ(value, 22000);
    musicStartup();

    // The panel is the launcher's transient, so the window manager keeps it above the launcher.
    const std::string transient = readFile(scratch("transient.txt"));
    const size_t hex = transient.find("0x");
    ASSERT_NE(hex, std::string::npos) << transient;
    EXPECT_EQ(std::stoul(transient.substr(hex), nullptr, 16),
              std::stoul(readFile(scratch("launcher_id.txt"))));

    const std::string properties = readFile(scratch("xprop.txt"));
    EXPECT_NE(properties.find("\"v4npelvadron\""), std::string::npos) << properties;
    EXPECT_NE(properties.find("32 x 32"), std::string::npos) << "no 32 x 32 icon";
    ASSERT_NE(platformIcon(), nullptr);
    EXPECT_EQ(platformIcon()[0], 0xFF000000u);  // the icon's black corner

    DialogUnits units;
    ASSERT_TRUE(dialogFontUnits(units));
    const DialogRect size =
        dialogUnitsToPixels(units, 0, 0, launcherWidthUnits, launcherHeightUnits);
    expectLooksAsBefore(shot, "launcher.png", size.width, size.height);
    expectLooksAsBefore(panelShot, "sound_setup.png", 0, 0);
}

TEST(LauncherWindow, MouseChoosesWindowedAfterFullScreen)
{
    if (!startDisplay())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
    DialogUnits units;
    ASSERT_TRUE(dialogFontUnits(units));
    runBeside(launcherWindow +
              "sleep 0.5\n"
              "xdo mousemove --window $id " +
              centre(idFullScreen, controlRadioButton) +
              " click 1\n"
              "xdo mousemove --window $id " +
              centre(idWindowed, controlRadioButton) +
              " click 1\n"
              "xdo mousemove --window $id " +
              centre(idStartDemo, controlPushButton) + " click 1\n");
    EXPECT_EQ(runLauncher(nullptr), launcherStartWindowed) << scriptErrors();
    EXPECT_EQ(lastLauncher().checkedRadio, idWindowed);

    runBeside(launcherWindow +
              "sleep 0.5\n"
              "xdo mousemove --window $id " +
              centre(idFullScreen, controlRadioButton) +
              " click 1\n"
              "xdo mousemove --window $id " +
              centre(idExit, controlPushButton) + " click 1\n");
    EXPECT_EQ(runLauncher(nullptr), launcherExit);
    EXPECT_EQ(lastLauncher().fullScreen, 1);
}

TEST(LauncherWindow, DrawnMessageBoxWaitsForOk)
{
    if (!startDisplay())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
    const std::string shot = scratch("message.png");
    std::remove(shot.c_str());
    runBeside(
        "id=$(find_window '^-ZEM- DEMO ENGINE message$')\n"
        "shot $id " +
        shot +
        "\n"
        "xdo windowfocus --sync $id\n"
        "xdo key Return\n");
    EXPECT_TRUE(drawnMessageBox(messageTitle, "Engine error: file 'kfr_mi.jpg' not found!\n"))
        << scriptErrors();
    ASSERT_TRUE(std::ifstream(shot).good()) << scriptErrors();
    expectLooksAsBefore(shot, "message.png", 0, 0);
}

TEST(LauncherWindow, MainWindowCarriesTheClassAndTheIcon)
{
    if (!startDisplay())
        GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
    ASSERT_TRUE(platformLoadIcon((std::string(V4N_BINARY_DIR) + "/icon_1.bmp").c_str()));
    PlatformConfig config;
    config.headless = false;
    config.messageBoxes = false;
    ASSERT_TRUE(platformInit(config));
    ASSERT_TRUE(platformOpenWindow());
    // The properties of this process's main window once it is mapped, read while its events are
    // taken: up to 100 tries of 200 ms.
    const std::string command =
        "id=$(timeout 5 xdotool search --all --onlyvisible --pid " + std::to_string(getpid()) +
        " --name '^The v4n Pelvadron Demo by -ZEM-$' | head -n 1); [ -n \"$id\" ] && "
        "timeout 5 xprop -id $id WM_CLASS _NET_WM_ICON | head -n 2";
    std::string properties;
    for (int attempt = 0; attempt < 100 && properties.find("32 x 32") == std::string::npos;
         ++attempt) {
        PlatformEvent event;
        platformWaitEvent(event, 200);
        properties.clear();
        if (FILE* p = popen(command.c_str(), "r")) {
            char buffer[256];
            while (fgets(buffer, sizeof buffer, p))
                properties += buffer;
            pclose(p);
        }
    }
    resetPlatform();
    EXPECT_NE(properties.find("\"v4npelvadron\""), std::string::npos) << properties;
    EXPECT_NE(properties.find("32 x 32"), std::string::npos) << properties;
}
