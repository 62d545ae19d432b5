// Loading the teaching model into the Viewer window: console lines, actors, controls, section
// objects, and every kind of bad input the load must survive.

#include "ViewerSession.h"
#include "viewer/CochlexUI.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QToolBox>

#include <vtkActor.h>
#include <vtkImageActor.h>
#include <vtkImageData.h>
#include <vtkImagePlaneWidget.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkTransform.h>

#include <sstream>

namespace {

vtkIdType
pointCount(vtkActor* actor)
{
  return vtkPolyDataMapper::SafeDownCast(actor->GetMapper())->GetInput()->GetNumberOfPoints();
}

// The line a load prints after the volume: the X section image's bounds.
QString
boundsLine(const double* bounds)
{
  std::ostringstream line;
  for (int index = 0; index < 6; ++index) {
    line << bounds[index] << " ";
  }
  return QString::fromStdString(line.str()) + "\n";
}

} // namespace

class LoadingTest : public QObject
{
  Q_OBJECT

private slots:
  void init();
  void cleanup();

  void fullLoad();
  void missingList();
  void missingAndShortVolume();
  void actorsAndControlsFollowTheList();
  void damagedFilesAndMalformedList();

private:
  QString load(const std::vector<fixture::Structure>& structures, bool withVolume = true)
  {
    fixture::writeModel(folder, structures, withVolume);
    return load();
  }
  QString load() { return QString::fromStdString(session->load()); }

  std::unique_ptr<ViewerSession> session;
  std::unique_ptr<fixture::WorkingDirectory> inFolder;
  QString folder; // the working directory the model is read from
  QString base;   // the same as printed
  _CochlexUI* window = nullptr;
};

void
LoadingTest::init()
{
  // A working directory far longer than any fixed buffer.
  session = std::make_unique<ViewerSession>();
  folder = session->folder();
  for (int level = 0; level < 6; ++level) {
    folder += "/" + QString(120, QChar('a' + level));
  }
  QVERIFY(QDir().mkpath(folder));
  inFolder = std::make_unique<fixture::WorkingDirectory>(folder);
  base = QDir(folder).canonicalPath();
  QVERIFY(base.size() > 700);
  window = &session->open();
}

void
LoadingTest::cleanup()
{
  inFolder.reset();
  session.reset();
}

void
LoadingTest::fullLoad()
{
  QSignalSpy progress(window->progressBar, &QProgressBar::valueChanged);
  const QString output = load(fixture::standardStructures());

  // Count x 100 / 28 after each structure, 0 before the volume, 100 after it.
  QList<int> values;
  for (const QList<QVariant>& signal : progress) {
    values << signal.at(0).toInt();
  }
  QCOMPARE(values, (QList<int>{ 0, 3, 7, 10, 14, 17, 21, 25, 28, 32, 0, 100 }));
  QString expected = "current working directory: " + base + "\n";
  for (const fixture::Structure& structure : fixture::standardStructures()) {
    expected += base + structure.relativePath + "\n";
  }
  const double* bounds = window->sectionActorX->GetBounds();
  QCOMPARE(output, expected + boundsLine(bounds));
  // The bounds are those of the resliced image placed by its transform.
  double local[6], placed[3], real[6] = { 1e9, -1e9, 1e9, -1e9, 1e9, -1e9 };
  window->planeWidgetX->GetResliceOutput()->GetBounds(local);
  QVERIFY(local[1] - local[0] > 1.0 && local[3] - local[2] > 1.0);
  for (int corner = 0; corner < 8; ++corner) {
    const double point[3] = { local[corner & 1],
                              local[2 + (corner >> 1 & 1)],
                              local[4 + (corner >> 2)] };
    window->sectionTransformX->TransformPoint(point, placed);
    for (std::size_t axis = 0; axis < 3; ++axis) {
      real[2 * axis] = std::min(real[2 * axis], placed[axis]);
      real[2 * axis + 1] = std::max(real[2 * axis + 1], placed[axis]);
    }
  }
  for (int index = 0; index < 6; ++index) {
    QVERIFY(std::abs(bounds[index] - real[index]) < 1e-6);
  }

  QVERIFY(!window->headDock->isHidden() && !window->sectionsTab->isHidden() &&
          !window->toolBox->isHidden());
  QVERIFY(window->progressBar->isHidden());
  QCOMPARE(window->progressBar->geometry(), QRect(400, 350, 150, 20));
  QCOMPARE(window->headRenderer()->GetActors()->GetNumberOfItems(), 1);
  vtkActor* head = window->headRenderer()->GetActors()->GetLastActor();
  QCOMPARE(head->GetProperty()->GetColor()[0], 0.880282);
  QVERIFY(pointCount(head) > 0);

  // Section objects ready but hidden; the keys switch the plane widgets on and off.
  vtkImagePlaneWidget* const widgets[] = { window->planeWidgetX,
                                           window->planeWidgetY,
                                           window->planeWidgetZ };
  vtkImageActor* const actors[] = { window->sectionActorX,
                                    window->sectionActorY,
                                    window->sectionActorZ };
  for (int axis = 0; axis < 3; ++axis) {
    QVERIFY(!widgets[axis]->GetEnabled());
    QVERIFY(!window->mainRenderer()->HasViewProp(actors[axis]));
    QVERIFY(actors[axis]->GetUserTransform() != nullptr);
  }
  window->qvtkWidget->setFocus();
  const std::pair<Qt::Key, const char*> presses[] = { { Qt::Key_X, "100" }, { Qt::Key_Z, "101" },
                                                      { Qt::Key_X, "001" }, { Qt::Key_Y, "011" },
                                                      { Qt::Key_Y, "001" }, { Qt::Key_Z, "000" } };
  for (const auto& [key, enabled] : presses) {
    QTest::keyClick(window->qvtkWidget, key);
    for (int axis = 0; axis < 3; ++axis) {
      QCOMPARE(widgets[axis]->GetEnabled(), enabled[axis] - '0');
    }
  }

  // The load action does nothing once the model is loaded.
  const int props = window->mainRenderer()->GetViewProps()->GetNumberOfItems();
  QCOMPARE(captureOutput([this] { window->actionLoad_Teaching_Model->trigger(); }), "");
  QCOMPARE(int(window->frontActors.size()), 9);
  QCOMPARE(int(window->backActors.size()), 9);
  QCOMPARE(window->mainRenderer()->GetViewProps()->GetNumberOfItems(), props);
}

