// Arithmetic behind the camera bars and the coupling of the two views.

#include "viewer/CameraMath.h"

#include <QTest>

#include <vtkCamera.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkTransform.h>

#include <cmath>

class CameraMathTest : public QObject
{
  Q_OBJECT

private slots:
  void elevationUpToNinetyIsOneStep();
  void elevationBeyondNinetySplitsOnce();
  void splitTurnKeepsTheWholeAngleAboutOneAxis();
  void zoomStepsMultiplyBackToOne();
  void followRotateTurnsTargetBySourceAngle();
  void followRotateTruncatesToWholeTargetPixels();
  void followRotateWithEmptyWindowTurnsNothing();
  void spinAngleMeasuresAboutTheCentre();
  void panMotionMovesCameraAgainstTheContent();
};

void
CameraMathTest::elevationUpToNinetyIsOneStep()
{
  for (int delta : { 0, 1, -1, 89, -89, 90, -90 }) {
    const ElevationSteps steps = splitElevation(delta);
    QCOMPARE(steps.count, 1);
    QCOMPARE(steps.angles[0], static_cast<double>(delta));
  }
}

void
CameraMathTest::elevationBeyondNinetySplitsOnce()
{
  struct Case
  {
    int delta;
    double first;
    double rest;
  };
  for (const Case& c : { Case{ 91, 90, 1 },
                         Case{ -91, -90, -1 },
                         Case{ 178, 90, 88 },
                         Case{ -178, -90, -88 },
                         Case{ 135, 90, 45 } }) {
    const ElevationSteps steps = splitElevation(c.delta);
    QCOMPARE(steps.count, 2);
    QCOMPARE(steps.angles[0], c.first);
    QCOMPARE(steps.angles[1], c.rest);
  }
}

void
CameraMathTest::splitTurnKeepsTheWholeAngleAboutOneAxis()
{
  // A full bar sweep from -89 to 89 must carry the camera 178 degrees over the top about its
  // right-hand axis through the focal point.
  vtkNew<vtkCamera> camera;
  camera->SetFocalPoint(1, 2, 3);
  camera->SetPosition(1, 2, 13);
  camera->SetViewUp(0, 1, 0);

  const ElevationSteps steps = splitElevation(178);
  for (int i = 0; i < steps.count; ++i) {
    camera->Elevation(steps.angles[i]);
    camera->OrthogonalizeViewUp();
  }

  vtkNew<vtkTransform> expected;
  expected->Translate(1, 2, 3);
  expected->RotateWXYZ(-178, 1, 0, 0); // elevation lifts the camera towards the view-up
  expected->Translate(-1, -2, -3);
  double position[3] = { 1, 2, 13 };
  expected->TransformPoint(position, position);
  double up[3] = { 0, 1, 0 };
  expected->TransformVector(up, up);

  for (int i = 0; i < 3; ++i) {
    QVERIFY2(std::abs(camera->GetPosition()[i] - position[i]) < 1e-9,
             qPrintable(QString::number(i)));
    QVERIFY(std::abs(camera->GetViewUp()[i] - up[i]) < 1e-9);
  }
}

void
CameraMathTest::zoomStepsMultiplyBackToOne()
{
  QCOMPARE(zoomFactor(1.0, 1.0), 1.0);
  QVERIFY(std::abs(zoomFactor(2.0, 1.0) - std::pow(1.1, 50)) < 1e-9);
  QVERIFY(std::abs(zoomFactor(0.0, 1.0) * std::pow(1.1, 50) - 1.0) < 1e-12);
  // One bar step is half a power of 1.1.
  QVERIFY(std::abs(zoomFactor(1.01, 1.0) - std::sqrt(1.1)) < 1e-12);
  // Out and back by uneven steps.
  const double there = zoomFactor(1.37, 1.0) * zoomFactor(0.52, 1.37) * zoomFactor(1.0, 0.52);
  QVERIFY(std::abs(there - 1.0) < 1e-12);
}

