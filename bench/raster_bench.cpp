// Rasterizer and screen-effect throughput, each measured against a physical reference in the
// same loop: span fillers against a plain 32-bit store loop over the same spans, whole-buffer
// operations against memcpy of the same bytes. The counter `ratio` is ours / reference.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "assets/mesh.h"
#include "render/draw.h"
#include "render/render.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The reference for span fillers: one 32-bit store per pixel, kept a scalar loop (not widened
// by the compiler) so that it stands for writing the span's pixels one by one.
#if defined(__clang__)
void storeSpan(uint32_t* dst, int count, uint32_t value)
{
#pragma clang loop vectorize(disable) interleave(disable)
    for (int j = 0; j < count; j++)
        dst[j] = value + j;
}
#else
__attribute__((optimize("no-tree-vectorize"))) void storeSpan(uint32_t* dst, int count,
                                                              uint32_t value)
{
    for (int j = 0; j < count; j++)
        dst[j] = value + j;
}
#endif

struct RecordedSpan {
    int offset;  // first pixel in the buffer
    SpanState state;
};

struct SpanFixture {
    std::vector<uint32_t> texture, environment, frame;
    std::vector<uint8_t> maps;
    std::vector<RecordedSpan> spans;
    SpanFixture(int length)
    {
        std::mt19937 rng(1);
        texture.resize(256 * 256);
        environment.resize(256 * 256);
        maps.resize(2 * 256 * 256);
        for (auto& t : texture)
            t = rng();
        for (auto& t : environment)
            t = rng();
        for (auto& m : maps)
            m = static_cast<uint8_t>(rng());
        frame.assign(viewPixels, 0);
        for (int i = 0; i < 2000; i++) {
            RecordedSpan s{};
            const int x = length >= viewWidth ? 0 : static_cast<int>(rng() % (viewWidth - length));
            s.offset = static_cast<int>(rng() % viewHeight) * viewWidth + x;
            SpanState& sp = s.state;
            sp.u = static_cast<int32_t>(rng() % 65536);
            sp.v = static_cast<int32_t>(rng() % 65536);
            sp.s = static_cast<int32_t>(rng() % 65536);
            sp.t = static_cast<int32_t>(rng() % 65536);
            sp.du = static_cast<int32_t>(rng() % 512) - 256;
            sp.dv = static_cast<int32_t>(rng() % 512) - 256;
            sp.ds = static_cast<int32_t>(rng() % 128) - 64;
            sp.dt = static_cast<int32_t>(rng() % 128) - 64;
            sp.count = length;
            sp.texture = texture.data();
            sp.diffuseMap = maps.data();
            sp.highlightMap = maps.data() + 256 * 256;
            sp.environment = environment.data();
            spans.push_back(s);
        }
    }
};

void spanBenchmark(benchmark::State& state, SpanFiller filler)
{
    const int length = static_cast<int>(state.range(0));
    SpanFixture f(length);
    double ours = 0, reference = 0;
    for (auto _ : state) {
        Clock::time_point t = Clock::now();
        for (const RecordedSpan& s : f.spans)
            filler(f.frame.data() + s.offset, s.state);
        benchmark::ClobberMemory();
        ours += secondsSince(t);
        t = Clock::now();
        for (const RecordedSpan& s : f.spans)
            storeSpan(f.frame.data() + s.offset, s.state.count, 0x10203);
        benchmark::ClobberMemory();
        reference += secondsSince(t);
    }
    const double pixels = static_cast<double>(state.iterations()) * f.spans.size() * length;
    state.counters["ratio"] = ours / reference;
    state.counters["Mpixel/s"] = pixels / ours / 1e6;
    state.counters["ref Mpixel/s"] = pixels / reference / 1e6;
}

void BM_SpanMode1Copy(benchmark::State& state)
{
    spanBenchmark(state, fillSpanCopy);
}
void BM_SpanMode0LightMapped(benchmark::State& state)
{
    spanBenchmark(state, fillSpanLightMapped);
}
void BM_SpanMode7Intensity(benchmark::State& state)
{
    spanBenchmark(state, fillSpanIntensity);
}
BENCHMARK(BM_SpanMode1Copy)->Arg(8)->Arg(32)->Arg(320);
BENCHMARK(BM_SpanMode0LightMapped)->Arg(8)->Arg(32)->Arg(320);
BENCHMARK(BM_SpanMode7Intensity)->Arg(8)->Arg(32)->Arg(320);

