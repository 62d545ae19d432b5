#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <vector>

class QDockWidget;
class QTextBrowser;
class _CochlexUI;

// The dock "Structure": the name and description of the structure selected last (by a click on
// it in the view, on its label or on its row's title), or, after a wrong answer in the quiz, of
// the structure that was asked for. A description is the HTML page the model holds beside the
// structure's surface, shown with the Help page's rules: links lead nowhere except to anchors
// of the page itself. Found by its object name, "structureInformation", on the window.
class StructureInfo : public QObject
{
  Q_OBJECT

public:
  explicit StructureInfo(_CochlexUI& window);

  // Logical pixels of the dock when it opens: the title and six lines of text.
  static constexpr int openHeight = 170;

  static QString noDescriptionText() { return tr("No description in this teaching model."); }

  // The structure table forgets the previous model: so does the dock.
  void clearStructures();

  QDockWidget* dock() const { return infoDock; }
  QTextBrowser* browser() const { return infoBrowser; }
  // The structure shown, or -1.
  int shownStructure() const { return shown; }

public slots:
  void showStructure(int index);

private slots:
  // A new structure's row title takes clicks.
  void structureAdded(int index);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void openDock();

  _CochlexUI& window;
  QDockWidget* infoDock;
  QTextBrowser* infoBrowser;
  int shown = -1;
  // Opens the closed dock once a click in the view can no longer become a double-click.
  QTimer openTimer;
};
