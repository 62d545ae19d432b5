// The three section images moved through the volume by their scroll bars and spin boxes,
// shown and hidden, and the clipping planes that cut the structures along them.

#include "ModelFixture.h"
#include "viewer/CochlexUI.h"
#include "viewer/SectionGeometry.h"

#include <QApplication>
#include <QCheckBox>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkActor.h>
#include <vtkActorCollection.h>
#include <vtkImageActor.h>
#include <vtkImageData.h>
#include <vtkImageMapper3D.h>
#include <vtkImagePlaneWidget.h>
#include <vtkImageReslice.h>
#include <vtkMapper.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPlane.h>
#include <vtkPolyDataMapper.h>
#include <vtkPropCollection.h>
#include <vtkRenderer.h>
#include <vtkTransform.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int sliceCounts[3] = { 748, 552, 115 };
constexpr double spacings[3] = { 0.0127, 0.0127, 0.02 };

// The test volume is split into three blocks. In block A the voxels depend only on the
// coordinate along axis A, so every section of axis A crosses a block whose resliced pixels
// must all carry the code of that section's slice, however the image is resampled in-plane.
//   X sections (varying i): j < 276, k < 57
//   Y sections (varying j): i < 374, k >= 57
//   Z sections (varying k): i >= 374, j >= 276
std::uint8_t
sliceCode(int sliceIndex)
{
  return std::uint8_t(1 + sliceIndex % 255);
}

std::uint8_t
codedVoxel(int i, int j, int k)
{
  if (j < 276 && k < 57) {
    return sliceCode(i);
  }
  if (i < 374 && k >= 57) {
    return sliceCode(j);
  }
  if (i >= 374 && j >= 276) {
    return sliceCode(k);
  }
  return 0;
}

// Voxel ranges (inclusive) of the block of each axis along the two in-plane axes.
struct Block
{
  int low[3];
  int high[3];
};

constexpr Block blocks[3] = {
  { { 0, 0, 0 }, { 747, 275, 56 } },
  { { 0, 0, 57 }, { 373, 551, 114 } },
  { { 374, 276, 0 }, { 747, 551, 114 } },
};

// Stays clear of the block's faces by more than the reach of linear or cubic interpolation.
bool
wellInsideBlock(int axis, const double index[3])
{
  for (int d = 0; d < 3; ++d) {
    if (d == axis) {
      continue;
    }
    if (index[d] < blocks[axis].low[d] + 2.0 || index[d] > blocks[axis].high[d] - 2.0) {
      return false;
    }
  }
  return true;
}

std::array<double, 3>
toArray(const double* values)
{
  return { values[0], values[1], values[2] };
}

std::array<double, 3>
actorCentre(vtkImageActor* actor)
{
  return boundsCentre(actor->GetBounds());
}

std::array<double, 3>
zColumn(vtkTransform* transform)
{
  return clipPlaneNormal(transform, 1);
}

bool
near(const std::array<double, 3>& a, const std::array<double, 3>& b, double tolerance)
{
  for (int d = 0; d < 3; ++d) {
    if (std::abs(a[d] - b[d]) > tolerance) {
      return false;
    }
  }
  return true;
}

QByteArray
describe(const std::array<double, 3>& v)
{
  return QByteArray::number(v[0], 'g', 17) + ", " + QByteArray::number(v[1], 'g', 17) + ", " +
         QByteArray::number(v[2], 'g', 17);
}

#define COMPARE_POINTS(actual, expected, tolerance)                                                \
  QVERIFY2(near(actual, expected, tolerance),                                                      \
           "(" + describe(actual) + ") != (" + describe(expected) + ")")

std::vector<vtkProp*>
propsOf(vtkRenderer* renderer)
{
  std::vector<vtkProp*> props;
  vtkPropCollection* collection = renderer->GetViewProps();
  collection->InitTraversal();
  while (vtkProp* prop = collection->GetNextProp()) {
    props.push_back(prop);
  }
  return props;
}

bool
holds(vtkRenderer* renderer, vtkProp* prop)
{
  return renderer->GetViewProps()->IsItemPresent(prop) != 0;
}

// Writes the structures and the head model, without a section volume.
void
writeModelWithoutVolume(const QString& directory)
{
  const std::vector<fixture::Structure> structures = fixture::standardStructures();
  fixture::writeStructureList(directory, structures);
  for (const fixture::Structure& structure : structures) {
    fixture::writeStructureFiles(directory, structure);
  }
  fixture::writeHeadModel(directory);
}