void
LoadingTest::missingList()
{
  // A folder in the list's place counts as missing, as does no file at all.
  const QString expected = "current working directory: " + base + "\nCannot open file: " + base +
                           "/Joint_transformed.txt\n";
  QCOMPARE(load(), expected);
  QVERIFY(QDir(folder).mkdir("Joint_transformed.txt"));
  QCOMPARE(load(), expected);

  QVERIFY(window->headDock->isHidden() && window->sectionsTab->isHidden() &&
          window->toolBox->isHidden() && window->progressBar->isHidden());
  QVERIFY(window->frontActors.empty() && !window->hasSectionVolume());
  QCOMPARE(window->headRenderer()->GetViewProps()->GetNumberOfItems(), 0);
  QVERIFY(window->actionLoad_Teaching_Model->signalsBlocked());
  // With no structures loaded the structure handlers leave the scene alone.
  window->horizontalSlider_1->setValue(3);
  window->show_1->click();
  window->showAll();
  window->hideAll();
  QCOMPARE(window->mainRenderer()->GetActors()->GetNumberOfItems(), 0);
}

void
LoadingTest::missingAndShortVolume()
{
  QString output = load(fixture::standardStructures(), false);
  QVERIFY(output.endsWith(base +
                          "/Joint/Joint_Space_transformed.vtk\nError while loading data "
                          "from file " +
                          base + "/Joint/Joint.raw.\n"));
  QVERIFY(!window->hasSectionVolume());
  QCOMPARE(window->volumeDimensions[0], 748);
  QCOMPARE(window->volumeSpacing[2], 0.02);
  QCOMPARE(int(window->frontActors.size()), 9);
  QCOMPARE(window->headRenderer()->GetActors()->GetNumberOfItems(), 1);
  QVERIFY(!window->toolBox->isHidden() && window->progressBar->isHidden());
  // The keys do nothing without a volume.
  QTest::keyClick(window->qvtkWidget, Qt::Key_X);
  QVERIFY(!window->planeWidgetX->GetEnabled());

  cleanup();
  init();
  fixture::writeVolume(
    folder, [](int, int, int) { return std::uint8_t(200); }, fixture::volumeByteCount - 1);
  output = load(fixture::standardStructures(), false);
  QVERIFY(output.endsWith("numread: 47483039\n" + boundsLine(window->sectionActorX->GetBounds())));
  QVERIFY(window->hasSectionVolume());
}

