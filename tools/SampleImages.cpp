#include "SampleImages.h"

#include <vtkCellArray.h>
#include <vtkCellArrayIterator.h>
#include <vtkDataArray.h>
#include <vtkPointData.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <limits>

namespace sample {

namespace {

struct Fragment
{
  float depth = std::numeric_limits<float>::infinity();
  float red = 0, green = 0, blue = 0;
};

class Rasterizer
{
public:
  Rasterizer(int width, int height, const Vec3& viewDirection, const Vec3& up)
    : width(width)
    , height(height)
    , forward(normalized(viewDirection))
    , right(normalized(cross(forward, up)))
    , upward(cross(right, forward))
    , keyLight(normalized(-1.0 * forward + 0.6 * upward - 0.5 * right))
    , fillLight(normalized(-1.0 * forward + 0.7 * right - 0.2 * upward))
    , halfway(normalized(keyLight - forward))
  {
  }

  void fit(const std::vector<RenderItem>& items, double fill)
  {
    double low[2] = { 1e300, 1e300 }, high[2] = { -1e300, -1e300 };
    for (const RenderItem& item : items) {
      vtkPoints* points = item.surface->GetPoints();
      for (vtkIdType i = 0; points && i < points->GetNumberOfPoints(); ++i) {
        double p[3];
        points->GetPoint(i, p);
        const Vec3 point{ p[0], p[1], p[2] };
        const double x = dot(point, right), y = dot(point, upward);
        low[0] = std::min(low[0], x);
        high[0] = std::max(high[0], x);
        low[1] = std::min(low[1], y);
        high[1] = std::max(high[1], y);
      }
    }
    centre[0] = 0.5 * (low[0] + high[0]);
    centre[1] = 0.5 * (low[1] + high[1]);
    scale = fill * std::min(width / std::max(high[0] - low[0], 1e-9),
                            height / std::max(high[1] - low[1], 1e-9));
  }

  void draw(const RenderItem& item,
            std::vector<Fragment>& fragments,
            const std::vector<Fragment>* occluders)
  {
    vtkPoints* points = item.surface->GetPoints();
    vtkDataArray* normals = item.surface->GetPointData()->GetNormals();
    vtkCellArray* polys = item.surface->GetPolys();
    if (!points || !normals || !polys) {
      return;
    }
    const double base[3] = { item.color.redF(), item.color.greenF(), item.color.blueF() };
    vtkIdType count = 0;
    const vtkIdType* ids = nullptr;
    auto iterator = vtk::TakeSmartPointer(polys->NewIterator());
    for (iterator->GoToFirstCell(); !iterator->IsDoneWithTraversal(); iterator->GoToNextCell()) {
      iterator->GetCurrentCell(count, ids);
      if (count != 3) {
        continue;
      }
      double screen[3][3];
      Vec3 normal[3];
      for (int corner = 0; corner < 3; ++corner) {
        double p[3], n[3];
        points->GetPoint(ids[corner], p);
        normals->GetTuple(ids[corner], n);
        const Vec3 point{ p[0], p[1], p[2] };
        screen[corner][0] = (dot(point, right) - centre[0]) * scale + 0.5 * width;
        screen[corner][1] = 0.5 * height - (dot(point, upward) - centre[1]) * scale;
        screen[corner][2] = dot(point, forward);
        normal[corner] = { n[0], n[1], n[2] };
      }
      const double area = (screen[1][0] - screen[0][0]) * (screen[2][1] - screen[0][1]) -
                          (screen[2][0] - screen[0][0]) * (screen[1][1] - screen[0][1]);
      if (std::abs(area) < 1e-12) {
        continue;
      }
      const int x0 =
        std::max(0, int(std::floor(std::min({ screen[0][0], screen[1][0], screen[2][0] }))));
      const int x1 =
        std::min(width - 1, int(std::ceil(std::max({ screen[0][0], screen[1][0], screen[2][0] }))));
      const int y0 =
        std::max(0, int(std::floor(std::min({ screen[0][1], screen[1][1], screen[2][1] }))));
      const int y1 = std::min(
        height - 1, int(std::ceil(std::max({ screen[0][1], screen[1][1], screen[2][1] }))));
      for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
          const double px = x + 0.5, py = y + 0.5;
          auto edge = [&](int a, int b) {
            return ((screen[b][0] - screen[a][0]) * (py - screen[a][1]) -
                    (screen[b][1] - screen[a][1]) * (px - screen[a][0])) /
                   area;
          };
          const double w0 = edge(1, 2), w1 = edge(2, 0), w2 = edge(0, 1);
          if (w0 < 0 || w1 < 0 || w2 < 0) {
            continue;
          }
          const float depth = float(w0 * screen[0][2] + w1 * screen[1][2] + w2 * screen[2][2]);
          Fragment& fragment = fragments[std::size_t(y) * width + x];
          if (depth >= fragment.depth) {
            continue;
          }
          if (occluders && depth >= (*occluders)[std::size_t(y) * width + x].depth) {
            continue;
          }
          Vec3 n = w0 * normal[0] + w1 * normal[1] + w2 * normal[2];
          const double nLength = length(n);
          if (nLength < 1e-12) {
            continue;
          }
          n = (1.0 / nLength) * n;
          if (dot(n, forward) > 0) {
            n = -1.0 * n;
          }
          const double diffuse =
            0.22 + 0.62 * std::max(0.0, dot(n, keyLight)) + 0.24 * std::max(0.0, dot(n, fillLight));
          const double specular = 0.3 * std::pow(std::max(0.0, dot(n, halfway)), 40.0);
          fragment.depth = depth;
          fragment.red = float(std::min(1.0, base[0] * diffuse + specular));
          fragment.green = float(std::min(1.0, base[1] * diffuse + specular));
          fragment.blue = float(std::min(1.0, base[2] * diffuse + specular));
        }
      }
    }
  }

