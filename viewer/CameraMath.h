#pragma once

#include <array>

// Scales mouse and bar motion into camera motion, for the zoom bar and for the turns one view
// repeats from the other.
constexpr double motionFactor = 10.0;

// 180 / pi as the single-precision value the spin turn has always used.
constexpr float degreesPerRadian = 57.29578f;

// One rotation bar step, cut so that no single Elevation call turns by more than 90 degrees:
// Elevation leaves the view-up as it was, so a larger turn is made in steps with the view-up
// straightened in between.
struct ElevationSteps
{
  int count = 0;
  std::array<double, 2> angles{ { 0.0, 0.0 } };
};

// A turn of up to 90 degrees either way is one step; a larger one (the bar allows up to 178)
// is 90 degrees towards the turn and then the rest.
ElevationSteps
splitElevation(int delta);

// Dolly factor for moving the zoom bar from lastZoom to zoom (both bar value / 100).
double
zoomFactor(double zoom, double lastZoom);

// Camera motion that shifts the content from oldWorldPoint to newWorldPoint, both taken at the
// focal point's depth: the camera moves the other way.
std::array<double, 3>
panMotion(const double oldWorldPoint[3], const double newWorldPoint[3]);

struct FollowTurn
{
  double azimuth = 0.0;
  double elevation = 0.0;
};

// The turn the target view makes when the source view rotated by a mouse motion of (dx, dy)
// source pixels: the motion is carried over into target pixels, fractions included, then
// converted into degrees as the trackball style does, so that the target turns by the source's
// own angle for every event and a drag of any speed turns both views alike. Sizes are width,
// height in pixels; an empty window on either side turns nothing.
FollowTurn
followRotateAngles(int dx, int dy, const int sourceSize[2], const int targetSize[2]);

// Roll in degrees for a spin from lastPosition to position about centre (display coordinates).
double
spinAngle(const int position[2], const int lastPosition[2], const double center[2]);
