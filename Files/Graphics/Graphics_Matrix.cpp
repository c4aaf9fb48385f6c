#include "Graphics/Graphics_Matrix.h"

#include <cmath>

namespace {

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Cross(const Vec3& a, const Vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalise(const Vec3& a) {
  const float l = std::sqrt(Dot(a, a));
  return l > 0 ? Vec3{a.x / l, a.y / l, a.z / l} : a;
}

}  // namespace

Matrix4 Matrix_Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.at(i, k) * b.at(k, j);
      r.at(i, j) = s;
    }
  }
  return r;
}

Matrix4 Matrix_LookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up) {
  const Vec3 z = Normalise(Sub(at, eye));
  const Vec3 x = Normalise(Cross(up, z));
  const Vec3 y = Cross(z, x);
  Matrix4 m;
  m.at(0, 0) = x.x; m.at(0, 1) = y.x; m.at(0, 2) = z.x; m.at(0, 3) = 0;
  m.at(1, 0) = x.y; m.at(1, 1) = y.y; m.at(1, 2) = z.y; m.at(1, 3) = 0;
  m.at(2, 0) = x.z; m.at(2, 1) = y.z; m.at(2, 2) = z.z; m.at(2, 3) = 0;
  m.at(3, 0) = -Dot(x, eye); m.at(3, 1) = -Dot(y, eye); m.at(3, 2) = -Dot(z, eye); m.at(3, 3) = 1;
  return m;
}

Matrix4 Matrix_OrthoLH(float width, float height, float zNear, float zFar) {
  Matrix4 m;
  m.at(0, 0) = 2 / width;
  m.at(1, 1) = 2 / height;
  m.at(2, 2) = 1 / (zFar - zNear);
  m.at(3, 2) = zNear / (zNear - zFar);
  return m;
}

Matrix4 Matrix_PerspectiveLH(float width, float height, float zNear, float zFar) {
  Matrix4 m;
  m.at(0, 0) = 2 * zNear / width;
  m.at(1, 1) = 2 * zNear / height;
  m.at(2, 2) = zFar / (zFar - zNear);
  m.at(2, 3) = 1;
  m.at(3, 2) = zNear * zFar / (zNear - zFar);
  m.at(3, 3) = 0;
  return m;
}

Matrix4 Matrix_PerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
  const float yScale = 1 / std::tan(fovY / 2);
  Matrix4 m;
  m.at(0, 0) = aspect != 0 ? yScale / aspect : yScale;
  m.at(1, 1) = yScale;
  m.at(2, 2) = zFar / (zFar - zNear);
  m.at(2, 3) = 1;
  m.at(3, 2) = zNear * zFar / (zNear - zFar);
  m.at(3, 3) = 0;
  return m;
}

Vec3 Matrix_TransformPoint(const Matrix4& m, const Vec3& p) {
  float out[4];
  for (int j = 0; j < 4; ++j) out[j] = p.x * m.at(0, j) + p.y * m.at(1, j) + p.z * m.at(2, j) + m.at(3, j);
  const float w = out[3] != 0 ? out[3] : 1;
  return {out[0] / w, out[1] / w, out[2] / w};
}

void Matrix_ViewCamera(double x, double y, double w, double h, double angle, bool perspective, Matrix4& view,
                       Matrix4& projection) {
  const double a = angle * M_PI / 180.0;
  const Vec3 up{float(std::sin(-a)), float(std::cos(-a)), 0};
  const Vec3 centre{float(x + w / 2), float(y + h / 2), 0};
  if (perspective) {
    view = Matrix_LookAtLH({centre.x, centre.y, float(-w)}, centre, up);
    projection = Matrix_PerspectiveLH(1, float(-h / w), 1, 32000);
  } else {
    view = Matrix_LookAtLH({centre.x, centre.y, -16000}, centre, up);
    projection = Matrix_OrthoLH(float(w), float(-h), 1, 32000);
  }
}
