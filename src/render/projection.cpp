// Projection state and the perspective projection of camera-space points.
#include <cmath>

#include "assets/mesh.h"
#include "render/render.h"

// Start-up values: 45 degrees, centre (160, 100); resetProjection restores them.
ProjectionState projection{386, 10 - 386, 160, 100};

void resetProjection() {
    projection.screenCentreX = 160;
    projection.screenCentreY = 100;
    setFieldOfView(45);
}

void setFieldOfView(float degrees) {
    // 3.14 for pi, as the original formula has it: 45 degrees gives 386, 90 gives 160.
    const double distance = 320.0 / (2.0 * std::tan(static_cast<double>(degrees) * 3.14 / 360.0));
    projection.projectionDistance = static_cast<int>(distance);
    projection.nearLimit = 10 - projection.projectionDistance;
}

void projectPoint(const Vec3& camera, float& sx, float& sy) {
    const float distance = static_cast<float>(projection.projectionDistance);
    const float f = distance / (distance + camera.z);
    sx = camera.x * f + static_cast<float>(projection.screenCentreX);
    sy = static_cast<float>(projection.screenCentreY) - camera.y * f;
}

void projectPoint(MeshVertex& v) { projectPoint(Vec3{v.cx, v.cy, v.cz}, v.sx, v.sy); }

void projectPoint(MeshLight& light) {
    projectPoint(Vec3{light.cx, light.cy, light.cz}, light.sx, light.sy);
}
