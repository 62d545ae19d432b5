// Time to generate the whole sample teaching model, and the size of its surfaces for
// interactive rendering. Baseline: reading the same files back with VTK's legacy reader and a
// plain bulk read of the volume, as the viewer does at start-up.

#include "tools/SampleAnatomy.h"
#include "tools/SampleModel.h"

#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkPolyDataReader.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

int
main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QGuiApplication application(argc, argv);
  QTemporaryDir directory;
  const QString model = directory.path() + QStringLiteral("/model");

  SampleModelReport report;
  QString error;
  const std::clock_t cpuStart = std::clock();
  const bool written = writeSampleModel(model, &error, &report);
  // Processor time of all threads: the wall-clock time depends on what else the machine runs.
  const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  if (!written) {
    std::printf("{\"error\": \"%s\"}\n", qPrintable(error));
    return 1;
  }

  QElapsedTimer timer;
  timer.start();
  long long readTriangles = 0;
  QStringList surfaces;
  for (const auto& info : sample::structureInfos()) {
    surfaces << model + QLatin1String(info.relativePath);
  }
  surfaces << model + QStringLiteral("/Joint/Head_bone_transformed.vtp");
  for (const QString& path : surfaces) {
    vtkNew<vtkPolyDataReader> reader;
    reader->SetFileName(QFile::encodeName(path).constData());
    reader->Update();
    readTriangles += reader->GetOutput()->GetNumberOfPolys();
  }
  const double readSurfacesSeconds = timer.elapsed() / 1000.0;
  timer.restart();
  QFile volume(model + QStringLiteral("/Joint/Joint.raw"));
  volume.open(QIODevice::ReadOnly);
  const qint64 volumeBytes = volume.readAll().size();
  const double readVolumeSeconds = timer.elapsed() / 1000.0;

  long long structureTriangles = 0;
  std::printf("{\n  \"benchmark\": \"sample_model_generation\",\n");
  std::printf("  \"seconds\": %.3f,\n  \"cpu_seconds\": %.3f,\n  \"surface_seconds\": %.3f,\n"
              "  \"volume_seconds\": %.3f,\n",
              report.seconds,
              cpuSeconds,
              report.surfaceSeconds,
              report.volumeSeconds);
  std::printf("  \"structure_triangles\": {");
  for (int i = 0; i < sample::structureCount; ++i) {
    structureTriangles += report.structureTriangles[i];
    std::printf("%s\"%s\": %lld",
                i ? ", " : "",
                sample::structureInfos()[i].name,
                report.structureTriangles[i]);
  }
  std::printf("},\n  \"structure_triangles_total\": %lld,\n  \"head_triangles\": %lld,\n",
              structureTriangles,
              report.headTriangles);
  std::printf("  \"baseline\": {\"legacy_reader_seconds\": %.3f, \"triangles_read\": %lld, "
              "\"volume_read_seconds\": %.3f, \"volume_bytes\": %lld}\n}\n",
              readSurfacesSeconds,
              readTriangles,
              readVolumeSeconds,
              (long long)volumeBytes);
  return 0;
}
