// Tunnel: "zemtun3.3ds" (a ring-shaped tube round the vertical axis), its textures and the glow
// added over every frame.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <vector>

Picture paintTunnelWall();
Picture paintTunnelChrome();
Picture paintTunnelLamps();
Picture paintTunnelGlow();
std::vector<uint8_t> encodeTunnelMesh();
