// The matrices of the device convention (row vectors, v' = v x M; clip depth 0..1).
#pragma once
#include "Graphics_API/Graphics_Device.h"

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

Matrix4 Matrix_Multiply(const Matrix4& a, const Matrix4& b);
// A left-handed camera at `eye` looking at `at`.
Matrix4 Matrix_LookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);
// A left-handed orthographic volume `width` by `height` (a negative height turns y down).
Matrix4 Matrix_OrthoLH(float width, float height, float zNear, float zFar);
// A left-handed perspective volume whose near plane is `width` by `height`.
Matrix4 Matrix_PerspectiveLH(float width, float height, float zNear, float zFar);
// A left-handed perspective volume with a vertical field of view `fovY` (radians) and `aspect`
// (width over height).
Matrix4 Matrix_PerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);
// (x, y, z, 1) x M, divided by w.
Vec3 Matrix_TransformPoint(const Matrix4& m, const Vec3& p);

// The camera of a view onto the room: the rectangle (x, y, w, h) turned by `angle` degrees (the
// picture turns counter-clockwise for a positive angle). 2-D: orthographic with y down; with
// `perspective`, a camera at distance w whose picture of the plane z = 0 fills the view.
void Matrix_ViewCamera(double x, double y, double w, double h, double angle, bool perspective, Matrix4& view,
                       Matrix4& projection);
