// The caps of cut structures in the viewer: where they lie, what they follow, pointing at them,
// and the capped cuts of the sample model against tests/baselines at a fixed size.

#include "ViewerSession.h"
#include "tools/SampleModel.h"
#include "viewer/CochlexUI.h"
#include "viewer/CutFaces.h"
#include "viewer/StructurePicking.h"

#include <QAction>
#include <QCheckBox>
#include <QScrollBar>
#include <QSlider>

#include <vtkActor.h>
#include <vtkBoundingBox.h>
#include <vtkCamera.h>
#include <vtkCell.h>
#include <vtkImageActor.h>
#include <vtkImageData.h>
#include <vtkImageMapper3D.h>
#include <vtkLight.h>
#include <vtkLightCollection.h>
#include <vtkMapper.h>
#include <vtkNew.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>
#include <vtkPlaneSource.h>
#include <vtkPointData.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkPropCollection.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkUnsignedCharArray.h>
#include <vtkWindowToImageFilter.h>

#include <cmath>
#include <tuple>

namespace {

// A prop of the main view for another window: the same data, colours, clipping planes and
// placement, with mappers of its own (a mapper drawn in two OpenGL contexts would move its
// buffers back and forth).
vtkSmartPointer<vtkProp>
copyOf(vtkProp* prop)
{
  if (auto* image = vtkImageActor::SafeDownCast(prop)) {
    vtkNew<vtkImageActor> copy;
    copy->GetMapper()->SetInputData(image->GetInput());
    copy->SetUserTransform(image->GetUserTransform());
    copy->SetProperty(image->GetProperty());
    return copy;
  }
  auto* actor = vtkActor::SafeDownCast(prop);
  if (actor == nullptr) {
    return nullptr;
  }
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->ShallowCopy(actor->GetMapper());
  mapper->SetInputDataObject(actor->GetMapper()->GetInputDataObject(0, 0));
  vtkNew<vtkActor> copy;
  copy->ShallowCopy(actor);
  copy->SetMapper(mapper);
  return copy;
}

// The main renderer's props and lights drawn in a window of its own at 640 x 480, so that
// neither the screen nor the layout can change the picture, seen along direction: from the side
// cut away, where the caps face.
QImage
renderAtFixedSize(_CochlexUI& window, const std::array<double, 3>& direction)
{
  window.mainRenderWindow()->Render(); // brings the caps up to date
  vtkNew<vtkRenderer> renderer;
  vtkPropCollection* props = window.mainRenderer()->GetViewProps();
  for (int index = 0; index < props->GetNumberOfItems(); ++index) {
    if (vtkSmartPointer<vtkProp> copy =
          copyOf(vtkProp::SafeDownCast(props->GetItemAsObject(index)))) {
      renderer->AddViewProp(copy);
    }
  }
  vtkLightCollection* lights = window.mainRenderer()->GetLights();
  for (int index = 0; index < lights->GetNumberOfItems(); ++index) {
    renderer->AddLight(vtkLight::SafeDownCast(lights->GetItemAsObject(index)));
  }
  vtkCamera* camera = renderer->GetActiveCamera();
  camera->SetFocalPoint(0, 0, 0);
  camera->SetPosition(-direction[0], -direction[1], -direction[2]);
  camera->SetViewUp(std::abs(direction[2]) < 0.9 ? 0 : 1, 0, std::abs(direction[2]) < 0.9 ? 1 : 0);
  // Framed on the structures: the section images reach far beyond them.
  vtkBoundingBox structures;
  for (vtkActor* actor : window.frontActors) {
    structures.AddBounds(actor->GetBounds());
  }
  double bounds[6];
  structures.GetBounds(bounds);
  renderer->ResetCamera(bounds);
  vtkNew<vtkRenderWindow> offscreen;
  offscreen->SetOffScreenRendering(1);
  offscreen->SetMultiSamples(0);
  offscreen->SetSize(640, 480);
  offscreen->AddRenderer(renderer);
  vtkNew<vtkWindowToImageFilter> capture;
  offscreen->Render();
  capture->SetInput(offscreen);
  capture->ReadFrontBufferOff();
  capture->Update();
  vtkImageData* pixels = capture->GetOutput();
  auto* data = vtkUnsignedCharArray::SafeDownCast(pixels->GetPointData()->GetScalars());
  QImage image(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const unsigned char* rgb = data->GetPointer(((479 - y) * 640 + x) * 3);
      image.setPixel(x, y, qRgb(rgb[0], rgb[1], rgb[2]));
    }
  }
  return image;
}

} // namespace

class CutFacesTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  std::vector<std::pair<vtkActor*, int>> caps() const { return window->cutFaces->shownCaps(); }
  QSlider* clip(int axis) const
  {
    return std::array{ window->clipX, window->clipY, window->clipZ }[axis];
  }

  // The caps of plane lie in it, are cut by exactly the other given planes and are as opaque as
  // their structures; there is at least one.
  void verifyCapsIn(vtkPlane* plane, const std::vector<vtkPlane*>& others)
  {
    int inPlane = 0;
    for (const auto& [actor, index] : caps()) {
      auto* cap = vtkPolyData::SafeDownCast(actor->GetMapper()->GetInputDataObject(0, 0));
      if (std::abs(plane->EvaluateFunction(cap->GetPoint(0))) > 1e-6) {
        continue; // the cap of another plane
      }
      ++inPlane;
      for (vtkIdType point = 0; point < cap->GetNumberOfPoints(); ++point) {
        QVERIFY(std::abs(plane->EvaluateFunction(cap->GetPoint(point))) < 1e-6);
      }
      QCOMPARE(actor->GetMapper()->GetNumberOfClippingPlanes(), int(others.size()));
      for (vtkPlane* other : others) {
        QVERIFY(actor->GetMapper()->GetClippingPlanes()->IsItemPresent(other));
      }
      QCOMPARE(actor->GetProperty()->GetOpacity(),
               window->frontActors[std::size_t(index)]->GetProperty()->GetOpacity());
    }
    QVERIFY(inPlane > 0);
  }

