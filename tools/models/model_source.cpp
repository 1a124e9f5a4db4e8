// The model source reader and the mesh primitives.
#include "models/model_source.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <tuple>
#include <unordered_map>

namespace glorbe::tools {

namespace {

constexpr double kTau = 6.283185307179586;
constexpr double kDegree = kTau / 360.0;
// What a mesh may be built from before welding: four times what it may keep.
constexpr size_t kMaxBuiltVertices = 4 * 65535;

// ---- small affine maths in double ----------------------------------------------------

struct Affine {
  double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
};

Affine multiply(const Affine& a, const Affine& b) {
  Affine r;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + (j == 3 ? a.m[i][3] : 0);
    }
  }
  return r;
}

Vec3 apply(const Affine& a, double x, double y, double z) {
  return Vec3{static_cast<float>(a.m[0][0] * x + a.m[0][1] * y + a.m[0][2] * z + a.m[0][3]),
              static_cast<float>(a.m[1][0] * x + a.m[1][1] * y + a.m[1][2] * z + a.m[1][3]),
              static_cast<float>(a.m[2][0] * x + a.m[2][1] * y + a.m[2][2] * z + a.m[2][3])};
}

Affine rotation(double degrees, double x, double y, double z) {
  const double length = std::sqrt(x * x + y * y + z * z);
  Affine r;
  if (length == 0) return r;
  x /= length;
  y /= length;
  z /= length;
  const double c = std::cos(degrees * kDegree), s = std::sin(degrees * kDegree), t = 1 - c;
  const double rows[3][3] = {{t * x * x + c, t * x * y - s * z, t * x * z + s * y},
                             {t * x * y + s * z, t * y * y + c, t * y * z - s * x},
                             {t * x * z - s * y, t * y * z + s * x, t * z * z + c}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) r.m[i][j] = rows[i][j];
  }
  return r;
}

// ---- mesh building -------------------------------------------------------------------

struct MeshBuilder {
  BuiltMesh& mesh;
  const Affine& transform;

  uint32_t vertex(double x, double y, double z, double u, double v) {
    mesh.vertices.push_back(apply(transform, x, y, z));
    mesh.mapping.push_back({static_cast<float>(u), static_cast<float>(v)});
    return static_cast<uint32_t>(mesh.vertices.size() - 1);
  }
  void face(uint32_t a, uint32_t b, uint32_t c, uint16_t flags = 0) {
    mesh.faces.push_back({a, b, c});
    mesh.faceFlags.push_back(flags);
  }
  // A grid of (columns + 1) x (rows + 1) vertices from f(i, j), faced so that
  // d/di x d/dj points out (or in, with `flip`).
  bool tooBig = false;  // a grid would have taken the mesh past kMaxBuiltVertices

  void grid(int columns, int rows, const std::function<std::array<double, 5>(int, int)>& f, bool flip = false) {
    if (mesh.vertices.size() + static_cast<size_t>(columns + 1) * static_cast<size_t>(rows + 1) > kMaxBuiltVertices) {
      tooBig = true;
      return;
    }
    const auto first = static_cast<uint32_t>(mesh.vertices.size());
    for (int j = 0; j <= rows; ++j) {
      for (int i = 0; i <= columns; ++i) {
        const auto p = f(i, j);
        vertex(p[0], p[1], p[2], p[3], p[4]);
      }
    }
    const auto at = [&](int i, int j) { return first + static_cast<uint32_t>(j * (columns + 1) + i); };
    for (int j = 0; j < rows; ++j) {
      for (int i = 0; i < columns; ++i) {
        const uint32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
        if (flip) {
          face(a, c, b);
          face(a, d, c);
        } else {
          face(a, b, c);
          face(a, c, d);
        }
      }
    }
  }
};

// Faces without area (poles, points on the axis) add nothing to the normals
// and only cost: they go.
void dropFlatFaces(BuiltMesh& mesh, size_t fromFace) {
  size_t kept = fromFace;
  for (size_t f = fromFace; f < mesh.faces.size(); ++f) {
    const auto& [a, b, c] = mesh.faces[f];
    const Vec3 &p = mesh.vertices[a], &q = mesh.vertices[b], &r = mesh.vertices[c];
    const Vec3 n = cross(Vec3{q.x - p.x, q.y - p.y, q.z - p.z}, Vec3{r.x - p.x, r.y - p.y, r.z - p.z});
    if (n.x == 0 && n.y == 0 && n.z == 0) continue;
    mesh.faces[kept] = mesh.faces[f];
    mesh.faceFlags[kept] = mesh.faceFlags[f];
    ++kept;
  }
  mesh.faces.resize(kept);
  mesh.faceFlags.resize(kept);
}

void buildBox(MeshBuilder& b, double w, double h, double d) {
  const double x = w / 2, y = h / 2, z = d / 2;
  // Each side: a corner and two edge vectors whose cross product points out.
  const double sides[6][9] = {{-x, -y, z, 2 * x, 0, 0, 0, 2 * y, 0},   {x, -y, -z, -2 * x, 0, 0, 0, 2 * y, 0},
                              {x, -y, z, 0, 0, -2 * z, 0, 2 * y, 0},   {-x, -y, -z, 0, 0, 2 * z, 0, 2 * y, 0},
                              {-x, y, z, 2 * x, 0, 0, 0, 0, -2 * z},   {-x, -y, -z, 2 * x, 0, 0, 0, 0, 2 * z}};
  for (const auto& s : sides) {
    const uint32_t a = b.vertex(s[0], s[1], s[2], 0, 0);
    const uint32_t c = b.vertex(s[0] + s[3], s[1] + s[4], s[2] + s[5], 1, 0);
    const uint32_t e = b.vertex(s[0] + s[3] + s[6], s[1] + s[4] + s[7], s[2] + s[5] + s[8], 1, 1);
    const uint32_t g = b.vertex(s[0] + s[6], s[1] + s[7], s[2] + s[8], 0, 1);
    b.face(a, c, e);
    b.face(a, e, g);
  }
}

