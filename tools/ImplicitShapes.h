#pragma once

// Implicit shapes in millimetres, shared by the sample models' generators: signed fields that are
// negative inside, zero on the surface and never steeper than the distance, so their magnitude
// bounds the distance to the surface from below and smooth unions of them stay well behaved.

#include <algorithm>
#include <cmath>

namespace sample {

struct Vec3
{
  double x = 0, y = 0, z = 0;
};

inline Vec3
operator+(const Vec3& a, const Vec3& b)
{
  return { a.x + b.x, a.y + b.y, a.z + b.z };
}
inline Vec3
operator-(const Vec3& a, const Vec3& b)
{
  return { a.x - b.x, a.y - b.y, a.z - b.z };
}
inline Vec3
operator*(double s, const Vec3& a)
{
  return { s * a.x, s * a.y, s * a.z };
}
inline double
dot(const Vec3& a, const Vec3& b)
{
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline double
length(const Vec3& a)
{
  return std::sqrt(dot(a, a));
}

struct Box
{
  Vec3 low, high;
};

inline double
clamp01(double value)
{
  return std::min(1.0, std::max(0.0, value));
}

// Polynomial smooth minimum: a union with a fillet of size k, still no steeper than its inputs.
inline double
smoothMin(double a, double b, double k)
{
  const double h = clamp01(0.5 + 0.5 * (b - a) / k);
  return b + (a - b) * h - k * h * (1.0 - h);
}

inline double
smoothMax(double a, double b, double k)
{
  return -smoothMin(-a, -b, k);
}

// Scaled so that the field never changes faster than the distance.
inline double
ellipsoid(const Vec3& q, const Vec3& centre, const Vec3& radii)
{
  const Vec3 d = q - centre;
  const double s = std::sqrt((d.x / radii.x) * (d.x / radii.x) + (d.y / radii.y) * (d.y / radii.y) +
                             (d.z / radii.z) * (d.z / radii.z));
  return (s - 1.0) * std::min(radii.x, std::min(radii.y, radii.z));
}

// A rounded box: the unit ball of the 3-norm, scaled; still no steeper than the distance.
inline double
superEllipsoid(const Vec3& q, const Vec3& centre, const Vec3& radii)
{
  const Vec3 d = q - centre;
  const double s =
    std::cbrt(std::pow(std::abs(d.x / radii.x), 3) + std::pow(std::abs(d.y / radii.y), 3) +
              std::pow(std::abs(d.z / radii.z), 3));
  return (s - 1.0) * std::min(radii.x, std::min(radii.y, radii.z));
}

inline double
ellipse(double u, double v, double a, double b)
{
  return (std::sqrt((u / a) * (u / a) + (v / b) * (v / b)) - 1.0) * std::min(a, b);
}

inline double
capsule(const Vec3& q, const Vec3& a, const Vec3& b, double radiusA, double radiusB)
{
  const Vec3 ab = b - a;
  const double lengthSquared = dot(ab, ab);
  const double h = clamp01(dot(q - a, ab) / lengthSquared);
  // A radius that changes along the axis steepens the field; scaling keeps it no steeper than
  // the distance.
  const double slope = (radiusB - radiusA) * (radiusB - radiusA) / lengthSquared;
  return (length(q - a - h * ab) - (radiusA + h * (radiusB - radiusA))) / std::sqrt(1.0 + slope);
}

inline double
boxDistance(const Box& box, const Vec3& q)
{
  const double dx = std::max(0.0, std::max(box.low.x - q.x, q.x - box.high.x));
  const double dy = std::max(0.0, std::max(box.low.y - q.y, q.y - box.high.y));
  const double dz = std::max(0.0, std::max(box.low.z - q.z, q.z - box.high.z));
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

inline Box
unite(const Box& a, const Box& b)
{
  return {
    { std::min(a.low.x, b.low.x), std::min(a.low.y, b.low.y), std::min(a.low.z, b.low.z) },
    { std::max(a.high.x, b.high.x), std::max(a.high.y, b.high.y), std::max(a.high.z, b.high.z) }
  };
}

inline Box
around(const Vec3& centre, const Vec3& radii)
{
  return { centre - radii, centre + radii };
}

inline Box
grow(const Box& box, double margin)
{
  return { box.low - Vec3{ margin, margin, margin }, box.high + Vec3{ margin, margin, margin } };
}

inline Vec3
bezier(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, double t)
{
  const double s = 1.0 - t;
  return s * s * s * p0 + 3.0 * s * s * t * p1 + 3.0 * s * t * t * p2 + t * t * t * p3;
}

inline Vec3
normalized(const Vec3& v)
{
  return (1.0 / length(v)) * v;
}

inline Vec3
cross(const Vec3& a, const Vec3& b)
{
  return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}

} // namespace sample
