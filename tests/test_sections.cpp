// The three section images moved through the volume by their scroll bars and spin boxes,
// shown and hidden, and the clipping planes that cut the structures along them.

#include "ViewerSession.h"
#include "viewer/CochlexUI.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>

#include <vtkActor.h>
#include <vtkImageActor.h>
#include <vtkImageData.h>
#include <vtkImageMapper3D.h>
#include <vtkImagePlaneWidget.h>
#include <vtkImageReslice.h>
#include <vtkMapper.h>
#include <vtkMatrix4x4.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>
#include <vtkPropCollection.h>
#include <vtkRenderer.h>
#include <vtkTransform.h>
#include <vtkVector.h>
#include <vtkVectorOperators.h>

#include <algorithm>
#include <cmath>

namespace {

using Point = vtkVector3d;

constexpr int sliceCounts[3] = { 748, 552, 115 };
constexpr double spacings[3] = { 0.0127, 0.0127, 0.02 };
// One block of the test volume per axis, in which a voxel depends only on its coordinate along
// that axis: inside it every resliced pixel carries the code of its section's slice.
constexpr int blockLow[3][3] = { { 0, 0, 0 }, { 0, 0, 57 }, { 374, 276, 0 } };
constexpr int blockHigh[3][3] = { { 747, 275, 56 }, { 373, 551, 114 }, { 747, 551, 114 } };

template<typename Index>
bool
insideBlock(int axis, const Index index[3], double margin)
{
  for (int d = 0; d < 3; ++d) {
    if (d != axis &&
        (index[d] < blockLow[axis][d] + margin || index[d] > blockHigh[axis][d] - margin)) {
      return false;
    }
  }
  return true;
}

Point
centreOf(vtkImageActor* actor)
{
  const double* b = actor->GetBounds();
  return Point(b[0] + b[1], b[2] + b[3], b[4] + b[5]) * 0.5;
}

// The image normal: the z column of the section transform.
Point
zColumn(vtkTransform* transform)
{
  vtkMatrix4x4* m = transform->GetMatrix();
  return Point(m->GetElement(0, 2), m->GetElement(1, 2), m->GetElement(2, 2));
}

#define COMPARE_POINTS(actual, expected, tolerance)                                                \
  QVERIFY2(((actual) - (expected)).Norm() <= (tolerance),                                          \
           qPrintable("off by " + QString::number(((actual) - (expected)).Norm(), 'g', 17)))

// Moves a control to value through a neighbour when it is already there, so the slots run.
template<typename Control>
void
moveTo(Control* control, int value)
{
  if (control->value() == value) {
    control->setValue(value == control->minimum() ? value + 1 : value - 1);
  }
  control->setValue(value);
}

struct Axis
{
  QCheckBox* box;
  QScrollBar* bar;
  QSpinBox* spin;
  QSlider* clip;
  vtkImagePlaneWidget* widget;
  vtkImageActor* actor;
  vtkTransform* transform;
  vtkPlane* plane;
};

Axis
axisOf(_CochlexUI& w, int axis)
{
  if (axis == 0) {
    return { w.showXPlane,   w.sectionNumberX, w.spinBox_x,         w.clipX,
             w.planeWidgetX, w.sectionActorX,  w.sectionTransformX, w.clipPlaneX };
  }
  if (axis == 1) {
    return { w.showYPlane,   w.sectionNumberY, w.spinBox_y,         w.clipY,
             w.planeWidgetY, w.sectionActorY,  w.sectionTransformY, w.clipPlaneY };
  }
  return { w.showZPlane,   w.sectionNumberZ, w.spinBox_z,         w.clipZ,
           w.planeWidgetZ, w.sectionActorZ,  w.sectionTransformZ, w.clipPlaneZ };
}

} // namespace

class SectionsTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  Axis axis(int index) { return axisOf(*window, index); }

  // Maps every few pixels of the actor's image back into the volume through the reslice
  // geometry: each must lie on the slice and, inside the axis's block, carry its code.
  void verifyImageIsSlice(int axisIndex, int sliceIndex)
  {
    const Axis a = axis(axisIndex);
    vtkImageData* image = a.actor->GetInput();
    int extent[6];
    image->GetExtent(extent);
    const double* origin = image->GetOrigin();
    const double* spacing = image->GetSpacing();
    int compared = 0;
    for (int row = extent[2]; row <= extent[3]; row += 3) {
      for (int column = extent[0]; column <= extent[1]; column += 3) {
        const double output[4] = { origin[0] + column * spacing[0],
                                   origin[1] + row * spacing[1],
                                   origin[2] + extent[4] * spacing[2],
                                   1.0 };
        double input[4];
        a.widget->GetReslice()->GetResliceAxes()->MultiplyPoint(output, input);
        const double index[3] = { input[0] / spacings[0],
                                  input[1] / spacings[1],
                                  input[2] / spacings[2] };
        QVERIFY(std::abs(index[axisIndex] - sliceIndex) < 1e-6);
        // Clear of the block's faces by more than the interpolation reaches.
        if (insideBlock(axisIndex, index, 2.0)) {
          QCOMPARE(int(image->GetScalarComponentAsDouble(column, row, extent[4], 0)),
                   1 + sliceIndex % 255);
          ++compared;
        }
      }
    }
    QVERIFY2(compared > 100, qPrintable(QString::number(compared)));
  }

  // Each structure actor's mapper (front and back share one) holds each of planes once and
  // nothing else; the section images and the head model are never cut.
  void verifyCuts(const std::vector<vtkPlane*>& planes)
  {
    for (std::size_t i = 0; i < window->frontActors.size(); ++i) {
      for (vtkActor* actor : { window->frontActors[i], window->backActors[i] }) {
        QCOMPARE(actor->GetMapper()->GetNumberOfClippingPlanes(), int(planes.size()));
        for (vtkPlane* plane : planes) {
          QVERIFY(actor->GetMapper()->GetClippingPlanes()->IsItemPresent(plane));
        }
      }
    }
    for (int a = 0; a < 3; ++a) {
      QCOMPARE(axis(a).actor->GetMapper()->GetNumberOfClippingPlanes(), 0);
    }
    const std::vector<vtkActor*> head = rendererActors(window->headRenderer());
    QVERIFY(!head.empty());
    for (vtkActor* actor : head) {
      QCOMPARE(actor->GetMapper()->GetNumberOfClippingPlanes(), 0);
    }
  }