void buildSphere(MeshBuilder& b, double radius, int slices, int stacks) {
  b.grid(slices, stacks, [&](int i, int j) -> std::array<double, 5> {
    const double theta = kTau * i / slices, phi = kTau / 2 * j / stacks;
    const double ring = j == 0 || j == stacks ? 0.0 : radius * std::sin(phi);  // poles exactly on the axis
    return {ring * std::cos(theta), ring * std::sin(theta), -radius * std::cos(phi), double(i) / slices,
            double(j) / stacks};
  });
}

// An icosahedron whose faces are cut into frequency x frequency triangles,
// every point pushed out onto the sphere: triangles of nearly one size
// everywhere, no crowded poles. Each face has its own corners (flat until
// welded); a face across the mapping's seam maps its corners on one side
// of it, and a pole corner takes the u of the face's other corners.
bool buildGeosphere(MeshBuilder& b, double radius, int frequency) {
  const size_t faces = 20 * static_cast<size_t>(frequency) * static_cast<size_t>(frequency);
  if (b.mesh.vertices.size() + 3 * faces > kMaxBuiltVertices) return false;
  // The icosahedron's corners: a pole at each end of the z axis and two
  // rings of five between them.
  std::array<std::array<double, 3>, 12> corner{};
  corner[0] = {0, 0, -1};
  corner[11] = {0, 0, 1};
  const double ringZ = 1 / std::sqrt(5.0), ringR = 2 / std::sqrt(5.0);
  for (int k = 0; k < 5; ++k) {
    const double low = kTau * k / 5, high = kTau * (k + 0.5) / 5;
    corner[1 + k] = {ringR * std::cos(low), ringR * std::sin(low), -ringZ};
    corner[6 + k] = {ringR * std::cos(high), ringR * std::sin(high), ringZ};
  }
  std::vector<std::array<int, 3>> ico;
  for (int k = 0; k < 5; ++k) {
    const int l0 = 1 + k, l1 = 1 + (k + 1) % 5, h0 = 6 + k, h1 = 6 + (k + 1) % 5;
    ico.push_back({0, l1, l0});
    ico.push_back({l0, l1, h0});
    ico.push_back({h0, l1, h1});
    ico.push_back({h0, h1, 11});
  }
  const auto point = [&](const std::array<int, 3>& f, int i, int j) {
    // i steps from corner 0 towards corner 1, j towards corner 2.
    std::array<double, 3> p{};
    for (int a = 0; a < 3; ++a) {
      p[static_cast<size_t>(a)] = corner[static_cast<size_t>(f[0])][static_cast<size_t>(a)] +
                                  (corner[static_cast<size_t>(f[1])][static_cast<size_t>(a)] -
                                   corner[static_cast<size_t>(f[0])][static_cast<size_t>(a)]) * i / frequency +
                                  (corner[static_cast<size_t>(f[2])][static_cast<size_t>(a)] -
                                   corner[static_cast<size_t>(f[0])][static_cast<size_t>(a)]) * j / frequency;
    }
    const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    for (double& x : p) x /= length;
    return p;
  };
  const auto triangle = [&](const std::array<double, 3>& p, const std::array<double, 3>& q,
                            const std::array<double, 3>& r) {
    const std::array<double, 3>* at[3] = {&p, &q, &r};
    double u[3], v[3];
    bool pole[3];
    for (int k = 0; k < 3; ++k) {
      const auto& c = *at[k];
      pole[k] = c[0] == 0 && c[1] == 0;
      u[k] = pole[k] ? 0 : std::atan2(c[1], c[0]) / kTau + (c[1] < 0 ? 1 : 0);
      v[k] = std::acos(std::clamp(-c[2], -1.0, 1.0)) / (kTau / 2);
    }
    // Across the seam: the corners near u = 0 move on past 1.
    double lo = 1, hi = 0;
    for (int k = 0; k < 3; ++k) {
      if (!pole[k]) lo = std::min(lo, u[k]), hi = std::max(hi, u[k]);
    }
    for (int k = 0; k < 3; ++k) {
      if (!pole[k] && hi - lo > 0.5 && u[k] < 0.5) u[k] += 1;
    }
    double sum = 0;
    int others = 0;
    for (int k = 0; k < 3; ++k) {
      if (!pole[k]) sum += u[k], ++others;
    }
    uint32_t index[3];
    for (int k = 0; k < 3; ++k) {
      const auto& c = *at[k];
      index[k] = b.vertex(radius * c[0], radius * c[1], radius * c[2], pole[k] && others > 0 ? sum / others : u[k], v[k]);
    }
    b.face(index[0], index[1], index[2]);
  };
  for (const auto& f : ico) {
    for (int j = 0; j < frequency; ++j) {
      for (int i = 0; i + j < frequency; ++i) {
        triangle(point(f, i, j), point(f, i + 1, j), point(f, i, j + 1));
        if (i + j + 1 < frequency) triangle(point(f, i + 1, j), point(f, i + 1, j + 1), point(f, i, j + 1));
      }
    }
  }
  return true;
}

