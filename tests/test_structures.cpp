// The structure rows (show box, transparency slider and spin box) and Show all / Hide all.

#include "ModelFixture.h"
#include "viewer/CochlexUI.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkActor.h>
#include <vtkActorCollection.h>
#include <vtkCallbackCommand.h>
#include <vtkCommand.h>
#include <vtkImageActor.h>
#include <vtkNew.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <sstream>

namespace {

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

// Counts the frames a render window draws.
class RenderCounter
{
public:
  explicit RenderCounter(vtkRenderWindow* window)
    : window(window)
  {
    command->SetClientData(&count);
    command->SetCallback(
      [](vtkObject*, unsigned long, void* clientData, void*) { ++*static_cast<int*>(clientData); });
    tag = window->AddObserver(vtkCommand::EndEvent, command);
  }
  ~RenderCounter() { window->RemoveObserver(tag); }
  int count = 0;

private:
  vtkRenderWindow* window;
  vtkNew<vtkCallbackCommand> command;
  unsigned long tag = 0;
};

} // namespace

class StructuresTest : public QObject
{
  Q_OBJECT

private slots:
  void init();
  void cleanup();

  void sliderAndSpinBoxMirrorEachOther();
  void hiddenStructureMirrorsWithoutRendering();
  void showBoxAddsAndRemovesThePairOnce();
  void showAllPutsEveryStructureBackInOrder();
  void hideAllEmptiesTheViewAndClearsEveryBox();
  void showAllKeepsTickedSectionImages();
  void mismatchedActorListsAreReported();
  void rowsWithoutStructuresMoveWithoutEffect();
  void unloadedWindowShowsAndHidesNothing();

private:
  void loadModel(const std::vector<fixture::Structure>& structures, bool withVolume);
  // Every control Show all and Hide all must leave alone.
  QVector<double> untouchedControls() const;

  std::unique_ptr<QTemporaryDir> folder;
  std::unique_ptr<fixture::WorkingDirectory> workingDirectory;
  std::unique_ptr<_CochlexUI> window;
};

void
StructuresTest::init()
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
StructuresTest::cleanup()
{
  window.reset();
  workingDirectory.reset();
  folder.reset();
}

void
StructuresTest::loadModel(const std::vector<fixture::Structure>& structures, bool withVolume)
{
  fixture::writeStructureList(folder->path(), structures);
  for (const fixture::Structure& structure : structures) {
    fixture::writeStructureFiles(folder->path(), structure);
  }
  fixture::writeHeadModel(folder->path());
  if (withVolume) {
    fixture::writeVolume(folder->path(), [](int i, int j, int) { return std::uint8_t(i ^ j); });
  }
  std::ostringstream discarded;
  std::streambuf* previous = std::cout.rdbuf(discarded.rdbuf());
  window->loadTB();
  std::cout.rdbuf(previous);
}

QVector<double>
StructuresTest::untouchedControls() const
{
  QVector<double> values;
  for (QSlider* slider : window->findChildren<QSlider*>()) {
    values << slider->value();
  }
  for (QDoubleSpinBox* spinBox : window->findChildren<QDoubleSpinBox*>()) {
    values << spinBox->value();
  }
  for (QScrollBar* scrollBar : window->findChildren<QScrollBar*>()) {
    values << scrollBar->value();
  }
  for (QSpinBox* spinBox : window->findChildren<QSpinBox*>()) {
    values << spinBox->value();
  }
  return values;
}

void
StructuresTest::sliderAndSpinBoxMirrorEachOther()
{
  loadModel(fixture::standardStructures(), false);
  vtkProperty* front = window->frontActors[2]->GetProperty();
  vtkProperty* back = window->backActors[2]->GetProperty();

  RenderCounter mainRenders(window->mainRenderWindow());
  RenderCounter headRenders(window->headRenderWindow());
  window->horizontalSlider_3->setValue(4);
  QCOMPARE(window->doubleSpinBox_3->value(), 0.4);
  QCOMPARE(front->GetOpacity(), 0.6);
  QCOMPARE(back->GetOpacity(), 0.6);
  QVERIFY(mainRenders.count > 0);
  QVERIFY(headRenders.count > 0);

  window->doubleSpinBox_3->setValue(0.5);
  QCOMPARE(window->horizontalSlider_3->value(), 5);
  QCOMPARE(front->GetOpacity(), 0.5);
  QCOMPARE(back->GetOpacity(), 0.5);

  // Every step of the slider lands on the same value and opacity from either side.
  for (int step = 0; step <= 10; ++step) {
    window->horizontalSlider_3->setValue(step);
    QCOMPARE(window->doubleSpinBox_3->value(), step / 10.0);
    QCOMPARE(front->GetOpacity(), 1 - step / 10.0);
    QCOMPARE(back->GetOpacity(), front->GetOpacity());
  }
  // Only structure 3 changed.
  QCOMPARE(window->frontActors[1]->GetProperty()->GetOpacity(), 1.0);
  QCOMPARE(window->doubleSpinBox_2->value(), 0.0);
}

