// Pointing at structures in the main view: the name under a resting pointer, a click that
// brings the structure's row into view and flashes it, a double-click that shows one structure
// alone, and the colour swatch of each row.

#include "GuiTest.h"

#include <QVTKOpenGLWindow.h>

class PickingTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  QWidget* view() const { return window->qvtkWidget; }
  QString pointedName() const { return window->structureSelection->pointedNameLabel()->text(); }

  QPoint centreOf(int index) const { return structureCentreInView(*window, index); }
  void moveTo(const QPoint& at, Qt::MouseButtons held = Qt::NoButton)
  {
    movePointer(view(), at, held);
  }
  void rendered()
  {
    window->mainRenderWindow()->Render();
    QCoreApplication::processEvents();
  }

  void openModel(const std::vector<fixture::Structure>& structures)
  {
    // One working directory at a time: the old session hands its back first.
    session.reset();
    session = std::make_unique<ViewerSession>();
    // With its volume: a load with problems would put its report in a message box over the view,
    // which takes the pointer and the keys from it.
    window = &session->openModel(structures, true);
  }

private slots:
  void init() { openModel(fixture::standardStructures()); }
  void cleanup() { session.reset(); }

  void restingPointerNamesTheStructureUnderIt()
  {
    QCOMPARE(fixtureStructureName(1), QString("Incus Articular Cartilage transformed"));
    for (int index = 0; index < 9; ++index) {
      moveTo(centreOf(index));
      QTRY_COMPARE(pointedName(), fixtureStructureName(index));
      QCOMPARE(view()->toolTip(), fixtureStructureName(index));
    }
    // Off the model, and out of the view: no name.
    moveTo(QPoint(2, 2));
    QTRY_COMPARE(pointedName(), QString());
    QVERIFY(view()->toolTip().isEmpty());
    moveTo(centreOf(4));
    QTRY_COMPARE(pointedName(), fixtureStructureName(4));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view(), &leave);
    QCOMPARE(pointedName(), QString());

    // A hidden structure, and a fully transparent one, are not under the pointer.
    window->show_3->click();
    moveTo(centreOf(2));
    QTRY_COMPARE(window->structurePicker->structureAtViewPoint(centreOf(2)), -1);
    QTRY_COMPARE(pointedName(), QString());
    window->horizontalSlider_6->setValue(10);
    QCOMPARE(window->structurePicker->structureAtViewPoint(centreOf(5)), -1);

    // With names off, resting says nothing; clicks still count.
    window->structurePicker->setPointerNamesEnabled(false);
    moveTo(centreOf(0));
    QTest::qWait(3 * StructurePicker::restMilliseconds);
    QCOMPARE(pointedName(), QString());
    QTest::mouseClick(view(), Qt::LeftButton, {}, centreOf(0));
    QCOMPARE(window->structureSelection->selectedStructure(), 0);
  }

  // The view draws in a native window of its own, which is what the window system hands the
  // pointer to: resting there names the structure in a tool tip, a click selects it and gives the
  // view the keyboard, and the keys reach the view's interactor.
  void pointerInTheViewsOwnWindowActsOnTheView()
  {
    QWindow* native = window->qvtkWidget->embeddedOpenGLWindow();
    window->autoRotX->setFocus();
    QCOMPARE(window->focusWidget(), window->autoRotX);
    QTest::mouseMove(native, centreOf(3));
    QTRY_COMPARE(pointedName(), fixtureStructureName(3));
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), fixtureStructureName(3));

    QTest::mouseClick(native, Qt::LeftButton, {}, centreOf(3));
    QCOMPARE(window->structureSelection->selectedStructure(), 3);
    QCOMPARE(window->focusWidget(), window->qvtkWidget);
    QVERIFY(!QToolTip::isVisible() || QToolTip::text() == fixtureStructureName(3));
    QVERIFY(!window->planeWidgetX->GetEnabled());
    QTest::keyClick(window->focusWidget(), Qt::Key_X);
    QVERIFY(window->planeWidgetX->GetEnabled());
  }

  void clickBringsTheRowIntoViewAndFlashesTheStructure()
  {
    // The last row, Stapedius Tendon (structure 8), lies below the visible part of the list.
    QGroupBox* row = window->groupBox_25;
    auto* area = qobject_cast<QScrollArea*>(window->page->parentWidget()->parentWidget());
    QVERIFY(area != nullptr);
    area->ensureWidgetVisible(window->groupBox_24);
    const auto rowInView = [&] {
      const QRect inViewport(row->mapTo(area->viewport(), QPoint(0, 0)), row->size());
      return area->viewport()->rect().contains(inViewport);
    };
    QVERIFY(!rowInView());
    const QColor panel = row->grab().toImage().pixelColor(row->width() - 3, 3);

    vtkProperty* front = window->frontActors[7]->GetProperty();
    vtkProperty* back = window->backActors[7]->GetProperty();
    window->horizontalSlider_8->setValue(3);
    std::array<double, 3> color;
    front->GetColor(color.data());

    // A drag is not a click, also when it ends where it began.
    const QPoint centre = centreOf(7);
    QTest::mousePress(view(), Qt::LeftButton, {}, centre);
    moveTo(centre + QPoint(30, 0), Qt::LeftButton);
    moveTo(centre, Qt::LeftButton);
    QTest::mouseRelease(view(), Qt::LeftButton, {}, centre);
    QCOMPARE(window->structureSelection->selectedStructure(), -1);
    window->reset();
    rendered();

    QTest::mouseClick(view(), Qt::LeftButton, {}, centreOf(7));
    QCOMPARE(window->structureSelection->selectedStructure(), 7);
    QTRY_VERIFY(rowInView());
    QVERIFY(row->grab().toImage().pixelColor(row->width() - 3, 3) != panel);
    std::array<double, 3> flashing;
    front->GetColor(flashing.data());
    QVERIFY(flashing != color && front->GetOpacity() == 1.0);

    // The flash ends with the structure as it was, in both actors.
    QTRY_COMPARE(front->GetOpacity(), 0.7);
    std::array<double, 3> after;
    for (vtkProperty* property : { front, back }) {
      property->GetColor(after.data());
      QVERIFY(after == color);
      QCOMPARE(property->GetOpacity(), 0.7);
    }
    QTRY_COMPARE(row->grab().toImage().pixelColor(row->width() - 3, 3), panel);

    // A change the user makes during the flash is kept.
    QTest::mouseClick(view(), Qt::LeftButton, {}, centreOf(7));
    window->horizontalSlider_8->setValue(5);
    QTest::qWait(6 * StructureSelection::pulseStepMilliseconds);
    QCOMPARE(front->GetOpacity(), 0.5);
    QCOMPARE(back->GetOpacity(), 0.5);
    front->GetColor(after.data());
    QVERIFY(after == color);
  }

  void doubleClickShowsThatStructureAlone()
  {
    // As Qt delivers a double-click: press, release, double-click, release.
    QTest::mouseClick(view(), Qt::LeftButton, {}, centreOf(2));
    QTest::mouseDClick(view(), Qt::LeftButton, {}, centreOf(2));
    QTest::mouseRelease(view(), Qt::LeftButton, {}, centreOf(2));
    std::vector<vtkActor*> expected{ window->backActors[2], window->frontActors[2] };
    QVERIFY(rendererActors(window->mainRenderer()) == expected);
    for (std::size_t index = 0; index < window->structureCheckBoxes.size(); ++index) {
      QCOMPARE(window->structureCheckBoxes[index]->isChecked(), index == 2);
    }
    // Structure 4 has no visible row, yet goes with the others.
    QVERIFY(!window->groupBox_21->isVisible() && !window->show_4->isChecked());

    window->showAllButton->click();
    QCOMPARE(rendererActors(window->mainRenderer()).size(), std::size_t(18));
    QVERIFY(window->show_4->isChecked() && window->show_1->isChecked());
  }

  void rowsShowTheirStructuresColours()
  {
    for (std::size_t index = 0; index < window->structureCheckBoxes.size(); ++index) {
      const QIcon icon = window->structureCheckBoxes[index]->icon();
      QVERIFY(!icon.isNull());
      std::array<double, 3> color;
      window->frontActors[index]->GetProperty()->GetColor(color.data());
      const QImage swatch = icon.pixmap(window->structureCheckBoxes[index]->iconSize()).toImage();
      QCOMPARE(swatch.pixelColor(swatch.rect().center()).rgb(),
               QColor::fromRgbF(color[0], color[1], color[2]).rgb());
    }

    // A model of fewer structures leaves the other rows without a swatch.
    std::vector<fixture::Structure> structures = fixture::standardStructures();
    structures.resize(3);
    openModel(structures);
    QVERIFY(!window->show_3->icon().isNull() && window->show_4->icon().isNull());
  }
};

COCHLEX_VIEWER_TEST_MAIN(PickingTest)
#include "test_picking.moc"
