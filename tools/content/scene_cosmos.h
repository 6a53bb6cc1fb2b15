// Cosmos cross-fade: one nebula and planet in two lights.
#pragma once

#include "canvas.h"

Picture paintCosmosWarm();
Picture paintCosmosCool();
