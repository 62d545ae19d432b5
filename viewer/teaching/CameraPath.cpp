#include "viewer/teaching/CameraPath.h"

#include <vtkMath.h>

#include <algorithm>
#include <cmath>

namespace {

using Vector = std::array<double, 3>;

Vector
difference(const Vector& a, const Vector& b)
{
  return { a[0] - b[0], a[1] - b[1], a[2] - b[2] };
}

Vector
normalized(Vector v)
{
  vtkMath::Normalize(v.data());
  return v;
}

// The camera's axes as the columns of a rotation: right, up, and backwards along the view.
void
orientationOf(const CameraPose& pose, double rotation[3][3])
{
  const Vector direction = normalized(difference(pose.focalPoint, pose.position));
  Vector up = pose.viewUp;
  const double along = vtkMath::Dot(up.data(), direction.data());
  for (int i = 0; i < 3; ++i) {
    up[i] -= along * direction[i];
  }
  up = normalized(up);
  Vector right{};
  vtkMath::Cross(direction.data(), up.data(), right.data());
  for (int row = 0; row < 3; ++row) {
    rotation[row][0] = right[row];
    rotation[row][1] = up[row];
    rotation[row][2] = -direction[row];
  }
}

std::array<double, 4>
slerp(std::array<double, 4> from, const std::array<double, 4>& to, double t)
{
  double cosine = from[0] * to[0] + from[1] * to[1] + from[2] * to[2] + from[3] * to[3];
  // q and -q are the same rotation: take the one that turns the short way.
  if (cosine < 0) {
    cosine = -cosine;
    for (double& component : from) {
      component = -component;
    }
  }
  double fromWeight = 1 - t;
  double toWeight = t;
  // Nearly equal orientations: the straight blend is exact to rounding and avoids 0 / 0.
  if (cosine < 0.9999) {
    const double angle = std::acos(cosine);
    fromWeight = std::sin((1 - t) * angle) / std::sin(angle);
    toWeight = std::sin(t * angle) / std::sin(angle);
  }
  std::array<double, 4> result{};
  double length = 0;
  for (int i = 0; i < 4; ++i) {
    result[i] = fromWeight * from[i] + toWeight * to[i];
    length += result[i] * result[i];
  }
  length = std::sqrt(length);
  for (double& component : result) {
    component /= length;
  }
  return result;
}

} // namespace

CameraPose
interpolateCamera(const CameraPose& from, const CameraPose& to, double t)
{
  if (t <= 0) {
    return from;
  }
  if (t >= 1) {
    return to;
  }
  double fromRotation[3][3];
  double toRotation[3][3];
  orientationOf(from, fromRotation);
  orientationOf(to, toRotation);
  std::array<double, 4> fromQuaternion{};
  std::array<double, 4> toQuaternion{};
  vtkMath::Matrix3x3ToQuaternion(fromRotation, fromQuaternion.data());
  vtkMath::Matrix3x3ToQuaternion(toRotation, toQuaternion.data());
  double rotation[3][3];
  vtkMath::QuaternionToMatrix3x3(slerp(fromQuaternion, toQuaternion, t).data(), rotation);

  const double fromDistance = vtkMath::Norm(difference(from.focalPoint, from.position).data());
  const double toDistance = vtkMath::Norm(difference(to.focalPoint, to.position).data());
  const double distance = fromDistance * std::pow(toDistance / fromDistance, t);

  CameraPose pose;
  for (int i = 0; i < 3; ++i) {
    pose.focalPoint[i] = (1 - t) * from.focalPoint[i] + t * to.focalPoint[i];
    pose.viewUp[i] = rotation[i][1];
    pose.position[i] = pose.focalPoint[i] + distance * rotation[i][2];
  }
  pose.viewAngle = (1 - t) * from.viewAngle + t * to.viewAngle;
  return pose;
}

const char*
standardViewName(StandardView view)
{
  switch (view) {
    case StandardView::Anterior:
      return "Anterior";
    case StandardView::Posterior:
      return "Posterior";
    case StandardView::Superior:
      return "Superior";
    case StandardView::Inferior:
      return "Inferior";
    case StandardView::Lateral:
      return "Lateral";
    case StandardView::Medial:
      return "Medial";
  }
  return "";
}

std::array<double, 3>
standardViewDirection(StandardView view)
{
  // Seen from a side, the camera stands on that side and looks the opposite way: from anterior
  // (-y) it looks towards +y.
  switch (view) {
    case StandardView::Anterior:
      return { 0, 1, 0 };
    case StandardView::Posterior:
      return { 0, -1, 0 };
    case StandardView::Superior:
      return { 0, 0, -1 };
    case StandardView::Inferior:
      return { 0, 0, 1 };
    case StandardView::Lateral:
      return { 1, 0, 0 };
    case StandardView::Medial:
      return { -1, 0, 0 };
  }
  return { 0, 1, 0 };
}

CameraPose
standardViewPose(StandardView view, const std::array<double, 6>& bounds, double viewAngle)
{
  const Vector direction = standardViewDirection(view);
  const bool fromAboveOrBelow = direction[2] != 0;
  CameraPose pose;
  pose.viewUp = fromAboveOrBelow ? Vector{ 0, -1, 0 } : Vector{ 0, 0, 1 };
  pose.viewAngle = viewAngle;
  double radius = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const double low = bounds[2 * i];
    const double high = bounds[2 * i + 1];
    pose.focalPoint[i] = (low + high) / 2;
    radius += (high - low) * (high - low);
  }
  radius = std::sqrt(radius) / 2;
  // An empty or single-point model still gets a camera away from its focal point.
  if (!(radius > 0)) {
    radius = 0.5;
  }
  const double distance = radius / std::sin(vtkMath::RadiansFromDegrees(viewAngle) / 2);
  for (int i = 0; i < 3; ++i) {
    pose.position[i] = pose.focalPoint[i] - distance * direction[i];
  }
  return pose;
}

bool
showsPose(const CameraPose& camera, const CameraPose& pose)
{
  const double distance =
    std::sqrt(vtkMath::Distance2BetweenPoints(pose.position.data(), pose.focalPoint.data()));
  const double pointTolerance = 1e-3 * distance;
  const auto near = [pointTolerance](const std::array<double, 3>& a,
                                     const std::array<double, 3>& b) {
    return std::sqrt(vtkMath::Distance2BetweenPoints(a.data(), b.data())) <= pointTolerance;
  };
  std::array<double, 3> up = camera.viewUp;
  std::array<double, 3> wantedUp = pose.viewUp;
  if (vtkMath::Normalize(up.data()) == 0 || vtkMath::Normalize(wantedUp.data()) == 0) {
    return false;
  }
  const double cosine = std::clamp(vtkMath::Dot(up.data(), wantedUp.data()), -1.0, 1.0);
  return near(camera.position, pose.position) && near(camera.focalPoint, pose.focalPoint) &&
         vtkMath::DegreesFromRadians(std::acos(cosine)) <= 0.05 &&
         std::abs(camera.viewAngle - pose.viewAngle) <= 0.01;
}
