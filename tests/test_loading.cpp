// Loading the teaching model into the Viewer window: console lines, actors, controls, section
// objects, and every kind of bad input the load must survive.

#include "ModelFixture.h"
#include "viewer/CochlexUI.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFile>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSlider>
#include <QSurfaceFormat>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBox>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkActor.h>
#include <vtkActorCollection.h>
#include <vtkImageActor.h>
#include <vtkImageData.h>
#include <vtkImagePlaneWidget.h>
#include <vtkMapper.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkTransform.h>

#include <iostream>
#include <memory>
#include <sstream>

namespace {

// Everything the window prints while f runs.
template<typename Function>
std::string
captureOutput(Function f)
{
  std::ostringstream captured;
  std::streambuf* previous = std::cout.rdbuf(captured.rdbuf());
  f();
  std::cout.rdbuf(previous);
  return captured.str();
}

void
writeModel(const QString& directory,
           const std::vector<fixture::Structure>& structures,
           bool withVolume)
{
  fixture::writeStructureList(directory, structures);
  for (const fixture::Structure& structure : structures) {
    fixture::writeStructureFiles(directory, structure);
  }
  fixture::writeHeadModel(directory);
  if (withVolume) {
    fixture::writeVolume(directory, [](int i, int j, int k) { return std::uint8_t(i + j + k); });
  }
}

std::vector<vtkActor*>
rendererActors(vtkRenderer* renderer)
{
  std::vector<vtkActor*> actors;
  vtkActorCollection* collection = renderer->GetActors();
  collection->InitTraversal();
  while (vtkActor* actor = collection->GetNextActor()) {
    actors.push_back(actor);
  }
  return actors;
}

std::string
boundsLine(const double* bounds)
{
  std::ostringstream line;
  for (int index = 0; index < 6; ++index) {
    line << bounds[index] << " ";
  }
  line << "\n";
  return line.str();
}

vtkPolyData*
geometryOf(vtkActor* actor)
{
  return vtkPolyData::SafeDownCast(vtkPolyDataMapper::SafeDownCast(actor->GetMapper())->GetInput());
}

} // namespace

class LoadingTest : public QObject
{
  Q_OBJECT

private slots:
  void init();
  void cleanup();

  void fullLoadPrintsItsLinesInOrder();
  void missingListLeavesTheWindowEmpty();
  void listFolderCountsAsMissing();
  void missingVolumeSkipsTheSections();
  void oneByteShortVolumeIsStillBuilt();
  void actorsFollowOpacitiesAndColourFiles();
  void controlsShowTransparency();
  void sectionObjectsAreReadyButHidden();
  void activationKeysToggleThePlaneWidgets();
  void loadActionIsInertAfterLoading();
  void malformedListKeepsTheEntriesBeforeIt();
  void entriesBeyondTheNinthAreIgnored();
  void damagedSurfacesAreSkipped();
  void longPathsAreRead();

private:
  // The folder the window reads, as the system reports it.
  QString directory() const { return QDir(folder->path()).canonicalPath(); }
  std::string load();

  std::unique_ptr<QTemporaryDir> folder;
  std::unique_ptr<fixture::WorkingDirectory> workingDirectory;
  std::unique_ptr<_CochlexUI> window;
};

