#include "web/WebExport.h"

#include "loading/Console.h"
#include "loading/PageFile.h"
#include "loading/SafeWrite.h"
#include "loading/SectionTransforms.h"
#include "loading/SectionVolume.h"
#include "loading/TeachingModel.h"
#include "scene/StructureTable.h"
#include "viewer/teaching/CameraPath.h"
#include "viewer/teaching/LessonFile.h"
#include "web/GlbFile.h"
#include "web/PageText.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <vtkCellArray.h>
#include <vtkIdList.h>
#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkQuadricDecimation.h>
#include <vtkTransform.h>
#include <vtkTriangleFilter.h>

#include <algorithm>
#include <cmath>

// Outside any namespace, as Qt's resource initialiser requires: the page's parts are compiled
// into this static library.
static void
initialiseWebPageResources()
{
  Q_INIT_RESOURCE(web_page);
}

namespace {

struct ExportedStructure
{
  QString name;
  std::array<double, 3> color{};
  double opacity = 1;
  double transparency = 0; // as the rows start with it after the load
  QString description;
  vtkSmartPointer<vtkPolyData> surface;
};

vtkSmartPointer<vtkPolyData>
triangles(vtkPolyData* surface)
{
  vtkNew<vtkTriangleFilter> filter;
  filter->SetInputData(surface);
  filter->PassVertsOff();
  filter->PassLinesOff();
  filter->Update();
  vtkSmartPointer<vtkPolyData> result = filter->GetOutput();
  return result;
}

vtkSmartPointer<vtkPolyData>
decimated(vtkPolyData* surface, double keptShare)
{
  vtkNew<vtkQuadricDecimation> decimation;
  decimation->SetInputData(surface);
  decimation->SetTargetReduction(std::clamp(1 - keptShare, 0.0, 0.999));
  // Structures touch their neighbours (cartilage on bone): their rims stay where they are.
  decimation->VolumePreservationOn();
  decimation->Update();
  return triangles(decimation->GetOutput());
}

qint64
triangleTotal(const std::vector<ExportedStructure>& structures)
{
  qint64 total = 0;
  for (const ExportedStructure& structure : structures) {
    total += structure.surface->GetNumberOfPolys();
  }
  return total;
}

// A surface has about six triangles round each point; a tangle, triangles by the thousand over a
// few hundred points, has a hundred or more. The quadric decimation collapses it edge by edge,
// each collapse touching every triangle round a point: 60,000 triangles over 500 points took two
// minutes and still kept half of them. Twice a surface's count tells the two apart.
constexpr double mostCornersPerPoint = 12;

// The points the triangles of surface use; a surface file may carry others.
vtkIdType
usedPointCount(vtkPolyData* surface)
{
  std::vector<bool> used(std::size_t(surface->GetNumberOfPoints()), false);
  vtkIdType count = 0;
  vtkNew<vtkIdList> cell;
  vtkCellArray* polys = surface->GetPolys();
  for (vtkIdType index = 0; index < polys->GetNumberOfCells(); ++index) {
    polys->GetCellAtId(index, cell);
    for (vtkIdType corner = 0; corner < cell->GetNumberOfIds(); ++corner) {
      const auto point = std::size_t(cell->GetId(corner));
      if (!used[point]) {
        used[point] = true;
        ++count;
      }
    }
  }
  return count;
}

// The first structure that is a tangle rather than a surface, or none.
const ExportedStructure*
firstTangle(const std::vector<ExportedStructure>& structures)
{
  for (const ExportedStructure& structure : structures) {
    const vtkIdType triangleCount = structure.surface->GetNumberOfPolys();
    if (triangleCount > 0 && 3.0 * double(triangleCount) >
                               mostCornersPerPoint * double(usedPointCount(structure.surface))) {
      return &structure;
    }
  }
  return nullptr;
}

// Each structure keeps the same share of its triangles, so that small ones keep their shape as
// well as large ones. Quadric decimation stops short of a target now and then: a second, closer
// pass takes up what the first left.
void
fitIntoBudget(std::vector<ExportedStructure>& structures, qint64 budget)
{
  for (int pass = 0; pass < 3; ++pass) {
    const qint64 total = triangleTotal(structures);
    if (total <= budget) {
      return;
    }
    // A little under the budget: the decimation's result is not exact.
    const double share = double(budget) * (pass == 0 ? 0.98 : 0.9) / double(total);
    for (ExportedStructure& structure : structures) {
      if (structure.surface->GetNumberOfPolys() > 4) {
        structure.surface = decimated(structure.surface, share);
      }
    }
  }
}

GlbMesh
meshOf(const ExportedStructure& structure)
{
  GlbMesh mesh;
  mesh.name = structure.name;
  mesh.color = structure.color;
  mesh.opacity = structure.opacity;
  vtkPolyData* surface = structure.surface;
  vtkPoints* points = surface->GetPoints();
  const vtkIdType pointCount = points == nullptr ? 0 : points->GetNumberOfPoints();
  // Only the points the triangles use, numbered anew: a surface file may carry others.
  std::vector<vtkIdType> newIndex(std::size_t(pointCount), -1);
  vtkCellArray* polys = surface->GetPolys();
  vtkNew<vtkIdList> cell;
  for (vtkIdType index = 0; index < polys->GetNumberOfCells(); ++index) {
    polys->GetCellAtId(index, cell);
    if (cell->GetNumberOfIds() != 3) {
      continue;
    }
    for (vtkIdType corner = 0; corner < 3; ++corner) {
      const vtkIdType point = cell->GetId(corner);
      if (newIndex[std::size_t(point)] < 0) {
        newIndex[std::size_t(point)] = vtkIdType(mesh.positions.size() / 3);
        double position[3];
        points->GetPoint(point, position);
        mesh.positions.insert(mesh.positions.end(),
                              { float(position[0]), float(position[1]), float(position[2]) });
      }
      mesh.indices.push_back(std::uint32_t(newIndex[std::size_t(point)]));
    }
  }
  return mesh;
}

// A section image is shown a few centimetres across on a phone: 256 pixels on its longer side
// keep its structures readable at about 20 KB each.
constexpr int largestSectionSide = 256;
// Each view may show other sections; beyond this many images a lesson's page would grow past
// what a phone holds, and further views show none.
constexpr int mostSectionImages = 60;

// The volume's two axes across a section image of an axis, in the image's own x and y.
constexpr int sectionAcross[3][2] = { { 1, 2 }, { 2, 0 }, { 0, 1 } };

// One section image as the viewer shows it: the volume's slice, its first axis to the right and
// its second upwards, greys as stored, shrunk to fit largestSectionSide.
QByteArray
sectionPng(vtkImageData* volume, int axis, int number)
{
  int dimensions[3];
  volume->GetDimensions(dimensions);
  const int slice = std::clamp(number - 1, 0, dimensions[axis] - 1);
  const int across = sectionAcross[axis][0];
  const int up = sectionAcross[axis][1];
  QImage image(dimensions[across], dimensions[up], QImage::Format_Grayscale8);
  const auto* voxels = static_cast<const unsigned char*>(volume->GetScalarPointer());
  for (int row = 0; row < dimensions[up]; ++row) {
    uchar* line = image.scanLine(dimensions[up] - 1 - row);
    for (int column = 0; column < dimensions[across]; ++column) {
      int index[3];
      index[axis] = slice;
      index[across] = column;
      index[up] = row;
      line[column] =
        voxels[(qint64(index[2]) * dimensions[1] + index[1]) * dimensions[0] + index[0]];
    }
  }
  if (image.width() > largestSectionSide || image.height() > largestSectionSide) {
    image = image.scaled(
      largestSectionSide, largestSectionSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png;
}

// Where the image of section number of an axis stands in the model: the viewer's placement of
// the middle section, moved along the image's normal by a voxel per number.
vtkSmartPointer<vtkTransform>
sectionTransform(int axis, int number)
{
  vtkNew<vtkTransform> transform;
  buildSectionTransform(static_cast<SectionAxis>(axis), transform);
  const int middleSlice = sectionVolumeDimensions[axis] / 2;
  transform->Translate(0, 0, (number - 1 - middleSlice) * sectionVolumeSpacing[axis]);
  transform->Update();
  vtkSmartPointer<vtkTransform> result = transform.Get();
  return result;
}

QJsonArray
sectionMatrix(int axis, int number)
{
  const vtkSmartPointer<vtkTransform> transform = sectionTransform(axis, number);
  QJsonArray elements;
  // Column by column, as a 4 x 4 matrix of the page's library is given.
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      elements.append(transform->GetMatrix()->GetElement(row, column));
    }
  }
  return elements;
}

// The plane a section cuts the structures along, as the viewer places its clipping plane: through
// the section image, its normal the image's own, turned round for side -1; the structures are
// kept on the side the normal points to.
QJsonObject
cutPlane(int axis, int number, int side)
{
  // Held for the whole function: the matrix belongs to the transform.
  const vtkSmartPointer<vtkTransform> transform = sectionTransform(axis, number);
  vtkMatrix4x4* matrix = transform->GetMatrix();
  std::array<double, 3> normal{};
  for (int row = 0; row < 3; ++row) {
    normal[std::size_t(row)] = (side < 0 ? -1 : 1) * matrix->GetElement(row, 2);
  }
  const double length = std::hypot(normal[0], normal[1], normal[2]);
  for (double& component : normal) {
    component /= length > 0 ? length : 1;
  }
  return QJsonObject{
    { "side", side },
    { "normal", QJsonArray{ normal[0], normal[1], normal[2] } },
    { "point",
      QJsonArray{ matrix->GetElement(0, 3), matrix->GetElement(1, 3), matrix->GetElement(2, 3) } }
  };
}

QJsonArray
sectionImages(vtkImageData* volume, const std::vector<ViewState>& views)
{
  QJsonArray images;
  if (volume == nullptr) {
    return images;
  }
  std::vector<std::pair<int, int>> done;
  for (const ViewState& view : views) {
    for (int axis = 0; axis < 3; ++axis) {
      const SectionView& section = view.sections[std::size_t(axis)];
      const std::pair<int, int> key{ axis, section.number };
      if (!section.shown || std::find(done.begin(), done.end(), key) != done.end() ||
          int(done.size()) >= mostSectionImages) {
        continue;
      }
      done.push_back(key);
      const int across = sectionAcross[axis][0];
      const int up = sectionAcross[axis][1];
      images.append(QJsonObject{
        { "axis", axis },
        { "number", section.number },
        { "width", sectionVolumeDimensions[across] * sectionVolumeSpacing[across] },
        { "height", sectionVolumeDimensions[up] * sectionVolumeSpacing[up] },
        { "matrix", sectionMatrix(axis, section.number) },
        { "image",
          QStringLiteral("data:image/png;base64,") +
            QString::fromLatin1(sectionPng(volume, axis, section.number).toBase64()) } });
    }
  }
  return images;
}

QJsonArray
jsonArray(const std::array<double, 3>& values)
{
  return QJsonArray{ values[0], values[1], values[2] };
}

// A view as the page takes it. Without a volume the viewer places no section and cuts nothing:
// neither does the page.
QJsonObject
viewJson(const ViewState& view, bool hasVolume)
{
  QJsonObject structures;
  for (const StructureView& structure : view.structures) {
    structures.insert(
      structure.name,
      QJsonObject{ { "shown", structure.shown }, { "transparency", structure.transparency } });
  }
  QJsonArray sections;
  for (int axis = 0; axis < 3; ++axis) {
    const SectionView& section = view.sections[std::size_t(axis)];
    QJsonObject entry{ { "number", section.number }, { "shown", section.shown } };
    if (hasVolume && section.cut != 0) {
      entry.insert(QStringLiteral("cut"), cutPlane(axis, section.number, section.cut));
    }
    sections.append(entry);
  }
  QJsonObject result{ { "name", view.name },
                      { "caption", view.caption },
                      { "camera",
                        QJsonObject{ { "position", jsonArray(view.camera.position) },
                                     { "focalPoint", jsonArray(view.camera.focalPoint) },
                                     { "viewUp", jsonArray(view.camera.viewUp) },
                                     { "viewAngle", view.camera.viewAngle } } },
                      { "structures", structures },
                      { "sections", sections },
                      { "selected", view.selectedStructure } };
  if (view.labels) {
    result.insert(QStringLiteral("labels"), *view.labels);
  }
  if (view.solidCutFaces) {
    result.insert(QStringLiteral("solidCutFaces"), *view.solidCutFaces);
  }
  if (view.whiteBackground) {
    result.insert(QStringLiteral("white"), *view.whiteBackground);
  }
  return result;
}

std::array<double, 6>
boundsOf(const std::vector<ExportedStructure>& structures)
{
  std::array<double, 6> bounds{ { 0, 0, 0, 0, 0, 0 } };
  bool first = true;
  for (const ExportedStructure& structure : structures) {
    if (structure.surface->GetNumberOfPoints() == 0) {
      continue;
    }
    double own[6];
    structure.surface->GetBounds(own);
    for (std::size_t low = 0; low < 6; low += 2) {
      bounds[low] = first ? own[low] : std::min(bounds[low], own[low]);
      bounds[low + 1] = first ? own[low + 1] : std::max(bounds[low + 1], own[low + 1]);
    }
    first = false;
  }
  return bounds;
}

QString
pageText(const std::string& folder, const char* fileName)
{
  const PageRead read =
    readPageFile(QFile::decodeName(QByteArray::fromStdString(folder + "/" + fileName)));
  return read.problem.empty() ? pagePlainText(read.page) : QString();
}

QByteArray
resource(const QString& name)
{
  QFile file(QStringLiteral(":/cochlex-web/") + name);
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  return file.readAll();
}

// Text inside a script element ends at the first "</script": the data (a caption, a name) may
// hold one. In JSON a "<" stands only inside strings, where its escape means the same.
QByteArray
scriptSafeJson(QByteArray json)
{
  json.replace("<", "\\u003c");
  return json;
}

QString
problemWith(const QString& target, const QString& what)
{
  return QStringLiteral("Cannot export the web page %1: %2")
    .arg(QDir::toNativeSeparators(target), what);
}

} // namespace

