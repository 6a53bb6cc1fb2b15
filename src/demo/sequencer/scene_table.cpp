// The show's scene table and the one switch over the scenes.
#include "demo/sequencer/sequencer.h"

#include "demo/demo.h"
#include "render/render.h"
#include "scenes/scene.h"

#include <cstdlib>
#include <cstring>

namespace {

// Settings written as the table reads: fov, clock, fov, then the fades.
constexpr SceneSettings clockOnly{0, true, 0};
constexpr SceneSettings clockThenFov(float fov)
{
    return SceneSettings{0, true, fov};
}
constexpr SceneSettings fovThenClock(float fov)
{
    return SceneSettings{fov, true, 0};
}
constexpr SceneSettings endFade(int toWhite)
{
    SceneSettings s{};
    s.endFadeToWhite = toWhite;
    return s;
}

// Scene 1: the show sets a black fade before the init, the closing colour white after it, starts
// the music and lets its first pattern pass.
constexpr SceneSettings flamesBeforeInit()
{
    SceneSettings s{};
    s.fadeLevel = 255;
    s.fadeToWhite = 0;
    return s;
}
// Scene 2: the opening picture's closing fade is cancelled; the scene starts unfaded.
constexpr SceneSettings creditsBeforeInit()
{
    SceneSettings s{0, true, 90};
    s.endFadeToWhite = 0;
    s.fadeLevel = 0;
    s.fadeState = 0;
    return s;
}
// Scene 6 starts from full white.
constexpr SceneSettings cosmosBeforeRun()
{
    SceneSettings s{};
    s.endFadeToWhite = 1;
    s.fadeLevel = 255;
    s.fadeToWhite = 1;
    return s;
}
// Scene 14 follows the interlude: its init runs at 90 degrees with the screen white, and the show
// starts its fade-in from white once more just before the run.
constexpr SceneSettings finalFlightBeforeInit()
{
    SceneSettings s{45, false, 90};
    s.fadeLevel = 255;
    s.fadeToWhite = 1;
    s.fadeState = 0;
    s.startFadeIn = true;
    return s;
}
constexpr SceneSettings finalFlightBeforeRun()
{
    SceneSettings s{0, true, 0};
    s.endFadeToWhite = 0;
    s.fadeLevel = 255;
    s.fadeToWhite = 1;
    s.startFadeIn = true;
    return s;
}

}  // namespace

// Columns: number, name, title, length, end order, end row, fov, before init, before run, start
// order, start row, present, fraction, quit check; entry fade level, colour and closing colour;
// first-pattern wait, opening picture.
extern constexpr SceneRow sceneTable[sceneCount] = {
    {1, "flames", "Flames", 15872, 0, 0, 45, flamesBeforeInit(), endFade(1), 0, 0, presentTrail, 0,
     true, 255, 0, 1, true, false},
    {2,
     "credits",
     "Credits",
     5120,
     7,
     0,
     90,
     creditsBeforeInit(),
     {},
     2,
     32,
     presentTrail,
     0.95f,
     false,
     0,
     1,
     1,
     false,
     true},
    {3, "space-flight", "Space flight", 7680, 12, 16, 90, clockThenFov(90), endFade(1), 7, 0,
     presentTrail, 0.95f, true, 255, 0, 0, false, false},
    {4,
     "tunnel",
     "Tunnel",
     6656,
     17,
     0,
     45,
     fovThenClock(45),
     {},
     12,
     16,
     presentTrail,
     0.96f,
     true,
     255,
     1,
     1,
     false,
     false},
    {5,
     "wave-grid",
     "Wave grid",
     11776,
     23,
     0,
     45,
     clockOnly,
     {},
     17,
     0,
     presentTrail,
     0.96f,
     true,
     255,
     1,
     1,
     false,
     false},
    {6, "cosmos", "Cosmos cross-fade", 2560, 25, 0, 45, clockOnly, cosmosBeforeRun(), 23, 0,
     presentPlain, 0.97f, true, 255, 1, 1, false, false},
    {7,
     "sun-code",
     "Sun and code",
     11776,
     33,
     0,
     100,
     clockThenFov(100),
     {},
     25,
     0,
     presentTrail,
     0.96f,
     true,
     255,
     1,
     1,
     false,
     false},
    {8, "disks", "Disks", 11776, 41, 0, 90, SceneSettings{45, true, 90}, endFade(0), 33, 0,
     presentTrail, 0.96f, true, 255, 1, 1, false, false},
    {9, "greetings", "Greetings", 4096, 44, 0, 45, fovThenClock(45), endFade(1), 41, 0,
     presentTrail, 0.94f, true, 255, 0, 0, false, false},
    {10,
     "rubber",
     "Rubber",
     16384,
     55,
     0,
     45,
     clockOnly,
     {},
     44,
     0,
     presentPlain,
     0.8f,
     true,
     255,
     1,
     1,
     false,
     false},
    {11, "morph", "Morph", 11776, 63, 0, 45, clockOnly, endFade(0), 55, 0, presentTrail, 0.96f,
     true, 255, 1, 1, false, false},
    {12, "computer", "Computer", 14848, 73, 0, 90, clockThenFov(90), endFade(1), 63, 0,
     presentTrail, 0.96f, true, 255, 0, 0, false, false},
    {13,
     "mother",
     "Mother",
     14848,
     83,
     0,
     90,
     SceneSettings{45, true, 90},
     {},
     73,
     0,
     presentTrail,
     0.97f,
     true,
     255,
     1,
     1,
     false,
     false},
    {14, "final-flight", "Final flight", 16896, 0, 0, 90, finalFlightBeforeInit(),
     finalFlightBeforeRun(), 84, 0, presentTrail, 0.95f, true, 255, 1, 1, false, false},
};

