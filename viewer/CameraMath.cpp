#include "viewer/CameraMath.h"

#include <Qt>

#include <cmath>

ElevationSteps
splitElevation(int delta)
{
  ElevationSteps steps;
  if (delta >= -90 && delta <= 90) {
    steps.count = 1;
    steps.angles[0] = delta;
    return steps;
  }
  const int step = delta > 90 ? 90 : -90;
  steps.count = 2;
  steps.angles[0] = step;
  steps.angles[1] = delta - step;
  return steps;
}

double
zoomFactor(double zoom, double lastZoom)
{
  return std::pow(1.1, (zoom - lastZoom) * motionFactor * 5);
}

std::array<double, 3>
panMotion(const double oldWorldPoint[3], const double newWorldPoint[3])
{
  return { { oldWorldPoint[0] - newWorldPoint[0],
             oldWorldPoint[1] - newWorldPoint[1],
             oldWorldPoint[2] - newWorldPoint[2] } };
}

FollowTurn
followRotateAngles(int dx, int dy, const int sourceSize[2], const int targetSize[2])
{
  FollowTurn turn;
  // A zero size would make the angles NaN and spoil the target camera for good.
  if (sourceSize[0] <= 0 || sourceSize[1] <= 0 || targetSize[0] <= 0 || targetSize[1] <= 0) {
    return turn;
  }
  const double ratioX = static_cast<double>(targetSize[0]) / sourceSize[0];
  const double ratioY = static_cast<double>(targetSize[1]) / sourceSize[1];
  // The motion stays in fractional target pixels. Cut to whole pixels, every event of a slow
  // drag into a smaller view lost its fraction (3 main pixels are 0.75 head pixels: no turn at
  // all), and even a carried-over remainder would leave up to one target pixel unturned at the
  // end of each drag, which is a whole degree or more in a head view 200 pixels wide or less.
  const double targetDx = dx * ratioX;
  const double targetDy = dy * ratioY;
  turn.azimuth = (-20.0 / targetSize[0]) * targetDx * motionFactor;
  turn.elevation = (-20.0 / targetSize[1]) * targetDy * motionFactor;
  return turn;
}

double
spinAngle(const int position[2], const int lastPosition[2], const double center[2])
{
  const double newAngle =
    std::atan2(position[1] - center[1], position[0] - center[0]) * degreesPerRadian;
  const double oldAngle =
    std::atan2(lastPosition[1] - center[1], lastPosition[0] - center[0]) * degreesPerRadian;
  return newAngle - oldAngle;
}

CameraPlace
zoomTowards(const CameraPlace& camera, const std::array<double, 3>& point, double factor)
{
  CameraPlace zoomed = camera;
  // A zero, negative or endless factor would put the camera on or past the point for good.
  if (!(factor > 0) || !std::isfinite(factor)) {
    return zoomed;
  }
  const double share = 1.0 - 1.0 / factor;
  for (std::size_t axis = 0; axis < 3; ++axis) {
    zoomed.position[axis] += (point[axis] - camera.position[axis]) * share;
    zoomed.focalPoint[axis] += (point[axis] - camera.focalPoint[axis]) * share;
  }
  zoomed.parallelScale = camera.parallelScale / factor;
  return zoomed;
}

KeyCameraStep
keyCameraStep(int key, bool shift, bool otherModifiers)
{
  KeyCameraStep step;
  if (otherModifiers) {
    return step;
  }
  int right = 0;
  int up = 0;
  switch (key) {
    case Qt::Key_Left:
      right = -1;
      break;
    case Qt::Key_Right:
      right = 1;
      break;
    case Qt::Key_Up:
      up = 1;
      break;
    case Qt::Key_Down:
      up = -1;
      break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      step.kind = KeyCameraStep::Kind::Zoom;
      step.factor = wheelZoomFactor;
      return step;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      step.kind = KeyCameraStep::Kind::Zoom;
      step.factor = 1.0 / wheelZoomFactor;
      return step;
    default:
      return step;
  }
  if (shift) {
    step.kind = KeyCameraStep::Kind::Pan;
    step.dx = right * keyPanFraction;
    step.dy = up * keyPanFraction;
    return step;
  }
  // The trackball turns the camera against the drag: the model follows the pointer.
  step.kind = KeyCameraStep::Kind::Turn;
  step.azimuth = -right * keyTurnDegrees;
  step.elevation = -up * keyTurnDegrees;
  return step;
}