void
StructuresTest::hiddenStructureMirrorsWithoutRendering()
{
  loadModel(fixture::standardStructures(), false);
  window->show_2->click();
  QVERIFY(!window->mainRenderer()->HasViewProp(window->frontActors[1]));
  QVERIFY(!window->mainRenderer()->HasViewProp(window->backActors[1]));

  {
    RenderCounter mainRenders(window->mainRenderWindow());
    RenderCounter headRenders(window->headRenderWindow());
    window->horizontalSlider_2->setValue(6);
    QCOMPARE(window->doubleSpinBox_2->value(), 0.6);
    window->doubleSpinBox_2->setValue(0.3);
    QCOMPARE(window->horizontalSlider_2->value(), 3);
    QCOMPARE(mainRenders.count, 0);
    QCOMPARE(headRenders.count, 0);
  }
  QCOMPARE(window->frontActors[1]->GetProperty()->GetOpacity(), 0.7);

  // Shown again with the transparency set while hidden.
  RenderCounter mainRenders(window->mainRenderWindow());
  window->show_2->click();
  QVERIFY(mainRenders.count > 0);
  QVERIFY(window->mainRenderer()->HasViewProp(window->frontActors[1]));
  QCOMPARE(window->backActors[1]->GetProperty()->GetOpacity(), 0.7);
}

void
StructuresTest::showBoxAddsAndRemovesThePairOnce()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  structures[0].opacity = 0;
  loadModel(structures, false);
  window->showAll();
  const std::size_t actorCount = rendererActors(window->mainRenderer()).size();
  QCOMPARE(actorCount, std::size_t(18));

  RenderCounter mainRenders(window->mainRenderWindow());
  RenderCounter headRenders(window->headRenderWindow());
  window->show_1->click();
  QCOMPARE(rendererActors(window->mainRenderer()).size(), actorCount - 2);
  QVERIFY(!window->mainRenderer()->HasViewProp(window->backActors[0]));
  const int rendersAfterFirstClick = mainRenders.count;
  QVERIFY(rendersAfterFirstClick > 0);
  QVERIFY(headRenders.count > 0);
  window->show_1->click();
  QVERIFY(mainRenders.count > rendersAfterFirstClick);

  const std::vector<vtkActor*> actors = rendererActors(window->mainRenderer());
  QCOMPARE(actors.size(), actorCount);
  for (int index = 0; index < 9; ++index) {
    QCOMPARE(std::count(actors.begin(), actors.end(), window->frontActors[index]), 1L);
    QCOMPARE(std::count(actors.begin(), actors.end(), window->backActors[index]), 1L);
  }
  // The pair comes back behind the others, back actor first.
  QCOMPARE(actors[actorCount - 2], window->backActors[0]);
  QCOMPARE(actors[actorCount - 1], window->frontActors[0]);
  // Shown with the transparency loading gave it: invisible until lowered.
  QCOMPARE(window->frontActors[0]->GetProperty()->GetOpacity(), 0.0);
}

void
StructuresTest::showAllPutsEveryStructureBackInOrder()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  structures[1].opacity = 0;
  structures[6].opacity = 0.5;
  loadModel(structures, false);

  // Structures already shown are not added twice.
  window->showAll();
  std::vector<vtkActor*> expected;
  for (int index = 0; index < 9; ++index) {
    expected.push_back(window->backActors[index]);
    expected.push_back(window->frontActors[index]);
  }
  QVERIFY(rendererActors(window->mainRenderer()) == expected);

  window->hideAll();
  QVERIFY(rendererActors(window->mainRenderer()).empty());
  const QVector<double> controls = untouchedControls();
  RenderCounter mainRenders(window->mainRenderWindow());
  RenderCounter headRenders(window->headRenderWindow());
  window->showAll();
  QVERIFY(rendererActors(window->mainRenderer()) == expected);
  for (QCheckBox* box : window->structureCheckBoxes) {
    QVERIFY(box->isChecked());
  }
  QVERIFY(window->show_4->isChecked());
  QCOMPARE(untouchedControls(), controls);
  QCOMPARE(window->frontActors[1]->GetProperty()->GetOpacity(), 0.0);
  QCOMPARE(window->frontActors[6]->GetProperty()->GetOpacity(), 0.5);
  QVERIFY(mainRenders.count > 0);
  QVERIFY(headRenders.count > 0);

  // The menu action and the button run the same slots.
  window->actionHide_All->trigger();
  QVERIFY(rendererActors(window->mainRenderer()).empty());
  window->showAllButton->click();
  QVERIFY(rendererActors(window->mainRenderer()) == expected);
  window->hideAllButton->click();
  QVERIFY(rendererActors(window->mainRenderer()).empty());
  window->actionView_All->trigger();
  QVERIFY(rendererActors(window->mainRenderer()) == expected);
}

