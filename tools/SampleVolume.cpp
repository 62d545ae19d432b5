#include "SampleVolume.h"

#include "SampleAnatomy.h"

#include <vtkSMPTools.h>

#include <algorithm>
#include <cmath>

namespace sample {

namespace {

constexpr int nx = volumeDimensions[0];
constexpr int ny = volumeDimensions[1];
constexpr int nz = volumeDimensions[2];
constexpr std::size_t sliceSize = std::size_t(nx) * ny;

// Grey values are carried with four fractional bits through noise and blur.
constexpr int scale = 16;

std::uint32_t
hash(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t seed)
{
  std::uint32_t h = seed ^ (a * 0x8da6b343u) ^ (b * 0xd8163841u) ^ (c * 0xcb1ab31fu);
  h ^= h >> 16;
  h *= 0x7feb352du;
  h ^= h >> 15;
  h *= 0x846ca68bu;
  h ^= h >> 16;
  return h;
}

// Uniform in [-1, 1].
double
unitNoise(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t seed)
{
  return hash(a, b, c, seed) * (2.0 / 4294967295.0) - 1.0;
}

double
smoothstep(double t)
{
  return t * t * (3.0 - 2.0 * t);
}

// Value noise on a coarse square lattice, interpolated smoothly; layer selects an independent
// lattice.
double
latticeNoise(double x, double y, int layer, std::uint32_t seed)
{
  const int ix = int(std::floor(x)), iy = int(std::floor(y));
  const double fx = smoothstep(x - ix), fy = smoothstep(y - iy);
  auto at = [&](int dx, int dy) { return unitNoise(ix + dx + 1000, iy + dy + 1000, layer, seed); };
  return (1 - fy) * ((1 - fx) * at(0, 0) + fx * at(1, 0)) +
         fy * ((1 - fx) * at(0, 1) + fx * at(1, 1));
}

// Fills the voxels [i0, i1) x [j0, j1) x [k0, k1) with their tissue grey values: with one value
// where no boundary passes through the block, else block by smaller block down to single
// voxels.
void
fillBlock(const JointAnatomy& anatomy,
          std::vector<std::int16_t>& values,
          int i0,
          int i1,
          int j0,
          int j1,
          int k0,
          int k1)
{
  const double extent[3] = { (i1 - 1 - i0) * volumeSpacing[0],
                             (j1 - 1 - j0) * volumeSpacing[1],
                             (k1 - 1 - k0) * volumeSpacing[2] };
  const double radius =
    0.5 * std::sqrt(extent[0] * extent[0] + extent[1] * extent[1] + extent[2] * extent[2]);
  const Vec3 centre{ 0.5 * (i0 + i1 - 1) * volumeSpacing[0],
                     0.5 * (j0 + j1 - 1) * volumeSpacing[1],
                     0.5 * (k0 + k1 - 1) * volumeSpacing[2] };
  const int voxels = (i1 - i0) * (j1 - j0) * (k1 - k0);
  bool uniform = false;
  const std::uint8_t value =
    voxels == 1 ? anatomy.greyValue(centre) : anatomy.greyValue(centre, radius, &uniform);
  if (voxels == 1 || uniform) {
    for (int k = k0; k < k1; ++k) {
      for (int j = j0; j < j1; ++j) {
        std::int16_t* line = values.data() + k * sliceSize + std::size_t(j) * nx;
        std::fill(line + i0, line + i1, std::int16_t(value * scale));
      }
    }
    return;
  }
  const int im = (i0 + i1 + 1) / 2, jm = (j0 + j1 + 1) / 2, km = (k0 + k1 + 1) / 2;
  for (int part = 0; part < 8; ++part) {
    const int a0 = (part & 1) ? im : i0, a1 = (part & 1) ? i1 : im;
    const int b0 = (part & 2) ? jm : j0, b1 = (part & 2) ? j1 : jm;
    const int c0 = (part & 4) ? km : k0, c1 = (part & 4) ? k1 : km;
    if (a0 < a1 && b0 < b1 && c0 < c1) {
      fillBlock(anatomy, values, a0, a1, b0, b1, c0, c1);
    }
  }
}

// Tissue grey values of every voxel.
void
classify(const JointAnatomy& anatomy, std::vector<std::int16_t>& values)
{
  constexpr int bx = 16, by = 16, bz = 8;
  constexpr int blocksX = (nx + bx - 1) / bx;
  constexpr int blocksY = (ny + by - 1) / by;
  constexpr int blocksZ = (nz + bz - 1) / bz;
  vtkSMPTools::For(0, vtkIdType(blocksZ) * blocksY, [&](vtkIdType begin, vtkIdType end) {
    for (vtkIdType row = begin; row < end; ++row) {
      const int kb = int(row / blocksY), jb = int(row % blocksY);
      for (int ib = 0; ib < blocksX; ++ib) {
        fillBlock(anatomy,
                  values,
                  ib * bx,
                  std::min(nx, (ib + 1) * bx),
                  jb * by,
                  std::min(ny, (jb + 1) * by),
                  kb * bz,
                  std::min(nz, (kb + 1) * bz));
      }
    }
  });
}

void
addFineNoise(std::vector<std::int16_t>& values)
{
  constexpr double amplitude = 16.0 * scale;
  vtkSMPTools::For(0, nz, [&](vtkIdType begin, vtkIdType end) {
    for (vtkIdType k = begin; k < end; ++k) {
      for (int j = 0; j < ny; ++j) {
        std::int16_t* line = values.data() + k * sliceSize + std::size_t(j) * nx;
        for (int i = 0; i < nx; ++i) {
          line[i] = std::int16_t(line[i] + std::lround(amplitude * unitNoise(i, j, k, 0x5eed)));
        }
      }
    }
  });
}

// Binomial blur [1 2 1] / 4 within each slice, then [1 6 1] / 8 across slices (the slices are
// farther apart than the pixels).
void
blur(std::vector<std::int16_t>& values)
{
  vtkSMPTools::For(0, nz, [&](vtkIdType begin, vtkIdType end) {
    std::vector<std::int16_t> previous(nx);
    for (vtkIdType k = begin; k < end; ++k) {
      std::int16_t* slice = values.data() + k * sliceSize;
      for (int j = 0; j < ny; ++j) {
        std::int16_t* line = slice + std::size_t(j) * nx;
        std::int16_t left = line[0];
        for (int i = 0; i < nx; ++i) {
          const std::int16_t centre = line[i];
          const std::int16_t right = line[std::min(i + 1, nx - 1)];
          line[i] = std::int16_t((left + 2 * centre + right + 2) >> 2);
          left = centre;
        }
      }
      std::copy(slice, slice + nx, previous.begin());
      for (int j = 0; j < ny; ++j) {
        std::int16_t* line = slice + std::size_t(j) * nx;
        const std::int16_t* next = slice + std::size_t(std::min(j + 1, ny - 1)) * nx;
        for (int i = 0; i < nx; ++i) {
          const std::int16_t centre = line[i];
          line[i] = std::int16_t((previous[i] + 2 * centre + next[i] + 2) >> 2);
          previous[i] = centre;
        }
      }
    }
  });
  vtkSMPTools::For(0, ny, [&](vtkIdType begin, vtkIdType end) {
    std::vector<std::int16_t> previous(nx);
    for (vtkIdType j = begin; j < end; ++j) {
      std::copy(values.data() + std::size_t(j) * nx,
                values.data() + std::size_t(j + 1) * nx,
                previous.begin());
      for (int k = 0; k < nz; ++k) {
        std::int16_t* line = values.data() + k * sliceSize + std::size_t(j) * nx;
        const std::int16_t* next =
          values.data() + std::min(k + 1, nz - 1) * sliceSize + std::size_t(j) * nx;
        for (int i = 0; i < nx; ++i) {
          const std::int16_t centre = line[i];
          line[i] = std::int16_t((previous[i] + 6 * centre + next[i] + 4) >> 3);
          previous[i] = centre;
        }
      }
    }
  });
}

} // namespace

std::vector<std::uint8_t>
generateVolume(const JointAnatomy& anatomy)
{
  std::vector<std::int16_t> values(sliceSize * nz);
  classify(anatomy, values);
  addFineNoise(values);
  blur(values);

  // Slow variations of the grey level across the field of view, like those of a real scan, and
  // a slight brightening toward its rim: one smooth noise layer per lattice step along z,
  // blended between layers slice by slice.
  constexpr double cell = 0.45;
  const int layers = int(nz * volumeSpacing[2] / cell) + 2;
  std::vector<float> shading(layers * sliceSize);
  const double width = nx * volumeSpacing[0], height = ny * volumeSpacing[1];
  vtkSMPTools::For(0, layers, [&](vtkIdType begin, vtkIdType end) {
    for (vtkIdType layer = begin; layer < end; ++layer) {
      for (int j = 0; j < ny; ++j) {
        const double y = j * volumeSpacing[1];
        for (int i = 0; i < nx; ++i) {
          const double x = i * volumeSpacing[0];
          const double radial =
            std::pow((x - 0.5 * width) / width, 2) + std::pow((y - 0.5 * height) / height, 2);
          shading[layer * sliceSize + std::size_t(j) * nx + i] =
            float(3.5 * latticeNoise(x / cell, y / cell, int(layer), 0x5a3d) + 4.0 * radial - 1.0);
        }
      }
    }
  });

  std::vector<std::uint8_t> bytes(values.size());
  vtkSMPTools::For(0, nz, [&](vtkIdType begin, vtkIdType end) {
    for (vtkIdType k = begin; k < end; ++k) {
      const double z = k * volumeSpacing[2] / cell;
      const int layer = int(z);
      const float blend = float(smoothstep(z - layer));
      const float* below = shading.data() + layer * sliceSize;
      const float* above = below + sliceSize;
      for (std::size_t index = 0; index < sliceSize; ++index) {
        const float shade = below[index] + blend * (above[index] - below[index]);
        const long grey = std::lround(values[k * sliceSize + index] / float(scale) + shade);
        bytes[k * sliceSize + index] = std::uint8_t(std::clamp(grey, 0L, 255L));
      }
    }
  });
  return bytes;
}

} // namespace sample