void
LoadingTest::init()
{
  folder = std::make_unique<QTemporaryDir>();
  QVERIFY(folder->isValid());
  workingDirectory = std::make_unique<fixture::WorkingDirectory>(folder->path());
  window = std::make_unique<_CochlexUI>();
  window->resize(1000, 700);
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void
LoadingTest::cleanup()
{
  window.reset();
  workingDirectory.reset();
  folder.reset();
}

std::string
LoadingTest::load()
{
  return captureOutput([this] { window->loadTB(); });
}

void
LoadingTest::fullLoadPrintsItsLinesInOrder()
{
  fixture::writeStandardModel(folder->path());
  QSignalSpy progress(window->progressBar, &QProgressBar::valueChanged);
  const std::string output = load();

  // Count x 100 / 28 after each structure, 0 before the volume, 100 after it.
  QList<int> values;
  for (const QList<QVariant>& signal : progress) {
    values << signal.at(0).toInt();
  }
  QCOMPARE(values, (QList<int>{ 0, 3, 7, 10, 14, 17, 21, 25, 28, 32, 0, 100 }));

  const std::string base = directory().toStdString();
  std::string expected = "current working directory: " + base + "\n";
  for (const fixture::Structure& structure : fixture::standardStructures()) {
    expected += base + structure.relativePath.toStdString() + "\n";
  }
  expected += boundsLine(window->sectionActorX->GetBounds());
  QCOMPARE(output, expected);

  // The bounds are those of the resliced image placed by its transform, not an empty extent.
  double local[6];
  window->planeWidgetX->GetResliceOutput()->GetBounds(local);
  QVERIFY(local[1] - local[0] > 1.0 && local[3] - local[2] > 1.0);
  double expectedBounds[6] = { 1e300, -1e300, 1e300, -1e300, 1e300, -1e300 };
  for (int corner = 0; corner < 8; ++corner) {
    const double point[3] = { local[corner & 1],
                              local[2 + ((corner >> 1) & 1)],
                              local[4 + ((corner >> 2) & 1)] };
    double placed[3];
    window->sectionTransformX->TransformPoint(point, placed);
    for (int axis = 0; axis < 3; ++axis) {
      expectedBounds[2 * axis] = std::min(expectedBounds[2 * axis], placed[axis]);
      expectedBounds[2 * axis + 1] = std::max(expectedBounds[2 * axis + 1], placed[axis]);
    }
  }
  const double* bounds = window->sectionActorX->GetBounds();
  for (int index = 0; index < 6; ++index) {
    QVERIFY2(std::abs(bounds[index] - expectedBounds[index]) < 1e-6,
             qPrintable(QString::number(index)));
  }

  QVERIFY(!window->headDock->isHidden());
  QVERIFY(!window->sectionsTab->isHidden());
  QVERIFY(!window->toolBox->isHidden());
  QVERIFY(window->progressBar->isHidden());
  QCOMPARE(window->progressBar->value(), 100);
  QCOMPARE(window->headRenderer()->GetActors()->GetNumberOfItems(), 1);
  vtkActor* head = window->headRenderer()->GetActors()->GetLastActor();
  QCOMPARE(head->GetProperty()->GetColor()[0], 0.880282);
  QVERIFY(geometryOf(head)->GetNumberOfPoints() > 0);
}

void
LoadingTest::missingListLeavesTheWindowEmpty()
{
  const std::string output = load();
  const std::string base = directory().toStdString();
  QCOMPARE(output,
           "current working directory: " + base + "\nCannot open file: " + base +
             "/Joint_transformed.txt\n");
  QVERIFY(window->headDock->isHidden());
  QVERIFY(window->sectionsTab->isHidden());
  QVERIFY(window->toolBox->isHidden());
  QVERIFY(window->progressBar->isHidden());
  QVERIFY(window->frontActors.empty());
  QCOMPARE(window->mainRenderer()->GetActors()->GetNumberOfItems(), 0);
  QCOMPARE(window->headRenderer()->GetViewProps()->GetNumberOfItems(), 0);
  QVERIFY(!window->hasSectionVolume());
  QVERIFY(window->actionLoad_Teaching_Model->signalsBlocked());

  // With no structures loaded the structure handlers leave the scene alone.
  window->horizontalSlider_1->setValue(3);
  QCOMPARE(window->horizontalSlider_1->value(), 3);
  window->showAll();
  window->hideAll();
  QCOMPARE(window->mainRenderer()->GetActors()->GetNumberOfItems(), 0);
}

void
LoadingTest::listFolderCountsAsMissing()
{
  QVERIFY(QDir(folder->path()).mkdir("Joint_transformed.txt"));
  const std::string output = load();
  QVERIFY(output.find("\nCannot open file: " + directory().toStdString() +
                      "/Joint_transformed.txt\n") != std::string::npos);
  QVERIFY(window->toolBox->isHidden());
}

void
LoadingTest::missingVolumeSkipsTheSections()
{
  writeModel(folder->path(), fixture::standardStructures(), false);
  const std::string output = load();
  const std::string base = directory().toStdString();
  const std::string last = "Error while loading data from file " + base + "/Joint/Joint.raw.\n";
  QVERIFY(output.size() > last.size());
  QCOMPARE(output.substr(output.size() - last.size()), last);
  QVERIFY(output.find(base + "/Joint/Joint_Space_transformed.vtk\n" + last) != std::string::npos);

  QVERIFY(!window->hasSectionVolume());
  QCOMPARE(window->volumeDimensions[0], 748);
  QCOMPARE(window->volumeSpacing[2], 0.02);
  QCOMPARE(int(window->frontActors.size()), 9);
  QCOMPARE(window->headRenderer()->GetActors()->GetNumberOfItems(), 1);
  QVERIFY(!window->toolBox->isHidden());
  QVERIFY(window->progressBar->isHidden());

  // The keys do nothing without a volume.
  QTest::keyClick(window->qvtkWidget, Qt::Key_X);
  QVERIFY(!window->planeWidgetX->GetEnabled());
}

void
LoadingTest::oneByteShortVolumeIsStillBuilt()
{
  writeModel(folder->path(), fixture::standardStructures(), false);
  fixture::writeVolume(
    folder->path(), [](int, int, int) { return std::uint8_t(200); }, fixture::volumeByteCount - 1);
  const std::string output = load();
  const std::string tail = "numread: 47483039\n" + boundsLine(window->sectionActorX->GetBounds());
  QVERIFY(output.size() > tail.size());
  QCOMPARE(output.substr(output.size() - tail.size()), tail);
  QVERIFY(window->hasSectionVolume());
}

void
LoadingTest::actorsFollowOpacitiesAndColourFiles()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  structures[0].colorText = "1 0 0\n";
  structures[1].opacity = 0;
  structures[1].colorText = "1 1 0 trailing text\n";
  structures[2].colorText.clear(); // no colour file
  structures[3].colorText = "0.5 0.5\n";
  structures[4].opacity = 0;
  writeModel(folder->path(), structures, false);
  load();

  QCOMPARE(int(window->frontActors.size()), 9);
  QCOMPARE(int(window->backActors.size()), 9);
  // Back actor before front actor, structures with opacity 0 left out.
  std::vector<vtkActor*> expected;
  for (int index = 0; index < 9; ++index) {
    if (index != 1 && index != 4) {
      expected.push_back(window->backActors[index]);
      expected.push_back(window->frontActors[index]);
    }
  }
  QVERIFY(rendererActors(window->mainRenderer()) == expected);

  for (int index = 0; index < 9; ++index) {
    vtkActor* front = window->frontActors[index];
    vtkActor* back = window->backActors[index];
    QCOMPARE(front->GetMapper(), back->GetMapper());
    QVERIFY(geometryOf(front)->GetNumberOfPoints() > 0);
    QVERIFY(front->GetProperty()->GetBackfaceCulling());
    QVERIFY(!front->GetProperty()->GetFrontfaceCulling());
    QVERIFY(back->GetProperty()->GetFrontfaceCulling());
    QVERIFY(!back->GetProperty()->GetBackfaceCulling());
    QCOMPARE(front->GetProperty()->GetOpacity(), back->GetProperty()->GetOpacity());
    for (int channel = 0; channel < 3; ++channel) {
      QCOMPARE(front->GetProperty()->GetColor()[channel], back->GetProperty()->GetColor()[channel]);
    }
  }
  auto colorOf = [this](int index) {
    const double* color = window->frontActors[index]->GetProperty()->GetColor();
    return QVector<double>{ color[0], color[1], color[2] };
  };
  QCOMPARE(colorOf(0), (QVector<double>{ 1, 0, 0 }));
  QCOMPARE(colorOf(1), (QVector<double>{ 1, 1, 0 }));
  QCOMPARE(colorOf(2), (QVector<double>{ 0.7, 0.7, 0.7 }));
  QCOMPARE(colorOf(3), (QVector<double>{ 0.7, 0.7, 0.7 }));
  QCOMPARE(window->frontActors[1]->GetProperty()->GetOpacity(), 0.0);
}

