// How the atlas labels look: their text size on the screen and in print, enlarged for the tiles
// of a large screenshot, and their colours on black and on white.

#include "viewer/Labels.h"

#include "viewer/CochlexUI.h"

#include "ui/RenderView.h"

#include <QAction>

#include <vtkActor2D.h>
#include <vtkAxesActor.h>
#include <vtkCaptionActor2D.h>
#include <vtkCellArray.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkProperty2D.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkTextActor.h>
#include <vtkTextProperty.h>

#include <algorithm>
#include <cmath>

double
Labels::textPixels(double viewHeight) const
{
  const double onScreen = labelTextPixels(size) * window.qvtkWidget->renderPixelRatio();
  return forPrint ? std::max(onScreen, viewHeight * printTextShare) : onScreen;
}

int
Labels::textSize(double pixels) const
{
  // On a screen of pixel ratio 2 a size in pixels given to VTK as it is came out twice as large,
  // and the labels, too wide to fit, lay over one another.
  return window.qvtkWidget->textSize(pixels / window.qvtkWidget->renderPixelRatio());
}

void
Labels::enlargeForTiles(int scale)
{
  const double ratio = window.qvtkWidget->renderPixelRatio();
  vtkNew<vtkPoints> points;
  vtkNew<vtkCellArray> lines;
  vtkNew<vtkCellArray> dots;
  for (std::size_t position = 0; position < placed.size(); ++position) {
    const auto& [structure, box] = placed[position];
    vtkTextActor* text = labels[std::size_t(structure)].text;
    text->GetTextProperty()->SetFontSize(textSize(placedTextPixels * scale));
    text->SetDisplayPosition(int(std::lround(box.box.x() * scale)),
                             int(std::lround(box.box.y() * scale)));
    const QPointF anchor = placedAnchors[position] * scale;
    const QPointF leader = box.leader * scale;
    const vtkIdType start = points->InsertNextPoint(anchor.x(), anchor.y(), 0);
    const vtkIdType end = points->InsertNextPoint(leader.x(), leader.y(), 0);
    const vtkIdType line[2] = { start, end };
    lines->InsertNextCell(2, line);
    dots->InsertNextCell(1, &start);
  }
  leaderLines->SetPoints(points);
  leaderLines->SetLines(lines);
  leaderLines->SetVerts(dots);
  leaderActor->GetProperty()->SetLineWidth(float(1.2 * ratio * scale));
  leaderActor->GetProperty()->SetPointSize(float(4 * ratio * scale));
}

void
Labels::setLabelSize(LabelSize wanted)
{
  sizeActions[std::size_t(wanted)]->setChecked(true);
  if (wanted == size) {
    return;
  }
  size = wanted;
  // The anchors' spacing follows the text.
  if (active() && !held) {
    placeNow();
  }
}

void
Labels::setForPrint(bool on)
{
  forPrint = on;
}

void
Labels::setWhite(bool on)
{
  const double background = on ? 1.0 : 0.0;
  window.mainRenderer()->SetBackground(background, background, background);
  window.setHandoutLighting(on);
  applyColors();
  window.mainRenderWindow()->Render();
}

void
Labels::applyColors()
{
  const bool white = whiteAction->isChecked();
  // Dark ink on white for print; light on the black screen background.
  const double ink = white ? 0.08 : 0.95;
  const double paper = white ? 1.0 : 0.0;
  for (StructureLabel& label : labels) {
    if (label.text != nullptr) {
      label.text->GetTextProperty()->SetColor(ink, ink, ink);
      label.text->GetTextProperty()->SetBackgroundColor(paper, paper, paper);
    }
  }
  const double line = white ? 0.15 : 0.9;
  leaderActor->GetProperty()->SetColor(line, line, line);
  // The axes' letters are white: on white paper they would vanish.
  const double letters = white ? 0.1 : 1.0;
  for (vtkCaptionActor2D* caption : { window.axesActor->GetXAxisCaptionActor2D(),
                                      window.axesActor->GetYAxisCaptionActor2D(),
                                      window.axesActor->GetZAxisCaptionActor2D() }) {
    caption->GetCaptionTextProperty()->SetColor(letters, letters, letters);
  }
}