const SceneRow* findSceneRow(const char* nameOrNumber)
{
    if (nameOrNumber == nullptr || *nameOrNumber == '\0')
        return nullptr;
    char* end = nullptr;
    const long number = std::strtol(nameOrNumber, &end, 10);
    if (*end == '\0')
        return number >= 1 && number <= sceneCount ? &sceneTable[number - 1] : nullptr;
    for (const SceneRow& row : sceneTable)
        if (std::strcmp(row.name, nameOrNumber) == 0)
            return &row;
    return nullptr;
}

void applySceneSettings(const SceneSettings& s)
{
    if (s.firstFieldOfView > 0)
        setFieldOfView(s.firstFieldOfView);
    if (s.zeroClock)
        timing.demoClock = 0;
    if (s.fieldOfView > 0)
        setFieldOfView(s.fieldOfView);
    if (s.endFadeToWhite >= 0)
        timing.endFadeToWhite = s.endFadeToWhite;
    if (s.fadeLevel >= 0)
        timing.fadeLevel = s.fadeLevel;
    if (s.fadeToWhite >= 0)
        timing.fadeToWhite = s.fadeToWhite;
    if (s.fadeState >= 0)
        timing.fadeState = static_cast<FadeState>(s.fadeState);
    if (s.startFadeIn)
        startFadeIn();
}

bool callScene(int number, SceneStep step, int32_t length, uint32_t endPosition, uint32_t endRow)
{
    const bool init = step == sceneInit, run = step == sceneRun, free = step == sceneFree;
    switch (number) {
    case 1:
        init   ? flamesInit()
        : run  ? flamesRun(length, endPosition, endRow)
        : free ? flamesFree()
               : void();
        return true;
    case 2:
        init   ? creditsInit()
        : run  ? creditsRun(length, endPosition, endRow)
        : free ? creditsFree()
               : void();
        return true;
    case 3:
        init   ? spaceFlightInit()
        : run  ? spaceFlightRun(length, endPosition, endRow)
        : free ? spaceFlightFree()
               : void();
        return true;
    case 4:
        init   ? tunnelInit()
        : run  ? tunnelRun(length, endPosition, endRow)
        : free ? tunnelFree()
               : void();
        return true;
    case 5:
        init   ? waveGridInit()
        : run  ? waveGridRun(length, endPosition, endRow)
        : free ? waveGridFree()
               : void();
        return true;
    case 6:
        init   ? cosmosInit()
        : run  ? cosmosRun(length, endPosition, endRow)
        : free ? cosmosFree()
               : void();
        return true;
    case 7:
        init   ? sunCodeInit()
        : run  ? sunCodeRun(length, endPosition, endRow)
        : free ? sunCodeFree()
               : void();
        return true;
    case 8:
        init   ? disksInit()
        : run  ? disksRun(length, endPosition, endRow)
        : free ? disksFree()
               : void();
        return true;
    case 9:
        init   ? greetingsInit()
        : run  ? greetingsRun(length, endPosition, endRow)
        : free ? greetingsFree()
               : void();
        return true;
    case 10:
        init   ? rubberInit()
        : run  ? rubberRun(length, endPosition, endRow)
        : free ? rubberFree()
               : void();
        return true;
    case 11:
        init   ? morphInit()
        : run  ? morphRun(length, endPosition, endRow)
        : free ? morphFree()
               : void();
        return true;
    case 12:
        init   ? computerInit()
        : run  ? computerRun(length, endPosition, endRow)
        : free ? computerFree()
               : void();
        return true;
    case 13:
        init   ? motherInit()
        : run  ? motherRun(length, endPosition, endRow)
        : free ? motherFree()
               : void();
        return true;
    case 14:
        init   ? finalFlightInit()
        : run  ? finalFlightRun(length, endPosition, endRow)
        : free ? finalFlightFree()
               : void();
        return true;
    default: return false;
    }
}
