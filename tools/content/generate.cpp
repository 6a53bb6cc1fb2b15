// The list of every asset in the show's archive. To add a picture: write its painter (a function
// returning a Picture) and add one line below with its archive name and JPEG quality. A mesh is
// one line too: writeAsset(folder, "name.3ds", encode3ds(...)) with the writers' 3DS encoder.
#include "generate.h"

#include "scene_cosmos.h"
#include "scene_credits.h"
#include "scene_disks.h"
#include "scene_flames.h"
#include "scene_greetings.h"
#include "scene_morph.h"
#include "scene_neon_rooms.h"
#include "scene_rubber.h"
#include "scene_space.h"
#include "scene_sun_code.h"
#include "scene_tunnel.h"
#include "scene_wave_grid.h"
#include "sprites.h"
#include "titles.h"

#include "writers/write3ds.h"
#include "writers/writers.h"

#include <cstdio>

// Sprites are drawn scaled up several times: quality 95 keeps JPEG blocks out of their glows.
constexpr int spriteQuality = 95;
// Full-screen pictures and maps are seen at their own size.
constexpr int pictureQuality = 92;
// Face textures are seen light-mapped and stretched over faces: a lower quality keeps them small.
constexpr int faceQuality = 80;
// Text on black (code, greeting cards): sharp enough to read, small on disk.
constexpr int codeQuality = 88;
// The 3000-pixel panorama is mostly black with thin lines.
constexpr int panoramaQuality = 75;

static bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool writeAsset(const std::string& folder, const std::string& name,
                const std::vector<uint8_t>& bytes)
{
    if (bytes.empty() || !writeFileBytes(folder + "/" + name, bytes)) {
        std::fprintf(stderr, "v4npelva-content: cannot write %s/%s\n", folder.c_str(),
                     name.c_str());
        return false;
    }
    return true;
}

bool writePicture(const std::string& folder, const std::string& name, const Picture& picture,
                  int quality)
{
    return writeAsset(
        folder, name,
        endsWith(name, ".bmp")
            ? encodeBmp(picture.bytes.data(), picture.width, picture.height)
            : encodeJpeg(picture.bytes.data(), picture.width, picture.height, quality, true));
}