void buildTorus(MeshBuilder& b, double major, double minor, int segments, int sides) {
  b.grid(segments, sides, [&](int i, int j) -> std::array<double, 5> {
    const double theta = kTau * i / segments, phi = kTau * j / sides;
    const double ring = major + minor * std::cos(phi);
    return {ring * std::cos(theta), ring * std::sin(theta), minor * std::sin(phi), double(i) / segments,
            double(j) / sides};
  });
}

void buildCylinder(MeshBuilder& b, double radius, double height, int slices, bool capped) {
  const double h = height / 2;
  b.grid(slices, 1, [&](int i, int j) -> std::array<double, 5> {
    const double theta = kTau * i / slices;
    return {radius * std::cos(theta), radius * std::sin(theta), j == 0 ? -h : h, double(i) / slices, double(j)};
  });
  if (!capped) return;
  for (int top = 0; top < 2; ++top) {
    const double z = top ? h : -h;
    const uint32_t centre = b.vertex(0, 0, z, 0.5, 0.5);
    const auto first = static_cast<uint32_t>(b.mesh.vertices.size());
    for (int i = 0; i <= slices; ++i) {
      const double theta = kTau * i / slices;
      b.vertex(radius * std::cos(theta), radius * std::sin(theta), z, 0.5 + 0.5 * std::cos(theta),
               0.5 + 0.5 * std::sin(theta));
    }
    for (int i = 0; i < slices; ++i) {
      if (top) b.face(centre, first + i, first + i + 1);
      else b.face(centre, first + i + 1, first + i);
    }
  }
}

// A tube round the (p, q) torus knot on a torus of radii `major` and
// `minor`, of radius `tube`.
void buildKnot(MeshBuilder& b, int p, int q, double major, double minor, double tube, int segments, int sides) {
  const auto curve = [&](double t) {
    const double r = major + minor * std::cos(q * t);
    return std::array<double, 3>{r * std::cos(p * t), r * std::sin(p * t), minor * std::sin(q * t)};
  };
  b.grid(segments, sides, [&](int i, int j) -> std::array<double, 5> {
    const double t = kTau * i / segments, dt = 1e-4;
    const auto c = curve(t), c1 = curve(t + dt), c0 = curve(t - dt);
    double T[3] = {c1[0] - c0[0], c1[1] - c0[1], c1[2] - c0[2]};
    const double tl = std::sqrt(T[0] * T[0] + T[1] * T[1] + T[2] * T[2]);
    for (double& v : T) v /= tl;
    // Away from the torus's core circle, made square to the tangent.
    double N[3] = {c[0] - major * std::cos(p * t), c[1] - major * std::sin(p * t), c[2]};
    const double dot = N[0] * T[0] + N[1] * T[1] + N[2] * T[2];
    for (int k = 0; k < 3; ++k) N[k] -= dot * T[k];
    const double nl = std::sqrt(N[0] * N[0] + N[1] * N[1] + N[2] * N[2]);
    for (double& v : N) v /= nl;
    const double B[3] = {T[1] * N[2] - T[2] * N[1], T[2] * N[0] - T[0] * N[2], T[0] * N[1] - T[1] * N[0]};
    const double phi = kTau * j / sides, cs = std::cos(phi), sn = -std::sin(phi);
    return {c[0] + tube * (cs * N[0] + sn * B[0]), c[1] + tube * (cs * N[1] + sn * B[1]),
            c[2] + tube * (cs * N[2] + sn * B[2]), double(i) / segments, double(j) / sides};
  });
}

// Profile points (radius, z) from bottom to top, turned `degrees` about z.
void buildLathe(MeshBuilder& b, int segments, double degrees, const std::vector<std::array<double, 2>>& profile) {
  std::vector<double> along(profile.size(), 0.0);
  for (size_t k = 1; k < profile.size(); ++k) {
    along[k] = along[k - 1] + std::hypot(profile[k][0] - profile[k - 1][0], profile[k][1] - profile[k - 1][1]);
  }
  const double total = along.back() > 0 ? along.back() : 1;
  b.grid(segments, static_cast<int>(profile.size()) - 1, [&](int i, int j) -> std::array<double, 5> {
    const double theta = degrees * kDegree * i / segments;
    const auto& pt = profile[static_cast<size_t>(j)];
    return {pt[0] * std::cos(theta), pt[0] * std::sin(theta), pt[1], double(i) / segments,
            along[static_cast<size_t>(j)] / total};
  });
}

double polygonArea(const std::vector<std::array<double, 2>>& poly) {
  double area = 0;
  for (size_t i = 0; i < poly.size(); ++i) {
    const auto& a = poly[i];
    const auto& c = poly[(i + 1) % poly.size()];
    area += a[0] * c[1] - c[0] * a[1];
  }
  return area / 2;
}