private slots:
  void initTestCase()
  {
    session = std::make_unique<ViewerSession>();
    const QString model = session->folder() + "/model";
    QString error;
    QVERIFY2(writeSampleModel(model, &error), qPrintable(error));
    const fixture::WorkingDirectory inModel(model);
    window = &session->open(1144, 800);
    session->load();
  }
  void cleanupTestCase() { session.reset(); }

  void capsFollowCutsAndStructures()
  {
    // Cut so that the caps face the camera.
    clip(0)->setValue(1);
    if (window->clipPlaneX->EvaluateFunction(window->mainCamera()->GetPosition()) > 0) {
      clip(0)->setValue(-1);
    }
    verifyCapsIn(window->clipPlaneX, {});
    // Pointing at a point of the most opaque cap names its structure.
    auto [actor, index] = caps().front();
    for (const auto& cap : caps()) {
      if (cap.first->GetProperty()->GetOpacity() > actor->GetProperty()->GetOpacity()) {
        std::tie(actor, index) = cap;
      }
    }
    auto* geometry = vtkPolyData::SafeDownCast(actor->GetMapper()->GetInputDataObject(0, 0));
    std::array<double, 3> inside{};
    for (vtkIdType corner = 0; corner < 3; ++corner) {
      const double* point = geometry->GetPoint(geometry->GetCell(0)->GetPointId(corner));
      for (int axis = 0; axis < 3; ++axis) {
        inside[std::size_t(axis)] += point[axis] / 3;
      }
    }
    QCOMPARE(window->structurePicker->structureAtViewPoint(viewPointOf(*window, inside)), index);
    // What the caps rely on: a stand-in in front of the model is picked as its structure.
    vtkCamera* camera = window->mainCamera();
    const double* towards = camera->GetDirectionOfProjection();
    const double* range = camera->GetClippingRange();
    const double near = range[0] + (range[1] - range[0]) / 100; // just behind the near plane
    const std::array<double, 3> front{ camera->GetPosition()[0] + towards[0] * near,
                                       camera->GetPosition()[1] + towards[1] * near,
                                       camera->GetPosition()[2] + towards[2] * near };
    vtkNew<vtkPlaneSource> quad;
    quad->SetCenter(front[0], front[1], front[2]);
    quad->SetNormal(towards[0], towards[1], towards[2]);
    vtkNew<vtkPolyDataMapper> quadMapper;
    quadMapper->SetInputConnection(quad->GetOutputPort());
    vtkNew<vtkActor> standIn;
    standIn->SetMapper(quadMapper);
    window->mainRenderer()->AddActor(standIn);
    window->structurePicker->setStandIns([&standIn] {
      return std::vector<std::pair<vtkActor*, int>>{ { standIn, 2 } };
    });
    QCOMPARE(window->structurePicker->structureAtViewPoint(viewPointOf(*window, front)), 2);
    window->mainRenderer()->RemoveActor(standIn);
    window->structurePicker->setStandIns([this] { return window->cutFaces->shownCaps(); });

    // Cut by the other planes, kept in the moving plane, as opaque as their structures.
    clip(1)->setValue(-1);
    verifyCapsIn(window->clipPlaneX, { window->clipPlaneY });
    window->sectionNumberX->setValue(window->sectionNumberX->value() + 20);
    window->structureSliders[std::size_t(index)]->setValue(6);
    verifyCapsIn(window->clipPlaneX, { window->clipPlaneY });
    // A hidden structure has no caps; the switch takes them all away and back.
    window->structureCheckBoxes[std::size_t(index)]->click();
    for (const auto& cap : caps()) {
      QVERIFY(cap.second != index);
    }
    window->structureCheckBoxes[std::size_t(index)]->click();
    window->structureSliders[std::size_t(index)]->setValue(0);
    auto* solid = window->findChild<QAction*>("actionSolid_Cut_Faces");
    solid->setChecked(false);
    QVERIFY(caps().empty());
    solid->setChecked(true);
    QVERIFY(!caps().empty());
    clip(0)->setValue(0);
    clip(1)->setValue(0);
    QVERIFY(caps().empty());
  }

  void cappedCutsMatchBaselines_data()
  {
    QTest::addColumn<QVector<int>>("sides");
    QTest::newRow("section_x_capped") << QVector<int>{ 1, 0, 0 };
    QTest::newRow("section_y_capped") << QVector<int>{ 0, 1, 0 };
    QTest::newRow("section_z_capped") << QVector<int>{ 0, 0, -1 };
    QTest::newRow("sections_all_capped") << QVector<int>{ -1, 1, -1 };
  }
  // A differing picture is saved with its difference in cut_faces_rendering/ under
  // COCHLEX_BINARY_DIR: after an intended change, look at it and copy it over the reference.
  void cappedCutsMatchBaselines()
  {
    QFETCH(QVector<int>, sides);
    QCheckBox* const boxes[] = { window->showXPlane, window->showYPlane, window->showZPlane };
    for (int axis = 0; axis < 3; ++axis) {
      if (boxes[axis]->isChecked() != (sides[axis] != 0)) {
        boxes[axis]->click();
      }
      clip(axis)->setValue(sides[axis]);
    }
    std::array<double, 3> direction{};
    vtkPlane* const planes[] = { window->clipPlaneX, window->clipPlaneY, window->clipPlaneZ };
    for (int axis = 0; axis < 3; ++axis) {
      for (int component = 0; sides[axis] != 0 && component < 3; ++component) {
        direction[std::size_t(component)] += planes[axis]->GetNormal()[component];
      }
    }
    const QImage actual = renderAtFixedSize(*window, direction);
    const QString name = QTest::currentDataTag();
    const QImage expected(qEnvironmentVariable("COCHLEX_SOURCE_DIR", COCHLEX_SOURCE_DIR_DEFAULT) +
                          "/tests/baselines/" + name + ".png");
    QImage difference(actual.size(), QImage::Format_RGB32);
    double mean = 0;
    double different = 0;
    const double pixels = 640.0 * 480.0;
    for (int y = 0; y < 480 && expected.size() == actual.size(); ++y) {
      for (int x = 0; x < 640; ++x) {
        const QRgb a = actual.pixel(x, y);
        const QRgb e = expected.pixel(x, y);
        const int channels[3] = { std::abs(qRed(a) - qRed(e)),
                                  std::abs(qGreen(a) - qGreen(e)),
                                  std::abs(qBlue(a) - qBlue(e)) };
        difference.setPixel(x, y, qRgb(channels[0], channels[1], channels[2]));
        mean += (channels[0] + channels[1] + channels[2]) / (3 * pixels);
        different += std::max({ channels[0], channels[1], channels[2] }) > 24 ? 1 / pixels : 0;
      }
    }
    // Room for rasteriser rounding, not for a missing or misplaced cap.
    const bool matches = expected.size() == actual.size() && different <= 0.001 && mean <= 0.3;
    const QString saved =
      qEnvironmentVariable("COCHLEX_BINARY_DIR", QCoreApplication::applicationDirPath()) +
      "/cut_faces_rendering/";
    if (!matches && QDir().mkpath(saved)) {
      actual.save(saved + name + "_actual.png");
      difference.save(saved + name + "_difference.png");
    }
    QVERIFY2(matches,
             qPrintable(QString("%1 of the pixels differ, mean %2").arg(different).arg(mean)));
  }
};

COCHLEX_VIEWER_TEST_MAIN(CutFacesTest)
#include "test_cut_faces.moc"
