// The structure rows (show box, transparency slider and spin box) and Show all / Hide all.

#include "ViewerSession.h"
#include "viewer/CochlexUI.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSlider>

#include <vtkActor.h>
#include <vtkImageActor.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>

#include <algorithm>

class StructuresTest : public QObject
{
  Q_OBJECT

private slots:
  void init();
  void cleanup() { session.reset(); }

  void transparencyControlsMirror();
  void showBoxAddsAndRemovesThePairOnce();
  void showAllAndHideAll();
  void rowsWithoutStructuresAndMismatchedLists();

private:
  std::vector<vtkActor*> shown() const { return rendererActors(window->mainRenderer()); }
  // Back and front actor of every structure, in that order.
  std::vector<vtkActor*> allPairs() const;
  int checkedStructureBoxes() const;
  // Every value Show all and Hide all must leave alone: sliders (transparency, clipping),
  // spin boxes and scroll bars (section numbers, camera).
  QStringList controlValues() const;

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;
};

// Eight structures, so row 9 has none; structure 1 hidden by opacity 0, structure 7 half seen.
void
StructuresTest::init()
{
  session = std::make_unique<ViewerSession>();
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  structures.resize(8);
  structures[0].opacity = 0;
  structures[6].opacity = 0.5;
  fixture::writeModel(session->folder(), structures);
  window = &session->open();
  session->load();
}

std::vector<vtkActor*>
StructuresTest::allPairs() const
{
  std::vector<vtkActor*> pairs;
  for (std::size_t index = 0; index < window->frontActors.size(); ++index) {
    pairs.push_back(window->backActors[index]);
    pairs.push_back(window->frontActors[index]);
  }
  return pairs;
}

int
StructuresTest::checkedStructureBoxes() const
{
  return int(std::count_if(window->structureCheckBoxes.begin(),
                           window->structureCheckBoxes.end(),
                           [](QCheckBox* box) { return box->isChecked(); }));
}

QStringList
StructuresTest::controlValues() const
{
  QStringList values;
  for (QAbstractSlider* slider : window->findChildren<QAbstractSlider*>()) {
    values << QString::number(slider->value());
  }
  for (QAbstractSpinBox* box : window->findChildren<QAbstractSpinBox*>()) {
    values << box->text();
  }
  return values;
}

void
StructuresTest::transparencyControlsMirror()
{
  vtkProperty* front = window->frontActors[2]->GetProperty();
  vtkProperty* back = window->backActors[2]->GetProperty();
  {
    RenderCounter mainRenders(window->mainRenderWindow());
    RenderCounter headRenders(window->headRenderWindow());
    window->horizontalSlider_3->setValue(4);
    QCOMPARE(window->doubleSpinBox_3->value(), 0.4);
    QCOMPARE(front->GetOpacity(), 0.6);
    QCOMPARE(back->GetOpacity(), 0.6);
    // Each view draws the step once, not again for the mirrored spin box.
    QCOMPARE(mainRenders.count, 1);
    QCOMPARE(headRenders.count, 1);
  }
  window->doubleSpinBox_3->setValue(0.5);
  QCOMPARE(window->horizontalSlider_3->value(), 5);
  QCOMPARE(back->GetOpacity(), 0.5);
  for (int step = 0; step <= 10; ++step) {
    window->horizontalSlider_3->setValue(step);
    QCOMPARE(window->doubleSpinBox_3->value(), step / 10.0);
    QCOMPARE(front->GetOpacity(), 1 - step / 10.0);
    QCOMPARE(back->GetOpacity(), front->GetOpacity());
  }
  QCOMPARE(window->frontActors[1]->GetProperty()->GetOpacity(), 1.0);
  QCOMPARE(window->doubleSpinBox_2->value(), 0.0);

  // A hidden structure mirrors without rendering and is shown again with what was set.
  window->show_2->click();
  QVERIFY(!window->mainRenderer()->HasViewProp(window->backActors[1]));
  {
    RenderCounter mainRenders(window->mainRenderWindow());
    RenderCounter headRenders(window->headRenderWindow());
    window->horizontalSlider_2->setValue(6);
    QCOMPARE(window->doubleSpinBox_2->value(), 0.6);
    window->doubleSpinBox_2->setValue(0.3);
    QCOMPARE(window->horizontalSlider_2->value(), 3);
    QCOMPARE(mainRenders.count + headRenders.count, 0);
  }
  RenderCounter mainRenders(window->mainRenderWindow());
  window->show_2->click();
  QVERIFY(mainRenders.count > 0);
  QVERIFY(window->mainRenderer()->HasViewProp(window->frontActors[1]));
  QCOMPARE(window->backActors[1]->GetProperty()->GetOpacity(), 0.7);
}