// Ear clipping of a simple counter-clockwise polygon; false when it is not simple.
bool triangulate(const std::vector<std::array<double, 2>>& poly, std::vector<std::array<uint32_t, 3>>& out) {
  std::vector<uint32_t> left(poly.size());
  for (size_t i = 0; i < left.size(); ++i) left[i] = static_cast<uint32_t>(i);
  const auto turn = [&](uint32_t a, uint32_t b, uint32_t c) {
    return (poly[b][0] - poly[a][0]) * (poly[c][1] - poly[a][1]) - (poly[b][1] - poly[a][1]) * (poly[c][0] - poly[a][0]);
  };
  while (left.size() > 3) {
    bool clipped = false;
    for (size_t k = 0; k < left.size() && !clipped; ++k) {
      const uint32_t a = left[(k + left.size() - 1) % left.size()], b = left[k], c = left[(k + 1) % left.size()];
      if (turn(a, b, c) <= 0) continue;
      bool empty = true;
      for (uint32_t other : left) {
        if (other == a || other == b || other == c) continue;
        if (turn(a, b, other) >= 0 && turn(b, c, other) >= 0 && turn(c, a, other) >= 0) {
          empty = false;
          break;
        }
      }
      if (!empty) continue;
      out.push_back({a, b, c});
      left.erase(left.begin() + static_cast<std::ptrdiff_t>(k));
      clipped = true;
    }
    if (!clipped) return false;
  }
  out.push_back({left[0], left[1], left[2]});
  return true;
}

// True when two edges that do not share a corner cross or touch.
bool selfCrossing(const std::vector<std::array<double, 2>>& poly) {
  const size_t n = poly.size();
  const auto side = [](const std::array<double, 2>& a, const std::array<double, 2>& b, const std::array<double, 2>& c) {
    const double t = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    return (t > 0) - (t < 0);
  };
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      if (j == i + 1 || (i == 0 && j == n - 1)) continue;
      const auto &a = poly[i], &b = poly[(i + 1) % n], &c = poly[j], &d = poly[(j + 1) % n];
      if (side(a, b, c) * side(a, b, d) <= 0 && side(c, d, a) * side(c, d, b) <= 0) return true;
    }
  }
  return false;
}

bool buildExtrusion(MeshBuilder& b, double depth, std::vector<std::array<double, 2>> poly) {
  if (polygonArea(poly) == 0 || selfCrossing(poly)) return false;
  if (polygonArea(poly) < 0) std::reverse(poly.begin(), poly.end());
  std::vector<std::array<uint32_t, 3>> caps;
  if (!triangulate(poly, caps)) return false;
  double lo[2] = {poly[0][0], poly[0][1]}, hi[2] = {poly[0][0], poly[0][1]};
  for (const auto& p : poly) {
    for (int k = 0; k < 2; ++k) {
      lo[k] = std::min(lo[k], p[k]);
      hi[k] = std::max(hi[k], p[k]);
    }
  }
  const auto u = [&](const std::array<double, 2>& p, int k) { return hi[k] > lo[k] ? (p[k] - lo[k]) / (hi[k] - lo[k]) : 0; };
  for (int top = 0; top < 2; ++top) {
    const auto first = static_cast<uint32_t>(b.mesh.vertices.size());
    for (const auto& p : poly) b.vertex(p[0], p[1], top ? depth : 0, u(p, 0), u(p, 1));
    for (const auto& t : caps) {
      if (top) b.face(first + t[0], first + t[1], first + t[2]);
      else b.face(first + t[0], first + t[2], first + t[1]);
    }
  }
  double perimeter = 0;
  for (size_t i = 0; i < poly.size(); ++i) {
    perimeter += std::hypot(poly[(i + 1) % poly.size()][0] - poly[i][0], poly[(i + 1) % poly.size()][1] - poly[i][1]);
  }
  double along = 0;
  for (size_t i = 0; i < poly.size(); ++i) {
    const auto& p = poly[i];
    const auto& q = poly[(i + 1) % poly.size()];
    const double next = along + std::hypot(q[0] - p[0], q[1] - p[1]);
    const uint32_t a = b.vertex(p[0], p[1], 0, along / perimeter, 0);
    const uint32_t c = b.vertex(q[0], q[1], 0, next / perimeter, 0);
    const uint32_t e = b.vertex(q[0], q[1], depth, next / perimeter, 1);
    const uint32_t g = b.vertex(p[0], p[1], depth, along / perimeter, 1);
    b.face(a, c, e);
    b.face(a, e, g);
    along = next;
  }
  return true;
}

// Smooth value noise in 0..1 from a seeded lattice.
double latticeValue(uint32_t seed, int x, int y) {
  uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return (h & 0xFFFFFF) / double(0xFFFFFF);
}

double valueNoise(uint32_t seed, double x, double y, int octaves) {
  double sum = 0, weight = 0, amplitude = 1, frequency = 4;
  for (int o = 0; o < octaves; ++o) {
    const double fx = x * frequency, fy = y * frequency;
    const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    const double tx = fx - ix, ty = fy - iy;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const auto s = seed + static_cast<uint32_t>(o) * 7919u;
    const double top = latticeValue(s, ix, iy) * (1 - sx) + latticeValue(s, ix + 1, iy) * sx;
    const double bottom = latticeValue(s, ix, iy + 1) * (1 - sx) + latticeValue(s, ix + 1, iy + 1) * sx;
    sum += amplitude * (top * (1 - sy) + bottom * sy);
    weight += amplitude;
    amplitude *= 0.5;
    frequency *= 2;
  }
  return sum / weight;
}

// ---- the text ------------------------------------------------------------------------

bool number(const std::string& word, double& out) {
  if (word.empty()) return false;
  char* end = nullptr;
  out = std::strtod(word.c_str(), &end);
  return *end == '\0' && std::isfinite(out);
}

class SourceReader {
 public:
  SourceReader(const std::string& sourceName, ModelSource& out, ModelMessages& messages)
      : sourceName_(sourceName), out_(out), messages_(messages) {}

  void line(int number, const std::string& text);
  void finish();

 private:
  enum class Record { None, Object, Camera, Light };

