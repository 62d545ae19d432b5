// cochlex-make-model on a 512 x 512 x 300 label map with five labels and its CT (NIfTI, 0.2 mm
// voxels, the size of a temporal-bone scan): wall-clock time and peak resident memory of the
// tool, run as the user runs it. Baseline in the same run: VTK alone reading both images and
// contouring the five labels in one discrete flying-edges pass, the least any such tool does;
// and a reference pipeline of what a careful script does with VTK alone: per label discrete
// flying edges, windowed-sinc smoothing and quadric decimation to the tool's default budget of
// 60,000 triangles, after reading the CT as the tool does. The tool should be at most as slow as
// the reference.
//   bench_make_model [--keep FOLDER]     (FOLDER keeps the inputs and the model)

#include <vtkDiscreteFlyingEdges3D.h>
#include <vtkImageData.h>
#include <vtkNIFTIImageReader.h>
#include <vtkNIFTIImageWriter.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkQuadricDecimation.h>
#include <vtkWindowedSincPolyDataFilter.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int nx = 512, ny = 512, nz = 300;
constexpr double spacing = 0.2;

int
labelAt(double x, double y, double z)
{
  auto ellipsoid = [&](double cx, double cy, double cz, double rx, double ry, double rz) {
    return std::pow((x - cx) / rx, 2) + std::pow((y - cy) / ry, 2) + std::pow((z - cz) / rz, 2) < 1;
  };
  if (ellipsoid(40, 50, 30, 9, 6, 5)) {
    return 1;
  }
  if (ellipsoid(55, 50, 30, 7, 7, 7)) {
    return 2;
  }
  const double ring = std::hypot(x - 70, y - 50) - 6;
  if (ring * ring + (z - 30) * (z - 30) < 4) {
    return 3;
  }
  if (std::hypot(y - 65, z - 25) < 1.2 && x > 10 && x < 95) {
    return 4;
  }
  return ellipsoid(60, 35, 35, 4, 3, 8) ? 5 : 0;
}

void
writeInputs(const QString& folder)
{
  vtkNew<vtkImageData> labels, ct;
  for (vtkImageData* image : { labels.GetPointer(), ct.GetPointer() }) {
    image->SetDimensions(nx, ny, nz);
    image->SetSpacing(spacing, spacing, spacing);
  }
  labels->AllocateScalars(VTK_UNSIGNED_CHAR, 1);
  ct->AllocateScalars(VTK_SHORT, 1);
  auto* label = static_cast<std::uint8_t*>(labels->GetScalarPointer());
  auto* grey = static_cast<std::int16_t*>(ct->GetScalarPointer());
  const std::int16_t values[6] = { -700, 1600, 1500, 1400, 40, 900 };
  std::size_t index = 0;
  for (int k = 0; k < nz; ++k) {
    for (int j = 0; j < ny; ++j) {
      for (int i = 0; i < nx; ++i, ++index) {
        label[index] = std::uint8_t(labelAt(i * spacing, j * spacing, k * spacing));
        grey[index] =
          std::int16_t(values[label[index]] + int((index * 2654435761u >> 7) % 120) - 60);
      }
    }
  }
  for (auto [image, name] :
       { std::pair{ labels.GetPointer(), "labels.nii" }, std::pair{ ct.GetPointer(), "ct.nii" } }) {
    vtkNew<vtkNIFTIImageWriter> writer;
    writer->SetInputData(image);
    writer->SetFileName(QDir(folder).filePath(name).toLocal8Bit().constData());
    writer->Write();
  }
}

} // namespace

int
main(int argc, char** argv)
{
  QCoreApplication application(argc, argv);
  QTemporaryDir scratch;
  QString folder = scratch.path();
  const QStringList arguments = application.arguments();
  if (arguments.size() == 3 && arguments[1] == QLatin1String("--keep")) {
    folder = arguments[2];
    QDir().mkpath(folder);
  }
  writeInputs(folder);

  QElapsedTimer timer;
  timer.start();
  for (const char* name : { "labels.nii", "ct.nii" }) {
    vtkNew<vtkNIFTIImageReader> reader;
    reader->SetFileName(QDir(folder).filePath(name).toLocal8Bit().constData());
    reader->Update();
    if (name[0] == 'l') {
      vtkNew<vtkDiscreteFlyingEdges3D> contour;
      contour->SetInputConnection(reader->GetOutputPort());
      contour->GenerateValues(5, 1, 5);
      contour->Update();
    }
  }
  const double baselineSeconds = timer.elapsed() / 1000.0;

  timer.restart();
  {
    // The CT is read too: the tool turns it into the model's section volume.
    vtkNew<vtkNIFTIImageReader> ctReader;
    ctReader->SetFileName(QDir(folder).filePath("ct.nii").toLocal8Bit().constData());
    ctReader->Update();
    vtkNew<vtkNIFTIImageReader> reader;
    reader->SetFileName(QDir(folder).filePath("labels.nii").toLocal8Bit().constData());
    reader->Update();
    for (int label = 1; label <= 5; ++label) {
      vtkNew<vtkDiscreteFlyingEdges3D> contour;
      contour->SetInputConnection(reader->GetOutputPort());
      contour->SetValue(0, label);
      contour->ComputeNormalsOff();
      contour->ComputeGradientsOff();
      contour->ComputeScalarsOff();
      vtkNew<vtkWindowedSincPolyDataFilter> smoother;
      smoother->SetInputConnection(contour->GetOutputPort());
      smoother->SetNumberOfIterations(20);
      smoother->SetPassBand(0.1);
      smoother->NormalizeCoordinatesOn();
      smoother->Update();
      const vtkIdType triangles = smoother->GetOutput()->GetNumberOfPolys();
      if (triangles > 60000) {
        vtkNew<vtkQuadricDecimation> decimate;
        decimate->SetInputConnection(smoother->GetOutputPort());
        decimate->SetTargetReduction(1.0 - 60000.0 / double(triangles));
        decimate->Update();
      }
    }
  }
  const double referenceSeconds = timer.elapsed() / 1000.0;

  const QString tool =
    QCoreApplication::applicationDirPath() + "/../tools/make_model/cochlex-make-model";
  QDir(folder + "/model").removeRecursively();
  QProcess process;
  timer.restart();
  process.start(tool,
                { QDir(folder).filePath("labels.nii"),
                  "--ct",
                  QDir(folder).filePath("ct.nii"),
                  folder + "/model" });
  const bool finished = process.waitForFinished(600000);
  const double toolSeconds = timer.elapsed() / 1000.0;
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  if (!finished || process.exitCode() != 0) {
    std::printf("{\"error\": \"%s\"}\n",
                process.readAllStandardError().replace('"', '\'').constData());
    return 1;
  }
  std::printf("{\n  \"label_map\": \"%d x %d x %d, 5 labels, with CT\",\n"
              "  \"make_model_seconds\": %.2f,\n  \"make_model_peak_megabytes\": %.0f,\n"
              "  \"baseline_read_and_contour_seconds\": %.2f,\n  \"ratio\": %.2f,\n"
              "  \"reference_pipeline_seconds\": %.2f,\n  \"ratio_to_reference\": %.2f,\n"
              "  \"target_seconds\": 20,\n  \"target_megabytes\": 2048\n}\n",
              nx,
              ny,
              nz,
              toolSeconds,
              usage.ru_maxrss / 1024.0,
              baselineSeconds,
              toolSeconds / baselineSeconds,
              referenceSeconds,
              toolSeconds / referenceSeconds);
  return 0;
}
