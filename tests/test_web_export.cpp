// The lesson as one web page, without a window or a browser: the binary glTF file read back with
// a reader of its own, the page's data against the model and the lesson it was made from, the
// triangle budget, the pages as plain text, and every refusal leaving no file behind. What a
// browser makes of the page is tried in test_web_page.

#include "ModelFixture.h"
#include "TestDriver.h"
#include "viewer/teaching/LessonFile.h"
#include "web/GlbFile.h"
#include "web/PageText.h"
#include "web/WebExport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <vtkCellArray.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataWriter.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

const QStringList fixtureNames{ "Incus transformed",
                                "Incus Articular Cartilage transformed",
                                "Incus Blood Vessels transformed",
                                "Incus Areolar Tissue transformed",
                                "Stapes transformed",
                                "Stapes Articular Cartilage transformed",
                                "Capsular Ligamental Fibers transformed",
                                "Stapedius Tendon transformed",
                                "Joint Space transformed" };

quint32
uint32At(const QByteArray& bytes, int offset)
{
  quint32 value = 0;
  for (int index = 3; index >= 0; --index) {
    value = (value << 8) | quint8(bytes[offset + index]);
  }
  return value;
}

// A binary glTF file taken apart as the format describes it, independently of the writer.
struct GlbParts
{
  QJsonObject json;
  QByteArray binary;
  QString problem;
};

GlbParts
glbParts(const QByteArray& file)
{
  GlbParts parts;
  if (file.size() < 28 || file.left(4) != "glTF" || uint32At(file, 4) != 2) {
    parts.problem = "no glTF 2 header";
    return parts;
  }
  if (uint32At(file, 8) != quint32(file.size())) {
    parts.problem = "the header's length is not the file's";
    return parts;
  }
  const int jsonLength = int(uint32At(file, 12));
  if (file.mid(16, 4) != "JSON" || jsonLength % 4 != 0) {
    parts.problem = "no JSON chunk on four bytes";
    return parts;
  }
  parts.json = QJsonDocument::fromJson(file.mid(20, jsonLength)).object();
  const int binaryAt = 20 + jsonLength;
  const int binaryLength = int(uint32At(file, binaryAt));
  if (file.mid(binaryAt + 4, 4) != QByteArray("BIN\0", 4) ||
      binaryAt + 8 + binaryLength != file.size()) {
    parts.problem = "no binary chunk that ends the file";
    return parts;
  }
  parts.binary = file.mid(binaryAt + 8, binaryLength);
  return parts;
}

// The bytes an accessor of parts covers, as its buffer view places them.
QByteArray
accessorBytes(const GlbParts& parts, int accessorIndex, int componentBytes, int components)
{
  const QJsonObject accessor = parts.json["accessors"].toArray()[accessorIndex].toObject();
  const QJsonObject view =
    parts.json["bufferViews"].toArray()[accessor["bufferView"].toInt()].toObject();
  const int length = accessor["count"].toInt() * componentBytes * components;
  if (view["byteLength"].toInt() != length) {
    return {};
  }
  return parts.binary.mid(view["byteOffset"].toInt(), length);
}

// The text between the opening tag of the script whose id is given and the next "</script".
QByteArray
scriptText(const QByteArray& page, const QByteArray& id)
{
  const QByteArray opening = "id=\"" + id + "\">";
  const int start = page.indexOf(opening);
  if (start < 0) {
    return {};
  }
  const int from = start + opening.size();
  return page.mid(from, page.indexOf("</script", from) - from);
}

QJsonObject
pageData(const QByteArray& page)
{
  return QJsonDocument::fromJson(scriptText(page, "cochlex-data")).object();
}