  void error(const std::string& text) {
    messages_.errors.push_back(sourceName_ + ":" + std::to_string(lineNumber_) + ": " + text);
  }
  // The numbers of words[from, from + count); false (with an error) when one is not a number.
  bool numbers(size_t from, size_t count, std::vector<double>& out);
  bool counts(const std::vector<double>& values, std::initializer_list<size_t> which, int minimum);
  void startObject(const std::string& name, bool dummy);
  void key(std::vector<SourceKey>& track, size_t valueCount, bool rotation, bool absolute);
  void primitive(const std::string& word);
  SourceObject* object() { return record_ == Record::Object ? &out_.objects.back() : nullptr; }

  std::string sourceName_;
  ModelSource& out_;
  ModelMessages& messages_;
  int lineNumber_ = 0;
  std::vector<std::string> words_;
  Record record_ = Record::None;
  Affine transform_;
  std::vector<std::pair<float, bool>> welds_;  // per object: epsilon (0: none), keep mapping
  std::vector<Quaternion> orientation_;        // per object: the orientation after its last rotation key
};

bool SourceReader::numbers(size_t from, size_t count, std::vector<double>& out) {
  out.clear();
  if (words_.size() < from + count) {
    error("\"" + words_[0] + "\" needs " + std::to_string(count) + " numbers");
    return false;
  }
  for (size_t i = from; i < from + count; ++i) {
    double v;
    if (!number(words_[i], v)) {
      error("\"" + words_[i] + "\" is not a number");
      return false;
    }
    out.push_back(v);
  }
  return true;
}

bool SourceReader::counts(const std::vector<double>& values, std::initializer_list<size_t> which, int minimum) {
  for (size_t i : which) {
    if (i >= values.size()) {
      error("\"" + words_[0] + "\" needs more numbers");
      return false;
    }
    if (values[i] != std::floor(values[i]) || values[i] < minimum || values[i] > 4096) {
      error("\"" + words_[0] + "\": a whole number from " + std::to_string(minimum) + " to 4096 expected");
      return false;
    }
  }
  return true;
}

void SourceReader::startObject(const std::string& name, bool dummy) {
  SourceObject& o = out_.objects.emplace_back();
  o.name = name;
  o.isDummy = dummy;
  o.line = lineNumber_;
  record_ = Record::Object;
  transform_ = Affine{};
  welds_.emplace_back(0.0f, true);
  orientation_.emplace_back();
}

void SourceReader::key(std::vector<SourceKey>& track, size_t valueCount, bool rotation, bool absolute) {
  std::vector<double> v;
  if (!numbers(2, 1 + valueCount, v)) return;
  SourceKey k;
  if (v[0] != std::floor(v[0]) || std::fabs(v[0]) > 1e9) return error("a key's frame is a whole number");
  k.frame = static_cast<int32_t>(v[0]);
  if (!track.empty() && k.frame <= track.back().frame) return error("key frames must grow along a track");
  for (size_t i = 0; i < valueCount; ++i) k.value[i] = static_cast<float>(v[1 + i]);
  for (size_t i = 3 + valueCount; i < words_.size(); i += 2) {
    static const std::pair<const char*, uint16_t> options[] = {
        {"tension", 0x01}, {"continuity", 0x02}, {"bias", 0x04}, {"easeto", 0x08}, {"easefrom", 0x10}};
    const auto found = std::find_if(std::begin(options), std::end(options),
                                    [&](const auto& o) { return words_[i] == o.first; });
    double x;
    if (found == std::end(options) || i + 1 >= words_.size() || !number(words_[i + 1], x)) {
      return error("after a key's values: tension, continuity, bias, easeto or easefrom and a number");
    }
    k.flags |= found->second;
    float* slot[] = {&k.tension, &k.continuity, &k.bias, &k.easeTo, &k.easeFrom};
    *slot[std::countr_zero(found->second)] = static_cast<float>(x);
  }
  if (rotation) {
    // The file keeps each turn relative to the key before: radians about an axis.
    const double length = std::sqrt(v[2] * v[2] + v[3] * v[3] + v[4] * v[4]);
    if (length == 0) return error("a rotation needs an axis");
    Quaternion& now = orientation_.back();
    if (absolute) {
      // Turn from the orientation so far to the one asked for.
      const Quaternion target = quatFromAxisAngle(static_cast<float>(v[1] * kDegree), static_cast<float>(v[2] / length),
                                                  static_cast<float>(v[3] / length), static_cast<float>(v[4] / length));
      Quaternion r = quatMultiply(Quaternion{now.w, -now.x, -now.y, -now.z}, target);
      const double s = std::sqrt(double(r.x) * r.x + double(r.y) * r.y + double(r.z) * r.z);
      const double angle = 2 * std::atan2(s, double(r.w));
      k.value = s > 0 ? std::array<float, 4>{static_cast<float>(angle), static_cast<float>(r.x / s),
                                             static_cast<float>(r.y / s), static_cast<float>(r.z / s)}
                      : std::array<float, 4>{0, 0, 0, 1};
    } else {
      k.value = {static_cast<float>(v[1] * kDegree), static_cast<float>(v[2] / length),
                 static_cast<float>(v[3] / length), static_cast<float>(v[4] / length)};
    }
    now = quatMultiply(now, quatFromAxisAngle(k.value[0], k.value[1], k.value[2], k.value[3]));
  }
  track.push_back(k);
}

