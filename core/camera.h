// The free camera: a position and three angles in degrees, from which three unit axes are
// derived, and the two ways of turning a camera into a row-major view matrix. No GL here.
#pragma once

#include "core/math.h"

struct Camera {
    Float3 position;
    float pitch; // degrees, kept within [-90, 90]; positive looks up
    float yaw;   // degrees, one wrap into [0, 360] per update; positive turns right
    float roll;  // stored, but not part of the axes
    Float3 right;
    Float3 up;
    Float3 back; // the view looks along -back
};

Camera createCamera();
void updateCameraAxes(Camera* camera);
void setCameraPosition(Camera* camera, float x, float y, float z);
// Moves along the camera's own axes: dx along right, dy along up, dz along back.
void moveCamera(Camera* camera, float dx, float dy, float dz);
void setCameraAngles(Camera* camera, float pitch, float yaw, float roll);
void turnCamera(Camera* camera, float dPitch, float dYaw, float dRoll);
Matrix44 viewMatrix(Camera* camera);
// Inverse of a rigid (rotation plus translation) world matrix.
Matrix44 viewFromWorldMatrix(Matrix44 world);
