// Projection state and the perspective projection of camera-space points.
#include <cmath>

#include "assets/mesh.h"
#include "render/draw.h"
#include "render/render.h"

namespace {

// The projection of a field of view around a centre. D = trunc(320 / (2 · tan(degrees · 3.14 /
// 360))), with 3.14 for pi as the original formula has it: 45 degrees gives 386, 90 gives 160.
ProjectionState projectionFor(float degrees, int centreX, int centreY)
{
    const double d = 320.0 / (2.0 * floatTan(static_cast<double>(degrees) * 3.14 / 360.0));
    const int distance = static_cast<int>(d);
    return ProjectionState{distance, 10 - distance, centreX, centreY};
}

// The start-up values, the only place they are written: 45 degrees around the view's middle.
ProjectionState startProjection()
{
    return projectionFor(45, viewWidth / 2, viewHeight / 2);
}

}  // namespace

ProjectionState projection = startProjection();

void resetProjection()
{
    projection = startProjection();
}

void setFieldOfView(float degrees)
{
    projection = projectionFor(degrees, projection.screenCentreX, projection.screenCentreY);
}

void projectPoint(const Vec3& camera, float& sx, float& sy)
{
    const float distance = static_cast<float>(projection.projectionDistance);
    const float f = distance / (distance + camera.z);
    sx = camera.x * f + static_cast<float>(projection.screenCentreX);
    sy = static_cast<float>(projection.screenCentreY) - camera.y * f;
}

void projectPoint(MeshVertex& v)
{
    projectPoint(Vec3{v.cx, v.cy, v.cz}, v.sx, v.sy);
}

void projectPoint(MeshLight& light)
{
    projectPoint(Vec3{light.cx, light.cy, light.cz}, light.sx, light.sy);
}
