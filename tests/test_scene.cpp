// The structure table and the section record without any window: notifications, batches, the
// settings a lesson view applies, the transparency a load leaves, the actors that follow the
// table, and the model manifest.

#include "TestDriver.h"
#include "loading/ModelManifest.h"
#include "scene/SectionStates.h"
#include "scene/StructureActors.h"
#include "scene/StructureTable.h"

#include <QDoubleSpinBox>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <vtkActor.h>
#include <vtkActorCollection.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>
#include <vtkSphereSource.h>

#include <algorithm>
#include <cmath>

namespace {

StructureRecord
record(const QString& name, bool loaded = true)
{
  StructureRecord structure;
  structure.name = name;
  structure.loaded = loaded;
  structure.shown = loaded;
  return structure;
}

// Three structures, the second one failed to load.
void
fillTable(StructureTable& table)
{
  table.append(record(QStringLiteral("Incus")));
  table.append(record(QStringLiteral("Stapes"), false));
  table.append(record(QStringLiteral("Joint Space")));
}

QByteArray
manifest(const QByteArray& structures, const QByteArray& rest = {})
{
  return R"({"cochlex-model": 1, "structures": [)" + structures + "]" + rest + "}";
}

} // namespace

class SceneTest : public QObject
{
  Q_OBJECT

private slots:
  void changesNotifyOnceWithTheirField()
  {
    StructureTable table;
    fillTable(table);
    QSignalSpy changes(&table, &StructureTable::structureChanged);
    table.setShown(0, false);
    table.setShown(0, false); // no change, no notice
    table.setTransparency(2, 0.4);
    table.setTransparency(2, std::nan(""));
    table.setTransparency(2, 7.0); // kept within 0 to 1
    table.setShown(9, true);       // no such structure
    QCOMPARE(changes.count(), 3);
    QCOMPARE(changes[0][0].toInt(), 0);
    QCOMPARE(changes[0][1].value<StructureTable::Fields>(),
             StructureTable::Fields(StructureTable::Shown));
    QCOMPARE(changes[1][1].value<StructureTable::Fields>(),
             StructureTable::Fields(StructureTable::Transparency));
    QCOMPARE(table.at(2).transparency, 1.0);
    QVERIFY(!table.at(0).visible() && !table.at(2).visible());
    QCOMPARE(table.visibleStructures(), std::vector<int>{});
    table.setTransparency(2, 0.9);
    QCOMPARE(table.visibleStructures(), std::vector<int>{ 2 });
  }

  void batchesFinishOnceAndOnlyAfterChanges()
  {
    StructureTable table;
    fillTable(table);
    QSignalSpy finished(&table, &StructureTable::batchFinished);
    {
      const StructureBatch outer(table);
      {
        const StructureBatch inner(table);
        table.setShown(0, false);
      }
      QCOMPARE(finished.count(), 0);
      table.setShown(2, false);
    }
    QCOMPARE(finished.count(), 1);
    {
      const StructureBatch nothing(table);
      table.setShown(0, false);
    }
    QCOMPARE(finished.count(), 1);
  }

  void holdsAtMostItsLargestCount()
  {
    StructureTable table;
    for (int index = 0; index < StructureTable::largestCount; ++index) {
      QCOMPARE(table.append(record(QString::number(index))), index);
    }
    QCOMPARE(table.append(record(QStringLiteral("one too many"))), -1);
    QCOMPARE(table.count(), StructureTable::largestCount);
  }