// Moves a control to value, passing through a neighbour when it is already there so that
// the slots run.
template<typename Control>
void
moveTo(Control* control, int value)
{
  if (control->value() == value) {
    control->setValue(value == control->minimum() ? value + 1 : value - 1);
  }
  control->setValue(value);
}

} // namespace

class SectionsTest : public QObject
{
  Q_OBJECT

private slots:
  void initTestCase();
  void cleanupTestCase();

  void clipPlaneHelpersKeepOneCopyPerMapper();
  void sectionNumberSelectsSlice_data();
  void sectionNumberSelectsSlice();
  void movingSectionSlidesImageAlongItsNormal();
  void typedAndDraggedNumbersPlaceAlike();
  void tickingShowsOnlyThatSection();
  void hiddenSectionShowsAtItsNewNumber();
  void clippingCyclesThroughBothSides_data();
  void clippingCyclesThroughBothSides();
  void threeAxesCutAtOnce();
  void clipPlaneFollowsSectionOnlyWhileOn();
  void withoutVolumeSceneStaysUnchanged();

private:
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

  static Axis axisOf(_CochlexUI& viewer, int axis);
  Axis axis(int index) { return axisOf(*window, index); }
  std::vector<vtkAbstractMapper*> everyStructureMapper() const;
  void verifyImageIsSlice(int axis, int sliceIndex);
  void verifyNoClippingOnSectionsOrHead();

  std::unique_ptr<QTemporaryDir> folder;
  std::unique_ptr<_CochlexUI> window;
};

SectionsTest::Axis
SectionsTest::axisOf(_CochlexUI& viewer, int axis)
{
  switch (axis) {
    case 0:
      return { viewer.showXPlane,        viewer.sectionNumberX,
               viewer.spinBox_x,         viewer.clipX,
               viewer.planeWidgetX,      viewer.sectionActorX,
               viewer.sectionTransformX, viewer.clipPlaneX };
    case 1:
      return { viewer.showYPlane,        viewer.sectionNumberY,
               viewer.spinBox_y,         viewer.clipY,
               viewer.planeWidgetY,      viewer.sectionActorY,
               viewer.sectionTransformY, viewer.clipPlaneY };
    default:
      return { viewer.showZPlane,        viewer.sectionNumberZ,
               viewer.spinBox_z,         viewer.clipZ,
               viewer.planeWidgetZ,      viewer.sectionActorZ,
               viewer.sectionTransformZ, viewer.clipPlaneZ };
  }
}

// Every structure actor's mapper, once per actor: a mapper shared by a front and a back actor
// is listed twice, so a count of copies is checked through both actors.
std::vector<vtkAbstractMapper*>
SectionsTest::everyStructureMapper() const
{
  std::vector<vtkAbstractMapper*> mappers;
  for (std::size_t i = 0; i < window->frontActors.size(); ++i) {
    mappers.push_back(window->frontActors[i]->GetMapper());
    mappers.push_back(window->backActors[i]->GetMapper());
  }
  return mappers;
}

// Maps every few pixels of the section actor's image back into the volume through the
// reslice geometry: each must lie on slice sliceIndex, and inside the axis's block carry
// that slice's code.
void
SectionsTest::verifyImageIsSlice(int axisIndex, int sliceIndex)
{
  const Axis a = axis(axisIndex);
  vtkImageData* image = a.actor->GetInput();
  QVERIFY(image);
  vtkMatrix4x4* resliceAxes = a.widget->GetReslice()->GetResliceAxes();
  QVERIFY(resliceAxes);
  int extent[6];
  image->GetExtent(extent);
  double origin[3];
  double spacing[3];
  image->GetOrigin(origin);
  image->GetSpacing(spacing);
  int compared = 0;
  for (int row = extent[2]; row <= extent[3]; row += 3) {
    for (int column = extent[0]; column <= extent[1]; column += 3) {
      const double output[4] = { origin[0] + column * spacing[0],
                                 origin[1] + row * spacing[1],
                                 origin[2] + extent[4] * spacing[2],
                                 1.0 };
      double input[4];
      resliceAxes->MultiplyPoint(output, input);
      const double index[3] = { input[0] / spacings[0],
                                input[1] / spacings[1],
                                input[2] / spacings[2] };
      QVERIFY2(std::abs(index[axisIndex] - sliceIndex) < 1e-6,
               QByteArray::number(index[axisIndex], 'g', 17));
      if (!wellInsideBlock(axisIndex, index)) {
        continue;
      }
      const int value = int(image->GetScalarComponentAsDouble(column, row, extent[4], 0));
      if (value != sliceCode(sliceIndex)) {
        QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3, slice %4 holds %5")
                           .arg(column)
                           .arg(row)
                           .arg(value)
                           .arg(sliceIndex)
                           .arg(sliceCode(sliceIndex))));
      }
      ++compared;
    }
  }
  QVERIFY2(compared > 100, qPrintable(QString::number(compared)));
}