void
StructuresTest::showBoxAddsAndRemovesThePairOnce()
{
  window->showAll();
  QCOMPARE(shown().size(), std::size_t(16));
  RenderCounter mainRenders(window->mainRenderWindow());
  RenderCounter headRenders(window->headRenderWindow());
  window->show_1->click();
  QCOMPARE(shown().size(), std::size_t(14));
  QVERIFY(!window->mainRenderer()->HasViewProp(window->backActors[0]));
  const int rendersAfterFirstClick = mainRenders.count;
  QVERIFY(rendersAfterFirstClick > 0 && headRenders.count > 0);
  window->show_1->click();
  QVERIFY(mainRenders.count > rendersAfterFirstClick);

  // Once each; the pair comes back behind the others, back actor first, with the transparency
  // loading gave it.
  const std::vector<vtkActor*> actors = shown();
  for (vtkActor* actor : allPairs()) {
    QCOMPARE(std::count(actors.begin(), actors.end(), actor), 1L);
  }
  QCOMPARE(actors[14], window->backActors[0]);
  QCOMPARE(actors[15], window->frontActors[0]);
  QCOMPARE(window->frontActors[0]->GetProperty()->GetOpacity(), 0.0);
}

void
StructuresTest::showAllAndHideAll()
{
  // Structures already shown are not added twice; ticked section images stay in view.
  window->showXPlane->click();
  window->showZPlane->click();
  const QStringList controls = controlValues();
  window->showAll();
  std::vector<vtkActor*> expected = allPairs();
  QVERIFY(shown() == expected);
  QVERIFY(window->mainRenderer()->HasViewProp(window->sectionActorX));
  QVERIFY(!window->mainRenderer()->HasViewProp(window->sectionActorY));
  QVERIFY(window->mainRenderer()->HasViewProp(window->sectionActorZ));
  QVERIFY(window->showXPlane->isChecked() && window->showZPlane->isChecked());

  window->hideAll();
  QVERIFY(shown().empty());
  for (vtkImageActor* actor :
       { window->sectionActorX, window->sectionActorY, window->sectionActorZ }) {
    QVERIFY(!window->mainRenderer()->HasViewProp(actor));
  }
  QCOMPARE(checkedStructureBoxes(), 0);
  QVERIFY(!window->showXPlane->isChecked() && !window->showYPlane->isChecked() &&
          !window->showZPlane->isChecked());
  QCOMPARE(window->headRenderer()->GetActors()->GetNumberOfItems(), 1);
  QCOMPARE(controlValues(), controls);

  RenderCounter mainRenders(window->mainRenderWindow());
  RenderCounter headRenders(window->headRenderWindow());
  window->showAll();
  QVERIFY(shown() == expected);
  QCOMPARE(checkedStructureBoxes(), 9);
  QVERIFY(mainRenders.count > 0 && headRenders.count > 0);
  QCOMPARE(window->frontActors[0]->GetProperty()->GetOpacity(), 0.0);
  QCOMPARE(window->frontActors[6]->GetProperty()->GetOpacity(), 0.5);
  QCOMPARE(controlValues(), controls);
}

void
StructuresTest::rowsWithoutStructuresAndMismatchedLists()
{
  // Row 9 has no structure: its controls mirror each other but leave the scene alone.
  const std::vector<vtkActor*> before = shown();
  window->show_9->click();
  window->horizontalSlider_9->setValue(3);
  QCOMPARE(window->doubleSpinBox_9->value(), 0.3);
  window->doubleSpinBox_9->setValue(0.8);
  QCOMPARE(window->horizontalSlider_9->value(), 8);
  window->show_9->click();
  QVERIFY(shown() == before);
  window->showAll();
  QCOMPARE(checkedStructureBoxes(), 9);
  QCOMPARE(shown().size(), std::size_t(16));

  window->hideAll();
  window->backActors.push_back(window->backActors.front());
  RenderCounter mainRenders(window->mainRenderWindow());
  const std::string output = captureOutput([this] { window->showAll(); });
  window->backActors.pop_back();
  QCOMPARE(output, std::string("Numbers of front and back actors don't match!\n"));
  QCOMPARE(mainRenders.count, 0);
  QVERIFY(shown().empty());
  QCOMPARE(checkedStructureBoxes(), 0);
}

COCHLEX_VIEWER_TEST_MAIN(StructuresTest)
#include "test_structures.moc"
