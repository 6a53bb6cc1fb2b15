// BMP and JPEG encoders for the engine's pixel layout.
#include "writers/writers.h"

#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Compresses rows of `components` samples per pixel produced by `row(y, buffer)`.
template <typename RowFn>
std::vector<uint8_t> compressJpeg(int width, int height, int components, int quality,
                                  bool fullChroma, RowFn row)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &memory, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (fullChroma)
        for (int c = 0; c < components; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;
            cinfo.comp_info[c].v_samp_factor = 1;
        }
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> line(size_t(width) * size_t(components));
    while (cinfo.next_scanline < cinfo.image_height) {
        row(int(cinfo.next_scanline), line.data());
        JSAMPROW rows[1] = {line.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(memory, memory + size);
    jpeg_destroy_compress(&cinfo);
    free(memory);
    return out;
}

}  // namespace

std::vector<uint8_t> encodeBmp(const uint8_t* pixels, int width, int height, BmpLayout layout)
{
    const uint32_t bytesPerPixel = uint32_t(layout.bitsPerPixel) / 8;
    const uint32_t rowBytes = (uint32_t(width) * bytesPerPixel + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * uint32_t(height);
    std::vector<uint8_t> out;
    out.reserve(54 + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + imageBytes);  // file size
    put32(out, 0);                // reserved
    put32(out, 54);               // pixel data offset
    put32(out, 40);               // info header size
    put32(out, uint32_t(width));
    put32(out, layout.topDown ? uint32_t(-int64_t(height)) : uint32_t(height));
    put16(out, 1);  // planes
    put16(out, uint32_t(layout.bitsPerPixel));
    put32(out, 0);  // no compression
    put32(out, imageBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int i = 0; i < height; ++i) {
        const int y = layout.topDown ? i : height - 1 - i;
        const uint8_t* p = pixels + size_t(y) * size_t(width) * 4;
        for (int x = 0; x < width; ++x, p += 4)
            for (uint32_t b = 0; b < bytesPerPixel; ++b)
                out.push_back(p[b]);
        for (uint32_t pad = uint32_t(width) * bytesPerPixel; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> encodeJpeg(const uint8_t* pixels, int width, int height, int quality,
                                bool fullChroma)
{
    return compressJpeg(width, height, 3, quality, fullChroma, [&](int y, JSAMPLE* line) {
        const uint8_t* p = pixels + size_t(y) * size_t(width) * 4;
        for (int x = 0; x < width; ++x, p += 4) {
            line[3 * x + 0] = p[2];
            line[3 * x + 1] = p[1];
            line[3 * x + 2] = p[0];
        }
    });
}

std::vector<uint8_t> encodeJpegGray(const uint8_t* gray, int width, int height, int quality)
{
    return compressJpeg(width, height, 1, quality, false, [&](int y, JSAMPLE* line) {
        std::memcpy(line, gray + size_t(y) * size_t(width), size_t(width));
    });
}

bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
