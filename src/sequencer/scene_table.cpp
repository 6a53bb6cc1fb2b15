// The show's scene table and the one switch over the scenes.
#include "sequencer/sequencer.h"

#include "demo/demo.h"
#include "render/render.h"
#include "scenes/scene.h"

#include <cstdlib>
#include <cstring>

// Each row's settings are applied in SceneSettings' field order: the first field of view, the
// clock reset, the second field of view, then the fades. The entry fade is what the show leaves
// when the row begins, so that a scene played on its own starts from the same fade.
// clang-format off
extern constexpr SceneRow sceneTable[sceneCount] = {
    {.number = 1, .name = "flames", .title = "Flames",
     .length = 15872, .endOrder = 0, .endRow = 0,  // ends by its own rule
     .beforeInit = {.fadeLevel = 255, .fadeToWhite = 0},
     .beforeRun = {.endFadeToWhite = 1},  // then the music starts and its first pattern passes
     .startOrder = 0, .startRow = 0, .fadeFraction = 0, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 0, .entryEndFadeToWhite = 1,
     .waitsForFirstPattern = true},
    {.number = 2, .name = "credits", .title = "Credits",
     .length = 5120, .endOrder = 7, .endRow = 0,
     // The opening picture's closing fade is cancelled: the scene starts unfaded.
     .beforeInit = {.zeroClock = true, .fieldOfView = 90, .endFadeToWhite = 0, .fadeLevel = 0,
                    .fadeState = 0},
     .beforeRun = {},
     .startOrder = 2, .startRow = 32, .fadeFraction = 0.95f, .quitCheckAfterFree = false,
     .entryFadeLevel = 0, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1,
     .usesOpeningPicture = true},
    {.number = 3, .name = "space-flight", .title = "Space flight",
     .length = 7680, .endOrder = 12, .endRow = 16,
     .beforeInit = {.zeroClock = true, .fieldOfView = 90},
     .beforeRun = {.endFadeToWhite = 1},
     .startOrder = 7, .startRow = 0, .fadeFraction = 0.95f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 0, .entryEndFadeToWhite = 0},
    {.number = 4, .name = "tunnel", .title = "Tunnel",
     .length = 6656, .endOrder = 17, .endRow = 0,
     .beforeInit = {.firstFieldOfView = 45, .zeroClock = true},
     .beforeRun = {},
     .startOrder = 12, .startRow = 16, .fadeFraction = 0.96f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1},
    {.number = 5, .name = "wave-grid", .title = "Wave grid",
     .length = 11776, .endOrder = 23, .endRow = 0,
     .beforeInit = {.zeroClock = true},
     .beforeRun = {},
     .startOrder = 17, .startRow = 0, .fadeFraction = 0.96f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1},
    {.number = 6, .name = "cosmos", .title = "Cosmos cross-fade",
     .length = 2560, .endOrder = 25, .endRow = 0,
     .beforeInit = {.zeroClock = true},
     .beforeRun = {.endFadeToWhite = 1, .fadeLevel = 255, .fadeToWhite = 1},  // from full white
     .startOrder = 23, .startRow = 0, .fadeFraction = 0.97f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1},
    {.number = 7, .name = "sun-code", .title = "Sun and code",
     .length = 11776, .endOrder = 33, .endRow = 0,
     .beforeInit = {.zeroClock = true, .fieldOfView = 100},
     .beforeRun = {},
     .startOrder = 25, .startRow = 0, .fadeFraction = 0.96f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1},
    {.number = 8, .name = "disks", .title = "Disks",
     .length = 11776, .endOrder = 41, .endRow = 0,
     .beforeInit = {.firstFieldOfView = 45, .zeroClock = true, .fieldOfView = 90},
     .beforeRun = {.endFadeToWhite = 0},
     .startOrder = 33, .startRow = 0, .fadeFraction = 0.96f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1},
    {.number = 9, .name = "greetings", .title = "Greetings",
     .length = 4096, .endOrder = 44, .endRow = 0,
     .beforeInit = {.firstFieldOfView = 45, .zeroClock = true},
     .beforeRun = {.endFadeToWhite = 1},
     .startOrder = 41, .startRow = 0, .fadeFraction = 0.94f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 0, .entryEndFadeToWhite = 0},
    {.number = 10, .name = "rubber", .title = "Rubber",
     .length = 16384, .endOrder = 55, .endRow = 0,
     .beforeInit = {.zeroClock = true},
     .beforeRun = {},
     .startOrder = 44, .startRow = 0, .fadeFraction = 0.8f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1},
    {.number = 11, .name = "morph", .title = "Morph",
     .length = 11776, .endOrder = 63, .endRow = 0,
     .beforeInit = {.zeroClock = true},
     .beforeRun = {.endFadeToWhite = 0},
     .startOrder = 55, .startRow = 0, .fadeFraction = 0.96f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1},
    {.number = 12, .name = "computer", .title = "Computer",
     .length = 14848, .endOrder = 73, .endRow = 0,
     .beforeInit = {.zeroClock = true, .fieldOfView = 90},
     .beforeRun = {.endFadeToWhite = 1},
     .startOrder = 63, .startRow = 0, .fadeFraction = 0.96f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 0, .entryEndFadeToWhite = 0},
    {.number = 13, .name = "mother", .title = "Mother",
     .length = 14848, .endOrder = 83, .endRow = 0,
     .beforeInit = {.firstFieldOfView = 45, .zeroClock = true, .fieldOfView = 90},
     .beforeRun = {},
     .startOrder = 73, .startRow = 0, .fadeFraction = 0.97f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1},
    {.number = 14, .name = "final-flight", .title = "Final flight",
     .length = 16896, .endOrder = 0, .endRow = 0,  // ends when its clock reaches the length
     // It follows the interlude: the init runs at 90 degrees with the screen white, and the fade-in
     // from white starts once more just before the run.
     .beforeInit = {.firstFieldOfView = 45, .fieldOfView = 90, .fadeLevel = 255, .fadeToWhite = 1,
                    .fadeState = 0, .startFadeIn = true},
     .beforeRun = {.zeroClock = true, .endFadeToWhite = 0, .fadeLevel = 255, .fadeToWhite = 1,
                   .startFadeIn = true},
     .startOrder = 84, .startRow = 0, .fadeFraction = 0.95f, .quitCheckAfterFree = true,
     .entryFadeLevel = 255, .entryFadeToWhite = 1, .entryEndFadeToWhite = 1},
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

void callScene(int number, SceneStep step, int32_t length, uint32_t endOrder, uint32_t endRow)
{
    // The one operation of the scene's three that the step names.
    const auto call = [&](void (&init)(), void (&run)(int32_t, uint32_t, uint32_t),
                          void (&free)()) {
        if (step == sceneInit)
            init();
        else if (step == sceneRun)
            run(length, endOrder, endRow);
        else
            free();
    };
    switch (number) {
    case 1: call(flamesInit, flamesRun, flamesFree); break;
    case 2: call(creditsInit, creditsRun, creditsFree); break;
    case 3: call(spaceFlightInit, spaceFlightRun, spaceFlightFree); break;
    case 4: call(tunnelInit, tunnelRun, tunnelFree); break;
    case 5: call(waveGridInit, waveGridRun, waveGridFree); break;
    case 6: call(cosmosInit, cosmosRun, cosmosFree); break;
    case 7: call(sunCodeInit, sunCodeRun, sunCodeFree); break;
    case 8: call(disksInit, disksRun, disksFree); break;
    case 9: call(greetingsInit, greetingsRun, greetingsFree); break;
    case 10: call(rubberInit, rubberRun, rubberFree); break;
    case 11: call(morphInit, morphRun, morphFree); break;
    case 12: call(computerInit, computerRun, computerFree); break;
    case 13: call(motherInit, motherRun, motherFree); break;
    case 14: call(finalFlightInit, finalFlightRun, finalFlightFree); break;
    default: break;
    }
}
