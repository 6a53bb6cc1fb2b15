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

// Each row on two lines. First: number, name, title, length, end order, end row, fov, before init,
// before run. Second: start order, start row, present, fraction, quit check; entry fade level,
// colour and closing colour; first-pattern wait, opening picture.
// clang-format off
extern constexpr SceneRow sceneTable[sceneCount] = {
    {1,  "flames",       "Flames",            15872,  0,  0,  45, flamesBeforeInit(),        endFade(1),
         0,  0, presentTrail, 0,     true,  255, 0, 1, true,  false},
    {2,  "credits",      "Credits",            5120,  7,  0,  90, creditsBeforeInit(),       {},
         2, 32, presentTrail, 0.95f, false, 0,   1, 1, false, true},
    {3,  "space-flight", "Space flight",       7680, 12, 16,  90, clockThenFov(90),          endFade(1),
         7,  0, presentTrail, 0.95f, true,  255, 0, 0, false, false},
    {4,  "tunnel",       "Tunnel",             6656, 17,  0,  45, fovThenClock(45),          {},
        12, 16, presentTrail, 0.96f, true,  255, 1, 1, false, false},
    {5,  "wave-grid",    "Wave grid",         11776, 23,  0,  45, clockOnly,                 {},
        17,  0, presentTrail, 0.96f, true,  255, 1, 1, false, false},
    {6,  "cosmos",       "Cosmos cross-fade",  2560, 25,  0,  45, clockOnly,                 cosmosBeforeRun(),
        23,  0, presentPlain, 0.97f, true,  255, 1, 1, false, false},
    {7,  "sun-code",     "Sun and code",      11776, 33,  0, 100, clockThenFov(100),         {},
        25,  0, presentTrail, 0.96f, true,  255, 1, 1, false, false},
    {8,  "disks",        "Disks",             11776, 41,  0,  90, SceneSettings{45, true, 90}, endFade(0),
        33,  0, presentTrail, 0.96f, true,  255, 1, 1, false, false},
    {9,  "greetings",    "Greetings",          4096, 44,  0,  45, fovThenClock(45),          endFade(1),
        41,  0, presentTrail, 0.94f, true,  255, 0, 0, false, false},
    {10, "rubber",       "Rubber",            16384, 55,  0,  45, clockOnly,                 {},
        44,  0, presentPlain, 0.8f,  true,  255, 1, 1, false, false},
    {11, "morph",        "Morph",             11776, 63,  0,  45, clockOnly,                 endFade(0),
        55,  0, presentTrail, 0.96f, true,  255, 1, 1, false, false},
    {12, "computer",     "Computer",          14848, 73,  0,  90, clockThenFov(90),          endFade(1),
        63,  0, presentTrail, 0.96f, true,  255, 0, 0, false, false},
    {13, "mother",       "Mother",            14848, 83,  0,  90, SceneSettings{45, true, 90}, {},
        73,  0, presentTrail, 0.97f, true,  255, 1, 1, false, false},
    {14, "final-flight", "Final flight",      16896,  0,  0,  90, finalFlightBeforeInit(),   finalFlightBeforeRun(),
        84,  0, presentTrail, 0.95f, true,  255, 1, 1, false, false},
};
// clang-format on

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
    // A probe only asks whether the number names a scene.
    const bool init = step == sceneInit, run = step == sceneRun, free = step == sceneFree;
    switch (number) {
    case 1:
        if (init)
            flamesInit();
        else if (run)
            flamesRun(length, endPosition, endRow);
        else if (free)
            flamesFree();
        return true;
    case 2:
        if (init)
            creditsInit();
        else if (run)
            creditsRun(length, endPosition, endRow);
        else if (free)
            creditsFree();
        return true;
    case 3:
        if (init)
            spaceFlightInit();
        else if (run)
            spaceFlightRun(length, endPosition, endRow);
        else if (free)
            spaceFlightFree();
        return true;
    case 4:
        if (init)
            tunnelInit();
        else if (run)
            tunnelRun(length, endPosition, endRow);
        else if (free)
            tunnelFree();
        return true;
    case 5:
        if (init)
            waveGridInit();
        else if (run)
            waveGridRun(length, endPosition, endRow);
        else if (free)
            waveGridFree();
        return true;
    case 6:
        if (init)
            cosmosInit();
        else if (run)
            cosmosRun(length, endPosition, endRow);
        else if (free)
            cosmosFree();
        return true;
    case 7:
        if (init)
            sunCodeInit();
        else if (run)
            sunCodeRun(length, endPosition, endRow);
        else if (free)
            sunCodeFree();
        return true;
    case 8:
        if (init)
            disksInit();
        else if (run)
            disksRun(length, endPosition, endRow);
        else if (free)
            disksFree();
        return true;
    case 9:
        if (init)
            greetingsInit();
        else if (run)
            greetingsRun(length, endPosition, endRow);
        else if (free)
            greetingsFree();
        return true;
    case 10:
        if (init)
            rubberInit();
        else if (run)
            rubberRun(length, endPosition, endRow);
        else if (free)
            rubberFree();
        return true;
    case 11:
        if (init)
            morphInit();
        else if (run)
            morphRun(length, endPosition, endRow);
        else if (free)
            morphFree();
        return true;
    case 12:
        if (init)
            computerInit();
        else if (run)
            computerRun(length, endPosition, endRow);
        else if (free)
            computerFree();
        return true;
    case 13:
        if (init)
            motherInit();
        else if (run)
            motherRun(length, endPosition, endRow);
        else if (free)
            motherFree();
        return true;
    case 14:
        if (init)
            finalFlightInit();
        else if (run)
            finalFlightRun(length, endPosition, endRow);
        else if (free)
            finalFlightFree();
        return true;
    default: return false;
    }
}