void SourceReader::primitive(const std::string& word) {
  SourceObject* o = object();
  if (o == nullptr || o->isDummy) return error("\"" + word + "\" belongs to a mesh");
  MeshBuilder b{o->mesh, transform_};
  const size_t firstFace = o->mesh.faces.size();
  std::vector<double> v;
  if (word == "box") {
    if (!numbers(1, 3, v)) return;
    buildBox(b, v[0], v[1], v[2]);
  } else if (word == "sphere") {
    if (!numbers(1, 3, v) || !counts(v, {1}, 3) || !counts(v, {2}, 2)) return;
    buildSphere(b, v[0], static_cast<int>(v[1]), static_cast<int>(v[2]));
  } else if (word == "geosphere") {
    if (!numbers(1, 2, v) || !counts(v, {1}, 1)) return;
    if (v[1] > 64) return error("geosphere: FREQUENCY is a whole number from 1 to 64");
    b.tooBig = !buildGeosphere(b, v[0], static_cast<int>(v[1]));
  } else if (word == "torus") {
    if (!numbers(1, 4, v) || !counts(v, {2, 3}, 3)) return;
    buildTorus(b, v[0], v[1], static_cast<int>(v[2]), static_cast<int>(v[3]));
  } else if (word == "cylinder") {
    if (!numbers(1, 3, v) || !counts(v, {2}, 3)) return;
    if (words_.size() > 5 || (words_.size() == 5 && words_[4] != "capped")) {
      return error("cylinder: RADIUS HEIGHT SLICES [capped]");
    }
    buildCylinder(b, v[0], v[1], static_cast<int>(v[2]), words_.size() > 4);
  } else if (word == "knot") {
    if (!numbers(1, 7, v) || !counts(v, {0, 1}, 1) || !counts(v, {5, 6}, 3)) return;
    buildKnot(b, static_cast<int>(v[0]), static_cast<int>(v[1]), v[2], v[3], v[4], static_cast<int>(v[5]),
              static_cast<int>(v[6]));
  } else if (word == "lathe") {
    if (!numbers(1, words_.size() - 1, v) || !counts(v, {0}, 1)) return;
    if (v.size() < 6 || v.size() % 2 != 0) return error("lathe: SEGMENTS DEGREES and at least two R Z points");
    std::vector<std::array<double, 2>> profile;
    for (size_t i = 2; i < v.size(); i += 2) profile.push_back({v[i], v[i + 1]});
    buildLathe(b, static_cast<int>(v[0]), v[1], profile);
  } else if (word == "extrude") {
    if (!numbers(1, words_.size() - 1, v)) return;
    if (v.size() < 7 || v.size() % 2 == 0) return error("extrude: DEPTH and at least three X Y points");
    std::vector<std::array<double, 2>> poly;
    for (size_t i = 1; i < v.size(); i += 2) poly.push_back({v[i], v[i + 1]});
    if (!buildExtrusion(b, v[0], poly)) return error("extrude: the outline crosses itself");
  } else if (word == "heightfield") {
    // heightfield SIZEX SIZEY COLUMNS ROWS HEIGHT SEED [OCTAVES]
    if (!numbers(1, 6, v) || !counts(v, {2, 3}, 1)) return;
    double octaves = 4;
    if (words_.size() > 7 && (!number(words_[7], octaves) || octaves < 1 || octaves > 12 || octaves != std::floor(octaves))) {
      return error("heightfield: OCTAVES is a whole number from 1 to 12");
    }
    if (!(v[5] >= 0 && v[5] <= 4294967295.0) || v[5] != std::floor(v[5])) {
      return error("heightfield: SEED is a whole number from 0 to 4294967295");
    }
    const int columns = static_cast<int>(v[2]), rows = static_cast<int>(v[3]);
    const auto seed = static_cast<uint32_t>(v[5]);
    b.grid(columns, rows, [&](int i, int j) -> std::array<double, 5> {
      const double u = double(i) / columns, w = double(j) / rows;
      return {(u - 0.5) * v[0], (w - 0.5) * v[1], v[4] * valueNoise(seed, u, w, static_cast<int>(octaves)), u, w};
    });
  } else if (word == "vertex") {
    if (!numbers(1, 5, v)) return;
    b.vertex(v[0], v[1], v[2], v[3], v[4]);
    return;
  } else if (word == "face") {
    if (words_.size() != 4 && words_.size() != 5) return error("face: A B C [FLAGS]");
    if (!numbers(1, words_.size() - 1, v)) return;
    for (double x : v) {
      if (x < 0 || x != std::floor(x) || x > 65535) return error("face: corner numbers and flags are 0..65535");
    }
    for (size_t i = 0; i < 3; ++i) {
      if (v[i] >= static_cast<double>(o->mesh.vertices.size())) return error("face: no vertex " + words_[i + 1] + " yet");
    }
    b.face(static_cast<uint32_t>(v[0]), static_cast<uint32_t>(v[1]), static_cast<uint32_t>(v[2]),
           v.size() > 3 ? static_cast<uint16_t>(v[3]) : 0);
    return;
  }
  if (b.tooBig) return error("\"" + word + "\" would take " + o->name + " past " + std::to_string(kMaxBuiltVertices) +
                             " vertices before welding");
  dropFlatFaces(o->mesh, firstFace);
}

