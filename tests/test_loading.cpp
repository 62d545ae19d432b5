// Loading the teaching model into the Viewer window: console lines, actors, controls, section
// objects, and every kind of bad input the load must survive.

#include "GuiTest.h"

#include <vtkVector.h>

#include <sstream>

#include <sys/stat.h>

namespace {

vtkIdType
pointCount(vtkActor* actor)
{
  return vtkPolyDataMapper::SafeDownCast(actor->GetMapper())->GetInput()->GetNumberOfPoints();
}

} // namespace

class LoadingTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  std::unique_ptr<fixture::WorkingDirectory> inFolder;
  QString folder; // the working directory the model is read from
  QString base;   // the same as printed
  _CochlexUI* window = nullptr;

  QString load(const std::vector<fixture::Structure>& structures, bool withVolume = true)
  {
    fixture::writeModel(folder, structures, withVolume);
    return QString::fromStdString(session->load());
  }

private slots:
  void init()
  {
    // A working directory far longer than any fixed buffer.
    session = std::make_unique<ViewerSession>();
    folder = session->folder();
    for (int level = 0; level < 6; ++level) {
      folder += "/" + QString(120, QChar('a' + level));
    }
    QVERIFY(QDir().mkpath(folder));
    inFolder = std::make_unique<fixture::WorkingDirectory>(folder);
    base = QDir(folder).canonicalPath();
    window = &session->open();
  }
  void cleanup()
  {
    inFolder.reset();
    session.reset();
  }

  void fullLoad()
  {
    const QString output = load(fixture::standardStructures());
    QVERIFY2(output.startsWith("current working directory: " + base + "\n") &&
               !output.contains("Cannot") && !output.contains("Error"),
             qPrintable(output));
    QVERIFY(!window->headDock->isHidden() && !window->sectionsTab->isHidden() &&
            !window->toolBox->isHidden() && window->progressBar->isHidden());
    QVERIFY(pointCount(window->headRenderer()->GetActors()->GetLastActor()) > 0);

    // Section objects ready but hidden; the keys switch the plane widgets on and off.
    vtkImagePlaneWidget* const widgets[] = { window->planeWidgetX,
                                             window->planeWidgetY,
                                             window->planeWidgetZ };
    for (vtkImageActor* actor :
         { window->sectionActorX, window->sectionActorY, window->sectionActorZ }) {
      QVERIFY(!window->mainRenderer()->HasViewProp(actor) && actor->GetUserTransform());
    }
    window->qvtkWidget->setFocus();
    const char* presses[][2] = { { "x", "100" }, { "z", "101" }, { "x", "001" }, { "z", "000" } };
    for (const auto& [key, enabled] : presses) {
      QTest::keyClicks(window->qvtkWidget, key);
      for (int axis = 0; axis < 3; ++axis) {
        QCOMPARE(widgets[axis]->GetEnabled(), enabled[axis] - '0');
      }
    }

    // The load sets "Frontal View": both views from the front (looking posterior along the
    // model's y), superior up, from wherever they were turned.
    for (vtkCamera* camera : { window->mainCamera(), window->headCamera() }) {
      camera->Azimuth(35);
      camera->Elevation(20);
      camera->OrthogonalizeViewUp();
    }
    window->reset();
    for (vtkCamera* camera : { window->mainCamera(), window->headCamera() }) {
      vtkVector3d direction;
      camera->GetDirectionOfProjection(direction.GetData());
      const vtkVector3d viewUp = vtkVector3d(camera->GetViewUp()).Normalized();
      QVERIFY((direction - vtkVector3d(0, 1, 0)).Norm() < 1e-6);
      QVERIFY((viewUp - vtkVector3d(0, 0, 1)).Norm() < 1e-6);
    }

    // The load action does nothing once the model is loaded.
    const int props = window->mainRenderer()->GetViewProps()->GetNumberOfItems();
    QCOMPARE(captureOutput([this] { window->actionLoad_Teaching_Model->trigger(); }), "");
    QCOMPARE(window->mainRenderer()->GetViewProps()->GetNumberOfItems(), props);
  }

  void missingList()
  {
    // No list, a folder in its place, or a pipe nobody writes to (which must not block).
    const QString expected = "current working directory: " + base + "\nCannot open file: " + base +
                             "/Joint_transformed.txt\n";
    QCOMPARE(QString::fromStdString(session->load()), expected);
    QVERIFY(QDir(folder).mkdir("Joint_transformed.txt"));
    QCOMPARE(QString::fromStdString(session->load()), expected);
    QVERIFY(QDir(folder).rmdir("Joint_transformed.txt"));
    QCOMPARE(mkfifo(QFile::encodeName(folder + "/Joint_transformed.txt").constData(), 0600), 0);
    QCOMPARE(QString::fromStdString(session->load()), expected);
    QVERIFY(window->headDock->isHidden() && window->sectionsTab->isHidden() &&
            window->toolBox->isHidden() && window->progressBar->isHidden());
    QVERIFY(window->frontActors.empty() && !window->hasSectionVolume());
    QCOMPARE(window->headRenderer()->GetViewProps()->GetNumberOfItems(), 0);
    // With no structures loaded the structure handlers leave the scene alone.
    window->horizontalSlider_1->setValue(3);
    window->show_1->click();
    window->showAll();
    window->hideAll();
    QCOMPARE(window->mainRenderer()->GetActors()->GetNumberOfItems(), 0);
  }

  // A working folder removed under the viewer cannot be named: one line says so, and nothing
  // is looked for elsewhere (the file-system root would stand in for the missing folder).
  void unknownWorkingFolder()
  {
    const QString doomed = folder + "/removed";
    QVERIFY(QDir().mkpath(doomed));
    fixture::WorkingDirectory inDoomed(doomed);
    QVERIFY(QDir().rmdir(doomed));
    const QString output = QString::fromStdString(session->load());
    QVERIFY2(output.startsWith("Cannot determine the current working directory (") &&
               output.endsWith("); no teaching model is loaded.\n") && output.count('\n') == 1,
             qPrintable(output));
    QVERIFY(window->frontActors.empty() && window->progressBar->isHidden());
  }

  void actorsAndControlsFollowTheList()
  {
    std::vector<fixture::Structure> structures = fixture::standardStructures();
    structures[0].opacity = 0;
    structures[0].colorText = "1 0 0\n";
    structures[1].colorText = "1 1 0 trailing text\n";
    structures[2].opacity = 0.35;
    structures[2].colorText.clear(); // no colour file
    structures[4].opacity = 0;
    // A list line far longer than any fixed buffer; eleven entries, of which nine are loaded.
    structures[5].relativePath = QString("/" + QString(200, 'p')).repeated(5) + "/stapes.vtk";
    structures.push_back(structures[7]);
    structures.push_back(structures[8]);
    // A volume one byte short.
    fixture::writeVolume(
      folder, [](int, int, int) { return std::uint8_t(200); }, fixture::volumeByteCount - 1);
    const QString output = load(structures, false);
    QVERIFY(output.contains(base + structures[5].relativePath + "\n"));
    QVERIFY(output.contains("numread: 47483039\n"));
    QVERIFY2(!output.contains("Cannot load surface") &&
               output.contains("only the first 9 are loaded"),
             qPrintable(output));

    // Back actor before front actor, sharing mapper, opacity and colour, culling opposite faces;
    // structures with opacity 0 left out of the scene.
    auto looks = [](vtkActor* actor) {
      vtkProperty* p = actor->GetProperty();
      std::ostringstream text;
      text << p->GetOpacity() << " " << p->GetColor()[0] << " " << p->GetColor()[1] << " "
           << p->GetColor()[2];
      return text.str();
    };
    std::vector<vtkActor*> expected;
    for (int index = 0; index < 9; ++index) {
      vtkActor* front = window->frontActors[index];
      vtkActor* back = window->backActors[index];
      if (structures[index].opacity > 0) {
        expected.insert(expected.end(), { back, front });
      }
      QVERIFY(pointCount(front) > 0 && front->GetMapper() == back->GetMapper());
      QCOMPARE(looks(front), looks(back));
      vtkProperty* const faces[] = { front->GetProperty(), back->GetProperty() };
      QVERIFY(faces[0]->GetBackfaceCulling() && !faces[0]->GetFrontfaceCulling());
      QVERIFY(faces[1]->GetFrontfaceCulling() && !faces[1]->GetBackfaceCulling());
    }
    QVERIFY(rendererActors(window->mainRenderer()) == expected);
    // Check box, slider and spin box, then opacity and colour. 0.35: the slider gets 6, the spin
    // box rounds 0.65 to 0.7 and pulls the slider to 7; both actors end at 1 - 0.7.
    const char* rows[] = { "0 10 1: 0 1 0 0", "1 0 0: 1 1 1 0", "1 7 0.7: 0.3 0.7 0.7 0.7" };
    for (int index = 0; index < 3; ++index) {
      std::ostringstream controls;
      controls << window->structureCheckBoxes[index]->isChecked() << " "
               << window->structureSliders[index]->value() << " "
               << window->structureSpinBoxes[index]->value() << ": ";
      QCOMPARE(controls.str() + looks(window->frontActors[index]), std::string(rows[index]));
    }
  }

  void damagedFilesAndMalformedList()
  {
    // Structure 2's surface crashes VTK's own reader, 3's is missing and the list breaks off at
    // entry 4; everything else loads.
    std::vector<fixture::Structure> structures = fixture::standardStructures();
    fixture::writeModel(folder, structures);
    QByteArray list;
    for (int index = 0; index < 5; ++index) {
      list += structures[index].relativePath.toUtf8() + (index == 3 ? "\nhalf\n" : "\n1\n");
    }
    fixture::writeFile(folder + "/Joint_transformed.txt", list);
    fixture::writeFile(folder + structures[1].relativePath,
                       "# vtk DataFile Version j.1\nvtk output\nBINARY\nDATASET POLYDATA\n"
                       "POINTS 3 float\n\x01\x02");
    QFile::remove(folder + structures[2].relativePath);
    // Pipes in place of a colour file, the head and the volume must not block the load.
    for (const QString& file : { folder + structures[0].relativePath + ".color",
                                 folder + "/Joint/Head_bone_transformed.vtp",
                                 folder + "/Joint/Joint.raw" }) {
      QFile::remove(file);
      QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    }
    const QString output = QString::fromStdString(session->load());

    const QString damaged = base + structures[1].relativePath;
    const QString missing = base + structures[2].relativePath;
    QVERIFY2(output.contains(
               "Cannot load surface " + damaged + ": its version line is malformed.\n" + damaged +
               "\nCannot load surface " + missing + ": the file cannot be opened.\n" + missing +
               "\nStructure list " + base + "/Joint_transformed.txt: entry 4 (" +
               structures[3].relativePath + ") has no readable"),
             qPrintable(output));
    QVERIFY(output.contains("Cannot load surface " + base +
                            "/Joint/Head_bone_transformed.vtp: it is not a regular file.\n"));
    // No geometry for the damaged ones, everything else as usual.
    QCOMPARE(int(window->frontActors.size()), 3);
    QVERIFY(pointCount(window->frontActors[0]) > 0);
    QCOMPARE(pointCount(window->frontActors[1]) + pointCount(window->frontActors[2]), 0);
    QVERIFY(window->mainRenderer()->HasViewProp(window->frontActors[1]));
    QCOMPARE(pointCount(window->headRenderer()->GetActors()->GetLastActor()), vtkIdType(0));
    QVERIFY(output.endsWith("Error while loading data from file " + base + "/Joint/Joint.raw.\n"));
    QVERIFY(!window->hasSectionVolume() && !window->toolBox->isHidden());
    QCOMPARE(window->frontActors[0]->GetProperty()->GetColor()[0], 0.7);
    window->mainRenderWindow()->Render();
    window->headRenderWindow()->Render();
  }
};

COCHLEX_VIEWER_TEST_MAIN(LoadingTest)
#include "test_loading.moc"