bool generateContent(const std::string& folder)
{
    bool ok = true;
    // Light sprites and the lens flare, shared by several scenes.
    ok = ok && writePicture(folder, "light_r.jpg", paintLightRed(), spriteQuality);
    ok = ok && writePicture(folder, "light_g.jpg", paintLightGreen(), spriteQuality);
    ok = ok && writePicture(folder, "light_b.jpg", paintLightBlue(), spriteQuality);
    ok = ok && writePicture(folder, "light_f.jpg", paintLightFlame(), spriteQuality);
    ok = ok && writePicture(folder, "light_s.jpg", paintLightStar(), spriteQuality);
    ok = ok && writePicture(folder, "light_rs.jpg", paintLightSmallRed(), spriteQuality);
    ok = ok && writePicture(folder, "light_bs.jpg", paintLightSmallBlue(), spriteQuality);
    ok = ok && writePicture(folder, "blik.jpg", paintFlareRing(), spriteQuality);
    // The reflection behind the environment-mapped drawing modes.
    ok = ok && writePicture(folder, "enver1.jpg", paintEnvironmentMap(), pictureQuality);
    // Titles.
    Picture picture;
    ok = ok && paintTitleLogo(picture) &&
         writePicture(folder, "pelvad2.jpg", picture, spriteQuality);
    ok = ok && paintOpeningPicture(picture) &&
         writePicture(folder, "kfr_mi.jpg", picture, pictureQuality);
    // Flames: the temple hall, its face textures.
    ok = ok && writeAsset(folder, "flames.3ds", buildFlamesMesh());
    ok = ok && writePicture(folder, "fl_stone.jpg", paintFlamesStone(), faceQuality);
    ok = ok && writePicture(folder, "fl_floor.jpg", paintFlamesFloor(), faceQuality);
    ok = ok && writePicture(folder, "fl_dome.jpg", paintFlamesDome(), faceQuality);
    ok = ok && writePicture(folder, "fl_gold.jpg", paintFlamesGold(), faceQuality);
    // Credits: the chrome logo and the cards.
    ok = ok && writeAsset(folder, "&logo.3ds", buildLogoMesh());
    ok = ok && paintCreditCard(picture, "-ZEM-", "demo group", {0.3f, 0.5f, 1.0f}) &&
         writePicture(folder, "t_zem.jpg", picture, spriteQuality);
    ok = ok && paintCreditCard(picture, "code", "Vendrix & Oblique", {1.0f, 0.45f, 0.15f}) &&
         writePicture(folder, "t_code.jpg", picture, spriteQuality);
    ok = ok && paintCreditCard(picture, "graphics", "Marrow", {0.35f, 1.0f, 0.4f}) &&
         writePicture(folder, "t_gfx.jpg", picture, spriteQuality);
    ok = ok && paintCreditCard(picture, "music", "Quillion", {0.9f, 0.35f, 1.0f}) &&
         writePicture(folder, "t_music.jpg", picture, spriteQuality);
    ok = ok && paintCreditCard(picture, "Kafrim", "3d models", {1.0f, 0.85f, 0.3f}) &&
         writePicture(folder, "t_kfr.jpg", picture, spriteQuality);
    // Sun and code.
    ok = ok && writeAsset(folder, "x2.3ds", buildSunCodeMesh());
    ok = ok && writePicture(folder, "x2sun.jpg", paintSunSurface(), faceQuality);
    ok = ok && writePicture(folder, "x2plan.jpg", paintPlanetBands(), faceQuality);
    ok = ok && writePicture(folder, "x2space.jpg", paintSpaceSky(), faceQuality);
    ok = ok && writePicture(folder, "nsun.jpg", paintCornerSun(), spriteQuality);
    ok = ok && paintCodeStrip(picture) && writePicture(folder, "mmxcode.jpg", picture, codeQuality);
    // Disks.
    ok = ok && writeAsset(folder, "disks.3ds", buildDisksMesh());
    ok = ok && writePicture(folder, "q1.jpg", paintDisksBackdropCool(), pictureQuality);
    ok = ok && writePicture(folder, "q2.jpg", paintDisksBackdropWarm(), pictureQuality);
    ok = ok && paintDisksWord(picture, "MOTION", false, {0.3f, 0.6f, 1.0f}) &&
         writePicture(folder, "!motion.jpg", picture, spriteQuality);
    ok = ok && paintDisksWord(picture, "IS", true, {1.0f, 0.5f, 0.15f}) &&
         writePicture(folder, "!is.jpg", picture, spriteQuality);
    ok = ok && paintDisksWord(picture, "LIFE", false, {0.9f, 0.3f, 0.8f}) &&
         writePicture(folder, "!life.jpg", picture, spriteQuality);
    // Greetings.
    ok = ok && paintGreetingsPanel(picture) &&
         writePicture(folder, "06pet06.jpg", picture, pictureQuality);
    ok = ok && writePicture(folder, "gretf1.jpg", paintGreetingsFace(0), pictureQuality);
    ok = ok && writePicture(folder, "gretf2.jpg", paintGreetingsFace(1), pictureQuality);
    ok = ok && writePicture(folder, "gretf3.jpg", paintGreetingsFace(2), pictureQuality);
    ok = ok && paintGreetingCards(picture) &&
         writePicture(folder, "greetz2.jpg", picture, codeQuality);
    ok = ok && writePicture(folder, "greplas.jpg", paintWarpVeins(), faceQuality);
    ok = ok && writeAsset(folder, "backobj.3ds", buildGreetingsMesh());
    // Rubber.
    ok = ok && writeAsset(folder, "rubber.3ds", buildRubberMesh());
    ok = ok && writePicture(folder, "rubroom.jpg", paintRubberPanels(), faceQuality);
    ok = ok && writePicture(folder, "cc000.jpg", paintRubberPanorama(), panoramaQuality);
    // Morph.
    ok = ok && writeAsset(folder, "morph.3ds", encode3ds(modelMorph()));
    ok = ok && writePicture(folder, "mofloor.jpg", paintMorphFloor(), pictureQuality);
    ok = ok && writePicture(folder, "moskin.jpg", paintMorphSkin(), pictureQuality);
    // Neon rooms: Computer and Mother.
    ok = ok && writeAsset(folder, "comp2.3ds", encode3ds(modelComputerRoom()));
    ok = ok && writeAsset(folder, "mother.3ds", encode3ds(modelMotherRoom()));
    ok = ok && writePicture(folder, "nrfloor.jpg", paintRoomFloor(), pictureQuality);
    ok = ok && writePicture(folder, "nrwall.jpg", paintRoomWall(), pictureQuality);
    ok = ok && writePicture(folder, "nrceil.jpg", paintRoomCeiling(), pictureQuality);
    ok = ok && writePicture(folder, "nrbox.jpg", paintRoomObjects(), pictureQuality);
    ok = ok && writePicture(folder, "nrorb.jpg", paintMotherOrb(), pictureQuality);
    ok = ok && paintNeonSignLit(picture) &&
         writePicture(folder, "neonlamp.jpg", picture, spriteQuality);
    ok = ok && paintNeonSignDark(picture) &&
         writePicture(folder, "neonlam2.jpg", picture, spriteQuality);
    ok = ok && paintComputerOverlay(picture) &&
         writePicture(folder, "zorvex1.jpg", picture, pictureQuality);
    ok = ok && paintMotherPanel(picture) &&
         writePicture(folder, "bksheme.jpg", picture, pictureQuality);
    // Space flight.
    ok = ok && writePicture(folder, "spsky.jpg", paintFlightSky(), faceQuality);
    ok = ok && writePicture(folder, "spgate.jpg", paintGateRing(), faceQuality);
    ok = ok && writePicture(folder, "sphull.jpg", paintStationHull(), faceQuality);
    ok = ok && writePicture(folder, "spwheel.jpg", paintStationWindows(), faceQuality);
    ok = ok && writePicture(folder, "sprock.jpg", paintAsteroidRock(), faceQuality);
    ok = ok && writePicture(folder, "spplan.jpg", paintHomePlanet(), faceQuality);
    ok = ok && writeAsset(folder, "space1.3ds", encodeSpaceFlightMesh());
    // Tunnel.
    ok = ok && writePicture(folder, "tunwall.jpg", paintTunnelWall(), faceQuality);
    ok = ok && writePicture(folder, "tunchrom.jpg", paintTunnelChrome(), faceQuality);
    ok = ok && writePicture(folder, "tunlamp.jpg", paintTunnelLamps(), faceQuality);
    ok = ok && writePicture(folder, "tunback.jpg", paintTunnelGlow(), pictureQuality);
    ok = ok && writeAsset(folder, "zemtun3.3ds", encodeTunnelMesh());
    // Wave grid.
    ok = ok && writePicture(folder, "freetun8.jpg", paintWaveCircuit(), faceQuality);
    ok = ok && writePicture(folder, "rubbb1.jpg", paintWavePlasma(), faceQuality);
    ok = ok && writePicture(folder, "freetun7.jpg", paintWaveTiles(), faceQuality);
    ok = ok && writePicture(folder, "freetun3.jpg", paintWaveFire(), faceQuality);
    ok = ok && paintWavePanel(picture) &&
         writePicture(folder, "cosmback.bmp", picture, pictureQuality);
    // Cosmos cross-fade.
    ok = ok && writePicture(folder, "cosmo2.jpg", paintCosmosWarm(), pictureQuality);
    ok = ok && writePicture(folder, "cosmo24.jpg", paintCosmosCool(), pictureQuality);
    // Final flight.
    ok = ok && writePicture(folder, "fnsky.jpg", paintFarSky(), faceQuality);
    ok = ok && writePicture(folder, "fnship.jpg", paintShipHull(), faceQuality);
    ok = ok && writePicture(folder, "fnexh.jpg", paintEngineExhaust(), spriteQuality);
    ok = ok && writePicture(folder, "fnveil.jpg", paintNebulaVeil(), spriteQuality);
    ok = ok && writePicture(folder, "fnring.jpg", paintPlanetRings(), faceQuality);
    ok = ok && writeAsset(folder, "space2.3ds", encodeFinalFlightMesh());
    ok = ok && paintEndCredits(picture) &&
         writePicture(folder, "titry2.jpg", picture, pictureQuality);
    return ok;
}
