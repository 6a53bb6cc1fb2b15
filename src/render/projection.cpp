// Projection state and the perspective projection of camera-space points.
#include <cmath>

#include "assets/mesh.h"
#include "render/draw.h"
#include "render/render.h"

namespace {

// The projection distance for a field of view, with 3.14 for pi as the original formula has it:
// 45 degrees gives 386, 90 gives 160.
int distanceFor(float degrees) {
    return static_cast<int>(320.0 / (2.0 * std::tan(static_cast<double>(degrees) * 3.14 / 360.0)));
}

// The start-up values, the only place they are written: field of view 45 degrees, centre
// (160, 100), half the view.
ProjectionState startProjection() {
    const int distance = distanceFor(45);
    return ProjectionState{distance, 10 - distance, viewWidth / 2, viewHeight / 2};
}

}  // namespace

ProjectionState projection = startProjection();

void resetProjection() { projection = startProjection(); }

void setFieldOfView(float degrees) {
    projection.projectionDistance = distanceFor(degrees);
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