void
LoadingTest::controlsShowTransparency()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  structures[0].opacity = 0;
  structures[1].opacity = 1;
  structures[2].opacity = 0.35;
  structures[3].opacity = 0.3;
  writeModel(folder->path(), structures, false);
  load();

  QCOMPARE(window->structureCheckBoxes.size(), std::size_t(9));
  QCOMPARE(window->structureCheckBoxes[8], window->show_9);
  QCOMPARE(window->structureSliders[4], window->horizontalSlider_5);
  QCOMPARE(window->structureSpinBoxes[0], window->doubleSpinBox_1);
  for (int index = 0; index < 9; ++index) {
    QCOMPARE(window->structureSliders[index]->minimum(), 0);
    QCOMPARE(window->structureSliders[index]->maximum(), 10);
    QCOMPARE(window->structureSpinBoxes[index]->minimum(), 0.0);
    QCOMPARE(window->structureSpinBoxes[index]->maximum(), 1.0);
  }

  QVERIFY(!window->show_1->isChecked());
  QCOMPARE(window->horizontalSlider_1->value(), 10);
  QCOMPARE(window->doubleSpinBox_1->value(), 1.0);
  QCOMPARE(window->frontActors[0]->GetProperty()->GetOpacity(), 0.0);

  QVERIFY(window->show_2->isChecked());
  QCOMPARE(window->horizontalSlider_2->value(), 0);
  QCOMPARE(window->doubleSpinBox_2->value(), 0.0);
  QCOMPARE(window->frontActors[1]->GetProperty()->GetOpacity(), 1.0);

  // 0.35: the slider gets 6, the spin box rounds 0.65 to 0.7 and pulls the slider to 7; both
  // actors end at 1 - 0.7.
  QVERIFY(window->show_3->isChecked());
  QCOMPARE(window->doubleSpinBox_3->value(), 0.7);
  QCOMPARE(window->horizontalSlider_3->value(), 7);
  QCOMPARE(window->frontActors[2]->GetProperty()->GetOpacity(), 1 - 0.7);
  QCOMPARE(window->backActors[2]->GetProperty()->GetOpacity(), 1 - 0.7);

  QCOMPARE(window->horizontalSlider_4->value(), 7);
  QCOMPARE(window->doubleSpinBox_4->value(), 0.7);
}

