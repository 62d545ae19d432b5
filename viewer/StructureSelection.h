#pragma once

#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>
#include <cstddef>
#include <vector>

class QGroupBox;
class QLabel;
class _CochlexUI;
class vtkActor;

// What the Viewer window does when the user points at a structure in the main view: names it
// in the status bar and as the view's tool tip; on a click brings its row of controls into view
// and lights up row and structure for a moment; on a double-click shows that structure alone.
class StructureSelection : public QObject
{
  Q_OBJECT

public:
  explicit StructureSelection(_CochlexUI& window);

  // Called as the model loads: forget the previous model's selection.
  void clearStructures();

  // The structure's name from the structure table; empty for an index without a structure.
  QString structureName(int index) const;
  // The structure clicked last, or -1.
  int selectedStructure() const { return selected; }
  // The status bar's field with the name of the structure under the pointer.
  QLabel* pointedNameLabel() const { return nameLabel; }

  // Forgets the structure clicked last, as a lesson view without one asks.
  void clearSelection()
  {
    finishHighlight();
    selected = -1;
  }

  // Ends a running highlight at once, leaving every structure looking as before it.
  void finishHighlight();

  // While off, clicks and double-clicks in the view select nothing and hide nothing, so that
  // another feature (the quiz) can take them; turning off ends a running highlight.
  void setRespondingToClicks(bool responding);

  static constexpr int rowHighlightMilliseconds = 1500;
  static constexpr int pulseStepMilliseconds = 180;

signals:
  // A structure was selected: by a click on it, or on whatever else stands for it.
  void structureSelected(int index);

public slots:
  void showPointedName(int index);
  void selectStructure(int index);
  // Hides every other structure through its Show box, as the user would; Show All undoes it.
  void showOnlyStructure(int index);

private:
  // An actor's colour and opacity as the highlight found them.
  struct ActorLook
  {
    vtkActor* actor = nullptr;
    std::array<double, 3> color{};
    double opacity = 1;
  };

  void pulseStep();
  void finishPulse();
  void highlightActors();
  void restoreActors();
  void highlightRow(QGroupBox* row);
  void restoreRow();

  _CochlexUI& window;
  QLabel* nameLabel;
  int selected = -1;
  bool respondingToClicks = true;

  QTimer pulseTimer;
  int pulsePhase = 0;
  bool actorsHighlighted = false;
  std::vector<ActorLook> savedLooks;

  QTimer rowTimer;
  QPointer<QGroupBox> highlightedRow;
  QPalette rowPalette;
  bool rowFilledBackground = false;
};
