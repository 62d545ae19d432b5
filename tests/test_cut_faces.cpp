// The caps of cut structures in the viewer: where they lie, what they follow, pointing at them.
// Their pictures are compared with tests/baselines in test_images.cpp.

#include "GuiTest.h"
#include "viewer/CutFaces.h"

#include <vtkNew.h>
#include <vtkPlaneCollection.h>
#include <vtkPlaneSource.h>

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
};

COCHLEX_VIEWER_TEST_MAIN(CutFacesTest)
#include "test_cut_faces.moc"