QByteArray
readAll(const QString& path)
{
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Lesson
fixtureLesson(const QStringList& names)
{
  Lesson lesson;
  lesson.structureNames = names;
  ViewState first;
  first.name = "Ossicles";
  first.caption = "The incus and the stapes </script><script>alert(1)</script> & <b>more</b>";
  first.camera = { { 0, -40, 0 }, { 0, 0, 0 }, { 0, 0, 1 }, 25 };
  first.structures = { { names[0], true, 0.3 }, { names[4], false, 0 } };
  first.labels = true;
  ViewState second = first;
  second.name = "Stapes alone";
  second.caption = "Second";
  second.camera = { { 30, 0, 0 }, { 1, 2, 3 }, { 0, 1, 0 }, 40 };
  second.structures = { { names[0], false, 0 } };
  second.labels.reset();
  lesson.views = { first, second };
  return lesson;
}

void
writeLesson(const QString& path, const Lesson& lesson)
{
  fixture::writeFile(path, lessonJson(lesson));
}

// The fixture model whose first structure is a tangle: triangles by the thousand over a few
// hundred points, each joining points far apart, as a broken export or a hostile file holds
// them. No surface: each point is a corner of some 120 triangles, where one of a surface has 6.
void
writeTangledModel(const QString& folder, int triangleCount)
{
  const std::vector<fixture::Structure> structures = fixture::standardStructures();
  fixture::writeModel(folder, structures, false);
  std::mt19937 generator(11);
  std::uniform_real_distribution<double> place(0, 2);
  constexpr int pointCount = 500;
  std::uniform_int_distribution<int> corner(0, pointCount - 1);
  vtkNew<vtkPoints> points;
  for (int point = 0; point < pointCount; ++point) {
    points->InsertNextPoint(place(generator), place(generator), place(generator));
  }
  vtkNew<vtkCellArray> triangles;
  while (triangles->GetNumberOfCells() < triangleCount) {
    const vtkIdType a = corner(generator);
    const vtkIdType b = (a + 1) % pointCount;
    const vtkIdType c = (a + corner(generator)) % pointCount;
    if (c != a && c != b) {
      const vtkIdType corners[3] = { a, b, c };
      triangles->InsertNextCell(3, corners);
    }
  }
  vtkNew<vtkPolyData> tangle;
  tangle->SetPoints(points);
  tangle->SetPolys(triangles);
  vtkNew<vtkPolyDataWriter> writer;
  writer->SetInputData(tangle);
  writer->WriteToOutputStringOn();
  writer->Write();
  fixture::writeFile(folder + structures[0].relativePath,
                     QByteArray::fromStdString(writer->GetOutputStdString()));
}

} // namespace

class WebExportTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;
  QString model = directory.filePath("model");

  QString path(const QString& name) const { return directory.filePath(name); }

  WebExportResult exportTo(const QString& target,
                           const QString& lessonFile = {},
                           qint64 budget = webexport::defaultTriangleBudget,
                           const QString& modelFolder = {}) const
  {
    WebExportRequest request;
    request.target = target;
    request.modelFolder =
      QFile::encodeName(modelFolder.isEmpty() ? model : modelFolder).toStdString();
    request.lessonFile = lessonFile;
    request.triangleBudget = budget;
    return exportWebPage(request);
  }