  // A lesson names structures: it still applies after the model gained one in front of them.
  void settingsApplyByName()
  {
    StructureTable table;
    fillTable(table);
    const std::vector<StructureSetting> saved = table.settings();
    QCOMPARE(int(saved.size()), 3);

    StructureTable grown;
    grown.append(record(QStringLiteral("Malleus")));
    fillTable(grown);
    grown.setTransparency(3, 0.5);
    QSignalSpy finished(&grown, &StructureTable::batchFinished);
    std::vector<StructureSetting> view = saved;
    view[0].shown = false;
    view[2].transparency = 0.3;
    view[1].shown = true; // failed to load: stays hidden
    view.push_back({ QStringLiteral("Not in this model"), true, 0.0 });
    grown.applySettings(view);
    QCOMPARE(finished.count(), 1);
    QVERIFY(grown.at(0).shown); // not named: kept
    QVERIFY(!grown.at(1).shown);
    QVERIFY(!grown.at(2).shown);
    QCOMPARE(grown.at(3).transparency, 0.3);
    QCOMPARE(grown.indexNamed(QStringLiteral("Joint Space")), 3);
    QCOMPARE(grown.indexNamed(QStringLiteral("Cochlea")), -1);
  }

  // The actors that draw each structure follow its record: in the renderer while shown, back
  // faces before front faces, with the opacity the transparency leaves; a lesson view applied as
  // data moves them too.
  void actorsFollowTheTable()
  {
    StructureTable table;
    fillTable(table);
    vtkNew<vtkRenderer> renderer;
    StructureActors actors(table, renderer);
    QObject::connect(&table, &StructureTable::structureChanged, [&](int index, auto fields) {
      actors.follow(index, fields);
    });
    vtkNew<vtkSphereSource> sphere;
    sphere->Update();
    vtkNew<vtkPolyData> empty;
    for (int index = 0; index < table.count(); ++index) {
      actors.append(table.at(index).loaded ? sphere->GetOutput() : empty.Get(),
                    { 0.9, 0.8, 0.7 },
                    1.0,
                    table.at(index).shown);
    }
    // Where each of the structure's actors stands among the renderer's, -1 when not there.
    const auto places = [&](int index) {
      vtkActorCollection* drawn = renderer->GetActors();
      return std::make_pair(drawn->IsItemPresent(actors.backActors()[std::size_t(index)]) - 1,
                            drawn->IsItemPresent(actors.frontActors()[std::size_t(index)]) - 1);
    };
    const auto opacities = [&](int index) {
      return std::make_pair(actors.backActors()[std::size_t(index)]->GetProperty()->GetOpacity(),
                            actors.frontActors()[std::size_t(index)]->GetProperty()->GetOpacity());
    };
    QCOMPARE(renderer->GetActors()->GetNumberOfItems(), 4);
    QCOMPARE(places(1), std::make_pair(-1, -1));

    table.setShown(0, false);
    QCOMPARE(places(0), std::make_pair(-1, -1));
    table.setShown(0, true);
    const auto [back, front] = places(0);
    QVERIFY2(back >= 0 && front == back + 1, qPrintable(QString("%1 %2").arg(back).arg(front)));
    table.setShown(0, true);
    QCOMPARE(renderer->GetActors()->GetNumberOfItems(), 4);

    table.setTransparency(2, 0.25);
    QCOMPARE(opacities(2), std::make_pair(0.75, 0.75));
    // A hidden structure keeps its new opacity for when it is shown again.
    table.setShown(2, false);
    table.setTransparency(2, 0.6);
    QCOMPARE(opacities(2), std::make_pair(0.4, 0.4));
    QCOMPARE(places(2), std::make_pair(-1, -1));

    std::vector<StructureSetting> view = table.settings();
    view[0] = { QStringLiteral("Incus"), false, 0.0 };
    view[2] = { QStringLiteral("Joint Space"), true, 0.5 };
    table.applySettings(view);
    QCOMPARE(places(0), std::make_pair(-1, -1));
    QVERIFY(places(2).first >= 0);
    QCOMPARE(opacities(2), std::make_pair(0.5, 0.5));

    actors.clear();
    QCOMPARE(renderer->GetActors()->GetNumberOfItems(), 0);
    QCOMPARE(actors.count(), 0);
    // A notice for a structure without actors is let pass.
    table.setShown(0, true);
  }

