// The free camera: angles in degrees, axes derived after every change, row-major view matrices.
#include "core/camera.h"

#include <cmath>

Camera createCamera() {
    Camera camera{};
    updateCameraAxes(&camera);
    return camera;
}

void updateCameraAxes(Camera* camera) {
    if (camera->pitch > 90) camera->pitch = 90;
    if (camera->pitch < -90) camera->pitch = -90;
    // One wrap per update: 725 becomes 365, and 360 itself stays.
    if (camera->yaw < 0) camera->yaw += 360;
    if (camera->yaw > 360) camera->yaw -= 360;
    const double y = camera->yaw * DEG_TO_RAD;
    const double p = camera->pitch * DEG_TO_RAD;
    const double sy = std::sin(y), cy = std::cos(y), sp = std::sin(p), cp = std::cos(p);
    camera->right = {static_cast<float>(cy), 0.0f, static_cast<float>(sy)};
    camera->up = {static_cast<float>(-sp * sy), static_cast<float>(cp),
                  static_cast<float>(sp * cy)};
    camera->back = {static_cast<float>(-cp * sy), static_cast<float>(-sp),
                    static_cast<float>(cp * cy)};
    normaliseFloat3(&camera->right);
    normaliseFloat3(&camera->up);
    normaliseFloat3(&camera->back);
}

void setCameraPosition(Camera* camera, float x, float y, float z) {
    camera->position = {x, y, z};
    updateCameraAxes(camera);
}

void moveCamera(Camera* camera, float dx, float dy, float dz) {
    Float3 p = camera->position;
    p = addFloat3(p, scaleFloat3(camera->right, dx));
    p = addFloat3(p, scaleFloat3(camera->up, dy));
    p = addFloat3(p, scaleFloat3(camera->back, dz));
    camera->position = p;
    updateCameraAxes(camera);
}

void setCameraAngles(Camera* camera, float pitch, float yaw, float roll) {
    camera->pitch = pitch;
    camera->yaw = yaw;
    camera->roll = roll;
    updateCameraAxes(camera);
}

void turnCamera(Camera* camera, float dPitch, float dYaw, float dRoll) {
    camera->pitch += dPitch;
    camera->yaw += dYaw;
    camera->roll += dRoll;
    updateCameraAxes(camera);
}

namespace {
Matrix44 viewFromAxes(Float3 x, Float3 y, Float3 z, Float3 eye) {
    Matrix44 v = identityMatrix();
    const Float3 rows[3] = {x, y, z};
    for (int r = 0; r < 3; ++r) {
        v.m[4 * r] = rows[r].x;
        v.m[4 * r + 1] = rows[r].y;
        v.m[4 * r + 2] = rows[r].z;
        v.m[4 * r + 3] = -dotFloat3(rows[r], eye);
    }
    return v;
}
} // namespace

Matrix44 viewMatrix(Camera* camera) {
    updateCameraAxes(camera);
    return viewFromAxes(camera->right, camera->up, camera->back, camera->position);
}

Matrix44 viewFromWorldMatrix(Matrix44 world) {
    const float* m = world.m;
    return viewFromAxes({m[0], m[4], m[8]}, {m[1], m[5], m[9]}, {m[2], m[6], m[10]},
                        {m[3], m[7], m[11]});
}