void
SectionsTest::verifyNoClippingOnSectionsOrHead()
{
  for (int a = 0; a < 3; ++a) {
    QCOMPARE(axis(a).actor->GetMapper()->GetNumberOfClippingPlanes(), 0);
  }
  vtkActorCollection* headActors = window->headRenderer()->GetActors();
  QVERIFY(headActors->GetNumberOfItems() > 0);
  headActors->InitTraversal();
  while (vtkActor* actor = headActors->GetNextActor()) {
    QCOMPARE(actor->GetMapper()->GetNumberOfClippingPlanes(), 0);
  }
}

void
SectionsTest::initTestCase()
{
  folder = std::make_unique<QTemporaryDir>();
  QVERIFY(folder->isValid());
  writeModelWithoutVolume(folder->path());
  fixture::writeVolume(folder->path(), codedVoxel);
  fixture::WorkingDirectory workingDirectory(folder->path());
  window = std::make_unique<_CochlexUI>();
  window->resize(1144, 800);
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  window->loadTB();
  QVERIFY(window->hasSectionVolume());
  QCOMPARE(int(window->frontActors.size()), 9);
  QCOMPARE(window->backActors.size(), window->frontActors.size());
}

void
SectionsTest::cleanupTestCase()
{
  window.reset();
  folder.reset();
}

void
SectionsTest::clipPlaneHelpersKeepOneCopyPerMapper()
{
  vtkNew<vtkPolyDataMapper> shared;
  vtkNew<vtkPolyDataMapper> own;
  vtkNew<vtkActor> front;
  vtkNew<vtkActor> back;
  vtkNew<vtkActor> single;
  front->SetMapper(shared);
  back->SetMapper(shared);
  single->SetMapper(own);
  const std::vector<vtkAbstractMapper*> mappers =
    structureMappers({ front.Get(), single.Get() }, { back.Get(), single.Get() });
  QCOMPARE(int(mappers.size()), 2);
  QCOMPARE(mappers[0], static_cast<vtkAbstractMapper*>(shared.Get()));
  QCOMPARE(mappers[1], static_cast<vtkAbstractMapper*>(own.Get()));

  vtkNew<vtkPlane> plane;
  vtkNew<vtkPlane> other;
  // Nothing attached yet: detaching is silent and leaves nothing.
  detachClipPlane(shared, plane);
  QCOMPARE(clipPlaneCopies(shared, plane), 0);
  attachClipPlane(shared, plane);
  attachClipPlane(shared, plane);
  QCOMPARE(clipPlaneCopies(shared, plane), 1);
  // Copies left by adding through both actors all go at once; other planes stay.
  shared->AddClippingPlane(plane);
  shared->AddClippingPlane(other);
  shared->AddClippingPlane(plane);
  detachClipPlane(shared, plane);
  QCOMPARE(clipPlaneCopies(shared, plane), 0);
  QCOMPARE(clipPlaneCopies(shared, other), 1);

  vtkNew<vtkTransform> transform;
  transform->RotateX(90.0);
  transform->Translate(5.0, 6.0, 7.0);
  COMPARE_POINTS(clipPlaneNormal(transform, 1), (std::array<double, 3>{ 0.0, -1.0, 0.0 }), 1e-12);
  COMPARE_POINTS(clipPlaneNormal(transform, -1), (std::array<double, 3>{ 0.0, 1.0, 0.0 }), 1e-12);
  const double bounds[6] = { -1.0, 3.0, 2.0, 2.0, 10.0, 11.0 };
  COMPARE_POINTS(boundsCentre(bounds), (std::array<double, 3>{ 1.0, 2.0, 10.5 }), 0.0);
}

