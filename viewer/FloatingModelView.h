#pragma once

#include <QObject>
#include <QTimer>

class QDockWidget;
class _CochlexUI;

// Keeps the floating Model view usable: floated, it opens beside the control panel instead of
// over it, and as narrow as its contents allow; moved, it comes back inside the screen; closed
// while full screen, it goes back into its dock (Escape would find no window to leave). View >
// View Model and a double-click on its title dock it again.
class FloatingModelView : public QObject
{
  Q_OBJECT

public:
  explicit FloatingModelView(_CochlexUI& window);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void floatingChanged(bool floating);
  void placeBesideControls();
  void keepOnScreen();
  bool fullScreen() const;
  bool floatingInWindow() const;

  _CochlexUI& window;
  QDockWidget* dock;
  // A drag moves the view step by step: it is brought back once the moves have stopped.
  QTimer settle;
};
