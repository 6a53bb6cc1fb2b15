// Credits: the chrome logo's mesh (an encoded 3DS file) and the credit cards.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> buildLogoMesh();
// A 256 x 128 credit card: title above, names below; false when the fonts are missing.
bool paintCreditCard(Picture& picture, const std::string& title, const std::string& names,
                     Rgb tint);
