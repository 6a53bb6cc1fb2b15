// JPEG encoding without chroma subsampling. The default 2x2 chroma blocks spread the colour of a
// saturated glow into the black around it (a faint coloured frame when a sprite is added to the
// screen) and fringe thin coloured lines; full-resolution chroma keeps sprite edges black.
#include "content.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

std::vector<uint8_t> encodeFullChromaJpeg(const Picture& picture, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &memory, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    for (int c = 0; c < 3; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> line(static_cast<size_t>(picture.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint8_t* p = picture.bytes.data() + static_cast<size_t>(cinfo.next_scanline) * picture.width * 4;
        for (int x = 0; x < picture.width; ++x) {
            line[static_cast<size_t>(x) * 3 + 0] = p[x * 4 + 2];
            line[static_cast<size_t>(x) * 3 + 1] = p[x * 4 + 1];
            line[static_cast<size_t>(x) * 3 + 2] = p[x * 4 + 0];
        }
        JSAMPROW rows[1] = {line.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(memory, memory + size);
    jpeg_destroy_compress(&cinfo);
    std::free(memory);
    return out;
}
