// The generator: writes every asset of the show into a staging folder for the packer, and a
// contact sheet of such a folder for a look at the results.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes one file of the archive into the staging folder; reports failures on standard error.
bool writeAsset(const std::string& folder, const std::string& name,
                const std::vector<uint8_t>& bytes);
// Encodes and writes one picture into the staging folder: JPEG with the given quality, or BMP
// when the name ends in ".bmp". Reports failures on standard error.
bool writePicture(const std::string& folder, const std::string& name, const Picture& picture,
                  int quality);
// Writes every asset of the show into folder (which must exist); false after the first failure.
bool generateContent(const std::string& folder);

// Decodes every picture file in folder and writes a PNG contact sheet with each picture at its
// own size times scale (1 to 8), labelled with its name and size. false (with a message) on
// failure.
bool writeContactSheet(const std::string& pngPath, const std::string& folder, int scale);
