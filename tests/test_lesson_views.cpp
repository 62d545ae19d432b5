// Every part of the picture a lesson view keeps, one at a time: set through its control as the
// user sets it, kept by View > Add View, written to a lesson file, changed again, and brought
// back by opening the file and choosing the view. The View menu's switches are found in the menu
// itself, so a switch a later feature adds is covered, or fails here until the views keep it.

#include "GuiTest.h"

#include "viewer/Labels.h"
#include "viewer/Lessons.h"
#include <QActionGroup>

#include <functional>
#include <map>

#include <vtkBoundingBox.h>

// What one part of the picture reads in the window, and how the user sets it.
struct PictureField
{
  std::function<QVariant(_CochlexUI&)> read;
  std::function<void(_CochlexUI&, const QVariant&)> set;
  QVariant kept;  // the value the view is added with
  QVariant other; // the value set before the view is chosen again
};
Q_DECLARE_METATYPE(PictureField)

namespace {

// Switches of the View menu that are no part of a picture: two docks of the window and the
// quiz, an exercise rather than something to look at.
const QStringList notPictureSwitches{ "actionStructure_Info", "actionViews_Dock", "actionQuiz" };

QList<QAction*>
menuSwitches(QMenu* menu)
{
  QList<QAction*> switches;
  for (QAction* action : menu->actions()) {
    if (action->menu() != nullptr) {
      switches += menuSwitches(action->menu());
    } else if (action->isCheckable() && !notPictureSwitches.contains(action->objectName()) &&
               (action->actionGroup() == nullptr || !action->actionGroup()->isExclusive())) {
      // One of several choices (Label Size) has no "off" to come back to; the labels' test
      // takes the chosen size through a lesson file.
      switches += action;
    }
  }
  return switches;
}

template<typename Widget>
Widget*
control(_CochlexUI& window, const QString& name)
{
  auto* widget = window.findChild<Widget*>(name);
  if (widget == nullptr) {
    qFatal("no control %s", qPrintable(name));
  }
  return widget;
}

PictureField
checkBoxField(const QString& name)
{
  return { [name](_CochlexUI& window) {
            return QVariant(control<QCheckBox>(window, name)->isChecked());
          },
           [name](_CochlexUI& window, const QVariant& value) {
             QCheckBox* box = control<QCheckBox>(window, name);
             if (box->isChecked() != value.toBool()) {
               box->click();
             }
           },
           true,
           false };
}

PictureField
switchField(const QString& name, bool kept)
{
  return { [name](_CochlexUI& window) {
            return QVariant(control<QAction>(window, name)->isChecked());
          },
           [name](_CochlexUI& window, const QVariant& value) {
             QAction* action = control<QAction>(window, name);
             if (action->isChecked() != value.toBool()) {
               action->trigger();
             }
           },
           kept,
           !kept };
}

template<typename Widget>
PictureField
valueField(const QString& name, const QVariant& kept, const QVariant& other)
{
  return { [name](_CochlexUI& window) { return QVariant(control<Widget>(window, name)->value()); },
           [name](_CochlexUI& window, const QVariant& value) {
             using Value = decltype(control<Widget>(window, name)->value());
             control<Widget>(window, name)->setValue(value.value<Value>());
           },
           kept,
           other };
}

// The camera as ten numbers: position, focal point and view-up, then the view angle.
QVariant
cameraNumbers(_CochlexUI& window)
{
  vtkCamera* camera = window.mainCamera();
  QVariantList numbers;
  for (const double* vector :
       { camera->GetPosition(), camera->GetFocalPoint(), camera->GetViewUp() }) {
    for (int axis = 0; axis < 3; ++axis) {
      numbers << vector[axis];
    }
  }
  numbers << camera->GetViewAngle();
  return numbers;
}

// A camera pose as the user leaves it with the mouse (the view-up square to the direction of
// view), given as the same ten numbers.
void
placeCamera(_CochlexUI& window, const QVariant& pose)
{
  const QVariantList numbers = pose.toList();
  vtkCamera* camera = window.mainCamera();
  camera->SetPosition(numbers[0].toDouble(), numbers[1].toDouble(), numbers[2].toDouble());
  camera->SetFocalPoint(numbers[3].toDouble(), numbers[4].toDouble(), numbers[5].toDouble());
  camera->SetViewUp(numbers[6].toDouble(), numbers[7].toDouble(), numbers[8].toDouble());
  camera->SetViewAngle(numbers[9].toDouble());
  camera->OrthogonalizeViewUp();
  window.mainRenderWindow()->Render();
}

// Equal values; numbers written to a file and read back within a millionth.
bool
same(const QVariant& a, const QVariant& b)
{
  if (a.type() == QVariant::List || b.type() == QVariant::List) {
    const QVariantList first = a.toList();
    const QVariantList second = b.toList();
    if (first.size() != second.size()) {
      return false;
    }
    for (int index = 0; index < first.size(); ++index) {
      if (!same(first[index], second[index])) {
        return false;
      }
    }
    return true;
  }
  if (a.type() == QVariant::Bool || b.type() == QVariant::Bool) {
    return a.toBool() == b.toBool() && a.type() == b.type();
  }
  return std::abs(a.toDouble() - b.toDouble()) < 1e-6;
}

QString
text(const QVariant& value)
{
  return value.type() == QVariant::List ? value.toStringList().join(' ') : value.toString();
}

} // namespace

class LessonViewsTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;
  QTemporaryDir lessonFolder;

  _CochlexUI& loaded()
  {
    if (session == nullptr) {
      session = std::make_unique<ViewerSession>();
      window = &session->openModel();
    }
    return *window;
  }

private slots:
  void cleanupTestCase() { session.reset(); }

  // The switches this build has, each found in the View menu: a lost one fails here.
  void viewMenuHoldsThePictureSwitches()
  {
    QStringList names;
    for (QAction* action : menuSwitches(loaded().menuView)) {
      names << action->objectName();
    }
    for (const char* name :
         { "actionShow_Labels", "actionWhite_Background", "actionSolid_Cut_Faces" }) {
      QVERIFY2(names.contains(name), name);
    }
  }

  // Each standard view against the model's anatomical frame (x medial, y posterior, z superior:
  // the orientation marker's M, P and S), not against the program's own table: seen from a side,
  // the camera looks towards the opposite one; superior is up in the views from the side, and
  // in the views from above and from below anterior is up, as an atlas draws a head's sections.
  void standardViewsLookAlongTheAnatomicalAxes_data()
  {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("looking");
    QTest::addColumn<QString>("up");
    QTest::newRow("from anterior") << "Anterior"
                                   << "Alt+1"
                                   << "posterior"
                                   << "superior";
    QTest::newRow("from posterior") << "Posterior"
                                    << "Alt+2"
                                    << "anterior"
                                    << "superior";
    QTest::newRow("from above") << "Superior"
                                << "Alt+3"
                                << "inferior"
                                << "anterior";
    QTest::newRow("from below") << "Inferior"
                                << "Alt+4"
                                << "superior"
                                << "anterior";
    QTest::newRow("from lateral") << "Lateral"
                                  << "Alt+5"
                                  << "medial"
                                  << "superior";
    QTest::newRow("from medial") << "Medial"
                                 << "Alt+6"
                                 << "lateral"
                                 << "superior";
  }

  void standardViewsLookAlongTheAnatomicalAxes()
  {
    QFETCH(QString, name);
    QFETCH(QString, keys);
    QFETCH(QString, looking);
    QFETCH(QString, up);
    const std::map<QString, vtkVector3d> anatomical{
      { "medial", { 1, 0, 0 } },    { "lateral", { -1, 0, 0 } }, { "posterior", { 0, 1, 0 } },
      { "anterior", { 0, -1, 0 } }, { "superior", { 0, 0, 1 } }, { "inferior", { 0, 0, -1 } }
    };
    _CochlexUI& window = loaded();
    auto* menu = window.findChild<QMenu*>("menuStandard_Views");
    QVERIFY(menu != nullptr && window.menuView->actions().contains(menu->menuAction()));
    auto* action = window.findChild<QAction*>("actionStandard_View_" + name);
    QVERIFY(action != nullptr && menu->actions().contains(action));
    QCOMPARE(action->shortcut(), QKeySequence(keys));
    // From a turned camera, so that no view is right by chance.
    window.mainCamera()->Azimuth(35);
    window.mainCamera()->Elevation(20);
    window.mainCamera()->OrthogonalizeViewUp();
    action->trigger();
    window.lessons->finishTransition();

    vtkCamera* camera = window.mainCamera();
    vtkVector3d direction;
    camera->GetDirectionOfProjection(direction.GetData());
    vtkVector3d viewUp(camera->GetViewUp());
    QVERIFY2((direction - anatomical.at(looking)).Norm() < 1e-6, qPrintable(looking));
    QVERIFY2((viewUp.Normalized() - anatomical.at(up)).Norm() < 1e-6, qPrintable(up));
    // Framed: every corner of the structures' box lies inside the picture.
    vtkRenderer* renderer = window.mainRenderer();
    vtkBoundingBox box;
    for (vtkActor* actor : window.frontActors) {
      if (renderer->HasViewProp(actor)) {
        box.AddBounds(actor->GetBounds());
      }
    }
    for (int corner = 0; corner < 8; ++corner) {
      const double* low = box.GetMinPoint();
      const double* high = box.GetMaxPoint();
      renderer->SetWorldPoint(corner & 1 ? high[0] : low[0],
                              corner & 2 ? high[1] : low[1],
                              corner & 4 ? high[2] : low[2],
                              1);
      renderer->WorldToView();
      const double* point = renderer->GetViewPoint();
      QVERIFY(std::abs(point[0]) < 1 && std::abs(point[1]) < 1);
    }
  }

  void eachPartComesBackFromTheFile_data()
  {
    QTest::addColumn<PictureField>("field");
    _CochlexUI& window = loaded();
    for (int row = 1; row <= 9; ++row) {
      QTest::addRow("structure %d shown", row) << checkBoxField(QStringLiteral("show_%1").arg(row));
      QTest::addRow("structure %d transparency", row)
        << valueField<QDoubleSpinBox>(QStringLiteral("doubleSpinBox_%1").arg(row), 0.3, 0.8);
    }
    for (const char* axis : { "x", "y", "z" }) {
      QTest::addRow("section %s number", axis)
        << valueField<QSpinBox>(QStringLiteral("spinBox_%1").arg(axis), 40, 90);
      QTest::addRow("section %s shown", axis)
        << checkBoxField(QStringLiteral("show%1Plane").arg(QString(axis).toUpper()));
      QTest::addRow("section %s cut", axis)
        << valueField<QSlider>(QStringLiteral("clip%1").arg(QString(axis).toUpper()), 1, -1);
      QTest::addRow("section %s cut the other way", axis)
        << valueField<QSlider>(QStringLiteral("clip%1").arg(QString(axis).toUpper()), -1, 0);
    }
    for (QAction* action : menuSwitches(window.menuView)) {
      for (const bool kept : { true, false }) {
        QTest::addRow("View > %s %s", qPrintable(action->text().remove('&')), kept ? "on" : "off")
          << switchField(action->objectName(), kept);
      }
    }
    QTest::newRow("camera") << PictureField{
      cameraNumbers,
      placeCamera,
      QVariantList{ 27.0, 20.0, 1.5, 3.0, 2.0, 1.5, 0.36, -0.48, 0.8, 24.0 },
      QVariantList{ -20.0, 5.0, 3.0, 2.0, 2.0, 2.0, 0.0, 0.0, 1.0, 40.0 }
    };
    QTest::newRow("label size") << PictureField{
      [](_CochlexUI& window) { return QVariant(int(window.labels->labelSize())); },
      [](_CochlexUI& window, const QVariant& value) {
        window.labels->setLabelSize(LabelSize(value.toInt()));
      },
      int(LabelSize::Large),
      int(LabelSize::Small)
    };
    QTest::newRow("selected structure")
      << PictureField{ [](_CochlexUI& window) {
                        window.structureSelection->finishHighlight();
                        return QVariant(window.structureSelection->selectedStructure());
                      },
                       [](_CochlexUI& window, const QVariant& value) {
                         if (value.toInt() < 0) {
                           window.structureSelection->clearSelection();
                         } else {
                           window.structureSelection->selectStructure(value.toInt());
                         }
                       },
                       6,
                       2 };
    QTest::newRow("no structure selected")
      << PictureField{ [](_CochlexUI& window) {
                        return QVariant(window.structureSelection->selectedStructure());
                      },
                       [](_CochlexUI& window, const QVariant& value) {
                         if (value.toInt() < 0) {
                           window.structureSelection->clearSelection();
                         } else {
                           window.structureSelection->selectStructure(value.toInt());
                         }
                       },
                       -1,
                       3 };
  }

  void eachPartComesBackFromTheFile()
  {
    QFETCH(PictureField, field);
    _CochlexUI& window = loaded();
    Lessons& lessons = *window.lessons;
    const QString path = lessonFolder.filePath("part.cochlex-lesson");

    field.set(window, field.kept);
    const QVariant kept = field.read(window);
    QVERIFY(same(kept, field.kept));
    // Added after the views of the rows before.
    window.findChild<QAction*>("actionAdd_View")->trigger();
    const std::size_t count = lessons.views().size();
    QCOMPARE(lessons.saveLessonTo(path), QString());

    field.set(window, field.other);
    QVERIFY(!same(field.read(window), kept));
    lessons.openLessonFile(path);
    QCOMPARE(lessons.views().size(), count);
    lessons.goToView(int(count) - 1);
    lessons.finishTransition();
    const QVariant back = field.read(window);
    QVERIFY2(same(back, kept), qPrintable(text(back) + " instead of " + text(kept)));
  }
};

COCHLEX_VIEWER_TEST_MAIN(LessonViewsTest)
#include "test_lesson_views.moc"