private slots:
  void initTestCase()
  {
    fixture::writeModel(model, fixture::standardStructures(), false);
    writeLesson(path("lesson.cochlex-lesson"), fixtureLesson(fixtureNames));
    QStringList otherNames = fixtureNames;
    otherNames[2] = "Malleus";
    writeLesson(path("other.cochlex-lesson"), fixtureLesson(otherNames));
    writeTangledModel(path("tangled"), 60000);
    fixture::writeModel(path("withVolume"));
  }

  // Meshes with 65,536 vertices still number them in 16 bits, one more takes 32; each mesh
  // comes back with its name, colour, opacity, bounds and every triangle's corners.
  void glbFileReadsBack_data()
  {
    QTest::addColumn<int>("vertices");
    QTest::addColumn<int>("indexBytes");
    QTest::newRow("a triangle") << 3 << 2;
    QTest::newRow("65,536 vertices") << 65536 << 2;
    QTest::newRow("65,537 vertices") << 65537 << 4;
  }
  void glbFileReadsBack()
  {
    QFETCH(int, vertices);
    QFETCH(int, indexBytes);
    GlbMesh fan;
    fan.name = "Fan ä";
    fan.color = { 0.25, 0.5, 0.75 };
    fan.opacity = 0.4;
    for (int vertex = 0; vertex < vertices; ++vertex) {
      fan.positions.insert(fan.positions.end(), { float(vertex), float(-vertex) / 2, 7.0F });
    }
    // Triangles from vertex 0 to each pair of neighbours; the last one uses the last vertex.
    for (int vertex = 1; vertex + 1 < vertices; ++vertex) {
      fan.indices.insert(fan.indices.end(),
                         { 0, std::uint32_t(vertex), std::uint32_t(vertex + 1) });
    }
    GlbMesh small;
    small.name = "Small";
    small.positions = { -1, -2, -3, 1, 2, 3, 0, 5, 0 };
    small.indices = { 2, 1, 0 };

    const GlbParts parts = glbParts(glbFile({ fan, small }));
    QVERIFY2(parts.problem.isEmpty(), qPrintable(parts.problem));
    QCOMPARE(parts.json["asset"].toObject()["version"].toString(), QString("2.0"));
    const QJsonArray nodes = parts.json["nodes"].toArray();
    QCOMPARE(nodes.size(), 2);
    QCOMPARE(nodes[0].toObject()["name"].toString(), QString("Fan ä"));
    const QJsonObject material = parts.json["materials"].toArray()[0].toObject();
    QCOMPARE(material["pbrMetallicRoughness"].toObject()["baseColorFactor"].toArray(),
             QJsonArray({ 0.25, 0.5, 0.75, 0.4 }));
    QCOMPARE(material["alphaMode"].toString(), QString("BLEND"));
    QCOMPARE(parts.json["materials"].toArray()[1].toObject()["alphaMode"].toString(),
             QString("OPAQUE"));

    const QJsonObject primitive =
      parts.json["meshes"].toArray()[0].toObject()["primitives"].toArray()[0].toObject();
    const int positionAccessor = primitive["attributes"].toObject()["POSITION"].toInt();
    const QJsonObject positions = parts.json["accessors"].toArray()[positionAccessor].toObject();
    QCOMPARE(positions["count"].toInt(), vertices);
    QCOMPARE(positions["min"].toArray(), QJsonArray({ 0, -(vertices - 1) / 2.0, 7 }));
    QCOMPARE(positions["max"].toArray(), QJsonArray({ vertices - 1, 0, 7 }));
    const QByteArray positionBytes = accessorBytes(parts, positionAccessor, 4, 3);
    QCOMPARE(positionBytes.size(), vertices * 12);
    float last[3];
    std::memcpy(last, positionBytes.constData() + qsizetype(vertices - 1) * 12, 12);
    QCOMPARE(last[0], float(vertices - 1));

    const int indexAccessor = primitive["indices"].toInt();
    const QJsonObject indices = parts.json["accessors"].toArray()[indexAccessor].toObject();
    QCOMPARE(indices["componentType"].toInt(), indexBytes == 2 ? 5123 : 5125);
    const QByteArray indexData = accessorBytes(parts, indexAccessor, indexBytes, 1);
    QCOMPARE(indexData.size(), (vertices - 2) * 3 * indexBytes);
    // The last triangle's last corner is the last vertex.
    quint32 lastCorner = 0;
    std::memcpy(&lastCorner, indexData.constData() + indexData.size() - indexBytes, indexBytes);
    QCOMPARE(lastCorner, quint32(vertices - 1));

    // The second mesh's data starts on four bytes, after padding.
    const QJsonObject smallPrimitive =
      parts.json["meshes"].toArray()[1].toObject()["primitives"].toArray()[0].toObject();
    const QByteArray smallIndices = accessorBytes(parts, smallPrimitive["indices"].toInt(), 2, 1);
    QCOMPARE(smallIndices, QByteArray("\x02\x00\x01\x00\x00\x00", 6));
    const QJsonObject view = parts.json["bufferViews"]
                               .toArray()[parts.json["accessors"]
                                            .toArray()[smallPrimitive["indices"].toInt()]
                                            .toObject()["bufferView"]
                                            .toInt()]
                               .toObject();
    QCOMPARE(view["byteOffset"].toInt() % 4, 0);
  }

  // Pages become text a browser shows as text: nothing of their markup or scripts survives.
  void pagesBecomePlainText_data()
  {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    QTest::newRow("paragraphs") << "<html><head><title>T</title></head><body><h1>Incus</h1>"
                                   "<p>The  anvil\n bone.</p><p>Second</p></body></html>"
                                << "Incus\nThe anvil bone.\nSecond";
    QTest::newRow("script and style") << "<p>A<script>alert('<p>x</p>')</script>B</p>"
                                         "<style>p { color: red }</style>"
                                      << "AB";
    QTest::newRow("entities") << "Tom &amp; Jerry &lt;b&gt; &#228;&#x2013;&nbsp;&bogus; &#0;"
                              << "Tom & Jerry <b> ä– &bogus; &#0;";
    QTest::newRow("unclosed tag") << "Stapes <img src=x onerror=alert(1)"
                                  << "Stapes";
    QTest::newRow("comment") << "a<!-- <p>hidden</p> -->b<br>c"
                             << "ab\nc";
  }
  void pagesBecomePlainText()
  {
    QFETCH(QString, html);
    QFETCH(QString, text);
    QCOMPARE(pagePlainText(html), text);
  }

  // The page of the fixture model with a lesson: every structure with its name, colour and
  // description, each view as the lesson holds it, the whole model in the glTF file.
  void pageHoldsModelAndLesson()
  {
    const QString target = path("lesson.html");
    const WebExportResult result = exportTo(target, path("lesson.cochlex-lesson"));
    QVERIFY2(result.problem.isEmpty(), qPrintable(result.problem));
    QCOMPARE(result.views, 2);
    const QByteArray page = readAll(target);
    QCOMPARE(qint64(page.size()), result.pageBytes);
    // A caption cannot end the data's script element early.
    QVERIFY(!page.contains("<script>alert(1)"));
    const QJsonObject data = pageData(page);
    QVERIFY(!data.isEmpty());

    const QJsonArray structures = data["structures"].toArray();
    QCOMPARE(structures.size(), fixtureNames.size());
    for (int index = 0; index < fixtureNames.size(); ++index) {
      QCOMPARE(structures[index].toObject()["name"].toString(), fixtureNames[index]);
    }
    // The fixture's first colour file.
    QCOMPARE(structures[0].toObject()["color"].toArray(), QJsonArray({ 0.95, 0.9, 0.75 }));

    const QJsonArray views = data["views"].toArray();
    QCOMPARE(views.size(), 2);
    const QJsonObject first = views[0].toObject();
    QCOMPARE(first["name"].toString(), QString("Ossicles"));
    QCOMPARE(first["caption"].toString(),
             QString("The incus and the stapes </script><script>alert(1)</script> & "
                     "<b>more</b>"));
    QCOMPARE(first["camera"].toObject()["position"].toArray(), QJsonArray({ 0, -40, 0 }));
    QCOMPARE(first["camera"].toObject()["viewAngle"].toDouble(), 25.0);
    QCOMPARE(first["labels"].toBool(), true);
    const QJsonObject incus = first["structures"].toObject()[fixtureNames[0]].toObject();
    QCOMPARE(incus["transparency"].toDouble(), 0.3);
    QCOMPARE(first["structures"].toObject()[fixtureNames[4]].toObject()["shown"].toBool(), false);
    QVERIFY(!views[1].toObject().contains("labels"));

    // The glTF file: one node per structure, in the list's order, with all their triangles.
    const GlbParts parts = glbParts(QByteArray::fromBase64(scriptText(page, "cochlex-glb")));
    QVERIFY2(parts.problem.isEmpty(), qPrintable(parts.problem));
    const QJsonArray nodes = parts.json["nodes"].toArray();
    QCOMPARE(nodes.size(), fixtureNames.size());
    qint64 triangles = 0;
    const QJsonArray accessors = parts.json["accessors"].toArray();
    for (const QJsonValue& accessor : accessors) {
      if (accessor.toObject()["type"].toString() == "SCALAR") {
        triangles += accessor.toObject()["count"].toInt() / 3;
      }
    }
    QCOMPARE(triangles, result.triangles);
    // Nothing was simplified under the default budget.
    QCOMPARE(result.triangles, result.sourceTriangles);
    // A closed surface of V vertices has 2V - 4 triangles; a sphere of the fixture, 16 by 16
    // facets, has 16 x 14 vertices and its two poles.
    QCOMPARE(result.sourceTriangles, qint64(9 * (2 * (16 * 14 + 2) - 4)));
  }

  // Without a lesson the page opens on the viewer's start view, from the front.
  void pageWithoutLessonHasStartView()
  {
    const QString target = path("model.html");
    const WebExportResult result = exportTo(target);
    QVERIFY2(result.problem.isEmpty(), qPrintable(result.problem));
    const QJsonArray views = pageData(readAll(target))["views"].toArray();
    QCOMPARE(views.size(), 1);
    const QJsonObject camera = views[0].toObject()["camera"].toObject();
    const QJsonArray position = camera["position"].toArray();
    const QJsonArray focal = camera["focalPoint"].toArray();
    // Anterior is -y: the camera stands in front of the model, superior (+z) up.
    QVERIFY(position[1].toDouble() < focal[1].toDouble() - 1);
    QCOMPARE(position[0].toDouble(), focal[0].toDouble());
    QCOMPARE(camera["viewUp"].toArray(), QJsonArray({ 0, 0, 1 }));
    // The Help and About pages, as text.
    const QJsonObject data = pageData(readAll(target));
    QVERIFY(!data["help"].toString().isEmpty());
    QVERIFY(!data["help"].toString().contains('<'));
  }

  // A view that cuts along its sections gives the page each cut's plane: in the plane of that
  // section's image, its normal the image's own for side 1 and turned round for side -1, the side
  // the structures are kept on. A model without a volume has no sections to cut along, in the
  // viewer as in the page.
  void cutsFollowTheSectionImages_data()
  {
    QTest::addColumn<bool>("withVolume");
    QTest::newRow("with a volume") << true;
    QTest::newRow("without") << false;
  }
  void cutsFollowTheSectionImages()
  {
    QFETCH(bool, withVolume);
    Lesson lesson = fixtureLesson(fixtureNames);
    lesson.views.resize(1);
    lesson.views[0].sections = { { { 300, true, -1 }, { 200, true, 0 }, { 40, true, 1 } } };
    lesson.views[0].solidCutFaces = false;
    writeLesson(path("cut.cochlex-lesson"), lesson);
    const WebExportResult result = exportTo(path("cut.html"),
                                            path("cut.cochlex-lesson"),
                                            webexport::defaultTriangleBudget,
                                            withVolume ? path("withVolume") : QString());
    QVERIFY2(result.problem.isEmpty(), qPrintable(result.problem));
    const QJsonObject data = pageData(readAll(path("cut.html")));
    const QJsonObject view = data["views"].toArray()[0].toObject();
    QCOMPARE(view["solidCutFaces"].toBool(true), false);
    const QJsonArray sections = view["sections"].toArray();
    QCOMPARE(sections.size(), 3);
    QVERIFY(!sections[1].toObject().contains("cut"));
    if (!withVolume) {
      QVERIFY(!sections[0].toObject().contains("cut"));
      QVERIFY(!sections[2].toObject().contains("cut"));
      QVERIFY(data["sections"].toArray().isEmpty());
      return;
    }
    const QJsonArray images = data["sections"].toArray();
    QCOMPARE(images.size(), 3);
    for (const int axis : { 0, 2 }) {
      const QJsonObject cut = sections[axis].toObject()["cut"].toObject();
      const int side = axis == 0 ? -1 : 1;
      QCOMPARE(cut["side"].toInt(), side);
      QJsonObject image;
      for (const QJsonValue& candidate : images) {
        if (candidate.toObject()["axis"].toInt() == axis) {
          image = candidate.toObject();
        }
      }
      // The image's placement, column by column: its normal is the third column, a point of
      // its plane the fourth.
      const QJsonArray matrix = image["matrix"].toArray();
      QCOMPARE(matrix.size(), 16);
      std::array<double, 3> imageNormal{};
      std::array<double, 3> offset{};
      double length = 0;
      for (int row = 0; row < 3; ++row) {
        imageNormal[std::size_t(row)] = matrix[8 + row].toDouble();
        offset[std::size_t(row)] =
          cut["point"].toArray()[row].toDouble() - matrix[12 + row].toDouble();
        length += imageNormal[std::size_t(row)] * imageNormal[std::size_t(row)];
      }
      length = std::sqrt(length);
      double along = 0;
      double inPlane = 0;
      for (int row = 0; row < 3; ++row) {
        const double normal = cut["normal"].toArray()[row].toDouble();
        along += normal * imageNormal[std::size_t(row)] / length;
        inPlane += normal * offset[std::size_t(row)];
      }
      QVERIFY2(std::abs(along - side) < 1e-9, qPrintable(QString::number(along)));
      QVERIFY2(std::abs(inPlane) < 1e-9, qPrintable(QString::number(inPlane)));
    }
  }

  // A budget below the model's triangles simplifies every structure to fit, and each keeps a
  // share of its own.
  void budgetSimplifiesEveryStructure_data()
  {
    QTest::addColumn<qint64>("budget");
    QTest::newRow("half") << qint64(2200);
    QTest::newRow("the least allowed") << webexport::smallestTriangleBudget;
  }
  void budgetSimplifiesEveryStructure()
  {
    QFETCH(qint64, budget);
    const QString target = path("budget.html");
    const WebExportResult result = exportTo(target, {}, budget);
    QVERIFY2(result.problem.isEmpty(), qPrintable(result.problem));
    QVERIFY(result.triangles <= budget);
    // Not thrown away either: at least half the budget stays in use.
    QVERIFY2(result.triangles >= budget / 2, qPrintable(QString::number(result.triangles)));
    const QJsonArray structures = pageData(readAll(target))["structures"].toArray();
    for (const QJsonValue& structure : structures) {
      QVERIFY(structure.toObject()["triangles"].toInt() >= 20);
    }
  }

  // Every refusal says what is wrong in one line and leaves no file: neither the page nor a
  // half-written one beside it; a page already there stays as it was.
  void refusalsLeaveNoFile_data()
  {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("lesson");
    QTest::addColumn<qint64>("budget");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("modelFolder");
    QTest::newRow("lesson for another model")
      << "other.html"
      << "other.cochlex-lesson" << webexport::defaultTriangleBudget
      << "was made for another model; structures this model lacks: Malleus"
      << "";
    QTest::newRow("missing lesson")
      << "missing.html"
      << "missing.cochlex-lesson" << webexport::defaultTriangleBudget << "Cannot open the lesson"
      << "";
    QTest::newRow("not a page's name")
      << "page.txt"
      << "" << webexport::defaultTriangleBudget << "its name must end in .html"
      << "";
    QTest::newRow("folder missing")
      << "nowhere/page.html"
      << "" << webexport::defaultTriangleBudget << "cannot be written to"
      << "";
    QTest::newRow("budget too small")
      << "small.html"
      << "" << qint64(999) << "the triangle budget must be 1000 to 5000000, not 999"
      << "";
    // A tangle is no surface to simplify edge by edge: each collapse there touches the hundred
    // triangles round a point, for minutes. It stays as it is, over the budget.
    QTest::newRow("over the budget even after simplification")
      << "tangled.html"
      << "" << qint64(20000)
      << "the structure Incus transformed is a tangle of 60000 triangles over 500 points, not a "
         "surface to simplify; the model stays over the budget of 20000 triangles"
      << "tangled";
  }
  void refusalsLeaveNoFile()
  {
    QFETCH(QString, target);
    QFETCH(QString, lesson);
    QFETCH(qint64, budget);
    QFETCH(QString, problem);
    QFETCH(QString, modelFolder);
    const QString before = QDir(directory.path()).entryList(QDir::Files).join(',');
    const WebExportResult result = exportTo(path(target),
                                            lesson.isEmpty() ? QString() : path(lesson),
                                            budget,
                                            modelFolder.isEmpty() ? QString() : path(modelFolder));
    QVERIFY2(result.problem.contains(problem), qPrintable(result.problem));
    QVERIFY(!result.problem.contains('\n'));
    QCOMPARE(QDir(directory.path()).entryList(QDir::Files).join(','), before);
  }

  // A page already there stays as it was when the export is refused; so does one in a folder the
  // user cannot write to, refused before the model is read.
  void refusalKeepsOldPage()
  {
    fixture::writeFile(path("kept.html"), "old");
    const WebExportResult refused = exportTo(path("kept.html"), path("other.cochlex-lesson"));
    QVERIFY(!refused.problem.isEmpty());
    QCOMPARE(readAll(path("kept.html")), QByteArray("old"));
    if (::geteuid() == 0) {
      // Permissions do not bind the superuser: a read-only folder is made read-only for it too by
      // naming a file inside a file.
      const WebExportResult result = exportTo(path("lesson.cochlex-lesson/page.html"));
      QVERIFY2(result.problem.contains("cannot be written to"), qPrintable(result.problem));
      return;
    }
    const QString folder = path("readonly");
    QVERIFY(QDir().mkpath(folder));
    fixture::writeFile(folder + "/page.html", "old");
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    const WebExportResult result = exportTo(folder + "/page.html");
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    QVERIFY2(result.problem.contains("cannot be written to"), qPrintable(result.problem));
    QCOMPARE(readAll(folder + "/page.html"), QByteArray("old"));
  }
};

COCHLEX_TEST_CLASS(WebExportTest)
#include "test_web_export.moc"
