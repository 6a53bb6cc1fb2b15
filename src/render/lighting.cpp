// Per-vertex lighting values and the two light maps.
#include <cmath>
#include <cstdlib>

#include "assets/assets.h"
#include "assets/mesh.h"
#include "render/render.h"

LightMapState lightMapState;

void lightMapCoords(const MeshVertex& v, float& s, float& t)
{
    s = (1 + v.cnx) * 128;
    t = (1 + v.cny) * 128;
}

float pointLightIntensity(const MeshVertex& v, const Vec3& light)
{
    const Vec3 w{v.cx - light.x, v.cy - light.y, v.cz - light.z};
    const float d = static_cast<float>(std::sqrt(static_cast<double>(w.x) * w.x +
                                                 static_cast<double>(w.y) * w.y +
                                                 static_cast<double>(w.z) * w.z));
    const float base = 255 - 2 * d;
    // A light exactly on the vertex has no direction: treat it as side-on (cosine 0), which
    // gives full brightness there instead of a division by zero.
    const float cosine = d == 0 ? 0.0f : (w.x * v.cnx + w.y * v.cny + w.z * v.cnz) / d;
    float intensity = base + 50 - cosine * base;
    if (!(intensity >= 5))
        intensity = 5;  // also catches a NaN from non-finite input
    if (intensity > 255)
        intensity = 255;
    return intensity;
}

float pointLightIntensity(const MeshVertex& v)
{
    const MeshLight& light = mesh.lights[0];
    return pointLightIntensity(v, Vec3{light.cx, light.cy, light.cz});
}

void fillLightMaps()
{
    // sin(i·pi/256) for i = 0..255, stored as float like every trigonometric value; with the
    // float store the centre entries reach exactly 255 and 192.
    float sine[lightMapSize];
    for (int i = 0; i < lightMapSize; ++i)
        sine[i] = floatSin(i * rendererPi * 0.00390625);
    for (int i = 0; i < lightMapSize; ++i) {
        for (int j = 0; j < lightMapSize; ++j) {
            const double p = static_cast<double>(sine[i]) * sine[j];
            const double p2 = p * p;
            const double p4 = p2 * p2;
            lightMapState.maps[0][i][j] = static_cast<uint8_t>(static_cast<int>(p2 * p * 191 + 64));
            lightMapState.maps[1][i][j] = static_cast<uint8_t>(static_cast<int>(p4 * p4 * 192));
        }
    }
}

void resetLightMaps()
{
    std::free(lightMapState.envMapTexture);
    lightMapState = LightMapState{};
}

void buildLightMaps()
{
    if (lightMapState.built)
        return;
    buildLightMapsWith(loadPicture("enver1.jpg", 32));
}

void buildLightMapsWith(uint32_t* environment)
{
    resetLightMaps();
    fillLightMaps();
    lightMapState.envMapTexture = environment;
    lightMapState.built = true;
}
