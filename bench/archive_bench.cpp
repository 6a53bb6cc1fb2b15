// Archive decompression and packing against zlib with the same 4096-byte window, on a few MB of
// mixed content: text, mesh-like binary, picture-like pixels.
#include "archive/archive.h"
#include "packer/packer.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

// Content kinds, in the order mixedContent joins them.
enum ContentKind { textContent, meshContent, pictureContent };

std::vector<uint8_t> contentOf(ContentKind kind)
{
    std::vector<uint8_t> data;
    std::mt19937 rng(1234 + unsigned(kind));
    if (kind == textContent) {
        // Words with a skewed choice, lines of varying length.
        static const char* words[] = {
            "engine", "the",     "scene", "light",  "of",      "a",     "mesh", "vertex", "face",
            "and",    "texture", "frame", "music",  "pattern", "row",   "sync", "camera", "path",
            "glow",   "tunnel",  "wave",  "cosmos", "rubber",  "morph", "neon", "room"};
        while (data.size() < 1200000) {
            int n = 4 + int(rng() % 12);
            for (int i = 0; i < n; ++i) {
                const char* w = words[std::min<unsigned>(rng() % 26, rng() % 26)];
                data.insert(data.end(), w, w + std::strlen(w));
                data.push_back(i + 1 < n ? ' ' : '\n');
            }
        }
    } else if (kind == meshContent) {
        // Float vertices on a sphere, 16-bit face indices.
        for (int i = 0; i < 60000; ++i) {
            float a = float(i % 200) * 0.0314f, b = float(i / 200) * 0.0105f;
            float v[3] = {std::cos(a) * std::sin(b) * 100.0f, std::sin(a) * std::sin(b) * 100.0f,
                          std::cos(b) * 100.0f};
            const uint8_t* p = reinterpret_cast<const uint8_t*>(v);
            data.insert(data.end(), p, p + sizeof v);
            uint16_t f[3] = {uint16_t(i), uint16_t(i + 1), uint16_t(i + 200)};
            p = reinterpret_cast<const uint8_t*>(f);
            data.insert(data.end(), p, p + sizeof f);
        }
    } else {
        // 512x512 BGR gradients with soft noise and a few flat areas.
        for (int y = 0; y < 512; ++y) {
            for (int x = 0; x < 512; ++x) {
                bool flat = ((x / 64) + (y / 64)) % 5 == 0;
                int noise = flat ? 0 : int(rng() % 7) - 3;
                data.push_back(uint8_t(std::clamp(x / 2 + noise, 0, 255)));
                data.push_back(uint8_t(std::clamp(y / 2 + noise, 0, 255)));
                data.push_back(uint8_t(std::clamp((x + y) / 4 + noise, 0, 255)));
            }
        }
    }
    return data;
}

std::vector<uint8_t> mixedContent()
{
    std::vector<uint8_t> data;
    for (ContentKind kind : {textContent, meshContent, pictureContent}) {
        std::vector<uint8_t> part = contentOf(kind);
        data.insert(data.end(), part.begin(), part.end());
    }
    return data;
}

