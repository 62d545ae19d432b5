// Arithmetic behind the camera bars and the coupling of the two views.

#include "viewer/CameraMath.h"

#include <QTest>

#include <vtkCamera.h>
#include <vtkMath.h>
#include <vtkNew.h>

#include <cmath>

#define COMPARE_NEAR(actual, expected, tolerance)                                                  \
  QVERIFY2(std::abs((actual) - (expected)) <= (tolerance),                                         \
           qPrintable(QString::number(actual, 'g', 17) + " != " + QString::number(expected)))

class CameraMathTest : public QObject
{
  Q_OBJECT

private slots:
  void elevationSplitsOnlyBeyondNinety()
  {
    for (int delta = -178; delta <= 178; ++delta) {
      const ElevationSteps steps = splitElevation(delta);
      QCOMPARE(steps.count, std::abs(delta) > 90 ? 2 : 1);
      // 90 degrees towards the turn, then the rest.
      QVERIFY(steps.count == 1 || steps.angles[0] == (delta > 0 ? 90 : -90));
      QCOMPARE(steps.angles[0] + steps.angles[1], double(delta));
    }

    // The full sweep from -89 to 89 carries the camera 178 degrees over the top.
    vtkNew<vtkCamera> camera;
    camera->SetFocalPoint(1, 2, 3);
    camera->SetPosition(1, 2, 13);
    camera->SetViewUp(0, 1, 0);
    const ElevationSteps steps = splitElevation(178);
    for (int i = 0; i < steps.count; ++i) {
      camera->Elevation(steps.angles[i]);
      camera->OrthogonalizeViewUp();
    }
    const double turn = vtkMath::RadiansFromDegrees(178.0);
    const double position[3] = { 1, 2 + 10 * std::sin(turn), 3 + 10 * std::cos(turn) };
    const double up[3] = { 0, std::cos(turn), -std::sin(turn) };
    for (int i = 0; i < 3; ++i) {
      COMPARE_NEAR(camera->GetPosition()[i], position[i], 1e-9);
      COMPARE_NEAR(camera->GetViewUp()[i], up[i], 1e-9);
    }
  }

  void zoomStepsMultiplyBackToOne()
  {
    // One bar step is half a power of 1.1.
    COMPARE_NEAR(zoomFactor(1.01, 1.0), std::sqrt(1.1), 1e-12);
    COMPARE_NEAR(zoomFactor(2.0, 1.0), std::pow(1.1, 50), 1e-9);
    const double outAndBack =
      zoomFactor(1.37, 1.0) * zoomFactor(0.52, 1.37) * zoomFactor(1.0, 0.52);
    COMPARE_NEAR(outAndBack, 1.0, 1e-12);
  }

  void followRotateCarriesWholeTargetPixels()
  {
    const int main[2] = { 600, 400 };
    const int head[2] = { 300, 200 };
    const int empty[2] = { 0, 0 };
    struct Case
    {
      int dx, dy;
      const int* source;
      const int* target;
      double azimuth, elevation;
    };
    const Case cases[] = {
      { 30, 0, main, head, -10, 0 }, // the same angle in both views
      { 0, -40, main, head, 0, 20 },
      { 7, 3, head, main, -20.0 / 300 * 7 * 10, -20.0 / 200 * 3 * 10 },
      { 1, 1, main, head, 0, 0 },                                         // below one target pixel
      { -3, 3, main, head, -20.0 / 300 * -1 * 10, -20.0 / 200 * 1 * 10 }, // cut towards zero
      { 30, 30, main, empty, 0, 0 }, // an empty window would give NaN angles
      { 30, 30, empty, main, 0, 0 },
    };
    for (const Case& c : cases) {
      const FollowTurn turn = followRotateAngles(c.dx, c.dy, c.source, c.target);
      COMPARE_NEAR(turn.azimuth, c.azimuth, 1e-12);
      COMPARE_NEAR(turn.elevation, c.elevation, 1e-12);
    }
  }

  void spinAngleUsesTheSinglePrecisionFactor()
  {
    const double center[2] = { 300, 200 };
    const int right[2] = { 400, 200 };
    const int above[2] = { 300, 300 };
    const int left[2] = { 200, 200 };
    COMPARE_NEAR(spinAngle(right, above, center), -90.0, 1e-4);
    COMPARE_NEAR(spinAngle(left, above, center), 90.0, 1e-4);
    QCOMPARE(spinAngle(right, right, center), 0.0);
    QCOMPARE(spinAngle(above, right, center), vtkMath::Pi() / 2 * 57.295780181884766);
  }
};

QTEST_APPLESS_MAIN(CameraMathTest)
#include "test_camera_math.moc"