void SourceReader::line(int lineNumber, const std::string& raw) {
  lineNumber_ = lineNumber;
  const std::string text = raw.substr(0, raw.find('#'));
  std::istringstream in(text);
  words_.clear();
  for (std::string w; in >> w;) words_.push_back(w);
  if (words_.empty()) return;
  const std::string& word = words_[0];
  std::vector<double> v;

  if (word == "mesh" || word == "dummy" || word == "camera" || word == "light") {
    if (words_.size() != 2) return error("\"" + word + "\" needs one name");
    if (words_[1].size() > 63) return error("a name may have at most 63 characters");
    // The file stores names as C strings: a NUL would cut the name short.
    for (const unsigned char c : words_[1]) {
      if (c < 0x20 || c == 0x7f) return error("a name may not hold control characters");
    }
    if (word == "mesh" || word == "dummy") return startObject(words_[1], word == "dummy");
    if (word == "camera") {
      out_.cameras.emplace_back().name = words_[1];
      out_.cameras.back().line = lineNumber;
      record_ = Record::Camera;
    } else {
      out_.lights.emplace_back().name = words_[1];
      out_.lights.back().line = lineNumber;
      record_ = Record::Light;
    }
    return;
  }
  if (word == "ambient") {
    if (!numbers(1, 3, v)) return;
    out_.ambient = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
    return;
  }
  if (word == "segment") {
    if (!numbers(1, 2, v)) return;
    if (v[0] != std::floor(v[0]) || v[1] != std::floor(v[1]) || v[0] > v[1] || std::fabs(v[1]) > 1e9) {
      return error("segment: two whole frames, FROM not after TO");
    }
    out_.segmentStart = static_cast<int32_t>(v[0]);
    out_.segmentEnd = static_cast<int32_t>(v[1]);
    return;
  }
  if (record_ == Record::Camera) {
    SourceCamera& c = out_.cameras.back();
    if (word == "position" || word == "target") {
      if (!numbers(1, 3, v)) return;
      (word == "position" ? c.position : c.target) = makeVec3(float(v[0]), float(v[1]), float(v[2]));
    } else if (word == "roll" || word == "lens") {
      if (!numbers(1, 1, v)) return;
      if (word == "lens" && v[0] <= 0) return error("lens: millimetres above 0");
      (word == "roll" ? c.roll : c.lens) = static_cast<float>(v[0]);
    } else if (word == "key" && words_.size() > 1 && words_[1] == "position") {
      key(c.position_, 3, false, false);
    } else if (word == "key" && words_.size() > 1 && words_[1] == "target") {
      key(c.target_, 3, false, false);
    } else if (word == "key" && words_.size() > 1 && words_[1] == "roll") {
      key(c.roll_, 1, false, false);
    } else {
      error("a camera has position, target, roll, lens and key position|target|roll lines, not \"" + word + "\"");
    }
    return;
  }
  if (record_ == Record::Light) {
    SourceLight& l = out_.lights.back();
    if (word == "position") {
      if (!numbers(1, 3, v)) return;
      l.position = makeVec3(float(v[0]), float(v[1]), float(v[2]));
    } else if (word == "color") {
      if (!numbers(1, 3, v)) return;
      l.color = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
    } else if (word == "key" && words_.size() > 1 && words_[1] == "position") {
      key(l.position_, 3, false, false);
    } else {
      error("a light has position, color and key position lines, not \"" + word + "\"");
    }
    return;
  }
  SourceObject* o = object();
  if (o == nullptr) return error("\"" + word + "\" before any mesh, dummy, camera or light");
  if (word == "parent") {
    if (words_.size() != 2) return error("parent: one name");
    o->parent = words_[1];
  } else if (word == "pivot") {
    if (!numbers(1, 3, v)) return;
    o->pivot = makeVec3(float(v[0]), float(v[1]), float(v[2]));
  } else if (word == "axes") {
    if (o->isDummy) return error("axes belong to a mesh");
    if (!numbers(1, 12, v)) return;
    o->hasAxes = true;
    for (size_t i = 0; i < 12; ++i) o->axes[i] = static_cast<float>(v[i]);
  } else if (word == "weld") {
    size_t at = 1;
    bool keepMapping = true;
    if (words_.size() > 1 && words_[1] == "positions") {
      keepMapping = false;
      at = 2;
    }
    double epsilon = 1e-5;
    if (words_.size() > at && (!number(words_[at], epsilon) || epsilon < 0)) return error("weld: [positions] [EPSILON]");
    welds_.back() = {static_cast<float>(std::max(epsilon, 1e-12)), keepMapping};
  } else if (word == "translate") {
    if (!numbers(1, 3, v)) return;
    Affine t;
    t.m[0][3] = v[0];
    t.m[1][3] = v[1];
    t.m[2][3] = v[2];
    transform_ = multiply(t, transform_);
  } else if (word == "rotate") {
    if (!numbers(1, 4, v)) return;
    transform_ = multiply(rotation(v[0], v[1], v[2], v[3]), transform_);
  } else if (word == "scale") {
    if (!numbers(1, 3, v)) return;
    Affine s;
    s.m[0][0] = v[0];
    s.m[1][1] = v[1];
    s.m[2][2] = v[2];
    transform_ = multiply(s, transform_);
  } else if (word == "reset") {
    transform_ = Affine{};
  } else if (word == "key") {
    const std::string what = words_.size() > 1 ? words_[1] : "";
    if (what == "position") key(o->position, 3, false, false);
    else if (what == "scale") key(o->scale, 3, false, false);
    else if (what == "turn") key(o->rotation, 4, true, false);
    else if (what == "orient") key(o->rotation, 4, true, true);
    else error("key position, scale, turn or orient expected");
  } else {
    primitive(word);
  }
}

