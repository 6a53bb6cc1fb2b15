// The title logo and the opening picture. Both need the fonts: false (with a message on standard
// error) when they are missing.
#pragma once

#include "canvas.h"

// The title grows to about 526 x 164 pixels on screen: 256 wide keeps that aspect at 80 rows.
constexpr int titleHeight = 80;

bool paintTitleLogo(Picture& picture);
bool paintOpeningPicture(Picture& picture);
