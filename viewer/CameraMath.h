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

// One wheel notch of VTK's trackball style: its motion factor of 10 times 0.2, a power of 1.1.
constexpr double wheelZoomFactor = 1.21;

// A camera's place for the window-free zoom: where it stands, where it looks, and the half
// height of the view for a parallel projection.
struct CameraPlace
{
  std::array<double, 3> position{};
  std::array<double, 3> focalPoint{};
  double parallelScale = 1.0;
};

// The camera `factor` times closer (factor > 1 zooms in) with `point` staying where it is on the
// screen: camera and focal point both move towards point by 1 - 1/factor of their distance to
// it. The direction of projection stays, the distance to the focal point is divided by factor
// (the parallel scale too) and the line from the camera through point keeps its pixel. With
// point on the focal plane, the focal point stays on that plane.
CameraPlace
zoomTowards(const CameraPlace& camera, const std::array<double, 3>& point, double factor);

// What a key pressed in the model view does to the camera; nothing for any other key.
struct KeyCameraStep
{
  enum class Kind
  {
    None,
    Turn, // azimuth and elevation in degrees, as a mouse drag would turn the model
    Zoom, // factor > 1 zooms in
    Pan,  // the model moves by (dx, dy) times the view's height, y up
  };
  Kind kind = Kind::None;
  double azimuth = 0.0;
  double elevation = 0.0;
  double factor = 1.0;
  double dx = 0.0;
  double dy = 0.0;
};

// Degrees of one arrow press: 72 presses turn the model once round, and a held key (about 25
// repeats a second) turns it at about 125 degrees a second.
constexpr double keyTurnDegrees = 5.0;
// One pan step with Shift: a twentieth of the view's height.
constexpr double keyPanFraction = 0.05;

// The step for a Qt key code: the arrows turn the model the way they point (Right brings its
// left side forward, Up tilts its top away), with Shift they move it that way; + (also = , the
// same key unshifted) and - zoom by one wheel notch. Other modifiers than Shift (and the keypad's)
// leave the key to the window's shortcuts.
KeyCameraStep
keyCameraStep(int key, bool shift, bool otherModifiers);