  const int width, height;

private:
  const Vec3 forward, right, upward, keyLight, fillLight, halfway;
  double centre[2] = { 0, 0 };
  double scale = 1;
};

} // namespace

QImage
renderSurfaces(const std::vector<RenderItem>& items,
               int width,
               int height,
               const Vec3& viewDirection,
               const Vec3& up,
               double fill)
{
  constexpr int supersampling = 3;
  Rasterizer rasterizer(width * supersampling, height * supersampling, viewDirection, up);
  rasterizer.fit(items, fill);
  const std::size_t pixelCount = std::size_t(rasterizer.width) * rasterizer.height;
  std::vector<Fragment> opaque(pixelCount);
  for (const RenderItem& item : items) {
    if (item.opacity >= 1.0) {
      rasterizer.draw(item, opaque, nullptr);
    }
  }
  // The nearest translucent surface in front of the opaque ones, blended over them once.
  std::vector<Fragment> translucent(pixelCount);
  std::vector<float> translucentOpacity(pixelCount, 0.0f);
  for (const RenderItem& item : items) {
    if (item.opacity < 1.0) {
      std::vector<Fragment> layer = translucent;
      rasterizer.draw(item, layer, &opaque);
      for (std::size_t i = 0; i < pixelCount; ++i) {
        if (layer[i].depth < translucent[i].depth) {
          translucent[i] = layer[i];
          translucentOpacity[i] = float(item.opacity);
        }
      }
    }
  }

  QImage image(rasterizer.width, rasterizer.height, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < rasterizer.height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < rasterizer.width; ++x) {
      const std::size_t i = std::size_t(y) * rasterizer.width + x;
      const bool hasOpaque = std::isfinite(opaque[i].depth);
      const float a = translucentOpacity[i];
      const float coverage = hasOpaque ? 1.0f : a;
      const float red = (hasOpaque ? (1 - a) * opaque[i].red : 0) + a * translucent[i].red;
      const float green = (hasOpaque ? (1 - a) * opaque[i].green : 0) + a * translucent[i].green;
      const float blue = (hasOpaque ? (1 - a) * opaque[i].blue : 0) + a * translucent[i].blue;
      line[x] = qRgba(int(std::lround(255 * red)),
                      int(std::lround(255 * green)),
                      int(std::lround(255 * blue)),
                      int(std::lround(255 * coverage)));
    }
  }
  return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

namespace {

// Seen from in front, below and a little from the side, the stapes shows its arch and the
// incus its long process coming down to the joint.
const Vec3 motifDirection{ 0.45, 0.8, 0.4 };
const Vec3 motifUp{ 0.0, 0.0, 1.0 };

QFont
font(int pixelSize, bool bold)
{
  QFont result(QStringLiteral("DejaVu Sans"));
  result.setPixelSize(pixelSize);
  result.setBold(bold);
  result.setStyleStrategy(QFont::PreferAntialias);
  return result;
}

} // namespace

QImage
splashImage(const std::vector<RenderItem>& items)
{
  constexpr int width = 600, height = 360;
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  QRadialGradient background(QPointF(420, 170), 420);
  background.setColorAt(0.0, QColor(38, 62, 92));
  background.setColorAt(1.0, QColor(8, 16, 30));
  painter.fillRect(image.rect(), background);

  const QImage motif = renderSurfaces(items, 300, 330, motifDirection, motifUp, 0.92);
  painter.drawImage(QPointF(width - 310, 15), motif);

  painter.setPen(QColor(245, 240, 225));
  painter.setFont(font(54, true));
  painter.drawText(
    QRectF(32, 70, 300, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Cochlex"));
  painter.setPen(QColor(150, 200, 235));
  painter.setFont(font(18, false));
  painter.drawText(QRectF(34, 142, 280, 30),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Middle-ear anatomy in 3-D"));
  painter.setPen(QPen(QColor(150, 200, 235, 120), 1.5));
  painter.drawLine(QPointF(34, 184), QPointF(270, 184));
  painter.setPen(QColor(200, 210, 220));
  painter.setFont(font(14, false));
  painter.drawText(QRectF(34, 196, 260, 60),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   QStringLiteral("Teaching model of the incudostapedial joint"));
  painter.setPen(QColor(120, 140, 160));
  painter.setFont(font(12, false));
  painter.drawText(QRectF(34, 312, 270, 24),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Loading the teaching model..."));
  painter.end();
  return image;
}

QImage
iconImage(const std::vector<RenderItem>& items, int size)
{
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const double inset = size / 32.0;
  QPainterPath tile;
  tile.addRoundedRect(
    QRectF(inset, inset, size - 2 * inset, size - 2 * inset), size / 5.0, size / 5.0);
  QLinearGradient background(0, 0, 0, size);
  background.setColorAt(0.0, QColor(44, 82, 122));
  background.setColorAt(1.0, QColor(14, 30, 52));
  painter.fillPath(tile, background);
  // The stirrup standing upright: head at the top, footplate at the bottom, seen from below
  // and slightly in front so that its arch is open.
  const int motifSize = int(std::lround(size * 0.86));
  const QImage motif =
    renderSurfaces(items, motifSize, motifSize, { 0.25, 0.3, 1.0 }, { -1.0, 0.0, 0.0 }, 0.95);
  painter.drawImage(QPointF(0.5 * (size - motifSize), 0.5 * (size - motifSize)), motif);
  painter.end();
  return image;
}

} // namespace sample
