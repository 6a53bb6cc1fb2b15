// Modelling helpers for the show's meshes: parametric surfaces, rocks and keyframe tracks built
// into the 3D Studio writer's records. Positions are in the file's axes (z up); texture
// coordinates are given in texture widths (1 = one 256-texel repeat, v growing down the picture).
#pragma once

#include "geometry.h"
#include "writers/write3ds.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A point of a surface for parameters s, t in 0..1.
using SurfaceFunction = std::function<Point3(float s, float t)>;

// Appends a vertex with texture coordinates (u, v) in texture widths; returns its index.
uint16_t addPartVertex(Object3ds& object, Point3 position, float u, float v);
void addPartFace(Object3ds& object, int a, int b, int c);

// A grid of (columns + 1) x (rows + 1) vertices over the surface, two triangles per cell, the
// texture repeated uRepeat times along s and vRepeat times along t. The faces are wound so that
// they face the side toward which ds x dt points; flip turns them to the other side.
void file_addSurface(Object3ds& object, const SurfaceFunction& surface, int columns, int rows,
                float uRepeat, float vRepeat, bool flip);

// Surfaces in the file's axes. Sphere and torus go round the z axis.
SurfaceFunction file_sphereSurface(Point3 centre, float radius);
SurfaceFunction file_torusSurface(Point3 centre, float ringRadius, float tubeRadius);
// A surface of revolution about the z axis through centre: radius and height along the profile
// by linear interpolation of the given (radius, height) points.
SurfaceFunction file_latheSurface(Point3 centre, std::vector<std::array<float, 2>> profile);

// Turns the vertices from index first on by angle (radians) about an axis through the origin
// (x 0, y 1, z 2; counter-clockwise seen from the axis's positive end), or moves them by offset.
void rotateVertices(Object3ds& object, size_t first, int axis, float angle);
void moveVertices(Object3ds& object, size_t first, Point3 offset);

// A rough rock: a sphere of the given radius whose surface is pushed in and out by noise, in a
// grid of columns x rows cells.
void file_addRock(Object3ds& object, Point3 centre, float radius, float roughness, int seed,
             int columns = 8, int rows = 5);

// Ends an object: one face group with every face in the material, the mesh matrix the identity
// with its origin at origin (the point that the object's position track then places).
void finishPartObject(Object3ds& object, const std::string& material, Point3 origin);

// Keys in the file's axes (the loader swaps y and z): a position (x, y, z) and a rotation by angle
// about the axis. A camera roll has no axes: rollKey of model.h.
Key3ds filePositionKey(uint32_t frame, Point3 value);
Key3ds fileRotationKey(uint32_t frame, float angle, Point3 axis);
// The keyframer node of an object, light, camera or camera target with the given tracks.
Node3ds fileObjectNode(const std::string& name, int id, std::vector<Key3ds> position,
                       std::vector<Key3ds> rotation = {}, Point3 pivot = {0, 0, 0});
Node3ds fileLightNode(const std::string& name, int id, std::vector<Key3ds> position);
Node3ds fileCameraNode(int id, std::vector<Key3ds> position, std::vector<Key3ds> roll);
Node3ds fileTargetNode(int id, std::vector<Key3ds> position);
// `turns` whole turns about an axis over the frames, as relative rotation keys of equal angle every
// `step` frames after a first key of no turn.
std::vector<Key3ds> fileSpinKeys(uint32_t lastFrame, uint32_t step, float turns, Point3 axis);