void SourceReader::finish() {
  lineNumber_ = 0;
  std::set<std::string> names;
  const auto unique = [&](const std::string& name, int line) {
    if (!names.insert(name).second) {
      lineNumber_ = line;
      error("the name " + name + " is used twice");
    }
  };
  for (size_t i = 0; i < out_.objects.size(); ++i) {
    SourceObject& o = out_.objects[i];
    unique(o.name, o.line);
    lineNumber_ = o.line;
    if (!o.parent.empty()) {
      const auto before = std::find_if(out_.objects.begin(), out_.objects.begin() + static_cast<std::ptrdiff_t>(i),
                                       [&](const SourceObject& p) { return p.name == o.parent; });
      if (before == out_.objects.begin() + static_cast<std::ptrdiff_t>(i)) {
        error(o.name + ": the parent " + o.parent + " must be a mesh or dummy given before it");
      }
    }
    if (welds_[i].first > 0) weldMesh(o.mesh, welds_[i].first, welds_[i].second);
    if (o.mesh.vertices.size() > 65535 || o.mesh.faces.size() > 65535) {
      error(o.name + ": " + std::to_string(o.mesh.vertices.size()) + " vertices and " +
            std::to_string(o.mesh.faces.size()) + " faces; a mesh holds at most 65535 of each");
    } else if (o.mesh.faces.size() > 0xFFFC) {
      messages_.warnings.push_back(sourceName_ + ":" + std::to_string(o.line) + ": warning: " + o.name + " has " +
                                   std::to_string(o.mesh.faces.size()) +
                                   " faces; above 65532 the engine's edge lists cannot number them");
    }
    if (!o.isDummy && o.mesh.faces.empty()) {
      messages_.warnings.push_back(sourceName_ + ":" + std::to_string(o.line) + ": warning: mesh " + o.name +
                                   " has no faces");
    }
  }
  for (const SourceCamera& c : out_.cameras) unique(c.name, c.line);
  for (const SourceLight& l : out_.lights) unique(l.name, l.line);
  if (out_.lights.size() > 8) {
    messages_.warnings.push_back(sourceName_ + ": warning: " + std::to_string(out_.lights.size()) +
                                 " lights; the engine lights a scene with the first 8");
  }
}

}  // namespace

void weldMesh(BuiltMesh& mesh, float epsilon, bool keepMapping) {
  // Vertices are bucketed on a grid of cell `epsilon`; a vertex merges with
  // an earlier one of its own or a neighbouring cell.
  // Positions too far out for a cell number (or not numbers at all, after an
  // overflowing transform) share the outermost cells.
  const auto cell = [&](float v) {
    const double q = std::floor(static_cast<double>(v) / epsilon);
    // (with room for the neighbouring cells' numbers either side)
    if (std::isnan(q)) return int64_t{1} << 62;
    return static_cast<int64_t>(std::clamp(q, -4.0e18, 4.0e18));
  };
  struct Key {
    int64_t x, y, z;
    bool operator<(const Key& o) const { return std::tie(x, y, z) < std::tie(o.x, o.y, o.z); }
  };
  std::map<Key, std::vector<uint32_t>> buckets;
  std::vector<uint32_t> remap(mesh.vertices.size());
  BuiltMesh out;
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const Vec3& p = mesh.vertices[i];
    const auto& uv = mesh.mapping[i];
    const Key k{cell(p.x), cell(p.y), cell(p.z)};
    int64_t found = -1;
    for (int64_t dx = -1; dx <= 1 && found < 0; ++dx) {
      for (int64_t dy = -1; dy <= 1 && found < 0; ++dy) {
        for (int64_t dz = -1; dz <= 1 && found < 0; ++dz) {
          const auto bucket = buckets.find(Key{k.x + dx, k.y + dy, k.z + dz});
          if (bucket == buckets.end()) continue;
          for (uint32_t j : bucket->second) {
            const Vec3& q = out.vertices[j];
            const auto& w = out.mapping[j];
            if (std::fabs(p.x - q.x) > epsilon || std::fabs(p.y - q.y) > epsilon || std::fabs(p.z - q.z) > epsilon) continue;
            if (keepMapping && (std::fabs(uv[0] - w[0]) > epsilon || std::fabs(uv[1] - w[1]) > epsilon)) continue;
            found = j;
            break;
          }
        }
      }
    }
    if (found < 0) {
      found = static_cast<int64_t>(out.vertices.size());
      out.vertices.push_back(p);
      out.mapping.push_back(uv);
      buckets[k].push_back(static_cast<uint32_t>(found));
    }
    remap[i] = static_cast<uint32_t>(found);
  }
  for (size_t f = 0; f < mesh.faces.size(); ++f) {
    const auto& face = mesh.faces[f];
    const std::array<uint32_t, 3> merged{remap[face[0]], remap[face[1]], remap[face[2]]};
    if (merged[0] == merged[1] || merged[1] == merged[2] || merged[0] == merged[2]) continue;
    out.faces.push_back(merged);
    out.faceFlags.push_back(mesh.faceFlags[f]);
  }
  mesh = std::move(out);
}

bool parseModelSource(const std::string& text, const std::string& sourceName, ModelSource& out,
                      ModelMessages& messages) {
  out = ModelSource{};
  SourceReader reader(sourceName, out, messages);
  const size_t errorsBefore = messages.errors.size();
  size_t from = 0;
  int number = 0;
  while (from <= text.size()) {
    const size_t newline = text.find('\n', from);
    const size_t to = newline == std::string::npos ? text.size() : newline;
    std::string line = text.substr(from, to - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    reader.line(++number, line);
    if (newline == std::string::npos) break;
    from = newline + 1;
  }
  reader.finish();
  return messages.errors.size() == errorsBefore;
}

}  // namespace glorbe::tools
