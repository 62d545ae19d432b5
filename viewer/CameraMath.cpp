#include "viewer/CameraMath.h"

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
