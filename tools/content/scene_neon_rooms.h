// Neon rooms: the computer room, the machine room, the textures both share, the sign's two states
// (256 x 256 face textures), the Computer's overlay (320 x 520) and the Mother's panel (144 x 64).
// Painters that need the fonts return false (with a message) without them.
#pragma once

#include "canvas.h"
#include "writers/write3ds.h"

Scene3ds modelComputerRoom();
Scene3ds modelMotherRoom();
Picture paintRoomFloor();
Picture paintRoomWall();
Picture paintRoomCeiling();
Picture paintRoomObjects();
Picture paintMotherOrb();
bool paintNeonSignLit(Picture& picture);
bool paintNeonSignDark(Picture& picture);
bool paintComputerOverlay(Picture& picture);
bool paintMotherPanel(Picture& picture);
