#pragma once

#include "viewer/teaching/ViewState.h"

#include <array>

// The camera between two poses, t from 0 (from) to 1 (to). The orientation turns the shortest way
// about one axis (a rotation interpolated as a quaternion), so the picture never rolls more than
// the two ends differ by, and the view-up stays at right angles to the direction of view; the
// focal point moves in a straight line and the distance changes by a constant factor per step,
// so a zoom looks even. Ends are returned exactly.
CameraPose
interpolateCamera(const CameraPose& from, const CameraPose& to, double t);

// The six views along the anatomical axes of the model, whose x axis points medial, y posterior
// and z superior. Each is named by the side the model is seen from.
enum class StandardView
{
  Anterior,
  Posterior,
  Superior,
  Inferior,
  Lateral,
  Medial
};

constexpr std::array<StandardView, 6> standardViews{ { StandardView::Anterior,
                                                       StandardView::Posterior,
                                                       StandardView::Superior,
                                                       StandardView::Inferior,
                                                       StandardView::Lateral,
                                                       StandardView::Medial } };

const char*
standardViewName(StandardView view);

// The direction the camera looks in, from its position towards the model.
std::array<double, 3>
standardViewDirection(StandardView view);

// The camera of a standard view framing bounds (x min, x max, y min, y max, z min, z max) as a
// view reset does: focal point at their centre, the sphere around them filling the view angle.
// Superior is up in the views from the side; in the views from above and below anterior is up.
CameraPose
standardViewPose(StandardView view, const std::array<double, 6>& bounds, double viewAngle);

// Whether camera still shows the picture of pose: a move of either point by more than a
// thousandth of the viewing distance, a roll of the view-up by more than a twentieth of a degree
// or a change of the view angle by more than a hundredth of a degree leaves it. A placed camera
// can differ by rounding, and by a view-up made square to the direction of view.
bool
showsPose(const CameraPose& camera, const CameraPose& pose);
