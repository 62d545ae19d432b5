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
#include <vtkImageActor.h>
#include <vtkImageMapper3D.h>
#include <vtkLightCollection.h>
#include <vtkMapper.h>
#include <vtkNew.h>
#include <vtkPlane.h>
#include <vtkPlaneCollection.h>
#include <vtkPlaneSource.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkPropCollection.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkWindowToImageFilter.h>

#include <algorithm>
#include <cmath>

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
  renderer->SetLightCollection(window.mainRenderer()->GetLights());
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
  auto* rgb = static_cast<uchar*>(capture->GetOutput()->GetScalarPointer());
  // VTK's rows run from the bottom up.
  const QImage image = QImage(rgb, 640, 480, 640 * 3, QImage::Format_RGB888).mirrored();
  return image.convertToFormat(QImage::Format_RGB32);
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
    // A cap is picked as its structure: a stand-in in front of the model is.
    vtkCamera* camera = window->mainCamera();
    const double* range = camera->GetClippingRange();
    vtkNew<vtkPlaneSource> quad; // just behind the near plane, facing the camera
    quad->SetCenter(camera->GetPosition());
    quad->SetNormal(camera->GetDirectionOfProjection());
    quad->Push(range[0] + (range[1] - range[0]) / 100);
    quad->Update();
    vtkNew<vtkPolyDataMapper> quadMapper;
    quadMapper->SetInputConnection(quad->GetOutputPort());
    vtkNew<vtkActor> standIn;
    standIn->SetMapper(quadMapper);
    window->mainRenderer()->AddActor(standIn);
    window->structurePicker->setStandIns([&standIn] {
      return std::vector<std::pair<vtkActor*, int>>{ { standIn, 2 } };
    });
    const double* centre = quad->GetCenter();
    QCOMPARE(window->structurePicker->structureAtViewPoint(
               viewPointOf(*window, { centre[0], centre[1], centre[2] })),
             2);
    window->mainRenderer()->RemoveActor(standIn);
    window->structurePicker->setStandIns([this] { return window->cutFaces->shownCaps(); });
    const int index = caps().front().second;

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
    vtkPlane* const planes[] = { window->clipPlaneX, window->clipPlaneY, window->clipPlaneZ };
    std::array<double, 3> direction{};
    for (int axis = 0; axis < 3; ++axis) {
      if (boxes[axis]->isChecked() != (sides[axis] != 0)) {
        boxes[axis]->click();
      }
      clip(axis)->setValue(sides[axis]);
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
    for (int pixel = 0; pixel < 640 * 480 && expected.size() == actual.size(); ++pixel) {
      const QRgb a = actual.pixel(pixel % 640, pixel / 640);
      const QRgb e = expected.pixel(pixel % 640, pixel / 640);
      const int channels[3] = { std::abs(qRed(a) - qRed(e)),
                                std::abs(qGreen(a) - qGreen(e)),
                                std::abs(qBlue(a) - qBlue(e)) };
      difference.setPixel(pixel % 640, pixel / 640, qRgb(channels[0], channels[1], channels[2]));
      mean += (channels[0] + channels[1] + channels[2]) / (3 * 640.0 * 480.0);
      different += std::max({ channels[0], channels[1], channels[2] }) > 24 ? 1 : 0;
    }
    // Room for rasteriser rounding, not for a missing or misplaced cap.
    const bool matches = expected.size() == actual.size() && different <= 300 && mean <= 0.3;
    const QString saved =
      qEnvironmentVariable("COCHLEX_BINARY_DIR", QCoreApplication::applicationDirPath()) +
      "/cut_faces_rendering/";
    if (!matches && QDir().mkpath(saved)) {
      actual.save(saved + name + "_actual.png");
      difference.save(saved + name + "_difference.png");
    }
    QVERIFY2(matches, qPrintable(QString("%1 pixels differ, mean %2").arg(different).arg(mean)));
  }
};

COCHLEX_VIEWER_TEST_MAIN(CutFacesTest)
#include "test_cut_faces.moc"