void
LoadingTest::sectionObjectsAreReadyButHidden()
{
  fixture::writeStandardModel(folder->path());
  load();
  QVERIFY(window->hasSectionVolume());
  vtkImagePlaneWidget* const widgets[] = { window->planeWidgetX,
                                           window->planeWidgetY,
                                           window->planeWidgetZ };
  vtkImageActor* const actors[] = { window->sectionActorX,
                                    window->sectionActorY,
                                    window->sectionActorZ };
  const int slices[] = { 374, 276, 57 };
  const char keys[] = { 'x', 'y', 'z' };
  for (int axis = 0; axis < 3; ++axis) {
    QVERIFY(!widgets[axis]->GetEnabled());
    QCOMPARE(widgets[axis]->GetSliceIndex(), slices[axis]);
    QCOMPARE(widgets[axis]->GetPlaneOrientation(), axis);
    QCOMPARE(widgets[axis]->GetKeyPressActivationValue(), keys[axis]);
    QCOMPARE(widgets[axis]->GetInteractor(), window->mainRenderWindow()->GetInteractor());
    QVERIFY(!window->mainRenderer()->HasViewProp(actors[axis]));
    QVERIFY(actors[axis]->GetUserTransform() != nullptr);
  }
  QCOMPARE(window->sectionActorX->GetUserTransform(), window->sectionTransformX);
  QCOMPARE(window->planeWidgetX->GetWindow(), 256.0);
  QCOMPARE(window->planeWidgetX->GetLevel(), 127.0);
  QCOMPARE(window->volumeDimensions[1], 552);
  QCOMPARE(window->volumeSpacing[0], 0.0127);
}

