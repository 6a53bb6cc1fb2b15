// Face and vertex normals of the current mesh.
#include <cmath>
#include <initializer_list>

#include "assets/mesh.h"
#include "render/render.h"

// (c − a) × (b − a), not normalised.
static Vec3 faceCross(const MeshFace& f)
{
    const Vec3 e1{f.c->x - f.a->x, f.c->y - f.a->y, f.c->z - f.a->z};
    const Vec3 e2{f.b->x - f.a->x, f.b->y - f.a->y, f.b->z - f.a->z};
    return Vec3{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
}

static float lengthOf(const Vec3& v)
{
    return static_cast<float>(std::sqrt(static_cast<double>(v.x) * v.x +
                                        static_cast<double>(v.y) * v.y +
                                        static_cast<double>(v.z) * v.z));
}

// Divides v by its length; a zero vector (collinear face, normals that cancel) stays zero so that
// no NaN reaches the lighting.
static Vec3 unitOrZero(const Vec3& v)
{
    const float length = lengthOf(v);
    if (length == 0)
        return v;
    return Vec3{v.x / length, v.y / length, v.z / length};
}

static void addFaceNormalToVertices(const MeshFace& f, const Vec3& n)
{
    for (MeshVertex* v : {f.a, f.b, f.c}) {
        v->nx += n.x;
        v->ny += n.y;
        v->nz += n.z;
    }
}

static void clearVertexNormals()
{
    for (int i = 0; i < mesh.vertexCount; ++i) {
        mesh.vertices[i].nx = 0;
        mesh.vertices[i].ny = 0;
        mesh.vertices[i].nz = 0;
    }
}

// Vertices closer than this on every axis count as one position when normals are smoothed.
constexpr float samePositionTolerance = 0.00001f;

static bool samePosition(const MeshVertex& a, const MeshVertex& b)
{
    return std::fabs(a.x - b.x) < samePositionTolerance &&
           std::fabs(a.y - b.y) < samePositionTolerance &&
           std::fabs(a.z - b.z) < samePositionTolerance;
}

void prepareMeshNormals()
{
    for (int i = 0; i < mesh.faceCount; ++i) {
        MeshFace& f = mesh.faces[i];
        const Vec3 n = unitOrZero(faceCross(f));
        f.nx = n.x;
        f.ny = n.y;
        f.nz = n.z;
    }
    clearVertexNormals();
    for (int i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[i];
        addFaceNormalToVertices(f, Vec3{f.nx, f.ny, f.nz});
    }

    // Vertices split at texture seams share one smoothed normal: each lowest ungrouped vertex
    // opens a group of every later ungrouped vertex at its position (compared with the opener
    // itself), the members' normals are summed in member order and the unit sum goes to all.
    static bool grouped[maxMeshVertices];
    static int members[maxMeshVertices];
    const int count = mesh.vertexCount < maxMeshVertices ? mesh.vertexCount : maxMeshVertices;
    for (int i = 0; i < count; ++i)
        grouped[i] = false;
    for (int i = 0; i < count; ++i) {
        if (grouped[i])
            continue;
        const MeshVertex& opener = mesh.vertices[i];
        int memberCount = 0;
        members[memberCount++] = i;
        for (int j = i + 1; j < count; ++j) {
            if (!grouped[j] && samePosition(opener, mesh.vertices[j])) {
                grouped[j] = true;
                members[memberCount++] = j;
            }
        }
        grouped[i] = true;
        Vec3 sum{0, 0, 0};
        for (int k = 0; k < memberCount; ++k) {
            const MeshVertex& v = mesh.vertices[members[k]];
            sum.x += v.nx;
            sum.y += v.ny;
            sum.z += v.nz;
        }
        const Vec3 n = unitOrZero(sum);
        for (int k = 0; k < memberCount; ++k) {
            MeshVertex& v = mesh.vertices[members[k]];
            v.nx = n.x;
            v.ny = n.y;
            v.nz = n.z;
        }
    }
}

void updateMeshNormals()
{
    for (int i = 0; i < mesh.faceCount; ++i) {
        MeshFace& f = mesh.faces[i];
        const Vec3 n = faceCross(f);
        f.nx = n.x;
        f.ny = n.y;
        f.nz = n.z;
    }
    clearVertexNormals();
    for (int i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[i];
        addFaceNormalToVertices(f, Vec3{f.nx, f.ny, f.nz});
    }
    for (int i = 0; i < mesh.vertexCount; ++i) {
        MeshVertex& v = mesh.vertices[i];
        const Vec3 n = unitOrZero(Vec3{v.nx, v.ny, v.nz});
        v.nx = n.x;
        v.ny = n.y;
        v.nz = n.z;
    }
}
