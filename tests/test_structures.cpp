// The structure rows (show box, transparency slider and spin box) and Show all / Hide all.

#include "GuiTest.h"

class StructuresTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  std::vector<vtkActor*> shown() const { return rendererActors(window->mainRenderer()); }
  bool inView(vtkProp* prop) const { return window->mainRenderer()->HasViewProp(prop) != 0; }

private slots:
  // Eight structures, so row 9 has none; structure 1 hidden by opacity 0.
  void init()
  {
    session = std::make_unique<ViewerSession>();
    std::vector<fixture::Structure> structures = fixture::standardStructures();
    structures.resize(8);
    structures[0].opacity = 0;
    window = &session->openModel(structures);
  }
  void cleanup() { session.reset(); }

  void transparencyControlsMirrorAndShowBoxes()
  {
    vtkProperty* front = window->frontActors[2]->GetProperty();
    {
      // Each view draws the step once, not again for the mirrored spin box.
      RenderCounter mainRenders(window->mainRenderWindow());
      RenderCounter headRenders(window->headRenderWindow());
      window->horizontalSlider_3->setValue(4);
      QCOMPARE(mainRenders.count, 1);
      QCOMPARE(headRenders.count, 1);
    }
    for (int step = 0; step <= 10; ++step) {
      window->horizontalSlider_3->setValue(step);
      QCOMPARE(window->doubleSpinBox_3->value(), step / 10.0);
      QCOMPARE(front->GetOpacity(), 1 - step / 10.0);
      QCOMPARE(window->backActors[2]->GetProperty()->GetOpacity(), front->GetOpacity());
    }

    // Hidden, it mirrors without rendering; shown, it comes last, back actor first.
    window->show_2->click();
    QCOMPARE(shown().size(), std::size_t(12));
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
    const std::vector<vtkActor*> actors = shown();
    QCOMPARE(actors.size(), std::size_t(14));
    QCOMPARE(actors[12], window->backActors[1]);
    QCOMPARE(actors[13], window->frontActors[1]);
    QCOMPARE(window->backActors[1]->GetProperty()->GetOpacity(), 0.7);

    // Row 9 has no structure: its controls mirror each other but leave the scene alone.
    window->show_9->click();
    window->horizontalSlider_9->setValue(3);
    QCOMPARE(window->doubleSpinBox_9->value(), 0.3);
    window->doubleSpinBox_9->setValue(0.8);
    QCOMPARE(window->horizontalSlider_9->value(), 8);
    window->show_9->click();
    QVERIFY(shown() == actors);
  }

  void showAllAndHideAll()
  {
    // Structures already shown are not added twice; ticked section images stay in view.
    window->showXPlane->click();
    window->showZPlane->click();
    std::vector<vtkActor*> expected;
    for (std::size_t index = 0; index < window->frontActors.size(); ++index) {
      expected.insert(expected.end(), { window->backActors[index], window->frontActors[index] });
    }
    window->showAll();
    QVERIFY(shown() == expected);
    QVERIFY(inView(window->sectionActorX) && !inView(window->sectionActorY) &&
            inView(window->sectionActorZ));

    window->hideAll();
    QVERIFY(shown().empty());
    QVERIFY(!inView(window->sectionActorX) && !inView(window->sectionActorZ));
    QVERIFY(!window->show_1->isChecked() && !window->show_5->isChecked());
    QVERIFY(!window->showXPlane->isChecked() && !window->showZPlane->isChecked());
    QCOMPARE(window->headRenderer()->GetActors()->GetNumberOfItems(), 1);

    RenderCounter mainRenders(window->mainRenderWindow());
    window->showAll();
    QVERIFY(shown() == expected);
    QVERIFY(window->show_1->isChecked() && window->show_9->isChecked());
    QVERIFY(mainRenders.count > 0);
    QCOMPARE(window->frontActors[0]->GetProperty()->GetOpacity(), 0.0);

    // Unequal actor lists: a console line and nothing else.
    window->hideAll();
    window->backActors.push_back(window->backActors.front());
    RenderCounter renders(window->mainRenderWindow());
    const std::string output = captureOutput([this] { window->showAll(); });
    window->backActors.pop_back();
    QCOMPARE(output, std::string("Numbers of front and back actors don't match!\n"));
    QCOMPARE(renders.count, 0);
    QVERIFY(shown().empty() && !window->show_2->isChecked());
  }
};

COCHLEX_VIEWER_TEST_MAIN(StructuresTest)
#include "test_structures.moc"