void
StructuresTest::hideAllEmptiesTheViewAndClearsEveryBox()
{
  loadModel(fixture::standardStructures(), true);
  window->showXPlane->click();
  QVERIFY(window->mainRenderer()->HasViewProp(window->sectionActorX));
  const QVector<double> controls = untouchedControls();
  const int clipPlanes[] = { window->clipX->value(),
                             window->clipY->value(),
                             window->clipZ->value() };

  window->hideAll();
  QVERIFY(rendererActors(window->mainRenderer()).empty());
  QVERIFY(!window->mainRenderer()->HasViewProp(window->sectionActorX));
  for (QCheckBox* box : window->structureCheckBoxes) {
    QVERIFY(!box->isChecked());
  }
  QVERIFY(!window->showXPlane->isChecked());
  QVERIFY(!window->showYPlane->isChecked());
  QVERIFY(!window->showZPlane->isChecked());
  QCOMPARE(untouchedControls(), controls);
  QCOMPARE(window->clipX->value(), clipPlanes[0]);
  QCOMPARE(window->clipZ->value(), clipPlanes[2]);
  // The head view keeps its model.
  QCOMPARE(window->headRenderer()->GetActors()->GetNumberOfItems(), 1);

  // Only a section image shown, no structure: it goes and its box is cleared.
  window->showYPlane->click();
  QVERIFY(window->mainRenderer()->HasViewProp(window->sectionActorY));
  window->hideAll();
  QVERIFY(!window->mainRenderer()->HasViewProp(window->sectionActorY));
  QVERIFY(!window->showYPlane->isChecked());
}

void
StructuresTest::showAllKeepsTickedSectionImages()
{
  loadModel(fixture::standardStructures(), true);
  window->showXPlane->click();
  window->showZPlane->click();
  window->showAll();
  QVERIFY(window->mainRenderer()->HasViewProp(window->sectionActorX));
  QVERIFY(!window->mainRenderer()->HasViewProp(window->sectionActorY));
  QVERIFY(window->mainRenderer()->HasViewProp(window->sectionActorZ));
  QVERIFY(window->showXPlane->isChecked());
  QVERIFY(!window->showYPlane->isChecked());
  QVERIFY(window->showZPlane->isChecked());
  QCOMPARE(rendererActors(window->mainRenderer()).size(), std::size_t(18));
  QCOMPARE(rendererActors(window->mainRenderer()).front(), window->backActors[0]);

  // Unticking afterwards removes the image as usual.
  window->showZPlane->click();
  QVERIFY(!window->mainRenderer()->HasViewProp(window->sectionActorZ));
}

void
StructuresTest::mismatchedActorListsAreReported()
{
  loadModel(fixture::standardStructures(), false);
  window->hideAll();
  window->backActors.push_back(window->backActors.front());

  std::ostringstream captured;
  std::streambuf* previous = std::cout.rdbuf(captured.rdbuf());
  {
    RenderCounter mainRenders(window->mainRenderWindow());
    window->showAll();
    QCOMPARE(mainRenders.count, 0);
  }
  std::cout.rdbuf(previous);
  window->backActors.pop_back();

  QCOMPARE(captured.str(), std::string("Numbers of front and back actors don't match!\n"));
  QVERIFY(rendererActors(window->mainRenderer()).empty());
  for (QCheckBox* box : window->structureCheckBoxes) {
    QVERIFY(!box->isChecked());
  }
}

void
StructuresTest::rowsWithoutStructuresMoveWithoutEffect()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  structures.resize(2);
  loadModel(structures, false);
  const std::vector<vtkActor*> before = rendererActors(window->mainRenderer());
  QCOMPARE(before.size(), std::size_t(4));

  window->show_5->click();
  window->horizontalSlider_5->setValue(3);
  QCOMPARE(window->doubleSpinBox_5->value(), 0.3);
  window->doubleSpinBox_6->setValue(0.8);
  QCOMPARE(window->horizontalSlider_6->value(), 8);
  window->show_5->click();
  QVERIFY(rendererActors(window->mainRenderer()) == before);

  // Show all ticks all nine boxes and adds the two loaded structures.
  window->hideAll();
  window->showAll();
  QCOMPARE(rendererActors(window->mainRenderer()).size(), std::size_t(4));
  for (QCheckBox* box : window->structureCheckBoxes) {
    QVERIFY(box->isChecked());
  }
}

void
StructuresTest::unloadedWindowShowsAndHidesNothing()
{
  window->showXPlane->setChecked(true);
  window->show_1->setChecked(false);
  window->showAll();
  QVERIFY(!window->show_1->isChecked());
  QVERIFY(rendererActors(window->mainRenderer()).empty());
  window->hideAll();
  QVERIFY(!window->showXPlane->isChecked());
  window->show_1->click();
  window->horizontalSlider_1->setValue(2);
  QVERIFY(rendererActors(window->mainRenderer()).empty());
}

int
main(int argc, char** argv)
{
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication application(argc, argv);
  StructuresTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_structures.moc"