void
LoadingTest::actorsAndControlsFollowTheList()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  structures[0].opacity = 0;
  structures[0].colorText = "1 0 0\n";
  structures[1].colorText = "1 1 0 trailing text\n";
  structures[2].opacity = 0.35;
  structures[2].colorText.clear(); // no colour file
  structures[3].opacity = 0.3;
  structures[3].colorText = "0.5 0.5\n";
  structures[4].opacity = 0;
  // A list line far longer than any fixed buffer; eleven entries, of which nine are loaded.
  structures[5].relativePath = QString("/" + QString(200, 'p')).repeated(5) + "/stapes.vtk";
  structures.push_back(structures[7]);
  structures.push_back(structures[8]);
  const QString output = load(structures, false);
  QVERIFY(output.contains(base + structures[5].relativePath + "\n"));
  QVERIFY(!output.contains("Cannot load surface"));
  QVERIFY2(output.contains("only the first 9 are loaded"), qPrintable(output));

  // Back actor before front actor, structures with opacity 0 left out.
  std::vector<vtkActor*> expected;
  for (int index = 0; index < 9; ++index) {
    if (structures[index].opacity > 0) {
      expected.push_back(window->backActors[index]);
      expected.push_back(window->frontActors[index]);
    }
  }
  QVERIFY(rendererActors(window->mainRenderer()) == expected);
  QCOMPARE(int(window->frontActors.size()), 9);
  QCOMPARE(int(window->backActors.size()), 9);
  for (int index = 0; index < 9; ++index) {
    vtkProperty* front = window->frontActors[index]->GetProperty();
    vtkProperty* back = window->backActors[index]->GetProperty();
    QCOMPARE(window->frontActors[index]->GetMapper(), window->backActors[index]->GetMapper());
    QVERIFY(pointCount(window->frontActors[index]) > 0);
    QVERIFY(front->GetBackfaceCulling() && !front->GetFrontfaceCulling());
    QVERIFY(back->GetFrontfaceCulling() && !back->GetBackfaceCulling());
    QCOMPARE(front->GetOpacity(), back->GetOpacity());
    QCOMPARE(QVector<double>(front->GetColor(), front->GetColor() + 3),
             QVector<double>(back->GetColor(), back->GetColor() + 3));
    QCOMPARE(window->structureSliders[index]->maximum(), 10);
    QCOMPARE(window->structureSpinBoxes[index]->maximum(), 1.0);
  }
  // Check box, slider, spin box, opacity and colour per row. 0.35: the slider gets 6, the spin
  // box rounds 0.65 to 0.7 and pulls the slider to 7; both actors end at 1 - 0.7.
  const struct
  {
    bool checked;
    int slider;
    double spinBox, opacity;
    QVector<double> color;
  } rows[] = { { false, 10, 1.0, 0.0, { 1, 0, 0 } },
               { true, 0, 0.0, 1.0, { 1, 1, 0 } },
               { true, 7, 0.7, 1 - 0.7, { 0.7, 0.7, 0.7 } },
               { true, 7, 0.7, 1 - 0.7, { 0.7, 0.7, 0.7 } } };
  for (int index = 0; index < 4; ++index) {
    vtkProperty* back = window->backActors[index]->GetProperty();
    QCOMPARE(window->structureCheckBoxes[index]->isChecked(), rows[index].checked);
    QCOMPARE(window->structureSliders[index]->value(), rows[index].slider);
    QCOMPARE(window->structureSpinBoxes[index]->value(), rows[index].spinBox);
    QCOMPARE(back->GetOpacity(), rows[index].opacity);
    QCOMPARE(QVector<double>(back->GetColor(), back->GetColor() + 3), rows[index].color);
  }
  QCOMPARE(window->structureCheckBoxes[8], window->show_9);
  QVERIFY(window->show_9->isChecked());
}

void
LoadingTest::damagedFilesAndMalformedList()
{
  // Structure 2's surface crashes VTK's own reader, 3's is missing, the head is garbage and the
  // list breaks off at entry 4; everything else loads.
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  fixture::writeModel(folder, structures);
  QByteArray list;
  for (int index = 0; index < 5; ++index) {
    list += structures[index].relativePath.toUtf8() + (index == 3 ? "\nhalf\n" : "\n1\n");
  }
  fixture::writeFile(folder + "/Joint_transformed.txt", list);
  fixture::writeFile(folder + structures[1].relativePath,
                     "# vtk DataFile Version j.1\nvtk output\nBINARY\nDATASET POLYDATA\n"
                     "POINTS 3 float\n\x01\x02");
  QFile::remove(folder + structures[2].relativePath);
  fixture::writeFile(folder + "/Joint/Head_bone_transformed.vtp", "garbage");
  const QString output = load();

  const QString damaged = base + structures[1].relativePath;
  const QString missing = base + structures[2].relativePath;
  QVERIFY2(output.contains("Cannot load surface " + damaged + ": its version line is malformed.\n" +
                           damaged + "\nCannot load surface " + missing +
                           ": the file cannot be opened.\n" + missing + "\nStructure list " + base +
                           "/Joint_transformed.txt: entry 4 (" + structures[3].relativePath +
                           ") has no readable"),
           qPrintable(output));
  QVERIFY(output.contains("Cannot load surface " + base + "/Joint/Head_bone_transformed.vtp: "));

  // No geometry for the damaged ones, everything else as usual.
  QCOMPARE(int(window->frontActors.size()), 3);
  QCOMPARE(pointCount(window->frontActors[1]), vtkIdType(0));
  QCOMPARE(pointCount(window->frontActors[2]), vtkIdType(0));
  QVERIFY(pointCount(window->frontActors[0]) > 0);
  QVERIFY(window->mainRenderer()->HasViewProp(window->frontActors[1]));
  QCOMPARE(pointCount(window->headRenderer()->GetActors()->GetLastActor()), vtkIdType(0));
  QVERIFY(window->hasSectionVolume());
  QVERIFY(!window->toolBox->isHidden() && window->progressBar->isHidden());
  window->mainRenderWindow()->Render();
  window->headRenderWindow()->Render();
}

COCHLEX_VIEWER_TEST_MAIN(LoadingTest)
#include "test_loading.moc"
