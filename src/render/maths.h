// The renderer's vector and matrix types, shared with the mesh tables that store matrices. The
// operations on them are declared in render/render.h.
#pragma once

struct Vec3 {
    float x, y, z;
};

// Sixteen floats, row-major: element [r][c] at m[4 * r + c]. Points are column vectors with the
// translation in the fourth column; in A·B, B acts first.
struct Matrix4 {
    float m[16];
};

static_assert(sizeof(Vec3) == 12);
static_assert(sizeof(Matrix4) == 64);
