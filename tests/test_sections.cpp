// Section images and the clipping planes along them (the cut views: test_images.cpp).

#include "GuiTest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <vtkImageData.h>
#include <vtkImageMapper3D.h>
#include <vtkInteractorObserver.h>
#include <vtkPlaneCollection.h>
#include <vtkTransform.h>

namespace {

using Point = vtkVector3d;
constexpr int sliceCounts[3] = { 748, 552, 115 };

struct Axis
{
  Axis(_CochlexUI& w, int a)
    : box(std::array{ w.showXPlane, w.showYPlane, w.showZPlane }[a])
    , bar(std::array{ w.sectionNumberX, w.sectionNumberY, w.sectionNumberZ }[a])
    , spin(std::array{ w.spinBox_x, w.spinBox_y, w.spinBox_z }[a])
    , clip(std::array{ w.clipX, w.clipY, w.clipZ }[a])
    , widget(std::array{ w.planeWidgetX, w.planeWidgetY, w.planeWidgetZ }[a])
    , actor(std::array{ w.sectionActorX, w.sectionActorY, w.sectionActorZ }[a])
    , transform(std::array{ w.sectionTransformX, w.sectionTransformY, w.sectionTransformZ }[a])
    , plane(std::array{ w.clipPlaneX, w.clipPlaneY, w.clipPlaneZ }[a])
  {
  }
  Point centre() const
  {
    const double* b = actor->GetBounds();
    return Point(b[0] + b[1], b[2] + b[3], b[4] + b[5]) * 0.5;
  }
  Point normal() const { return Point(transform->TransformVector(0.0, 0.0, 1.0)); }

  QCheckBox* box;
  QScrollBar* bar;
  QSpinBox* spin;
  QSlider* clip;
  vtkImagePlaneWidget* widget;
  vtkImageActor* actor;
  vtkTransform* transform;
  vtkPlane* plane;
};

} // namespace

#define COMPARE_POINTS(actual, expected, tolerance)                                                \
  QVERIFY2(((actual) - (expected)).Norm() <= (tolerance),                                          \
           qPrintable("off by " + QString::number(((actual) - (expected)).Norm(), 'g', 17)))

class SectionsTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  Axis axis(int index) { return Axis(*window, index); }

  // Each voxel carries its coordinate along the axis whose middle line is nearest.
  void verifyImageIsSlice(int index, int sliceIndex)
  {
    QCOMPARE(axis(index).widget->GetSliceIndex(), sliceIndex);
    vtkImageData* image = axis(index).actor->GetInput();
    const int* e = image->GetExtent();
    QCOMPARE(int(image->GetScalarComponentAsDouble((e[0] + e[1]) / 2, (e[2] + e[3]) / 2, e[4], 0)),
             1 + sliceIndex % 255);
  }

  // Front and back actor share a mapper; section images and the head model are never cut.
  void verifyCuts(const std::vector<vtkPlane*>& planes)
  {
    for (vtkActor* actor : window->frontActors) {
      QCOMPARE(actor->GetMapper()->GetNumberOfClippingPlanes(), int(planes.size()));
      for (vtkPlane* plane : planes) {
        QVERIFY(actor->GetMapper()->GetClippingPlanes()->IsItemPresent(plane));
      }
    }
    for (int a = 0; a < 3; ++a) {
      QCOMPARE(axis(a).actor->GetMapper()->GetNumberOfClippingPlanes(), 0);
    }
    vtkActor* head = rendererActors(window->headRenderer()).at(0);
    QCOMPARE(head->GetMapper()->GetNumberOfClippingPlanes(), 0);
  }