  void sectionRecordNotifiesRealChanges()
  {
    SectionStates sections;
    QSignalSpy changes(&sections, &SectionStates::sectionChanged);
    sections.setNumber(1, 57);
    sections.setNumber(1, 57);
    sections.setShown(2, true);
    sections.setCut(0, -5);
    // No fourth section, nor one before the first.
    for (const int axis : { -1, 3 }) {
      sections.setCut(axis, 1);
      sections.setNumber(axis, 5);
      sections.setShown(axis, true);
      sections.setCount(axis, 5);
    }
    QCOMPARE(changes.count(), 3);
    QCOMPARE(sections.at(1).number, 57);
    QCOMPARE(sections.at(0).cut, -1);
    QVERIFY(sections.anyCut());
  }

  // The rows the load sets run each other's handlers; the table must end where they did. The
  // expectation comes from a real slider and spin box wired as the rows are.
  void transparencyAfterLoading_data()
  {
    QTest::addColumn<double>("opacity");
    for (const double opacity :
         { 1.0, 0.0, 0.5, 0.97, 0.95, 0.93, 0.75, 0.35, 0.2, 0.71, 0.05, 0.25, 0.999 }) {
      QTest::addRow("%g", opacity) << opacity;
    }
  }
  void transparencyAfterLoading()
  {
    QFETCH(double, opacity);
    QSlider slider;
    slider.setRange(0, 10);
    QDoubleSpinBox spinBox;
    spinBox.setDecimals(1);
    spinBox.setRange(0.0, 1.0);
    spinBox.setSingleStep(0.1);
    double actorOpacity = opacity;
    connect(&slider, &QSlider::valueChanged, [&](int tenths) {
      spinBox.setValue(tenths / 10.0);
      actorOpacity = 1 - tenths / 10.0;
    });
    connect(&spinBox, qOverload<double>(&QDoubleSpinBox::valueChanged), [&](double value) {
      slider.setValue(int(value * 10.0));
      actorOpacity = 1 - value;
    });
    slider.setValue(int(std::clamp(10 - 10 * opacity, 0.0, 10.0)));
    spinBox.setValue(1 - opacity);

    const double transparency = ::transparencyAfterLoading(opacity);
    QCOMPARE(1 - transparency, actorOpacity);
    QCOMPARE(transparencySliderTenths(transparency), slider.value());
    QCOMPARE(transparencySpinBoxValue(transparency), spinBox.value());
  }

  void manifestReadsItsStructures()
  {
    const ModelManifest read = parseModelManifest(
      manifest("{\"file\": \"Joint/Incus.vtk\", \"name\": \"Incus body\", \"group\": \"Ossicles\","
               " \"color\": [1, 0.5, 0], \"opacity\": 0.25, \"row\": false,"
               " \"description\": \"pages/incus.html\"},"
               "{\"file\": \"Joint/Stapes_Head.vtk\"}",
               R"(, "head": "Joint/Skull.vtp")")
        .toStdString(),
      "m.json");
    QVERIFY(read.usable);
    QCOMPARE(read.problems, std::vector<std::string>{});
    QCOMPARE(int(read.structures.size()), 2);
    const ManifestStructure& incus = read.structures[0];
    QCOMPARE(incus.relativePath, std::string("/Joint/Incus.vtk"));
    QCOMPARE(incus.name, QStringLiteral("Incus body"));
    QCOMPARE(incus.group, QStringLiteral("Ossicles"));
    QVERIFY(incus.color && (*incus.color == std::array<double, 3>{ 1, 0.5, 0 }));
    QCOMPARE(incus.opacity, 0.25);
    QVERIFY(!incus.rowShown);
    QCOMPARE(incus.descriptionPath.value_or(""), std::string("/pages/incus.html"));
    // Named after its file, coloured by its colour file, opaque, with a row.
    const ManifestStructure& stapes = read.structures[1];
    QCOMPARE(stapes.name, QStringLiteral("Stapes Head"));
    QVERIFY(!stapes.color && !stapes.descriptionPath && stapes.rowShown);
    QCOMPARE(stapes.opacity, 1.0);
    QCOMPARE(read.headPath, std::string("/Joint/Skull.vtp"));
  }