void
LoadingTest::activationKeysToggleThePlaneWidgets()
{
  fixture::writeStandardModel(folder->path());
  load();
  window->qvtkWidget->setFocus();

  QTest::keyClick(window->qvtkWidget, Qt::Key_X);
  QVERIFY(window->planeWidgetX->GetEnabled());
  QVERIFY(!window->planeWidgetY->GetEnabled());
  QTest::keyClick(window->qvtkWidget, Qt::Key_Z);
  QVERIFY(window->planeWidgetZ->GetEnabled());
  QTest::keyClick(window->qvtkWidget, Qt::Key_X);
  QVERIFY(!window->planeWidgetX->GetEnabled());
  QVERIFY(window->planeWidgetZ->GetEnabled());
  QTest::keyClick(window->qvtkWidget, Qt::Key_Y);
  QTest::keyClick(window->qvtkWidget, Qt::Key_Y);
  QVERIFY(!window->planeWidgetY->GetEnabled());
  QTest::keyClick(window->qvtkWidget, Qt::Key_Z);
  QVERIFY(!window->planeWidgetZ->GetEnabled());
}

void
LoadingTest::loadActionIsInertAfterLoading()
{
  writeModel(folder->path(), fixture::standardStructures(), false);
  load();
  const int props = window->mainRenderer()->GetViewProps()->GetNumberOfItems();
  const std::string output =
    captureOutput([this] { window->actionLoad_Teaching_Model->trigger(); });
  QCOMPARE(output, std::string());
  QCOMPARE(int(window->frontActors.size()), 9);
  QCOMPARE(int(window->backActors.size()), 9);
  QCOMPARE(window->mainRenderer()->GetViewProps()->GetNumberOfItems(), props);
  QVERIFY(window->progressBar->isHidden());
  QCOMPARE(window->progressBar->geometry(), QRect(400, 350, 150, 20));
}

void
LoadingTest::malformedListKeepsTheEntriesBeforeIt()
{
  const std::vector<fixture::Structure> structures = fixture::standardStructures();
  writeModel(folder->path(), structures, false);
  QByteArray list;
  for (int index = 0; index < 3; ++index) {
    list += structures[index].relativePath.toUtf8() + "\n1\n";
  }
  list += structures[3].relativePath.toUtf8() + "\nhalf\n" + structures[4].relativePath.toUtf8() +
          "\n1\n";
  fixture::writeFile(folder->path() + "/Joint_transformed.txt", list);

  const std::string output = load();
  const std::string base = directory().toStdString();
  const std::string problem = "Structure list " + base + "/Joint_transformed.txt: entry 4 (" +
                              structures[3].relativePath.toStdString() + ") has no readable";
  QVERIFY2(output.find(base + structures[2].relativePath.toStdString() + "\n" + problem) !=
             std::string::npos,
           output.c_str());
  QCOMPARE(int(window->frontActors.size()), 3);
  // The load goes on: head, volume message, controls shown.
  QCOMPARE(window->headRenderer()->GetActors()->GetNumberOfItems(), 1);
  QVERIFY(output.find("Error while loading data from file") != std::string::npos);
  QVERIFY(!window->toolBox->isHidden());
  QVERIFY(window->progressBar->isHidden());
}

