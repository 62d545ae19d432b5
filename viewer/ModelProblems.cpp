#include "viewer/ModelProblems.h"

#include "viewer/CochlexUI.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QSlider>
#include <QStatusBar>

#include <vtkActor.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkTextActor.h>
#include <vtkTextProperty.h>

void
markStructureUnavailable(_CochlexUI& window,
                         std::size_t index,
                         const std::string& path,
                         const std::string& problem)
{
  if (index >= window.structureCheckBoxes.size()) {
    return;
  }
  const QString tip =
    QStringLiteral("Not loaded: %1: %2")
      .arg(QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName(),
           QString::fromStdString(problem));
  QCheckBox* box = window.structureCheckBoxes[index];
  box->setChecked(false);
  // A grey row without the structure's colour: nothing of it is in the view.
  box->setIcon(QIcon());
  for (QWidget* control : { static_cast<QWidget*>(box),
                            static_cast<QWidget*>(window.structureSliders[index]),
                            static_cast<QWidget*>(window.structureSpinBoxes[index]) }) {
    control->setEnabled(false);
    control->setToolTip(tip);
  }
  if (QWidget* row = box->parentWidget()) {
    row->setToolTip(tip);
  }
}

void
noteMissingHeadModel(_CochlexUI& window, vtkPolyData* head)
{
  if (head != nullptr && head->GetNumberOfPoints() > 0) {
    return;
  }
  vtkNew<vtkTextActor> note;
  note->SetInput("No head model\n(see Help > Load Report)");
  vtkTextProperty* text = note->GetTextProperty();
  text->SetFontSize(qRound(13 * window.qvtkHead->devicePixelRatioF()));
  text->SetJustificationToCentered();
  text->SetVerticalJustificationToCentered();
  text->SetColor(0.85, 0.85, 0.85);
  note->GetPositionCoordinate()->SetCoordinateSystemToNormalizedViewport();
  note->GetPositionCoordinate()->SetValue(0.5, 0.5);
  window.headRenderer()->AddActor2D(note);
}

QString
allHiddenHint()
{
  return QStringLiteral("Every structure is hidden: Show All (Ctrl+A) brings them back");
}

void
followAllHidden(_CochlexUI& window)
{
  auto* hint = new QLabel(allHiddenHint(), window.statusbar);
  hint->setObjectName(QStringLiteral("allHiddenHint"));
  window.statusbar->addWidget(hint);
  hint->hide();
  const auto update = [&window, hint] {
    bool anyLoaded = false;
    bool anyShown = false;
    for (QCheckBox* box : window.structureCheckBoxes) {
      // A loaded structure's row wears its colour; rows that failed or were never listed don't.
      if (box->isEnabled() && !box->icon().isNull()) {
        anyLoaded = true;
        anyShown = anyShown || box->isChecked();
      }
    }
    hint->setVisible(anyLoaded && !anyShown);
  };
  for (QCheckBox* box : window.controlPanel->findChildren<QCheckBox*>(
         QRegularExpression(QStringLiteral("^show_\\d$")))) {
    // Toggled, not clicked: Hide All and Show All set the boxes from code.
    QObject::connect(box, &QCheckBox::toggled, hint, update);
  }
}

std::string
pageProblemText(const QString& fileName, const std::string& problem)
{
  const std::string page = fileName.startsWith(QLatin1String("help")) ? "Help" : "About";
  return "The " + page + " page " + QDir::current().absoluteFilePath(fileName).toStdString() +
         " is missing or unreadable (" + problem + "): " + page + " shows only a note.";
}
