// Renderer core: the fast vertex transform against the plain nine-multiplication product, and
// the quadratic normal preparation of a full mesh.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

#include "assets/mesh.h"
#include "render/render.h"

namespace {

constexpr int benchVertices = 8000;  // the mesh table's capacity

std::vector<MeshVertex> randomVertices(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(-500, 500), unit(-1, 1);
    std::vector<MeshVertex> vertices(benchVertices);
    for (MeshVertex& v : vertices) {
        v = MeshVertex{};
        v.x = coord(rng), v.y = coord(rng), v.z = coord(rng);
        v.nx = unit(rng), v.ny = unit(rng), v.nz = unit(rng);
    }
    return vertices;
}

Matrix4 benchMatrix()
{
    Matrix4 a, b, c, r;
    matRotate(0.7f, 0, a);
    matRotate(-1.2f, 1, b);
    matMultiply(a, b, c);
    matTranslate(12, -40, 300, a);
    matMultiply(a, c, r);
    return r;
}

// The reference: position and normal by the ordinary row-times-vector product in float, called
// out of line like transformVertex so that both pay one call per vertex.
[[gnu::noinline]] void plainTransform(MeshVertex& v, const Matrix4& m)
{
    const float* r = m.m;
    v.cx = r[0] * v.x + r[1] * v.y + r[2] * v.z + r[3];
    v.cy = r[4] * v.x + r[5] * v.y + r[6] * v.z + r[7];
    v.cz = r[8] * v.x + r[9] * v.y + r[10] * v.z + r[11];
    v.cnx = r[0] * v.nx + r[1] * v.ny + r[2] * v.nz;
    v.cny = r[4] * v.nx + r[5] * v.ny + r[6] * v.nz;
    v.cnz = r[8] * v.nx + r[9] * v.ny + r[10] * v.nz;
}

using Clock = std::chrono::steady_clock;

// Vertices per second through transformVertex; `ratio` is its time over the plain product's on
// the same vertices, the two timed alternately in one loop.
void BM_TransformVertexVsPlain(benchmark::State& state)
{
    std::vector<MeshVertex> vertices = randomVertices(3);
    const Matrix4 m = benchMatrix();
    double fastSeconds = 0, plainSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        prepareFastTransform(m);
        for (MeshVertex& v : vertices)
            transformVertex(v, m);
        benchmark::ClobberMemory();
        const auto t1 = Clock::now();
        for (MeshVertex& v : vertices)
            plainTransform(v, m);
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        fastSeconds += std::chrono::duration<double>(t1 - t0).count();
        plainSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["vertices_per_s"] = iterations * benchVertices / fastSeconds;
    state.counters["plain_vertices_per_s"] = iterations * benchVertices / plainSeconds;
    state.counters["ratio"] = fastSeconds / plainSeconds;
}
BENCHMARK(BM_TransformVertexVsPlain)->Unit(benchmark::kMicrosecond);

// Normal preparation of a full 8000-vertex, 8000-face mesh; the grouping of shared positions is
// quadratic in the vertex count by design (it runs once per scene start).
void BM_PrepareMeshNormals(benchmark::State& state)
{
    const std::vector<MeshVertex> vertices = randomVertices(5);
    std::mt19937 rng(9);
    for (auto _ : state) {
        state.PauseTiming();
        mesh.vertexCount = benchVertices;
        mesh.faceCount = benchVertices;
        for (int i = 0; i < benchVertices; ++i)
            mesh.vertices[i] = vertices[i];
        // Every fourth vertex repeats an earlier position, as texture seams do.
        for (int i = 3; i < benchVertices; i += 4) {
            mesh.vertices[i].x = mesh.vertices[i - 3].x;
            mesh.vertices[i].y = mesh.vertices[i - 3].y;
            mesh.vertices[i].z = mesh.vertices[i - 3].z;
        }
        for (int i = 0; i < benchVertices; ++i) {
            MeshFace& f = mesh.faces[i];
            f = MeshFace{};
            f.a = &mesh.vertices[i];
            f.b = &mesh.vertices[(i + 1) % benchVertices];
            f.c = &mesh.vertices[rng() % benchVertices];
        }
        state.ResumeTiming();
        prepareMeshNormals();
        benchmark::DoNotOptimize(mesh.vertices[0].nx);
    }
    mesh.vertexCount = 0;
    mesh.faceCount = 0;
}
BENCHMARK(BM_PrepareMeshNormals)->Unit(benchmark::kMillisecond);

}  // namespace
