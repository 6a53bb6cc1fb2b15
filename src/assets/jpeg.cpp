// JPEG pictures: libjpeg over an archive file, with an error handler that returns to the loader.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jerror.h>
#include <jpeglib.h>

#include "archive/archive.h"
#include "assets/assets.h"

namespace {

// The data source: libjpeg's source manager followed by the open file and the read buffer.
struct PackSourceManager {
    jpeg_source_mgr pub;
    PackFile* file;
    JOCTET* buffer;
    bool startOfFile;
};

void initSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<PackSourceManager*>(cinfo->src)->startOfFile = true;
}

boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<PackSourceManager*>(cinfo->src);
    int count = packRead(src->buffer, 1, jpegSourceBufferSize, src->file);
    if (count <= 0) {
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // Close the data with an end-of-image marker.
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        count = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = size_t(count);
    src->startOfFile = false;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<PackSourceManager*>(cinfo->src);
    if (count <= 0)
        return;
    while (count > long(src->pub.bytes_in_buffer)) {
        count -= long(src->pub.bytes_in_buffer);
        fillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

// libjpeg's standard error manager with a fatal-error handler that jumps back into loadJpeg,
// and the name of the picture being decoded for the messages.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    jmp_buf returnPoint;
    const char* name;
};

// Messages of the library go to standard output, one line each, naming the picture.
void outputMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    std::printf("Picture '%s': %s\n", reinterpret_cast<JpegErrorManager*>(cinfo->err)->name, text);
}

// Warnings (level -1) are shown once per picture: a cut file warns again at every refill, that
// is at every scanline once the data has run out. Trace messages (levels 1 and up) are dropped.
void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    if (cinfo->err->num_warnings++ == 0)
        (*cinfo->err->output_message)(cinfo);
}

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->returnPoint, 1);
}

// Decoders keep their working memory below this; larger needs (huge progressive pictures) fail
// like any other decoding error.
constexpr long jpegMemoryLimit = 64L * 1024 * 1024;

}  // namespace

void PackJpegSource(jpeg_decompress_struct* cinfo, PackFile* file)
{
    if (!cinfo->src) {
        cinfo->src = static_cast<jpeg_source_mgr*>((*cinfo->mem->alloc_small)(
            j_common_ptr(cinfo), JPOOL_PERMANENT, sizeof(PackSourceManager)));
        reinterpret_cast<PackSourceManager*>(cinfo->src)->buffer = static_cast<JOCTET*>(
            (*cinfo->mem->alloc_small)(j_common_ptr(cinfo), JPOOL_PERMANENT, jpegSourceBufferSize));
    }
    auto* src = reinterpret_cast<PackSourceManager*>(cinfo->src);
    src->pub.init_source = initSource;
    src->pub.fill_input_buffer = fillInputBuffer;
    src->pub.skip_input_data = skipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = termSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    src->file = file;
}

uint32_t* loadJpeg(const char* name)
{
    PackFile* file = openPicture(name);
    if (!file)
        return nullptr;

    // Everything the error path touches lives across the jump: no automatic C++ objects here.
    static jpeg_decompress_struct cinfo;
    static JpegErrorManager jerr;
    static uint32_t* pixels;
    pixels = nullptr;
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = errorExit;
    jerr.pub.output_message = outputMessage;
    jerr.pub.emit_message = emitMessage;
    jerr.name = name;
    if (setjmp(jerr.returnPoint)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(pixels);
        pixels = nullptr;
        packClose(file);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = jpegMemoryLimit;
    PackJpegSource(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    // Colour and grayscale pictures both come out as three samples red, green, blue.
    cinfo.out_color_space = JCS_RGB;
    if (int64_t(cinfo.image_width) * cinfo.image_height > maxPicturePixels) {
        std::printf("Picture '%s' is too large (%ux%u)\n", name, cinfo.image_width,
                    cinfo.image_height);
        longjmp(jerr.returnPoint, 1);
    }
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3)
        ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);

    const int width = int(cinfo.output_width);
    const int height = int(cinfo.output_height);
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(j_common_ptr(&cinfo), JPOOL_IMAGE,
                                                JDIMENSION(width * cinfo.output_components), 1);
    pixels = allocatePicture(int64_t(width) * height);
    uint32_t* out = pixels;
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, row, 1);
        const JSAMPLE* sample = row[0];
        for (int x = 0; x < width; ++x, sample += 3)
            *out++ = uint32_t(sample[2]) | uint32_t(sample[1]) << 8 | uint32_t(sample[0]) << 16;
    }
    pictureState.lastPictureWidth = width;
    pictureState.lastPictureHeight = height;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    packClose(file);
    uint32_t* result = pixels;
    pixels = nullptr;
    return result;
}
