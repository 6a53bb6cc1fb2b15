// Modelling meshes in code: vertices, triangles and lathes in the engine's axes, turned into 3D
// Studio objects for the writer.
#include "model.h"

#include <cmath>

int addMeshVertex(MeshBuilder& mesh, float x, float y, float z, float u, float v)
{
    mesh.positions.push_back({x, y, z});
    mesh.texels.push_back({u, v});
    return static_cast<int>(mesh.positions.size()) - 1;
}

void addMeshTriangle(MeshBuilder& mesh, int a, int b, int c)
{
    mesh.triangles.push_back({uint16_t(a), uint16_t(b), uint16_t(c)});
}

void addMeshQuad(MeshBuilder& mesh, int a, int b, int c, int d)
{
    addMeshTriangle(mesh, a, b, c);
    addMeshTriangle(mesh, a, c, d);
}

void addLathe(MeshBuilder& mesh, const std::vector<ProfilePoint>& profile, int segments,
              float uRepeat, float cx, float cz, float startAngle)
{
    const int first = static_cast<int>(mesh.positions.size());
    const int columns = segments + 1;
    for (const ProfilePoint& p : profile) {
        for (int j = 0; j < columns; ++j) {
            const float a =
                startAngle + 2.0f * pi * static_cast<float>(j) / static_cast<float>(segments);
            addMeshVertex(mesh, cx + p.radius * std::cos(a), p.height, cz + p.radius * std::sin(a),
                          256.0f * uRepeat * static_cast<float>(j) / static_cast<float>(segments),
                          p.v);
        }
    }
    for (size_t i = 0; i + 1 < profile.size(); ++i) {
        const int row = first + static_cast<int>(i) * columns;
        for (int j = 0; j < segments; ++j)
            addMeshQuad(mesh, row + j, row + j + 1, row + columns + j + 1, row + columns + j);
    }
}

std::array<float, 4> fileAxes(float x, float y, float z)
{
    return {x, z, y, 0.0f};
}

Object3ds finishMeshObject(const MeshBuilder& mesh, const std::string& name,
                           const std::string& material)
{
    Object3ds object;
    object.name = name;
    // Keyframed scenes place objects through the mesh matrix: write the identity (positions are
    // already where the object's own axes put them).
    object.hasMatrix = true;
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const auto& p = mesh.positions[i];
        object.vertices.push_back({p[0], p[2], p[1]});
        // The loader turns file coordinates back into texels: u = fu · 256, v = 256 - fv · 256.
        object.texCoords.push_back(
            {mesh.texels[i][0] / 256.0f, (256.0f - mesh.texels[i][1]) / 256.0f});
    }
    FaceGroup3ds group;
    group.material = material;
    for (size_t i = 0; i < mesh.triangles.size(); ++i) {
        const auto& t = mesh.triangles[i];
        object.faces.push_back({t[0], t[1], t[2], 0});
        group.faces.push_back(uint16_t(i));
    }
    object.groups.push_back(group);
    return object;
}