// Whole-buffer operations against memcpy of the same 256000 bytes.
template <typename Op>
void bufferBenchmark(benchmark::State& state, Op op)
{
    std::mt19937 rng(2);
    std::vector<uint32_t> a(viewPixels), b(viewPixels), dst(viewPixels), copy(viewPixels);
    for (auto& p : a)
        p = rng();
    for (auto& p : b)
        p = rng();
    double ours = 0, reference = 0;
    for (auto _ : state) {
        Clock::time_point t = Clock::now();
        op(dst.data(), a.data(), b.data());
        benchmark::ClobberMemory();
        ours += secondsSince(t);
        t = Clock::now();
        std::memcpy(copy.data(), a.data(), viewPixels * 4);
        benchmark::ClobberMemory();
        reference += secondsSince(t);
    }
    state.counters["ratio"] = ours / reference;
    state.counters["Mpixel/s"] = static_cast<double>(state.iterations()) * viewPixels / ours / 1e6;
}

void BM_AddBuffer(benchmark::State& state)
{
    bufferBenchmark(state, [](uint32_t* d, const uint32_t* a, const uint32_t*) {
        addBuffer(d, a, viewPixels / 2);
    });
}
void BM_CrossFade(benchmark::State& state)
{
    bufferBenchmark(
        state, [](uint32_t* d, const uint32_t* a, const uint32_t* b) { crossFade(d, a, b, 100); });
}
void BM_CopyBuffer(benchmark::State& state)
{
    bufferBenchmark(state, [](uint32_t* d, const uint32_t* a, const uint32_t*) {
        copyBuffer(d, a, viewPixels / 2);
    });
}
BENCHMARK(BM_AddBuffer);
BENCHMARK(BM_CrossFade);
BENCHMARK(BM_CopyBuffer);

// drawFace on 1000 random visible faces of about 500 pixels each, in the mode of the argument.
void BM_DrawFace(benchmark::State& state)
{
    resetProjection();
    std::mt19937 rng(3);
    std::vector<uint32_t> texture(256 * 256), frame(viewPixels);
    for (auto& t : texture)
        t = rng();
    auto* environment = static_cast<uint32_t*>(std::malloc(texture.size() * sizeof(uint32_t)));
    std::copy(texture.begin(), texture.end(), environment);
    buildLightMapsWith(environment);
    mesh.lights[0] = MeshLight{};
    auto uniform = [&](float lo, float hi) {
        return lo + (hi - lo) * static_cast<float>(rng() % 10000) / 10000;
    };
    constexpr int faceCount = 1000;
    std::vector<MeshVertex> vertices(3 * faceCount);
    std::vector<MeshFace> faces(faceCount);
    for (int i = 0; i < faceCount; i++) {
        // A triangle of legs about 32 pixels (area about 500) at a random place and angle.
        const float x = uniform(20, 300), y = uniform(20, 180), angle = uniform(0, 6.28f);
        const float c = std::cos(angle), s = std::sin(angle);
        const float legs[3][2] = {{0, 0}, {32, 0}, {0, 32}};
        for (int k = 0; k < 3; k++) {
            MeshVertex& v = vertices[3 * i + k];
            v = MeshVertex{};
            v.cx = x + c * legs[k][0] - s * legs[k][1] - 160;
            v.cy = 100 - (y + s * legs[k][0] + c * legs[k][1]);
            v.u = uniform(0, 255);
            v.v = uniform(0, 255);
            v.cnx = uniform(-0.7f, 0.7f);
            v.cny = uniform(-0.7f, 0.7f);
            v.cnz = -0.5f;
        }
        faces[i].a = &vertices[3 * i];
        faces[i].b = &vertices[3 * i + 1];
        faces[i].c = &vertices[3 * i + 2];
        faces[i].texture = texture.data();
        faces[i].mode = static_cast<DrawMode>(state.range(0));
    }
    for (auto _ : state) {
        for (MeshFace& f : faces)
            drawFace(f, frame.data());
        benchmark::ClobberMemory();
    }
    state.counters["faces/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * faceCount, benchmark::Counter::kIsRate);
    resetLightMaps();
}
BENCHMARK(BM_DrawFace)->Arg(0)->Arg(1)->Arg(7)->Arg(9);

}  // namespace