void
SectionsTest::sectionNumberSelectsSlice_data()
{
  QTest::addColumn<int>("axis");
  QTest::addColumn<bool>("throughSpinBox");
  QTest::addColumn<int>("number");
  const char* names[3] = { "X", "Y", "Z" };
  for (int a = 0; a < 3; ++a) {
    for (bool spin : { false, true }) {
      const char* control = spin ? "spin box" : "scroll bar";
      QTest::addRow("%s %s first", names[a], control) << a << spin << 1;
      QTest::addRow("%s %s last", names[a], control) << a << spin << sliceCounts[a];
      QTest::addRow("%s %s middle", names[a], control) << a << spin << sliceCounts[a] / 3;
    }
  }
}

void
SectionsTest::sectionNumberSelectsSlice()
{
  QFETCH(int, axis);
  QFETCH(bool, throughSpinBox);
  QFETCH(int, number);
  const Axis a = this->axis(axis);
  QCOMPARE(a.bar->maximum(), sliceCounts[axis]);
  if (throughSpinBox) {
    moveTo(a.spin, number);
  } else {
    moveTo(a.bar, number);
  }
  QCOMPARE(a.bar->value(), number);
  QCOMPARE(a.spin->value(), number);
  QCOMPARE(a.widget->GetSliceIndex(), number - 1);
  verifyImageIsSlice(axis, number - 1);
}

void
SectionsTest::movingSectionSlidesImageAlongItsNormal()
{
  const Axis x = axis(0);
  moveTo(x.bar, 374);
  const std::array<double, 3> start = actorCentre(x.actor);
  const std::array<double, 3> normal = zColumn(x.transform);

  x.bar->setValue(380);
  QCOMPARE(x.widget->GetSliceIndex(), 379);
  QCOMPARE(x.spin->value(), 380);
  const std::array<double, 3> moved = actorCentre(x.actor);
  const double step = 6 * 0.0127;
  COMPARE_POINTS(moved,
                 (std::array<double, 3>{ start[0] + step * normal[0],
                                         start[1] + step * normal[1],
                                         start[2] + step * normal[2] }),
                 1e-9);
  // The normal stays: only a translation along it was added.
  COMPARE_POINTS(zColumn(x.transform), normal, 1e-12);

  x.bar->setValue(374);
  COMPARE_POINTS(actorCentre(x.actor), start, 1e-9);

  // There and back again by a mix of the two controls.
  x.spin->setValue(500);
  x.bar->setValue(10);
  x.spin->setValue(374);
  QCOMPARE(x.widget->GetSliceIndex(), 373);
  COMPARE_POINTS(actorCentre(x.actor), start, 1e-9);
}