std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& data)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -12, 9, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&z, uLong(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

void zlibInflate(const std::vector<uint8_t>& packed, uint8_t* out, size_t size)
{
    z_stream z{};
    inflateInit2(&z, -12);
    z.next_in = const_cast<Bytef*>(packed.data());
    z.avail_in = uInt(packed.size());
    z.next_out = out;
    z.avail_out = uInt(size);
    inflate(&z, Z_FINISH);
    inflateEnd(&z);
}

// Seconds of processor time of this thread: the cores are shared, so wall time would count the
// time other processes run as ours or zlib's.
double threadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Corpus {
    std::vector<uint8_t> data = mixedContent();
    std::vector<uint8_t> ours = compressStream(data.data(), data.size());
    std::vector<uint8_t> zlib = zlibCompress(data);
};

const Corpus& corpus()
{
    static Corpus c;
    return c;
}

// decodePack and zlib's inflate on the same content, timed alternately; ratio = ours / zlib.
void BM_UnpackVsInflate(benchmark::State& state)
{
    const Corpus& c = corpus();
    std::vector<uint8_t> outOurs(c.data.size() + packImageSpare), outZlib(c.data.size());
    double oursSeconds = 0, zlibSeconds = 0;
    for (auto _ : state) {
        auto t0 = threadSeconds();
        decodePack(outOurs.data(), outOurs.size(), c.ours.data(), c.ours.size(),
                   uint32_t(c.data.size()));
        auto t1 = threadSeconds();
        zlibInflate(c.zlib, outZlib.data(), outZlib.size());
        auto t2 = threadSeconds();
        benchmark::DoNotOptimize(outOurs.data());
        benchmark::DoNotOptimize(outZlib.data());
        oursSeconds += t1 - t0;
        zlibSeconds += t2 - t1;
    }
    if (std::memcmp(outOurs.data(), c.data.data(), c.data.size()) != 0 || outZlib != c.data)
        state.SkipWithError("decoded bytes differ from the input");
    double mb = double(c.data.size()) * double(state.iterations()) / 1e6;
    state.counters["ours_MBps"] = mb / oursSeconds;
    state.counters["zlib_MBps"] = mb / zlibSeconds;
    state.counters["ratio"] = oursSeconds / zlibSeconds;
}
BENCHMARK(BM_UnpackVsInflate)->Unit(benchmark::kMillisecond);

// The reference decoder on the same stream, against zlib (for scale, no goal).
void BM_ReferenceDecodeVsInflate(benchmark::State& state)
{
    const Corpus& c = corpus();
    std::vector<uint8_t> outOurs(c.data.size() + packImageSpare), outZlib(c.data.size());
    double oursSeconds = 0, zlibSeconds = 0;
    for (auto _ : state) {
        auto t0 = threadSeconds();
        decodePackReference(outOurs.data(), outOurs.size(), c.ours.data(), c.ours.size(),
                            uint32_t(c.data.size()));
        auto t1 = threadSeconds();
        zlibInflate(c.zlib, outZlib.data(), outZlib.size());
        auto t2 = threadSeconds();
        oursSeconds += t1 - t0;
        zlibSeconds += t2 - t1;
    }
    state.counters["ratio"] = oursSeconds / zlibSeconds;
}
BENCHMARK(BM_ReferenceDecodeVsInflate)->Unit(benchmark::kMillisecond);

// Packed sizes: ours (each parse) against zlib level 9 with the same window; size_ratio goal
// <= 1.05.
void BM_PackedSize(benchmark::State& state)
{
    const Corpus& c = corpus();
    PackParse parse = state.range(0) ? PackParse::optimal : PackParse::lazy;
    size_t oursSize = 0;
    double oursSeconds = 0, zlibSeconds = 0;
    for (auto _ : state) {
        auto t0 = threadSeconds();
        oursSize = compressStreamWith(c.data.data(), c.data.size(), parse).size() + packHeaderSize;
        auto t1 = threadSeconds();
        benchmark::DoNotOptimize(zlibCompress(c.data).data());
        auto t2 = threadSeconds();
        oursSeconds += t1 - t0;
        zlibSeconds += t2 - t1;
    }
    state.counters["ours_bytes"] = double(oursSize);
    state.counters["zlib_bytes"] = double(c.zlib.size());
    state.counters["size_ratio"] = double(oursSize) / double(c.zlib.size());
    state.counters["time_ratio"] = oursSeconds / zlibSeconds;
    state.SetLabel(parse == PackParse::optimal ? "optimal parse" : "lazy parse");
}
BENCHMARK(BM_PackedSize)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// Packed size of each kind of content alone (optimal parse): the archive has one Huffman table for
// everything, while zlib starts new blocks with new tables as the content changes, so the mixed
// ratio is above each kind's.
void BM_PackedSizeByKind(benchmark::State& state)
{
    ContentKind kind = ContentKind(state.range(0));
    std::vector<uint8_t> data = contentOf(kind);
    size_t oursSize = 0, zlibSize = 0;
    for (auto _ : state) {
        oursSize = compressStream(data.data(), data.size()).size() + packHeaderSize;
        zlibSize = zlibCompress(data).size();
    }
    state.counters["size_ratio"] = double(oursSize) / double(zlibSize);
    state.SetLabel(kind == textContent ? "text" : kind == meshContent ? "mesh" : "picture");
}
BENCHMARK(BM_PackedSizeByKind)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