private slots:
  void initTestCase()
  {
    session = std::make_unique<ViewerSession>();
    fixture::writeModel(session->folder(), fixture::standardStructures(), false);
    fixture::writeVolume(session->folder(), [](int i, int j, int k) {
      const int index[3] = { i, j, k };
      for (int axis = 0; axis < 3; ++axis) {
        if (insideBlock(axis, index, 0)) {
          return std::uint8_t(1 + index[axis] % 255);
        }
      }
      return std::uint8_t(0);
    });
    window = &session->open(1144, 800);
    session->load();
    QVERIFY(window->hasSectionVolume());
    QCOMPARE(int(window->frontActors.size()), 9);
  }

  void cleanupTestCase() { session.reset(); }

  void sectionNumberSelectsSlice_data()
  {
    QTest::addColumn<int>("axis");
    QTest::addColumn<bool>("throughSpinBox");
    QTest::addColumn<int>("number");
    for (int a = 0; a < 3; ++a) {
      for (int number : { 1, sliceCounts[a] / 3, sliceCounts[a] }) {
        QTest::addRow("%c scroll bar %d", 'X' + a, number) << a << false << number;
        QTest::addRow("%c spin box %d", 'X' + a, number) << a << true << number;
      }
    }
  }

  void sectionNumberSelectsSlice()
  {
    QFETCH(int, axis);
    QFETCH(bool, throughSpinBox);
    QFETCH(int, number);
    const Axis a = this->axis(axis);
    QCOMPARE(a.bar->maximum(), sliceCounts[axis]);
    throughSpinBox ? moveTo(a.spin, number) : moveTo(a.bar, number);
    QCOMPARE(a.bar->value(), number);
    QCOMPARE(a.spin->value(), number);
    QCOMPARE(a.widget->GetSliceIndex(), number - 1);
    verifyImageIsSlice(axis, number - 1);
  }

  void movingSectionSlidesImageAlongItsNormal()
  {
    const Axis x = axis(0);
    moveTo(x.bar, 374);
    const Point start = centreOf(x.actor);
    {
      // The mirrored spin box slot does not draw the step a second time.
      RenderCounter mainRenders(window->mainRenderWindow());
      RenderCounter headRenders(window->headRenderWindow());
      x.bar->setValue(380);
      QCOMPARE(mainRenders.count, 1);
      QCOMPARE(headRenders.count, 1);
    }
    QCOMPARE(x.widget->GetSliceIndex(), 379);
    COMPARE_POINTS(centreOf(x.actor), start + zColumn(x.transform) * (6 * 0.0127), 1e-9);
    x.bar->setValue(374);
    COMPARE_POINTS(centreOf(x.actor), start, 1e-9);

    // Typed digit by digit (through 3 and 30) or dragged through every number in between:
    // the same slice at the same place.
    const Axis y = axis(1);
    moveTo(y.bar, 276);
    const Point before = centreOf(y.actor);
    y.spin->setFocus();
    QTest::keyClick(y.spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(y.spin, "300");
    QTest::keyClick(y.spin, Qt::Key_Return);
    QCOMPARE(y.bar->value(), 300);
    QCOMPARE(y.widget->GetSliceIndex(), 299);
    verifyImageIsSlice(1, 299);
    const Point typed = centreOf(y.actor);
    COMPARE_POINTS(typed, before + zColumn(y.transform) * (24 * 0.0127), 1e-9);
    y.bar->setValue(276);
    COMPARE_POINTS(centreOf(y.actor), before, 1e-9);
    for (int value = 277; value <= 300; ++value) {
      y.bar->setSliderPosition(value);
    }
    QCOMPARE(y.spin->value(), 300);
    QCOMPARE(y.widget->GetSliceIndex(), 299);
    COMPARE_POINTS(centreOf(y.actor), typed, 1e-9);
  }

  void tickingShowsOnlyThatSectionAtItsNumber()
  {
    vtkPropCollection* props = window->mainRenderer()->GetViewProps();
    const Axis z = axis(2);
    moveTo(z.bar, 58);
    const int before = props->GetNumberOfItems();
    z.box->click();
    QVERIFY(props->IsItemPresent(z.actor));
    QCOMPARE(props->GetNumberOfItems(), before + 1);
    z.box->click();
    QCOMPARE(props->GetNumberOfItems(), before);
    // Moved while hidden: it shows at its new number and place.
    const Point start = centreOf(z.actor);
    const Point normal = zColumn(z.transform);
    z.bar->setValue(90);
    QCOMPARE(props->GetNumberOfItems(), before);
    z.box->click();
    QVERIFY(props->IsItemPresent(z.actor));
    QCOMPARE(z.widget->GetSliceIndex(), 89);
    verifyImageIsSlice(2, 89);
    COMPARE_POINTS(centreOf(z.actor), start + normal * (32 * 0.02), 1e-9);
    z.box->click();
  }

  void clippingCutsEveryStructureOnce()
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
        COMPARE_POINTS(Point(a.plane->GetOrigin()), centreOf(a.actor), 1e-12);
        COMPARE_POINTS(Point(a.plane->GetNormal()), zColumn(a.transform) * side, 1e-12);
      }
      a.clip->setValue(0);
      verifyCuts({});
    }
    // Three planes at once; switching one off leaves the other two.
    axis(0).clip->setValue(1);
    axis(1).clip->setValue(-1);
    axis(2).clip->setValue(1);
    verifyCuts({ axis(0).plane, axis(1).plane, axis(2).plane });
    axis(1).clip->setValue(0);
    verifyCuts({ axis(0).plane, axis(2).plane });
    axis(0).clip->setValue(0);
    axis(2).clip->setValue(0);
    verifyCuts({});
    window->mainRenderer()->AddActor(window->backActors[2]);
    window->mainRenderer()->AddActor(window->frontActors[2]);
  }

  void clipPlaneFollowsSectionOnlyWhileOn()
  {
    const Axis z = axis(2);
    moveTo(z.bar, 58);
    z.clip->setValue(1);
    const Point normal(z.plane->GetNormal());
    const Point start(z.plane->GetOrigin());
    z.bar->setValue(70);
    COMPARE_POINTS(Point(z.plane->GetOrigin()), start + normal * (12 * 0.02), 1e-9);
    COMPARE_POINTS(Point(z.plane->GetOrigin()), centreOf(z.actor), 1e-12);
    // Through the spin box and on the other side as well.
    z.clip->setValue(-1);
    z.spin->setValue(40);
    COMPARE_POINTS(Point(z.plane->GetOrigin()), centreOf(z.actor), 1e-12);
    COMPARE_POINTS(Point(z.plane->GetNormal()), normal * -1, 1e-12);
    // Detached, the plane stays where it was left.
    z.clip->setValue(0);
    const Point left(z.plane->GetOrigin());
    z.bar->setValue(100);
    z.spin->setValue(20);
    QVERIFY(Point(z.plane->GetOrigin()) == left);
    QVERIFY((centreOf(z.actor) - left).Norm() > 1e-3);
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
      const Axis controls = axisOf(viewer, a);
      vtkNew<vtkMatrix4x4> matrix;
      matrix->DeepCopy(controls.transform->GetMatrix());
      const Point origin(controls.plane->GetOrigin());
      const int sliceIndex = controls.widget->GetSliceIndex();
      controls.box->click();
      controls.bar->setValue(controls.bar->value() + 5);
      controls.spin->setValue(controls.spin->value() + 5);
      controls.clip->setValue(1);
      controls.clip->setValue(-1);

      QCOMPARE(viewer.mainRenderer()->GetViewProps()->GetNumberOfItems(), props);
      QCOMPARE(controls.widget->GetSliceIndex(), sliceIndex);
      const double* elements = controls.transform->GetMatrix()->GetData();
      QVERIFY(std::equal(elements, elements + 16, matrix->GetData()));
      QVERIFY(Point(controls.plane->GetOrigin()) == origin);
      for (vtkActor* actor : viewer.frontActors) {
        QCOMPARE(actor->GetMapper()->GetNumberOfClippingPlanes(), 0);
      }
      controls.clip->setValue(0);
    }
  }
};

COCHLEX_VIEWER_TEST_MAIN(SectionsTest)
#include "test_sections.moc"
