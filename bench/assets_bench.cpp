// Assets: JPEG decoding through the archive data source against libjpeg's own memory source, and
// loading a full-size mesh (with and without its normals).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "archive/archive.h"
#include "assets/assets.h"
#include "packer/packer.h"
#include "render/render.h"
#include "writers/write3ds.h"
#include "writers/writers.h"

namespace {

using Clock = std::chrono::steady_clock;

// Installs an unpacked archive image of the files as the loaded archive.
void installArchive(const std::vector<PackInput>& files)
{
    std::string error;
    if (!installPackImage(files, error))
        std::abort();
}

// A picture with smooth areas and detail, like the show's photos and renders.
std::vector<uint8_t> benchPicture(int width, int height)
{
    std::vector<uint8_t> p(size_t(width) * size_t(height) * 4);
    uint32_t seed = 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245 + 12345;
            uint8_t* q = &p[(size_t(y) * size_t(width) + size_t(x)) * 4];
            q[0] = uint8_t(x + ((seed >> 16) & 15));
            q[1] = uint8_t(y * 2 + x / 3);
            q[2] = uint8_t((x * y) >> 6);
            q[3] = 0;
        }
    return p;
}

// The reference: the same decode and pixel conversion with libjpeg's memory source.
uint32_t* decodeFromMemory(const std::vector<uint8_t>& jpeg)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const int width = int(cinfo.output_width);
    JSAMPARRAY row =
        (*cinfo.mem->alloc_sarray)(j_common_ptr(&cinfo), JPOOL_IMAGE, JDIMENSION(width * 3), 1);
    const size_t pixels = size_t(width) * cinfo.output_height;
    uint32_t* out = static_cast<uint32_t*>(std::calloc(pixels < 65536 ? 65536 : pixels, 4));
    uint32_t* o = out;
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, row, 1);
        const JSAMPLE* s = row[0];
        for (int x = 0; x < width; ++x, s += 3)
            *o++ = uint32_t(s[2]) | uint32_t(s[1]) << 8 | uint32_t(s[0]) << 16;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

// Pictures per second through loadJpeg; `ratio` is its time over the memory source's on the
// same two files (320x200 and 256x256), timed alternately.
void BM_JpegArchiveSourceVsMemorySource(benchmark::State& state)
{
    const std::vector<uint8_t> a = benchPicture(320, 200), b = benchPicture(256, 256);
    const std::vector<PackInput> files = {{"back.jpg", encodeJpeg(a.data(), 320, 200, 85)},
                                          {"tex.jpg", encodeJpeg(b.data(), 256, 256, 85)}};
    installArchive(files);
    double ours = 0, reference = 0;
    for (auto _ : state) {
        for (const PackInput& f : files) {
            auto t0 = Clock::now();
            uint32_t* p = loadJpeg(f.name.c_str());
            auto t1 = Clock::now();
            uint32_t* q = decodeFromMemory(f.bytes);
            auto t2 = Clock::now();
            benchmark::DoNotOptimize(p);
            benchmark::DoNotOptimize(q);
            std::free(p);
            std::free(q);
            ours += std::chrono::duration<double>(t1 - t0).count();
            reference += std::chrono::duration<double>(t2 - t1).count();
        }
    }
    state.counters["ratio"] = ours / reference;
    state.SetItemsProcessed(int64_t(state.iterations()) * 2);
    resetArchive();
}
BENCHMARK(BM_JpegArchiveSourceVsMemorySource)->Unit(benchmark::kMillisecond);

// A mesh at the tables' capacity: 8000 vertices on a 100 x 80 grid, 8000 faces.
std::vector<uint8_t> fullMesh()
{
    Object3ds o;
    o.name = "Grid";
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            o.vertices.push_back({float(x) * 4, float(y) * 4, float((x * y) % 7)});
            o.texCoords.push_back({float(x) / 100, float(y) / 80});
        }
    for (int i = 0; i < 8000; ++i) {
        const int x = i % 99, y = (i / 99) % 79;
        const uint16_t v = uint16_t(y * 100 + x);
        o.faces.push_back(i & 1 ? Face3ds{v, uint16_t(v + 1), uint16_t(v + 101), 0}
                                : Face3ds{v, uint16_t(v + 101), uint16_t(v + 100), 0});
    }
    o.groups = {{"Grid", {}}};
    for (uint16_t i = 0; i < 2048; ++i)
        o.groups[0].faces.push_back(i);
    Scene3ds s;
    s.materials = {{"Grid", "", 0xA200}};
    s.objects = {o};
    return encode3ds(s);
}

// Meshes per second through load3ds; `ratio` is its time over copying the same file out of the
// archive with packRead (the floor any loader pays), timed alternately.
void BM_Load3dsVsFileCopy(benchmark::State& state)
{
    const std::vector<uint8_t> pixels(16 * 16 * 4, 0x80);
    const std::vector<uint8_t> file = fullMesh();
    installArchive({{"grid.3ds", file}, {"enver1.jpg", encodeJpeg(pixels.data(), 16, 16, 80)}});
    std::vector<uint8_t> copy(file.size());
    char message[meshMessageSize];
    double ours = 0, reference = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (!load3ds("grid.3ds", message))
            state.SkipWithError(message);
        auto t1 = Clock::now();
        PackFile* f = packOpen("grid.3ds");
        packRead(copy.data(), 1, int(copy.size()), f);
        packClose(f);
        auto t2 = Clock::now();
        benchmark::DoNotOptimize(copy.data());
        free3ds();
        ours += std::chrono::duration<double>(t1 - t0).count();
        reference += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["ratio"] = ours / reference;
    state.counters["bytes"] = double(file.size());
    resetMesh();
    resetArchive();
}
BENCHMARK(BM_Load3dsVsFileCopy)->Unit(benchmark::kMicrosecond);

// What a scene's set-up pays for its mesh: load3ds then prepareMeshNormals (quadratic in the
// vertex count); `ratio` is the whole over load3ds alone.
void BM_Load3dsAndNormals(benchmark::State& state)
{
    const std::vector<uint8_t> pixels(16 * 16 * 4, 0x80);
    installArchive(
        {{"grid.3ds", fullMesh()}, {"enver1.jpg", encodeJpeg(pixels.data(), 16, 16, 80)}});
    char message[meshMessageSize];
    double load = 0, normals = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (!load3ds("grid.3ds", message))
            state.SkipWithError(message);
        auto t1 = Clock::now();
        prepareMeshNormals();
        auto t2 = Clock::now();
        free3ds();
        load += std::chrono::duration<double>(t1 - t0).count();
        normals += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["ratio"] = (load + normals) / load;
    state.counters["normals_ms"] = normals * 1000 / double(state.iterations());
    resetMesh();
    resetArchive();
}
BENCHMARK(BM_Load3dsAndNormals)->Unit(benchmark::kMillisecond);

}  // namespace