bool
isWebPageFileName(const QString& name)
{
  const QString suffix = QFileInfo(name).suffix().toLower();
  return std::any_of(std::begin(webexport::fileSuffixes),
                     std::end(webexport::fileSuffixes),
                     [&suffix](const char* known) { return suffix == QLatin1String(known); });
}

WebExportResult
exportWebPage(const WebExportRequest& request)
{
  initialiseWebPageResources();
  WebExportResult result;
  const QString target = QFileInfo(request.target).absoluteFilePath();
  if (!isWebPageFileName(target)) {
    result.problem = problemWith(request.target, QStringLiteral("its name must end in .html"));
    return result;
  }
  if (request.triangleBudget < webexport::smallestTriangleBudget ||
      request.triangleBudget > webexport::largestTriangleBudget) {
    result.problem = problemWith(request.target,
                                 QStringLiteral("the triangle budget must be %1 to %2, not %3")
                                   .arg(webexport::smallestTriangleBudget)
                                   .arg(webexport::largestTriangleBudget)
                                   .arg(request.triangleBudget));
    return result;
  }
  // Told before the model is read and decimated, not after.
  const QFileInfo targetFolder(QFileInfo(target).absolutePath());
  if (!targetFolder.isDir() || !targetFolder.isWritable()) {
    result.problem = problemWith(request.target,
                                 QStringLiteral("the folder %1 cannot be written to")
                                   .arg(QDir::toNativeSeparators(targetFolder.absoluteFilePath())));
    return result;
  }
  if (QFileInfo(target).isDir()) {
    result.problem = problemWith(request.target, QStringLiteral("it is a folder"));
    return result;
  }

  std::vector<ExportedStructure> structures;
  TeachingModelSteps steps;
  steps.structureRead = [&structures](std::size_t, const LoadedStructure& loaded) {
    if (!loaded.problem.empty()) {
      return;
    }
    ExportedStructure structure;
    structure.name = loaded.name;
    structure.color = loaded.color;
    structure.opacity = std::clamp(loaded.opacity, 0.0, 1.0);
    structure.transparency = transparencyAfterLoading(structure.opacity);
    structure.description = pagePlainText(loaded.description);
    structure.surface = triangles(loaded.surface);
    structures.push_back(structure);
  };
  const TeachingModel model = loadTeachingModel(request.modelFolder, steps);
  result.modelProblems = model.problems;
  if (!model.listFound || structures.empty()) {
    result.problem = QStringLiteral("No teaching model could be read in %1.")
                       .arg(QDir::toNativeSeparators(
                         QFile::decodeName(QByteArray::fromStdString(request.modelFolder))));
    return result;
  }

  // Read against the model's own sections: a model with a volume of its own numbers its
  // sections by that volume's grid, not by the sample's.
  std::array<int, 3> sectionCounts = fixedSectionCounts();
  if (model.volume != nullptr) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
      sectionCounts[axis] = model.volumeGrid.dimensions[axis];
    }
  }
  Lesson lesson;
  if (!request.lessonFile.isEmpty()) {
    const LessonRead read = readLessonFile(request.lessonFile, sectionCounts);
    if (!read.problem.isEmpty()) {
      result.problem = QStringLiteral("Cannot open the lesson %1: %2")
                         .arg(QDir::toNativeSeparators(request.lessonFile), read.problem);
      return result;
    }
    if (read.lesson.views.empty()) {
      result.problem = QStringLiteral("The lesson %1 holds no views.")
                         .arg(QDir::toNativeSeparators(request.lessonFile));
      return result;
    }
    lesson = read.lesson;
  } else if (request.lesson) {
    lesson = *request.lesson;
  }

  QStringList names;
  for (const ExportedStructure& structure : structures) {
    names << structure.name;
  }
  if (!request.lessonFile.isEmpty()) {
    const StructureListDifference difference = compareStructureLists(lesson.structureNames, names);
    if (!difference.empty()) {
      result.problem =
        QStringLiteral("The lesson %1 was made for another model; structures this model lacks: "
                       "%2; structures the lesson does not name: %3.")
          .arg(QDir::toNativeSeparators(request.lessonFile),
               listedNames(difference.missingFromModel),
               listedNames(difference.missingFromLesson));
      return result;
    }
  }

  result.sourceTriangles = triangleTotal(structures);
  if (result.sourceTriangles > request.triangleBudget) {
    if (const ExportedStructure* tangle = firstTangle(structures)) {
      result.problem =
        problemWith(request.target,
                    QStringLiteral("the structure %1 is a tangle of %2 triangles over %3 points, "
                                   "not a surface to simplify; the model stays over the budget "
                                   "of %4 triangles (--web-triangles)")
                      .arg(tangle->name)
                      .arg(tangle->surface->GetNumberOfPolys())
                      .arg(usedPointCount(tangle->surface))
                      .arg(request.triangleBudget));
      return result;
    }
  }
  fitIntoBudget(structures, request.triangleBudget);
  result.triangles = triangleTotal(structures);
  if (result.triangles > request.triangleBudget) {
    result.problem =
      problemWith(request.target,
                  QStringLiteral("the model keeps %1 triangles even after decimation, over the "
                                 "budget of %2 (--web-triangles)")
                    .arg(result.triangles)
                    .arg(request.triangleBudget));
    return result;
  }

  const std::array<double, 6> bounds = boundsOf(structures);
  if (lesson.views.empty()) {
    // Without a lesson the page opens on the view the viewer starts with.
    ViewState start;
    start.name = QString::fromLatin1(standardViewName(StandardView::Anterior));
    start.camera = standardViewPose(StandardView::Anterior, bounds, 30);
    lesson.views.push_back(start);
  }

  std::vector<GlbMesh> meshes;
  QJsonArray structureArray;
  for (const ExportedStructure& structure : structures) {
    meshes.push_back(meshOf(structure));
    structureArray.append(QJsonObject{ { "name", structure.name },
                                       { "color", jsonArray(structure.color) },
                                       { "opacity", structure.opacity },
                                       { "transparency", structure.transparency },
                                       { "shown", structure.opacity > 0 },
                                       { "description", structure.description },
                                       { "triangles", structure.surface->GetNumberOfPolys() } });
  }
  QJsonArray views;
  for (const ViewState& view : lesson.views) {
    views.append(viewJson(view, model.volume != nullptr));
  }
  const QJsonObject data{
    { "title",
      lesson.views.size() > 1 || !request.lessonFile.isEmpty()
        ? QFileInfo(request.lessonFile).completeBaseName()
        : QString() },
    { "structures", structureArray },
    { "views", views },
    { "bounds", QJsonArray{ bounds[0], bounds[1], bounds[2], bounds[3], bounds[4], bounds[5] } },
    { "sections", sectionImages(model.volume, lesson.views) },
    { "help", pageText(request.modelFolder, "help2.html") },
    { "about", pageText(request.modelFolder, "about2.html") },
    { "triangles", result.triangles }
  };

  QByteArray page = resource(QStringLiteral("page.html"));
  const QByteArray three = resource(QStringLiteral("three.module.min.js"));
  const QByteArray orbit = resource(QStringLiteral("OrbitControls.js"));
  const QByteArray viewer = resource(QStringLiteral("viewer.js"));
  if (page.isEmpty() || three.isEmpty() || orbit.isEmpty() || viewer.isEmpty()) {
    result.problem =
      problemWith(request.target, QStringLiteral("the program lacks its web viewer"));
    return result;
  }
  // Each part goes in where its mark is, once; the parts themselves are not searched again. The
  // code goes in as base64, which no text of its own can break out of; the page turns it back
  // into modules.
  const std::pair<QByteArray, QByteArray> parts[] = {
    { "@COCHLEX_DATA@", scriptSafeJson(QJsonDocument(data).toJson(QJsonDocument::Compact)) },
    { "@COCHLEX_GLB@", glbFile(meshes).toBase64() },
    { "@COCHLEX_THREE@", three.toBase64() },
    { "@COCHLEX_ORBIT@", orbit.toBase64() },
    { "@COCHLEX_VIEWER@", viewer.toBase64() },
  };
  QByteArray html;
  int from = 0;
  while (true) {
    int nearest = -1;
    const std::pair<QByteArray, QByteArray>* part = nullptr;
    for (const auto& candidate : parts) {
      const int at = page.indexOf(candidate.first, from);
      if (at >= 0 && (nearest < 0 || at < nearest)) {
        nearest = at;
        part = &candidate;
      }
    }
    if (part == nullptr) {
      html += page.mid(from);
      break;
    }
    html += page.mid(from, nearest - from);
    html += part->second;
    from = nearest + int(part->first.size());
  }

  const QString written = writeWholeFile(target, html);
  if (!written.isEmpty()) {
    result.problem = problemWith(request.target, written);
    return result;
  }
  result.pageBytes = html.size();
  result.views = int(lesson.views.size());
  return result;
}
