// Morph: the floor, the morphing object, its mirror and fifteen key shapes, and their textures.
#pragma once

#include "canvas.h"
#include "writers/write3ds.h"

Scene3ds modelMorph();
Picture paintMorphFloor();
Picture paintMorphSkin();
