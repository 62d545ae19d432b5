#include "SampleModel.h"

#include "SampleAnatomy.h"
#include "SampleDescriptions.h"
#include "SampleImages.h"
#include "SamplePages.h"
#include "SampleStructureSurface.h"
#include "SampleSurfaces.h"
#include "SampleVolume.h"

#include <vtkPolyData.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

#include <vector>

// Resources live in a static library, so they have to be registered by hand, outside any
// namespace.
static void
registerSampleResources()
{
  Q_INIT_RESOURCE(sample_audio);
}

namespace {

bool
writeBytes(const QString& path, const QByteArray& bytes, QString* error)
{
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    if (error) {
      *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    }
    return false;
  }
  return true;
}

bool
writeImage(const QString& path, const QImage& image, QString* error)
{
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
    if (error) {
      *error = QStringLiteral("Cannot write %1").arg(path);
    }
    return false;
  }
  return true;
}

QByteArray
colorText(const std::array<double, 3>& color)
{
  return QByteArray::number(color[0], 'f', 2) + ' ' + QByteArray::number(color[1], 'f', 2) + ' ' +
         QByteArray::number(color[2], 'f', 2) + '\n';
}

// The structures of the splash image (the bones with cartilages, vessels and tendon) or of the
// icon (the stapes alone).
std::vector<sample::RenderItem>
motifItems(const std::vector<vtkSmartPointer<vtkPolyData>>& surfaces, bool icon)
{
  std::vector<sample::RenderItem> items;
  const std::vector<int> splashStructures = { sample::Incus,           sample::IncusCartilage,
                                              sample::IncusVessels,    sample::Stapes,
                                              sample::StapesCartilage, sample::StapediusTendon,
                                              sample::JointSpace };
  const std::vector<int> iconStructures = { sample::Stapes, sample::StapesCartilage };
  for (int structure : icon ? iconStructures : splashStructures) {
    const auto& info = sample::structureInfos()[structure];
    items.push_back(
      { surfaces[structure], QColor::fromRgbF(info.color[0], info.color[1], info.color[2]), 1.0 });
  }
  return items;
}

} // namespace

bool
writeSampleModel(const QString& modelDirectory, QString* error, SampleModelReport* report)
{
  registerSampleResources();
  QElapsedTimer total;
  total.start();
  SampleModelReport result;

  const QDir model(modelDirectory);
  const QString iconDirectory = model.absoluteFilePath(QStringLiteral("../Cochlex_KT_source"));
  if (!QDir().mkpath(model.absoluteFilePath(QStringLiteral("Joint"))) ||
      !QDir().mkpath(iconDirectory)) {
    if (error) {
      *error = QStringLiteral("Cannot create the folders of %1").arg(modelDirectory);
    }
    return false;
  }
  auto path = [&](const char* relative) {
    return model.absolutePath() + QLatin1String(relative[0] == '/' ? "" : "/") +
           QString::fromLatin1(relative);
  };

  const sample::JointAnatomy anatomy;
  const auto& infos = sample::structureInfos();

  QByteArray list;
  for (const auto& info : infos) {
    list += QByteArray(info.relativePath) + '\n' + info.opacityText + "\n\n";
  }
  if (!writeBytes(path("/Joint_transformed.txt"), list, error)) {
    return false;
  }

  QElapsedTimer timer;
  timer.start();
  std::vector<vtkSmartPointer<vtkPolyData>> surfaces;
  for (int structure = 0; structure < sample::structureCount; ++structure) {
    const auto& info = infos[structure];
    surfaces.push_back(sample::structureSurface(anatomy, structure));
    result.structureTriangles[structure] = surfaces.back()->GetNumberOfPolys();
    std::string problem;
    if (!sample::writeLegacyPolyData(surfaces.back(),
                                     QFile::encodeName(path(info.relativePath)).toStdString(),
                                     std::string("Cochlex teaching model: ") + info.name,
                                     &problem)) {
      if (error) {
        *error = QString::fromStdString(problem);
      }
      return false;
    }
    if (!writeBytes(
          path(info.relativePath) + QStringLiteral(".color"), colorText(info.color), error) ||
        !writeBytes(path(info.relativePath) + QStringLiteral(".html"),
                    sample::structureDescription(info.name),
                    error)) {
      return false;
    }
  }
  const sample::HeadShape headShape(anatomy.jointCentreInModel());
  vtkSmartPointer<vtkPolyData> head = sample::headSurface(headShape);
  result.headTriangles = head->GetNumberOfPolys();
  std::string problem;
  if (!sample::writeLegacyPolyData(
        head,
        QFile::encodeName(path("/Joint/Head_bone_transformed.vtp")).toStdString(),
        "Cochlex teaching model: head",
        &problem)) {
    if (error) {
      *error = QString::fromStdString(problem);
    }
    return false;
  }
  result.surfaceSeconds = timer.elapsed() / 1000.0;

  timer.restart();
  const std::vector<std::uint8_t> volume = sample::generateVolume(anatomy);
  if (!writeBytes(
        path("/Joint/Joint.raw"),
        QByteArray::fromRawData(reinterpret_cast<const char*>(volume.data()), int(volume.size())),
        error)) {
    return false;
  }
  result.volumeSeconds = timer.elapsed() / 1000.0;

  if (!writeImage(path("TB.png"), sample::splashImage(motifItems(surfaces, false)), error) ||
      !writeImage(iconDirectory + QStringLiteral("/icon.png"),
                  sample::iconImage(motifItems(surfaces, true), 64),
                  error) ||
      !writeBytes(path("help2.html"), sample::helpPage(), error) ||
      !writeBytes(path("about2.html"), sample::aboutPage(), error)) {
    return false;
  }
  for (const char* track : { "Track_1.wma", "Track_2.wma" }) {
    QFile recording(QStringLiteral(":/cochlex/audio/") + QLatin1String(track));
    if (!recording.open(QIODevice::ReadOnly)) {
      if (error) {
        *error = QStringLiteral("Missing recording %1").arg(QLatin1String(track));
      }
      return false;
    }
    if (!writeBytes(path(track), recording.readAll(), error)) {
      return false;
    }
  }

  result.seconds = total.elapsed() / 1000.0;
  if (report) {
    *report = result;
  }
  return true;
}

bool
writeSampleIcon(const QString& path, int size, QString* error)
{
  const sample::JointAnatomy anatomy;
  std::vector<vtkSmartPointer<vtkPolyData>> surfaces(sample::structureCount);
  for (int structure : { sample::Stapes, sample::StapesCartilage }) {
    surfaces[structure] = sample::structureSurface(anatomy, structure);
  }
  return writeImage(path, sample::iconImage(motifItems(surfaces, true), size), error);
}
