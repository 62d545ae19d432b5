#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <vector>

// Where the labels of an atlas picture go: in columns at the left and right margins of the view,
// each joined by a leader line to its anchor on the picture. Coordinates are pixels with the
// origin at the bottom left and y upwards, as the 3-D view counts them.
struct LabelRequest
{
  QPointF anchor; // the point of the structure the leader line ends at
  QSizeF size;    // of the label's box
};

struct LabelLayoutSettings
{
  QSizeF viewSize;
  double margin = 8;      // between the view's edge and a column
  double gap = 4;         // between two labels of a column, and between two columns
  double leaderInset = 3; // between a label and the start of its leader line
  double leftBottom = 0;  // lowest y of the left columns (room for the orientation axes)
};

struct PlacedLabel
{
  QRectF box;     // x, y of its bottom-left corner
  QPointF leader; // where its leader line leaves the label, towards the anchor
  int column = 0; // 0, 1, ... from the left margin inwards; -1, -2, ... from the right
};

// Places every label, in the order of requests: none is dropped. Labels go to the side of the
// view their anchor lies on, moved to the other side where a side has no room; a side whose
// column is full opens a second one further in. In a column labels keep the order of their
// anchors from top to bottom, and pairs whose leader lines would still cross swap places.
// Labels never overlap and stay inside the view while the view has room for them.
std::vector<PlacedLabel>
layOutLabels(const std::vector<LabelRequest>& requests, const LabelLayoutSettings& settings);

// One structure's points in sight, in the view's pixels: where its leader line may end. The window
// finds them (on its surface, in front of whatever the picture draws there, inside the view);
// the choice among them is here.
struct AnchorCandidates
{
  std::vector<QPointF> points;
  int kept = -1; // the point the anchor was on before, while it is still in sight; -1: none
};

// The anchor of each structure, as an index into its points, or -1 for a structure with no point
// in sight (it gets no label). An anchor sits well inside the part of its structure in sight:
// the point nearest all the others (least summed distance). Structures drawn one inside or
// beside another would have their anchors on one spot; an anchor nearer than spacing to one
// chosen before moves to the most central point of its structure clear of the others, or, where
// none is, to the point furthest from them. Structures with the fewest points choose first: they
// have the least room. A kept anchor stays unless it crowds another kept one, so that labels do
// not wander as the view is looked at again.
std::vector<int>
chooseAnchors(const std::vector<AnchorCandidates>& structures, double spacing);

// Whether the segments a-b and c-d cross (touching ends do not count).
bool
segmentsCross(const QPointF& a, const QPointF& b, const QPointF& c, const QPointF& d);