void
SectionsTest::typedAndDraggedNumbersPlaceAlike()
{
  const Axis y = axis(1);
  moveTo(y.bar, 276);

  // Typed digit by digit: the spin box passes through 3 and 30 on its way to 300.
  y.spin->setFocus();
  QTest::keyClick(y.spin, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(y.spin, "300");
  QTest::keyClick(y.spin, Qt::Key_Return);
  QCOMPARE(y.spin->value(), 300);
  QCOMPARE(y.bar->value(), 300);
  const int typedSlice = y.widget->GetSliceIndex();
  const std::array<double, 3> typedCentre = actorCentre(y.actor);
  verifyImageIsSlice(1, 299);

  y.bar->setValue(276);
  // Dragged: the bar moves through every number in between.
  for (int value = 277; value <= 300; ++value) {
    y.bar->setSliderPosition(value);
  }
  QCOMPARE(y.spin->value(), 300);
  QCOMPARE(y.widget->GetSliceIndex(), typedSlice);
  QCOMPARE(typedSlice, 299);
  COMPARE_POINTS(actorCentre(y.actor), typedCentre, 1e-9);
}

void
SectionsTest::tickingShowsOnlyThatSection()
{
  vtkRenderer* renderer = window->mainRenderer();
  const Axis x = axis(0);
  QVERIFY(!x.box->isChecked());
  QVERIFY(!holds(renderer, x.actor));
  const std::vector<vtkProp*> before = propsOf(renderer);

  x.box->click();
  QVERIFY(x.box->isChecked());
  std::vector<vtkProp*> expected = before;
  expected.push_back(x.actor);
  QCOMPARE(propsOf(renderer), expected);

  x.box->click();
  QVERIFY(!x.box->isChecked());
  QCOMPARE(propsOf(renderer), before);
}

void
SectionsTest::hiddenSectionShowsAtItsNewNumber()
{
  vtkRenderer* renderer = window->mainRenderer();
  const Axis z = axis(2);
  moveTo(z.bar, 58);
  z.box->click();
  QVERIFY(holds(renderer, z.actor));
  z.box->click();
  QVERIFY(!holds(renderer, z.actor));

  const std::array<double, 3> start = actorCentre(z.actor);
  const std::array<double, 3> normal = zColumn(z.transform);
  z.bar->setValue(90);
  QVERIFY(!holds(renderer, z.actor));

  z.box->click();
  QVERIFY(holds(renderer, z.actor));
  QCOMPARE(z.widget->GetSliceIndex(), 89);
  verifyImageIsSlice(2, 89);
  const double step = 32 * 0.02;
  COMPARE_POINTS(actorCentre(z.actor),
                 (std::array<double, 3>{ start[0] + step * normal[0],
                                         start[1] + step * normal[1],
                                         start[2] + step * normal[2] }),
                 1e-9);
  z.box->click();
  QVERIFY(!holds(renderer, z.actor));
}

void
SectionsTest::clippingCyclesThroughBothSides_data()
{
  QTest::addColumn<int>("axis");
  QTest::newRow("X") << 0;
  QTest::newRow("Y") << 1;
  QTest::newRow("Z") << 2;
}

void
SectionsTest::clippingCyclesThroughBothSides()
{
  QFETCH(int, axis);
  const Axis a = this->axis(axis);
  const std::vector<vtkAbstractMapper*> mappers = everyStructureMapper();
  QCOMPARE(a.clip->value(), 0);

  // Hidden structures are cut as well.
  window->mainRenderer()->RemoveActor(window->frontActors[2]);
  window->mainRenderer()->RemoveActor(window->backActors[2]);

  a.clip->setValue(1);
  for (vtkAbstractMapper* mapper : mappers) {
    QCOMPARE(clipPlaneCopies(mapper, a.plane), 1);
    QCOMPARE(mapper->GetNumberOfClippingPlanes(), 1);
  }
  COMPARE_POINTS(toArray(a.plane->GetOrigin()), actorCentre(a.actor), 1e-12);
  const std::array<double, 3> normal = zColumn(a.transform);
  COMPARE_POINTS(toArray(a.plane->GetNormal()), normal, 1e-12);
  verifyNoClippingOnSectionsOrHead();

  // Straight from one side to the other: no stale copy of the first attachment.
  a.clip->setValue(-1);
  for (vtkAbstractMapper* mapper : mappers) {
    QCOMPARE(clipPlaneCopies(mapper, a.plane), 1);
    QCOMPARE(mapper->GetNumberOfClippingPlanes(), 1);
  }
  COMPARE_POINTS(toArray(a.plane->GetNormal()),
                 (std::array<double, 3>{ -normal[0], -normal[1], -normal[2] }),
                 1e-12);
  COMPARE_POINTS(toArray(a.plane->GetOrigin()), actorCentre(a.actor), 1e-12);
  verifyNoClippingOnSectionsOrHead();

  a.clip->setValue(0);
  for (vtkAbstractMapper* mapper : mappers) {
    QCOMPARE(mapper->GetNumberOfClippingPlanes(), 0);
  }
  verifyNoClippingOnSectionsOrHead();

  window->mainRenderer()->AddActor(window->backActors[2]);
  window->mainRenderer()->AddActor(window->frontActors[2]);
}

void
SectionsTest::threeAxesCutAtOnce()
{
  const std::vector<vtkAbstractMapper*> mappers = everyStructureMapper();
  axis(0).clip->setValue(1);
  axis(1).clip->setValue(-1);
  axis(2).clip->setValue(1);
  for (vtkAbstractMapper* mapper : mappers) {
    QCOMPARE(mapper->GetNumberOfClippingPlanes(), 3);
    for (int a = 0; a < 3; ++a) {
      QCOMPARE(clipPlaneCopies(mapper, axis(a).plane), 1);
    }
  }
  verifyNoClippingOnSectionsOrHead();

  // Switching one off leaves the other two.
  axis(1).clip->setValue(0);
  for (vtkAbstractMapper* mapper : mappers) {
    QCOMPARE(mapper->GetNumberOfClippingPlanes(), 2);
    QCOMPARE(clipPlaneCopies(mapper, axis(1).plane), 0);
  }
  axis(0).clip->setValue(0);
  axis(2).clip->setValue(0);
  for (vtkAbstractMapper* mapper : mappers) {
    QCOMPARE(mapper->GetNumberOfClippingPlanes(), 0);
  }
}

void
SectionsTest::clipPlaneFollowsSectionOnlyWhileOn()
{
  const Axis z = axis(2);
  moveTo(z.bar, 58);
  z.clip->setValue(1);
  const std::array<double, 3> normal = toArray(z.plane->GetNormal());
  const std::array<double, 3> start = toArray(z.plane->GetOrigin());

  z.bar->setValue(70);
  const double step = 12 * 0.02;
  COMPARE_POINTS(toArray(z.plane->GetOrigin()),
                 (std::array<double, 3>{ start[0] + step * normal[0],
                                         start[1] + step * normal[1],
                                         start[2] + step * normal[2] }),
                 1e-9);
  COMPARE_POINTS(toArray(z.plane->GetOrigin()), actorCentre(z.actor), 1e-12);
  COMPARE_POINTS(toArray(z.plane->GetNormal()), normal, 0.0);

  // Through the spin box and on the other side as well.
  z.clip->setValue(-1);
  z.spin->setValue(40);
  COMPARE_POINTS(toArray(z.plane->GetOrigin()), actorCentre(z.actor), 1e-12);
  COMPARE_POINTS(toArray(z.plane->GetNormal()),
                 (std::array<double, 3>{ -normal[0], -normal[1], -normal[2] }),
                 1e-12);

  // Detached: the plane stays where it was left.
  z.clip->setValue(0);
  const std::array<double, 3> left = toArray(z.plane->GetOrigin());
  z.bar->setValue(100);
  z.spin->setValue(20);
  COMPARE_POINTS(toArray(z.plane->GetOrigin()), left, 0.0);
  QVERIFY(!near(actorCentre(z.actor), left, 1e-3));
}

void
SectionsTest::withoutVolumeSceneStaysUnchanged()
{
  QTemporaryDir emptyFolder;
  QVERIFY(emptyFolder.isValid());
  writeModelWithoutVolume(emptyFolder.path());
  std::unique_ptr<_CochlexUI> viewer;
  {
    fixture::WorkingDirectory workingDirectory(emptyFolder.path());
    viewer = std::make_unique<_CochlexUI>();
    viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(viewer.get()));
    viewer->loadTB();
  }
  QVERIFY(!viewer->hasSectionVolume());
  QCOMPARE(int(viewer->frontActors.size()), 9);

  const std::vector<vtkProp*> props = propsOf(viewer->mainRenderer());
  for (int a = 0; a < 3; ++a) {
    const Axis controls = axisOf(*viewer, a);
    vtkNew<vtkMatrix4x4> matrix;
    matrix->DeepCopy(controls.transform->GetMatrix());
    const std::array<double, 3> origin = toArray(controls.plane->GetOrigin());
    const std::array<double, 3> normal = toArray(controls.plane->GetNormal());
    const int sliceIndex = controls.widget->GetSliceIndex();

    controls.box->click();
    QVERIFY(controls.box->isChecked());
    const int number = controls.bar->value() + 5;
    controls.bar->setValue(number);
    QCOMPARE(controls.spin->value(), number);
    controls.spin->setValue(number + 5);
    QCOMPARE(controls.bar->value(), number + 5);
    controls.clip->setValue(1);
    controls.clip->setValue(-1);

    QCOMPARE(propsOf(viewer->mainRenderer()), props);
    QCOMPARE(controls.widget->GetSliceIndex(), sliceIndex);
    for (int row = 0; row < 4; ++row) {
      for (int column = 0; column < 4; ++column) {
        QCOMPARE(controls.transform->GetMatrix()->GetElement(row, column),
                 matrix->GetElement(row, column));
      }
    }
    COMPARE_POINTS(toArray(controls.plane->GetOrigin()), origin, 0.0);
    COMPARE_POINTS(toArray(controls.plane->GetNormal()), normal, 0.0);
    for (vtkActor* actor : viewer->frontActors) {
      QCOMPARE(actor->GetMapper()->GetNumberOfClippingPlanes(), 0);
    }
    controls.clip->setValue(0);
  }
}

int
main(int argc, char** argv)
{
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication application(argc, argv);
  SectionsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_sections.moc"
