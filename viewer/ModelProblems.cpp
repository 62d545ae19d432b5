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
                         const QString& path,
                         const QString& problem)
{
  if (index >= window.structureCheckBoxes.size()) {
    return;
  }
  const QString tip = QStringLiteral("Not loaded: %1: %2").arg(QFileInfo(path).fileName(), problem);
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
  text->SetFontSize(window.qvtkHead->textSize(13));
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
    const StructureTable& table = *window.structureTable;
    bool anyLoaded = false;
    bool anyShown = false;
    for (int index = 0; index < table.count(); ++index) {
      anyLoaded = anyLoaded || table.at(index).loaded;
      anyShown = anyShown || (table.at(index).loaded && table.at(index).shown);
    }
    hint->setVisible(anyLoaded && !anyShown);
  };
  QObject::connect(window.structureTable, &StructureTable::structureChanged, hint, update);
  QObject::connect(window.structureTable, &StructureTable::structureAdded, hint, update);
  QObject::connect(window.structureTable, &StructureTable::cleared, hint, update);
}

std::string
pageProblemText(const QString& fileName, const std::string& problem)
{
  const std::string page = fileName.startsWith(QLatin1String("help")) ? "Help" : "About";
  return "The " + page + " page " + QDir::current().absoluteFilePath(fileName).toStdString() +
         " is missing or unreadable (" + problem + "): " + page + " shows only a note.";
}