void
CameraMathTest::followRotateTurnsTargetBySourceAngle()
{
  // 600 px main view, 300 px head view: 30 px are -10 degrees in both.
  const int mainSize[2] = { 600, 400 };
  const int headSize[2] = { 300, 200 };
  const double sourceAzimuth = -20.0 / 600 * 30 * motionFactor;
  QCOMPARE(sourceAzimuth, -10.0);

  FollowTurn turn = followRotateAngles(30, 0, mainSize, headSize);
  QVERIFY(std::abs(turn.azimuth - -10.0) < 1e-12);
  QCOMPARE(turn.elevation, 0.0);

  turn = followRotateAngles(0, -40, mainSize, headSize);
  QCOMPARE(turn.azimuth, 0.0);
  QVERIFY(std::abs(turn.elevation - 20.0) < 1e-12);

  // The other way round the motion doubles in pixels and the angle stays.
  turn = followRotateAngles(7, 3, headSize, mainSize);
  QVERIFY(std::abs(turn.azimuth - -20.0 / 300 * 7 * motionFactor) < 1e-12);
  QVERIFY(std::abs(turn.elevation - -20.0 / 200 * 3 * motionFactor) < 1e-12);
}

void
CameraMathTest::followRotateTruncatesToWholeTargetPixels()
{
  const int mainSize[2] = { 600, 400 };
  const int headSize[2] = { 300, 200 };

  FollowTurn turn = followRotateAngles(1, 1, mainSize, headSize);
  QCOMPARE(turn.azimuth, 0.0);
  QCOMPARE(turn.elevation, 0.0);

  // Towards zero for both signs: -3 px become -1.5 and then -1 head pixel, not -2.
  turn = followRotateAngles(-3, 3, mainSize, headSize);
  QVERIFY(std::abs(turn.azimuth - -20.0 / 300 * -1 * motionFactor) < 1e-12);
  QVERIFY(std::abs(turn.elevation - -20.0 / 200 * 1 * motionFactor) < 1e-12);
}

void
CameraMathTest::followRotateWithEmptyWindowTurnsNothing()
{
  const int mainSize[2] = { 600, 400 };
  const int emptySize[2] = { 0, 0 };
  for (const FollowTurn& turn : { followRotateAngles(30, 30, mainSize, emptySize),
                                  followRotateAngles(30, 30, emptySize, mainSize) }) {
    QCOMPARE(turn.azimuth, 0.0);
    QCOMPARE(turn.elevation, 0.0);
  }
}

void
CameraMathTest::spinAngleMeasuresAboutTheCentre()
{
  const double center[2] = { 300, 200 };
  const int right[2] = { 400, 200 };
  const int above[2] = { 300, 300 };
  const int left[2] = { 200, 200 };

  QVERIFY(std::abs(spinAngle(above, right, center) - 90.0) < 1e-4);
  QVERIFY(std::abs(spinAngle(right, above, center) - -90.0) < 1e-4);
  QVERIFY(std::abs(spinAngle(left, above, center) - 90.0) < 1e-4);
  QCOMPARE(spinAngle(right, right, center), 0.0);

  // The factor is the single-precision 180/pi, a little above the double one.
  const double exact = vtkMath::DegreesFromRadians(vtkMath::Pi() / 2);
  QVERIFY(spinAngle(above, right, center) > exact);
  QCOMPARE(spinAngle(above, right, center), vtkMath::Pi() / 2 * 57.295780181884766);
}

void
CameraMathTest::panMotionMovesCameraAgainstTheContent()
{
  const double oldPoint[3] = { 1, 2, 3 };
  const double newPoint[3] = { 1.5, 1, 3 };
  const std::array<double, 3> motion = panMotion(oldPoint, newPoint);
  QCOMPARE(motion[0], -0.5);
  QCOMPARE(motion[1], 1.0);
  QCOMPARE(motion[2], 0.0);
}

QTEST_APPLESS_MAIN(CameraMathTest)
#include "test_camera_math.moc"
