// The fixture of the data tests: the archive the build painted and packed, opened through the
// engine's own loaders, and the checks several scenes' data share.
#pragma once

#include <gtest/gtest.h>

#include "archive/archive.h"
#include "assets/assets.h"
#include "render/render.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

class PackedData : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetArchive();
        resetPictures();
        resetMesh();
        pictureState.missingFileExits = false;
        // The test suite is built after the archive, unless this build packs none.
        const std::filesystem::path built = std::filesystem::path(V4N_BINARY_DIR) / "v4npelva.zem";
        if (!std::filesystem::exists(built))
            GTEST_SKIP() << "no packed archive in this build";
        ASSERT_EQ(openArchive(built.string().c_str()), 1) << built;
    }
    void TearDown() override
    {
        resetMesh();
        resetArchive();
    }

    // Loads a mesh of the archive with its normals.
    static void loadMesh(const char* name)
    {
        char message[meshMessageSize];
        ASSERT_EQ(load3ds(name, message), 1) << name << ": " << message;
        prepareMeshNormals();
    }

    // A picture of the archive as the texture loader reads it (the caller frees its pixels).
    static Texture loadSize(const char* name)
    {
        Texture texture = loadTexture(name, 32);
        EXPECT_NE(texture.pixels, nullptr) << name;
        return texture;
    }
};

inline int lastKeyFrame(const TrackKey* keys, int count)
{
    return count > 0 ? keys[count - 1].frame : -1;
}

inline float distance(const MeshVertex& v, float x, float y, float z)
{
    return std::sqrt((v.x - x) * (v.x - x) + (v.y - y) * (v.y - y) + (v.z - z) * (v.z - z));
}

// Every face of the mesh has the texture its drawing mode reads.
inline void expectTexturedFaces()
{
    for (int i = 0; i < mesh.faceCount; ++i)
        ASSERT_NE(mesh.faces[i].texture, nullptr) << "face " << i;
}

// Every object carries both tracks the keyframed placement composes, the moving ones up to
// lastFrame.
inline void expectObjectTracks(int objects, int lastFrame)
{
    for (int k = 0; k < objects; ++k) {
        SCOPED_TRACE(mesh.objectNames[k]);
        EXPECT_GE(mesh.objects[k].positionKeyCount, 1);
        EXPECT_GE(mesh.objects[k].rotationKeyCount, 1);
        EXPECT_GE(lastKeyFrame(mesh.objects[k].positionKeys, mesh.objects[k].positionKeyCount) + 1,
                  mesh.objects[k].positionKeyCount > 1 ? lastFrame : 0);
    }
}

// Every face of every object has a texture and every object has a position and a rotation track
// (without one the loader leaves the object's accumulated rotation unset).
inline void expectTexturedObjects(int objects)
{
    ASSERT_EQ(mesh.objectCount, objects);
    for (int k = 0; k < objects; ++k) {
        SCOPED_TRACE(mesh.objectNames[k]);
        const MeshObject& object = mesh.objects[k];
        ASSERT_LE(object.firstFace, object.lastFace);
        for (int f = object.firstFace; f <= object.lastFace; ++f)
            ASSERT_NE(mesh.faces[f].texture, nullptr) << f;
        EXPECT_GE(object.rotationKeyCount, 1);
        EXPECT_GE(object.positionKeyCount, 1);
    }
}

// The camera and its target are keyframed up to the scene's last frame.
inline void expectCameraUntil(int frame)
{
    EXPECT_GE(lastKeyFrame(mesh.cameraKeys, mesh.cameraKeyCount), frame);
    EXPECT_GE(lastKeyFrame(mesh.targetKeys, mesh.targetKeyCount), frame);
    EXPECT_GE(mesh.rollKeyCount, 1);
}