private slots:
  void initTestCase()
  {
    session = std::make_unique<ViewerSession>();
    fixture::writeModel(session->folder(), fixture::standardStructures(), false);
    fixture::writeVolume(session->folder(), [](int i, int j, int k) {
      const int index[3] = { i, j, k };
      const int distances[3] = { std::abs(j - 276) + std::abs(k - 57),
                                 std::abs(i - 374) + std::abs(k - 57),
                                 std::abs(i - 374) + std::abs(j - 276) };
      return std::uint8_t(1 + index[std::min_element(distances, distances + 3) - distances] % 255);
    });
    window = &session->open(1144, 800);
    session->load();
  }
  void cleanupTestCase() { session.reset(); }

  void sectionNumberSelectsSlice()
  {
    for (int index = 0; index < 3; ++index) {
      const Axis a = axis(index);
      a.spin->setValue(sliceCounts[index]);
      QCOMPARE(a.bar->value(), sliceCounts[index]);
      verifyImageIsSlice(index, sliceCounts[index] - 1);
      a.bar->setValue(1);
      QCOMPARE(a.spin->value(), 1);
      verifyImageIsSlice(index, 0);
    }
  }

  void movedSectionSlidesAlongItsNormalAndShowsWhereItIs()
  {
    const Axis x = axis(0);
    x.bar->setValue(374);
    const Point start = x.centre();
    {
      // The mirrored spin box slot does not draw the step a second time.
      RenderCounter mainRenders(window->mainRenderWindow());
      RenderCounter headRenders(window->headRenderWindow());
      x.bar->setValue(380);
      QCOMPARE(mainRenders.count, 1);
      QCOMPARE(headRenders.count, 1);
    }
    COMPARE_POINTS(x.centre(), start + x.normal() * (6 * 0.0127), 1e-9);
    x.bar->setValue(374);
    COMPARE_POINTS(x.centre(), start, 1e-9);

    // Typed digit by digit, through 3 and 30.
    const Axis y = axis(1);
    y.bar->setValue(276);
    const Point before = y.centre();
    y.spin->selectAll();
    QTest::keyClicks(y.spin, "300");
    verifyImageIsSlice(1, 299);
    COMPARE_POINTS(y.centre(), before + y.normal() * (24 * 0.0127), 1e-9);

    // Moved while hidden, it shows at its new number and place.
    const Axis z = axis(2);
    z.bar->setValue(58);
    const Point previous = z.centre();
    z.bar->setValue(90);
    QVERIFY(!window->mainRenderer()->HasViewProp(z.actor));
    z.box->click();
    QVERIFY(window->mainRenderer()->HasViewProp(z.actor));
    verifyImageIsSlice(2, 89);
    COMPARE_POINTS(z.centre(), previous + z.normal() * (32 * 0.02), 1e-9);
    z.box->click();
    QVERIFY(!window->mainRenderer()->HasViewProp(z.actor));
  }

  void clippingCutsEveryStructureOnceAlongTheSection()
  {
    // Hidden structures are cut as well.
    window->mainRenderer()->RemoveActor(window->frontActors[2]);
    window->mainRenderer()->RemoveActor(window->backActors[2]);
    for (int axisIndex = 0; axisIndex < 3; ++axisIndex) {
      const Axis a = axis(axisIndex);
      // Straight from one side to the other leaves no stale copy of the first attachment.
      for (int side : { 1, -1 }) {
        a.clip->setValue(side);
        verifyCuts({ a.plane });
        COMPARE_POINTS(Point(a.plane->GetOrigin()), a.centre(), 1e-12);
        COMPARE_POINTS(Point(a.plane->GetNormal()), a.normal() * side, 1e-12);
      }
      a.clip->setValue(0);
      verifyCuts({});
    }
    // Switching one plane off leaves the others.
    axis(0).clip->setValue(1);
    axis(2).clip->setValue(1);
    axis(1).clip->setValue(-1);
    axis(1).clip->setValue(0);
    verifyCuts({ axis(0).plane, axis(2).plane });
    axis(0).clip->setValue(0);
    window->mainRenderer()->AddActor(window->backActors[2]);
    window->mainRenderer()->AddActor(window->frontActors[2]);

    // An active plane follows its section, from the bar and the spin box; a detached one stays.
    const Axis z = axis(2);
    z.bar->setValue(70);
    COMPARE_POINTS(Point(z.plane->GetOrigin()), z.centre(), 1e-12);
    z.clip->setValue(-1);
    z.spin->setValue(40);
    COMPARE_POINTS(Point(z.plane->GetOrigin()), z.centre(), 1e-12);
    z.clip->setValue(0);
    const Point left(z.plane->GetOrigin());
    z.bar->setValue(100);
    z.spin->setValue(20);
    QVERIFY(Point(z.plane->GetOrigin()) == left);
  }

  void withoutVolumeSceneStaysUnchanged()
  {
    ViewerSession withoutVolume;
    fixture::writeModel(withoutVolume.folder(), fixture::standardStructures(), false);
    _CochlexUI& viewer = withoutVolume.open();
    withoutVolume.load();
    QVERIFY(!viewer.hasSectionVolume());
    const int props = viewer.mainRenderer()->GetViewProps()->GetNumberOfItems();
    for (int a = 0; a < 3; ++a) {
      const Axis controls(viewer, a);
      const Point position(controls.transform->GetPosition());
      controls.box->click();
      controls.bar->setValue(controls.bar->value() + 5);
      controls.spin->setValue(controls.spin->value() + 5);
      controls.clip->setValue(1);
      QCOMPARE(viewer.mainRenderer()->GetViewProps()->GetNumberOfItems(), props);
      QVERIFY(Point(controls.transform->GetPosition()) == position);
      QCOMPARE(viewer.frontActors[0]->GetMapper()->GetNumberOfClippingPlanes(), 0);
    }
    // Nothing to cut, no side to name.
    QCOMPARE(viewer.clipXTicks->label(0)->text(), QString());
    QCOMPARE(viewer.clipXTicks->label(1)->text(), QString("No cut"));
    QCOMPARE(viewer.clipXTicks->label(2)->text(), QString());
  }

  // A manifest's own grid of 41 x 31 x 21 voxels, turned a quarter about z and standing apart:
  // the controls' ranges are its slice counts, the ends of each range show its first and last
  // slice where the grid puts them, and a cut lies in the image.
  void ownGridSectionsRunThroughTheWholeVolume()
  {
    const std::array<int, 3> size{ 41, 31, 21 };
    const std::array<double, 3> spacing{ 0.1, 0.15, 0.2 };
    const Point origin(-2, 1, -1.5);
    const std::array<Point, 3> axes{ Point(0, 1, 0), Point(-1, 0, 0), Point(0, 0, 1) };
    ViewerSession own;
    _CochlexUI& viewer =
      own.openModel(fixture::standardStructures(), false, [&](const QString& folder) {
        QJsonArray entries;
        for (const fixture::Structure& structure : fixture::standardStructures()) {
          entries.append(QJsonObject{ { "file", structure.relativePath.mid(1) } });
        }
        const QJsonObject volume{
          { "file", "Joint/own.raw" },
          { "size", QJsonArray{ size[0], size[1], size[2] } },
          { "spacing", QJsonArray{ spacing[0], spacing[1], spacing[2] } },
          { "origin", QJsonArray{ origin[0], origin[1], origin[2] } },
          { "direction",
            QJsonArray{ QJsonArray{ 0, 1, 0 }, QJsonArray{ -1, 0, 0 }, QJsonArray{ 0, 0, 1 } } }
        };
        fixture::writeFile(
          folder + "/cochlex-model.json",
          QJsonDocument(
            QJsonObject{ { "cochlex-model", 1 }, { "structures", entries }, { "volume", volume } })
            .toJson());
        // Each voxel carries its index along the axis whose middle line is nearest.
        QByteArray voxels;
        for (int k = 0; k < size[2]; ++k) {
          for (int j = 0; j < size[1]; ++j) {
            for (int i = 0; i < size[0]; ++i) {
              const int index[3] = { i, j, k };
              const int distances[3] = { std::abs(j - 15) + std::abs(k - 10),
                                         std::abs(i - 20) + std::abs(k - 10),
                                         std::abs(i - 20) + std::abs(j - 15) };
              voxels.append(
                char(1 + index[std::min_element(distances, distances + 3) - distances]));
            }
          }
        }
        fixture::writeFile(folder + "/Joint/own.raw", voxels);
      });
    QVERIFY(viewer.hasSectionVolume());
    for (int a = 0; a < 3; ++a) {
      const Axis controls(viewer, a);
      const auto centreValue = [&] {
        vtkImageData* image = controls.actor->GetInput();
        const int* e = image->GetExtent();
        return int(
          image->GetScalarComponentAsDouble((e[0] + e[1]) / 2, (e[2] + e[3]) / 2, e[4], 0));
      };
      // Where the grid puts slice index on this axis, the image's middle.
      const auto sliceCentre = [&](int index) {
        Point centre = origin + axes[std::size_t(a)] * (index * spacing[std::size_t(a)]);
        for (int b = 0; b < 3; ++b) {
          if (b != a) {
            centre = centre + axes[std::size_t(b)] *
                                (0.5 * (size[std::size_t(b)] - 1) * spacing[std::size_t(b)]);
          }
        }
        return centre;
      };
      const int count = size[std::size_t(a)];
      QCOMPARE(controls.bar->maximum(), count);
      QCOMPARE(controls.spin->maximum(), count);
      QCOMPARE(viewer.sectionStates->at(a).count, count);
      // It starts in the middle, showing the slice it names (where all three middle lines meet:
      // its voxels' values tell nothing there).
      QCOMPARE(controls.spin->value(), (count + 1) / 2);
      QCOMPARE(controls.widget->GetSliceIndex(), (count + 1) / 2 - 1);
      COMPARE_POINTS(controls.centre(), sliceCentre((count - 1) / 2), 1e-9);

      controls.spin->setValue(count);
      QCOMPARE(controls.bar->value(), count);
      QCOMPARE(viewer.sectionStates->at(a).number, count);
      QCOMPARE(controls.widget->GetSliceIndex(), count - 1);
      QCOMPARE(centreValue(), count);
      COMPARE_POINTS(controls.centre(), sliceCentre(count - 1), 1e-9);

      controls.bar->setValue(1);
      QCOMPARE(centreValue(), 1);
      COMPARE_POINTS(controls.centre(), sliceCentre(0), 1e-9);

      controls.clip->setValue(-1);
      COMPARE_POINTS(Point(controls.plane->GetOrigin()), sliceCentre(0), 1e-9);
      COMPARE_POINTS(Point(controls.plane->GetNormal()), axes[std::size_t(a)] * -1.0, 1e-9);
      controls.clip->setValue(0);
    }
  }

  // A cut on any tab is named in the status bar with the tab's plane name, and only while on.
  void cutsAreNamedInTheStatusBar()
  {
    auto* note = window->statusbar->findChild<QLabel*>("cutStatusLabel");
    QVERIFY(note && note->isVisible() && note->text().isEmpty());
    window->clipY->setValue(1);
    QVERIFY2(note->text().startsWith("Cut at Z Plane, "), qPrintable(note->text()));
    window->clipZ->setValue(-1);
    QVERIFY2(note->text().contains("X Plane") && note->text().contains("Z Plane"),
             qPrintable(note->text()));
    const QString bothSides = note->text();
    window->clipZ->setValue(1);
    QVERIFY(note->text() != bothSides); // the other side is named
    window->clipY->setValue(0);
    window->clipZ->setValue(0);
    QVERIFY(note->text().isEmpty());
  }

  // Each clipping slider names its three positions under their ticks: the side of the model each
  // end keeps, by the section image's own normal (the model's axes are medial, posterior and
  // superior), and "No cut" in the middle.
  void clippingPositionsAreNamedUnderTheirTicks()
  {
    const auto sideOf = [](const Point& normal) {
      int largest = 0;
      for (int a = 1; a < 3; ++a) {
        if (std::abs(normal[a]) > std::abs(normal[largest])) {
          largest = a;
        }
      }
      const char* const names[3][2] = { { "Medial", "Lateral" },
                                        { "Posterior", "Anterior" },
                                        { "Superior", "Inferior" } };
      return QString(names[largest][normal[largest] < 0 ? 1 : 0]);
    };
    const std::array<TickLabels*, 3> ticks{ window->clipXTicks,
                                            window->clipYTicks,
                                            window->clipZTicks };
    const std::array<QWidget*, 3> tabs{ window->yTab, window->zTab, window->xTab };
    for (int a = 0; a < 3; ++a) {
      const Axis controls = axis(a);
      TickLabels* labels = ticks[std::size_t(a)];
      window->sectionsTab->setCurrentWidget(tabs[std::size_t(a)]);
      QTRY_VERIFY(labels->isVisible() && labels->width() > 0);
      const QStringList expected{ sideOf(controls.normal() * -1.0),
                                  "No cut",
                                  sideOf(controls.normal()) };
      QCOMPARE(labels->count(), 3);
      for (int position = 0; position < 3; ++position) {
        QLabel* text = labels->label(position);
        QCOMPARE(text->text(), expected[position]);
        // Under the handle when the slider stands there, whole and below the slider.
        controls.clip->setValue(position - 1);
        QStyleOptionSlider option;
        option.initFrom(controls.clip);
        option.orientation = Qt::Horizontal;
        option.minimum = controls.clip->minimum();
        option.maximum = controls.clip->maximum();
        option.sliderPosition = controls.clip->value();
        option.sliderValue = controls.clip->value();
        option.tickPosition = controls.clip->tickPosition();
        const QRect handle = controls.clip->style()->subControlRect(
          QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, controls.clip);
        const int handleCentre = controls.clip->mapTo(labels, handle.center()).x();
        const QRect placed = text->geometry();
        QVERIFY2(std::abs(placed.center().x() - handleCentre) <= 2,
                 qPrintable(QString("%1 at %2, handle at %3")
                              .arg(text->text())
                              .arg(placed.center().x())
                              .arg(handleCentre)));
        QVERIFY(labels->rect().contains(placed));
        QVERIFY(placed.top() >= controls.clip->geometry().bottom());
        QVERIFY(text->isVisible());
      }
      QVERIFY(labels->label(0)->geometry().right() < labels->label(1)->geometry().left());
      QVERIFY(labels->label(1)->geometry().right() < labels->label(2)->geometry().left());
      controls.clip->setValue(0);
    }
  }

  // The plane of the x key shows where its section image lies; Center Models and Frontal View
  // still frame the structures with it on.
  void keyPlaneStaysWithTheModel()
  {
    vtkRenderWindowInteractor* interactor = window->mainRenderWindow()->GetInteractor();
    const auto pressX = [interactor] {
      interactor->SetKeyCode('x');
      interactor->InvokeEvent(vtkCommand::KeyPressEvent);
    };
    pressX();
    QVERIFY(window->planeWidgetX->GetEnabled());
    double structures[6] = { 1e300, -1e300, 1e300, -1e300, 1e300, -1e300 };
    for (vtkActor* actor : window->frontActors) {
      const double* bounds = actor->GetBounds();
      for (int i = 0; i < 6; i += 2) {
        structures[i] = std::min(structures[i], bounds[i]);
        structures[i + 1] = std::max(structures[i + 1], bounds[i + 1]);
      }
    }
    for (QAction* action : { window->actionCenter, window->actionReset }) {
      action->trigger();
      const double* focal = window->mainCamera()->GetFocalPoint();
      for (std::size_t i = 0; i < 3; ++i) {
        QVERIFY2(focal[i] >= structures[2 * i] && focal[i] <= structures[2 * i + 1],
                 qPrintable(action->objectName()));
      }
    }
    // On screen, the plane's centre falls where the section image's centre would.
    vtkRenderer* planeRenderer = window->planeWidgetX->GetCurrentRenderer();
    QVERIFY(planeRenderer != nullptr);
    double planeCentre[3], planeOnScreen[3], imageOnScreen[3];
    window->planeWidgetX->GetCenter(planeCentre);
    vtkInteractorObserver::ComputeWorldToDisplay(
      planeRenderer, planeCentre[0], planeCentre[1], planeCentre[2], planeOnScreen);
    const double* image = window->sectionActorX->GetBounds();
    vtkInteractorObserver::ComputeWorldToDisplay(window->mainRenderer(),
                                                 (image[0] + image[1]) / 2,
                                                 (image[2] + image[3]) / 2,
                                                 (image[4] + image[5]) / 2,
                                                 imageOnScreen);
    QVERIFY2(std::hypot(planeOnScreen[0] - imageOnScreen[0], planeOnScreen[1] - imageOnScreen[1]) <
               5,
             qPrintable(QString::asprintf("plane at %g,%g, image at %g,%g",
                                          planeOnScreen[0],
                                          planeOnScreen[1],
                                          imageOnScreen[0],
                                          imageOnScreen[1])));
    pressX();
    QVERIFY(!window->planeWidgetX->GetEnabled());
  }
};

COCHLEX_VIEWER_TEST_MAIN(SectionsTest)
#include "test_sections.moc"
