#include "bench/SoakModel.h"

#include "tools/SampleModel.h"

#include <QDir>
#include <QFile>

#include <vtkCellData.h>
#include <vtkFieldData.h>
#include <vtkFloatArray.h>
#include <vtkIntArray.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkPolyData.h>
#include <vtkPolyDataNormals.h>
#include <vtkPolyDataReader.h>
#include <vtkPolyDataWriter.h>
#include <vtkStripper.h>

#include <cmath>
#include <cstdio>

// Writes the surface at path again with VTK's legacy writer in the given style (0-8).
namespace {

bool
writeVtkVariant(const QString& path, int style)
{
  vtkNew<vtkPolyDataReader> reader;
  reader->SetFileName(QFile::encodeName(path).constData());
  reader->Update();
  vtkSmartPointer<vtkPolyData> surface = reader->GetOutput();
  if (surface == nullptr || surface->GetNumberOfPoints() == 0) {
    return false;
  }
  if (style % 3 == 1 || surface->GetPointData()->GetNormals() == nullptr) {
    vtkNew<vtkPolyDataNormals> normals;
    normals->SetInputData(surface);
    normals->SplittingOff();
    normals->Update();
    surface = normals->GetOutput();
  }
  if (style == 2 || style == 7) {
    vtkNew<vtkStripper> strips;
    strips->SetInputData(surface);
    strips->Update();
    surface = strips->GetOutput();
  }
  const vtkIdType points = surface->GetNumberOfPoints();
  const vtkIdType cells = surface->GetNumberOfCells();
  if (style >= 3) {
    vtkNew<vtkFloatArray> pointScalars;
    pointScalars->SetName("thickness");
    pointScalars->SetNumberOfTuples(points);
    for (vtkIdType index = 0; index < points; ++index) {
      pointScalars->SetValue(index, float(index % 97) / 97.0f);
    }
    surface->GetPointData()->SetScalars(pointScalars);
    vtkNew<vtkIntArray> cellScalars;
    cellScalars->SetName("region");
    cellScalars->SetNumberOfTuples(cells);
    for (vtkIdType index = 0; index < cells; ++index) {
      cellScalars->SetValue(index, int(index % 5));
    }
    surface->GetCellData()->SetScalars(cellScalars);
  }
  if (style >= 4) {
    vtkNew<vtkIntArray> labelValue;
    labelValue->SetName("label value");
    labelValue->InsertNextValue(style + 1);
    surface->GetFieldData()->AddArray(labelValue);
    vtkNew<vtkFloatArray> coordinates;
    coordinates->SetName("uv");
    coordinates->SetNumberOfComponents(2);
    coordinates->SetComponentName(0, "u");
    coordinates->SetComponentName(1, "v");
    coordinates->SetNumberOfTuples(points);
    for (vtkIdType index = 0; index < points; ++index) {
      double point[3];
      surface->GetPoint(index, point);
      coordinates->SetTuple2(
        index, point[0] - std::floor(point[0]), point[1] - std::floor(point[1]));
    }
    surface->GetPointData()->SetTCoords(coordinates);
  }
  if (vtkDataArray* normals = surface->GetPointData()->GetNormals(); normals && style >= 5) {
    normals->SetComponentName(0, "x");
    normals->SetComponentName(1, "y");
    normals->SetComponentName(2, "z");
  }
  vtkNew<vtkPolyDataWriter> writer;
  writer->SetInputData(surface);
  writer->SetFileName(QFile::encodeName(path).constData());
  if (style % 2 == 1) {
    writer->SetFileTypeToBinary();
  }
  if (style == 6 || style == 8) {
    writer->SetFileVersion(vtkPolyDataWriter::VTK_LEGACY_READER_VERSION_4_2);
  }
  return writer->Write() == 1;
}

} // namespace

bool
writeSoakModel(const QString& folder, bool vtkVariants)
{
  QString error;
  if (!writeSampleModel(folder, &error)) {
    std::printf("soak: %s\n", qPrintable(error));
    return false;
  }
  if (!vtkVariants) {
    return true;
  }
  const QStringList surfaces =
    QDir(folder + "/Joint").entryList({ QStringLiteral("*.vtk") }, QDir::Files, QDir::Name);
  for (int index = 0; index < surfaces.size(); ++index) {
    if (!writeVtkVariant(folder + "/Joint/" + surfaces[index], index % 9)) {
      std::printf("soak: cannot rewrite %s\n", qPrintable(surfaces[index]));
      return false;
    }
  }
  return true;
}
