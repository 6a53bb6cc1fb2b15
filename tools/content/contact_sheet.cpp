// A contact sheet: every picture of a staging folder decoded from its file (so JPEG artefacts
// show) at its own size on a grey grid, labelled with its name and size.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "generate.h"

#include "masks.h"
#include "text.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

// Grid cells hold the largest picture (320 wide, 256 high) and a label line, at scale 1.
constexpr int cellWidth = 336;
constexpr int cellPictureHeight = 256;
constexpr int labelHeight = 22;
constexpr int columns = 4;

struct Decoded {
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

bool isPictureName(const std::string& name)
{
    const std::string ext = std::filesystem::path(name).extension().string();
    return ext == ".jpg" || ext == ".jpeg" || ext == ".bmp" || ext == ".JPG" || ext == ".BMP";
}

}  // namespace

bool writeContactSheet(const std::string& pngPath, const std::string& folder, int scale)
{
    scale = std::clamp(scale, 1, 8);
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && isPictureName(entry.path().filename().string()))
            names.push_back(entry.path().filename().string());
    }
    if (error) {
        std::fprintf(stderr, "v4npelva-content: cannot list %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return false;
    }
    std::sort(names.begin(), names.end());
    if (names.empty()) {
        std::fprintf(stderr, "v4npelva-content: no pictures in %s\n", folder.c_str());
        return false;
    }

    std::vector<Decoded> pictures;
    for (const std::string& name : names) {
        Decoded d;
        d.name = name;
        int components = 0;
        const std::string path = folder + "/" + name;
        std::unique_ptr<stbi_uc, void (*)(void*)> data(
            stbi_load(path.c_str(), &d.width, &d.height, &components, 3), stbi_image_free);
        if (!data) {
            std::fprintf(stderr, "v4npelva-content: cannot decode %s: %s\n", path.c_str(),
                         stbi_failure_reason());
            return false;
        }
        d.rgb.assign(data.get(), data.get() + static_cast<size_t>(d.width) * d.height * 3);
        pictures.push_back(std::move(d));
    }

    Font font;
    const bool haveFont = loadFont(font, dejaVuPath("DejaVuSans.ttf"));
    const int across = static_cast<int>(std::min<size_t>(columns, pictures.size()));
    const int rows = static_cast<int>((pictures.size() + across - 1) / across);
    const int pictureWidth = (cellWidth - 16) * scale;
    const int pictureHeight = cellPictureHeight * scale;
    const int cellW = pictureWidth + 16;
    const int cellH = pictureHeight + labelHeight + 8;
    Canvas sheet = makeCanvas(across * cellW, rows * cellH, {0.16f, 0.16f, 0.18f});
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Decoded& d = pictures[i];
        const int cx = static_cast<int>(i % across) * cellW + 8;
        const int cy = static_cast<int>(i / across) * cellH + 8;
        // Pixels are enlarged as blocks so that single-pixel detail stays visible.
        const int w = std::min(d.width * scale, pictureWidth);
        const int h = std::min(d.height * scale, pictureHeight);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const uint8_t* p =
                    &d.rgb[(static_cast<size_t>(y / scale) * d.width + x / scale) * 3];
                sheet.pixels[static_cast<size_t>(cy + y) * sheet.width + cx + x] = {
                    p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
            }
        }
        if (haveFont) {
            const std::string label =
                d.name + "  " + std::to_string(d.width) + "x" + std::to_string(d.height);
            const Mask text = renderText(font, label, 15.0f, 0.0f, 0);
            addMask(sheet, text, cx, cy + pictureHeight + 2, {0.9f, 0.9f, 0.9f}, 1.0f);
        }
    }

    std::vector<uint8_t> rgb(static_cast<size_t>(sheet.width) * sheet.height * 3);
    for (size_t i = 0; i < sheet.pixels.size(); ++i) {
        rgb[i * 3 + 0] =
            static_cast<uint8_t>(std::clamp(sheet.pixels[i].r, 0.0f, 1.0f) * 255.0f + 0.5f);
        rgb[i * 3 + 1] =
            static_cast<uint8_t>(std::clamp(sheet.pixels[i].g, 0.0f, 1.0f) * 255.0f + 0.5f);
        rgb[i * 3 + 2] =
            static_cast<uint8_t>(std::clamp(sheet.pixels[i].b, 0.0f, 1.0f) * 255.0f + 0.5f);
    }
    if (!stbi_write_png(pngPath.c_str(), sheet.width, sheet.height, 3, rgb.data(),
                        sheet.width * 3)) {
        std::fprintf(stderr, "v4npelva-content: cannot write %s\n", pngPath.c_str());
        return false;
    }
    return true;
}