  // Each fault is one line, names the manifest, and leaves the rest in use.
  void manifestFaults_data()
  {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<int>("structures");
    QTest::addColumn<QString>("problem");
    QTest::newRow("not JSON") << QByteArray("{\"cochlex-model\": 1,") << false << 0
                              << "is not JSON";
    QTest::newRow("not a manifest")
      << QByteArray("{\"structures\": []}") << false << 0 << "is not a Cochlex model manifest";
    QTest::newRow("newer version") << QByteArray(R"({"cochlex-model": 2, "structures": [{}]})")
                                   << false << 0 << "this viewer reads version 1";
    QTest::newRow("no structures") << manifest("") << false << 0 << "lists no structures";
    QTest::newRow("outside the folder")
      << manifest(R"({"file": "../thesis.vtk"})") << true << 1
      << "structure 1: its path leaves the model folder; its row stays empty.";
    QTest::newRow("absolute path")
      << manifest(R"({"file": "/etc/passwd"})") << true << 1 << "its path leaves the model folder";
    QTest::newRow("no file") << manifest(R"({"name": "x"})") << true << 1
                             << "its manifest entry names no file";
    QTest::newRow("repeated name")
      << manifest("{\"file\": \"a.vtk\", \"name\": \"Stapes\"},"
                  "{\"file\": \"b.vtk\", \"name\": \"Stapes\"}")
      << true << 2 << "structure 2 repeats the name \"Stapes\"; it is shown as \"Stapes (2)\".";
    QTest::newRow("opacity as text") << manifest(R"({"file": "a.vtk", "opacity": "NaN"})") << true
                                     << 1 << "an opacity that is not a number";
    // JSON has no infinity: a number beyond a double is no JSON at all.
    QTest::newRow("infinite opacity")
      << manifest(R"({"file": "a.vtk", "opacity": 1e999})") << false << 0 << "is not JSON";
    QTest::newRow("opacity above 1")
      << manifest(R"({"file": "a.vtk", "opacity": 3})") << true << 1 << "opacity outside 0 to 1";
    QTest::newRow("two colour components") << manifest(R"({"file": "a.vtk", "color": [1, 0]})")
                                           << true << 1 << "a colour that is not three numbers";
    QTest::newRow("description outside")
      << manifest(R"({"file": "a.vtk", "description": "../../x.html"})") << true << 1
      << "its description page its path leaves the model folder";
    QTest::newRow("head outside") << manifest(R"({"file": "a.vtk"})", R"(, "head": "../h.vtp")")
                                  << true << 1 << "the head model's its path leaves";
    QByteArray many;
    for (int index = 0; index < 65; ++index) {
      many += (index > 0 ? "," : "") + QByteArray(R"({"file": "s)") + QByteArray::number(index) +
              ".vtk\"}";
    }
    QTest::newRow("65 structures")
      << manifest(many) << true << 64 << "lists 65 structures; the viewer shows the first 64.";
  }
  void manifestFaults()
  {
    QFETCH(QByteArray, text);
    QFETCH(bool, usable);
    QFETCH(int, structures);
    QFETCH(QString, problem);
    const ModelManifest read = parseModelManifest(text.toStdString(), "/m/cochlex-model.json");
    QCOMPARE(read.usable, usable);
    QCOMPARE(int(read.structures.size()), structures);
    QCOMPARE(int(read.problems.size()), 1);
    const QString line = QString::fromStdString(read.problems.front());
    QVERIFY2(line.startsWith("Model manifest /m/cochlex-model.json") && line.contains(problem),
             qPrintable(line));
  }

  void namesComeFromFileNames_data()
  {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("sample") << "/Joint/Incus_Articular_Cartilage.vtk"
                            << "Incus Articular Cartilage";
    QTest::newRow("two dots") << "/s/Stapes.head.vtk"
                              << "Stapes.head";
    QTest::newRow("no folder") << "Footplate.vtk"
                               << "Footplate";
  }
  void namesComeFromFileNames()
  {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(structureNameFromPath(path), name);
  }
};

COCHLEX_TEST_CLASS(SceneTest)
#include "test_scene.moc"
