// Writes a generated teaching model the size of the ones teachers bring from real segmentations,
// through the model maker's own writer (manifest, structure list, colours, splash, volume):
// per structure an ellipsoid of about 50 000 triangles, and a section volume of 512 x 512 voxels
// with 7.5 slices per structure. With 40 structures that is 2 million triangles and a
// 512 x 512 x 300 volume (79 MB), the size of a whole-middle-ear CT cropped to its labels.
//
//   bench_scale_model <new folder> <structures>
//
// Prints one line of JSON: the structures, triangles and volume written.

#include "tools/make_model/ModelWriter.h"

#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkSphereSource.h>
#include <vtkTransform.h>
#include <vtkTransformPolyDataFilter.h>

#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// 2 x 160 x 156 triangles: 50 000 per structure, 2 million for 40.
constexpr int sphereTheta = 160;
constexpr int spherePhi = 158;
constexpr int volumeSide = 512;
constexpr double voxelSpacing = 0.04; // mm: 512 voxels are 20.5 mm, a middle ear and more

vtkSmartPointer<vtkPolyData>
ellipsoid(const double centre[3], const double radii[3], int phi)
{
  vtkNew<vtkSphereSource> sphere;
  sphere->SetThetaResolution(sphereTheta);
  sphere->SetPhiResolution(phi);
  sphere->SetRadius(1.0);
  vtkNew<vtkTransform> placement;
  placement->Translate(centre);
  placement->Scale(radii);
  vtkNew<vtkTransformPolyDataFilter> placed;
  placed->SetInputConnection(sphere->GetOutputPort());
  placed->SetTransform(placement);
  placed->Update();
  vtkSmartPointer<vtkPolyData> surface = placed->GetOutput();
  return surface;
}

} // namespace

int
main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // The writer draws the model's splash picture with Qt's painter.
  QGuiApplication application(argc, argv);
  const int count = argc == 3 ? std::atoi(argv[2]) : 0;
  if (count < 1 || count > 64) {
    std::printf("usage: bench_scale_model <new folder> <structures, 1 to 64>\n");
    return 2;
  }
  const std::string folder = argv[1];

  makemodel::ModelContent content;
  // The structures stand in a grid of 4 x 4 columns, up to 4 layers high, inside the volume.
  const int slices = int(std::lround(7.5 * count));
  const double depth = slices * voxelSpacing;
  const double side = volumeSide * voxelSpacing;
  long long triangles = 0;
  for (int index = 0; index < count; ++index) {
    const int column = index % 4;
    const int row = (index / 4) % 4;
    const int layer = index / 16;
    const int layers = (count + 15) / 16;
    const double centre[3] = { side * (column + 0.5) / 4,
                               side * (row + 0.5) / 4,
                               depth * (layer + 0.5) / layers };
    const double radii[3] = { side / 9 * (1 + 0.1 * (index % 3)),
                              side / 10,
                              std::min(side / 12, depth / layers / 2.2) };
    makemodel::Structure structure;
    structure.name = "Structure " + std::to_string(index + 1);
    structure.group = "Group " + std::to_string(index / 8 + 1);
    structure.color = { 0.3 + 0.7 * ((index * 37) % 11) / 10.0,
                        0.3 + 0.7 * ((index * 17) % 7) / 6.0,
                        0.3 + 0.7 * ((index * 7) % 5) / 4.0 };
    structure.opacity = 1.0;
    structure.surface = ellipsoid(centre, radii, spherePhi);
    structure.source = "generated";
    triangles += structure.surface->GetNumberOfPolys();
    content.structures.push_back(structure);
  }
  const double headCentre[3] = { side / 2, side / 2, depth / 2 };
  const double headRadii[3] = { side, side, side };
  content.head = ellipsoid(headCentre, headRadii, 14);

  // Greys that change across the slice and between slices, so that every section step shows a
  // different picture: a bright shell around each column of structures on a ramp.
  content.volumeGrid.relativePath = "/Joint/Sections.raw";
  content.volumeGrid.dimensions = { volumeSide, volumeSide, slices };
  content.volumeGrid.spacing = { voxelSpacing, voxelSpacing, voxelSpacing };
  content.volumeGrid.origin = { 0, 0, 0 };
  content.volumeGrid.placed = true;
  content.volume.resize(std::size_t(content.volumeGrid.byteCount()));
  std::size_t voxel = 0;
  for (int k = 0; k < slices; ++k) {
    for (int j = 0; j < volumeSide; ++j) {
      for (int i = 0; i < volumeSide; ++i) {
        const int cellI = (i % 128) - 64;
        const int cellJ = (j % 128) - 64;
        const int ring = (cellI * cellI + cellJ * cellJ) / 64;
        content.volume[voxel++] = std::uint8_t(ring == 40 + k % 8 ? 230 : (i + j + 2 * k) / 8);
      }
    }
  }
  content.volumeSource = "generated";
  const std::string problem = makemodel::writeModelFolder(folder, false, {}, content);
  if (!problem.empty()) {
    std::printf("{\"error\": \"%s\"}\n", problem.c_str());
    return 1;
  }
  std::printf("{\"structures\": %d, \"structure_triangles\": %lld, \"head_triangles\": %lld, "
              "\"volume\": [%d, %d, %d], \"volume_mb\": %.1f}\n",
              count,
              triangles,
              static_cast<long long>(content.head->GetNumberOfPolys()),
              volumeSide,
              volumeSide,
              slices,
              double(content.volume.size()) / (1 << 20));
  return 0;
}