void
LoadingTest::entriesBeyondTheNinthAreIgnored()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  writeModel(folder->path(), structures, false);
  structures.push_back(structures[0]);
  structures.push_back(structures[1]);
  fixture::writeStructureList(folder->path(), structures);

  const std::string output = load();
  QCOMPARE(int(window->frontActors.size()), 9);
  QVERIFY2(output.find("only the first 9 are loaded") != std::string::npos, output.c_str());
  QCOMPARE(window->show_9->isChecked(), true);
}

void
LoadingTest::damagedSurfacesAreSkipped()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  writeModel(folder->path(), structures, true);
  const QString base = directory();
  // A binary surface with an unreadable version line crashes VTK's own reader.
  const QByteArray damaged = "# vtk DataFile Version j.1\nvtk output\nBINARY\nDATASET POLYDATA\n"
                             "POINTS 3 float\n\x01\x02";
  fixture::writeFile(folder->path() + structures[1].relativePath, damaged);
  QFile::remove(folder->path() + structures[5].relativePath);
  fixture::writeFile(folder->path() + "/Joint/Head_bone_transformed.vtp", "garbage");

  const std::string output = load();
  const std::string damagedPath = (base + structures[1].relativePath).toStdString();
  QVERIFY2(output.find("Cannot load surface " + damagedPath + ": its version line is malformed.\n" +
                       damagedPath + "\n") != std::string::npos,
           output.c_str());
  const std::string missingPath = (base + structures[5].relativePath).toStdString();
  QVERIFY(output.find("Cannot load surface " + missingPath + ": the file cannot be opened.\n") !=
          std::string::npos);
  QVERIFY(output.find("Cannot load surface " + (base.toStdString()) +
                      "/Joint/Head_bone_transformed.vtp: ") != std::string::npos);

  // No geometry for the damaged ones, everything else as usual.
  QCOMPARE(int(window->frontActors.size()), 9);
  QCOMPARE(geometryOf(window->frontActors[1])->GetNumberOfPoints(), vtkIdType(0));
  QCOMPARE(geometryOf(window->frontActors[5])->GetNumberOfPoints(), vtkIdType(0));
  QVERIFY(geometryOf(window->frontActors[2])->GetNumberOfPoints() > 0);
  QVERIFY(window->mainRenderer()->HasViewProp(window->frontActors[1]));
  QVERIFY(window->hasSectionVolume());
  QCOMPARE(window->headRenderer()->GetActors()->GetNumberOfItems(), 1);
  QCOMPARE(geometryOf(window->headRenderer()->GetActors()->GetLastActor())->GetNumberOfPoints(),
           vtkIdType(0));
  window->mainRenderWindow()->Render();
  window->headRenderWindow()->Render();
}

void
LoadingTest::longPathsAreRead()
{
  // A working directory and list lines far beyond any fixed buffer.
  QString deep = folder->path();
  for (int level = 0; level < 6; ++level) {
    deep += "/" + QString(120, QChar('a' + level));
  }
  QVERIFY(QDir().mkpath(deep));
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  structures[0].relativePath = "/" + QString(200, 'p') + "/" + QString(200, 'q') + "/" +
                               QString(200, 'r') + "/" + QString(200, 's') + "/" +
                               QString(200, 't') + "/incus.vtk";
  writeModel(deep, structures, false);
  // The old one goes first: it restores the directory it found.
  workingDirectory.reset();
  workingDirectory = std::make_unique<fixture::WorkingDirectory>(deep);

  const std::string output = load();
  const std::string base = QDir(deep).canonicalPath().toStdString();
  QVERIFY(base.size() > 700);
  QVERIFY(output.rfind("current working directory: " + base + "\n", 0) == 0);
  QVERIFY(output.find(base + structures[0].relativePath.toStdString() + "\n") != std::string::npos);
  QVERIFY(output.find("Cannot load surface") == std::string::npos);
  QCOMPARE(int(window->frontActors.size()), 9);
  QVERIFY(geometryOf(window->frontActors[0])->GetNumberOfPoints() > 0);
}

int
main(int argc, char** argv)
{
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication application(argc, argv);
  LoadingTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_loading.moc"
