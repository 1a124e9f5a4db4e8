#include "art/art_generators.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

#include "art/pixel_font.h"

namespace glorbe::tools {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb add(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb scale(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }
double smoothstep(double a, double b, double x) {
  const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// A colour ramp through the given stops at t in 0..1.
Rgb ramp(const std::vector<Rgb>& stops, double t) {
  t = std::clamp(t, 0.0, 1.0) * (stops.size() - 1);
  const size_t i = std::min(static_cast<size_t>(t), stops.size() - 2);
  return mix(stops[i], stops[i + 1], t - i);
}

// Hash-based value noise and its fractal sum, periodic with `period` cells.
double hashNoise(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / static_cast<double>(0xFFFFFF);
}

double valueNoise(double x, double y, int period, uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  auto at = [&](int i, int j) { return hashNoise(((i % period) + period) % period, ((j % period) + period) % period, seed); };
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
  const double b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
  return a + (b - a) * sy;
}

double fbm(double u, double v, int octaves, uint32_t seed) {
  double sum = 0, amp = 0.5;
  int period = 4;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * valueNoise(u * period, v * period, period, seed + o);
    amp *= 0.5;
    period *= 2;
  }
  return sum;
}

using ColourFn = std::function<Rgb(double u, double v)>;  // u, v in 0..1, v down
using GreyFn = std::function<double(double u, double v)>;

// Renders with 2 x 2 supersampling.
PngImage paint(int w, int h, int channels, const ColourFn& colour) {
  PngImage img{w, h, channels, std::vector<uint8_t>(static_cast<size_t>(w) * h * channels)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgb acc{0, 0, 0};
      for (int s = 0; s < 4; ++s) {
        const double u = (x + 0.25 + 0.5 * (s & 1)) / w;
        const double v = (y + 0.25 + 0.5 * (s >> 1)) / h;
        acc = add(acc, colour(u, v));
      }
      acc = scale(acc, 0.25);
      uint8_t* p = img.pixels.data() + (static_cast<size_t>(y) * w + x) * channels;
      auto byte = [](double c) { return static_cast<uint8_t>(std::lrint(std::clamp(c, 0.0, 1.0) * 255.0)); };
      if (channels == 1) {
        p[0] = byte(acc.r);
      } else {
        p[0] = byte(acc.r);
        p[1] = byte(acc.g);
        p[2] = byte(acc.b);
      }
    }
  }
  return img;
}

ColourFn grey(const GreyFn& f) {
  return [f](double u, double v) {
    const double g = f(u, v);
    return Rgb{g, g, g};
  };
}

// Stars scattered over a picture: small soft points.
double starField(double u, double v, double density, uint32_t seed) {
  const int cells = 48;
  const int cx = static_cast<int>(u * cells), cy = static_cast<int>(v * cells);
  double light = 0;
  for (int j = -1; j <= 1; ++j) {
    for (int i = -1; i <= 1; ++i) {
      const int x = cx + i, y = cy + j;
      if (hashNoise(x, y, seed) > density) continue;
      const double sx = (x + hashNoise(x, y, seed + 1)) / cells, sy = (y + hashNoise(x, y, seed + 2)) / cells;
      const double d = std::hypot(u - sx, v - sy) * cells;
      light += std::exp(-d * d * 40.0) * (0.4 + 0.6 * hashNoise(x, y, seed + 3));
    }
  }
  return light;
}

Rgb orb(double u, double v) {
  const double x = (u - 0.5) * 2, y = (v - 0.5) * 2;
  const double r = std::hypot(x, y);
  Rgb c = mix(Rgb{0.10, 0.05, 0.25}, Rgb{0.0, 0.0, 0.04}, smoothstep(0.0, 1.4, r));
  c = add(c, scale(Rgb{1, 1, 1}, starField(u, v, 0.18, 7) * smoothstep(0.6, 0.9, r)));
  const double R = 0.58;
  // Orbit ring behind and in front of the sphere (tilted ellipse).
  auto ring = [&](bool front) {
    const double ex = x / 0.92, ey = (y + x * 0.25) / 0.22;
    const double d = std::fabs(std::hypot(ex, ey) - 1.0);
    const bool isFront = (y + x * 0.25) > 0;
    if (isFront != front) return 0.0;
    return std::exp(-d * d * 900.0);
  };
  c = add(c, scale(Rgb{1.0, 0.6, 0.2}, ring(false) * 0.8));
  if (r < R) {
    const double nx = x / R, ny = y / R, nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
    const double lx = -0.5, ly = -0.6, lz = 0.62;
    const double diff = std::max(0.0, nx * lx + ny * ly + nz * lz);
    const double hx = lx, hy = ly, hz = lz + 1, hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    const double spec = std::pow(std::max(0.0, (nx * hx + ny * hy + nz * hz) / hl), 40.0);
    // Banded surface, like a gas giant.
    const double lat = std::asin(std::clamp(ny, -1.0, 1.0));
    const double bands = 0.5 + 0.5 * std::sin(lat * 9 + 2.0 * fbm(nx * 0.5 + 0.5, ny * 0.5 + 0.5, 4, 3));
    Rgb surface = ramp({{0.15, 0.25, 0.8}, {0.35, 0.7, 1.0}, {0.9, 0.95, 1.0}}, bands);
    Rgb lit = add(scale(surface, 0.08 + 0.95 * diff), scale(Rgb{1, 1, 1}, spec * 0.9));
    const double rim = std::pow(1 - nz, 3.0);
    lit = add(lit, scale(Rgb{0.4, 0.6, 1.0}, rim * 0.8));
    c = mix(c, lit, smoothstep(R, R - 0.01, r));
  } else {
    c = add(c, scale(Rgb{0.3, 0.5, 1.0}, std::exp(-(r - R) * 14.0) * 0.6));
  }
  c = add(c, scale(Rgb{1.0, 0.7, 0.3}, ring(true)));
  return c;
}

// Where the planet of "orb" is: 1 on the sphere, its ring and the glow
// around it, 0 on the starry background (the planet's alpha image).
double orbAlpha(double u, double v) {
  const double x = (u - 0.5) * 2, y = (v - 0.5) * 2;
  const double r = std::hypot(x, y);
  const double R = 0.58;
  const double ex = x / 0.92, ey = (y + x * 0.25) / 0.22;
  const double d = std::fabs(std::hypot(ex, ey) - 1.0);
  const double ring = std::exp(-d * d * 900.0);
  const double sphere = smoothstep(R + 0.01, R - 0.01, r);
  const double glow = r > R ? std::exp(-(r - R) * 14.0) * 0.6 : 0.0;
  return std::clamp(std::max({sphere, ring, glow}), 0.0, 1.0);
}

Rgb plasma(double u, double v) {
  const double x = u * 2 * kPi, y = v * 2 * kPi;
  const double a = std::sin(x * 2 + std::sin(y * 3)) + std::sin(y * 2 + std::cos(x * 1)) +
                   std::sin((x + y) * 1 + std::sin(x * 3) * 0.5) + std::cos(std::hypot(u - 0.5, v - 0.5) * 14);
  const double t = 0.5 + 0.125 * a;
  return {0.5 + 0.5 * std::sin(t * 2 * kPi * 1.0), 0.5 + 0.5 * std::sin(t * 2 * kPi * 1.0 + 2.1),
          0.5 + 0.5 * std::sin(t * 2 * kPi * 1.0 + 4.2)};
}

Rgb tunnel(double u, double v) {
  const double x = u - 0.5, y = v - 0.5;
  const double r = std::hypot(x, y) + 1e-6;
  const double depth = 0.12 / r, angle = std::atan2(y, x) / kPi;
  const bool check = (static_cast<int>(std::floor(depth * 4)) + static_cast<int>(std::floor(angle * 8 + 8))) % 2 == 0;
  const double fade = smoothstep(0.0, 0.35, r);
  Rgb c = check ? Rgb{0.1, 0.9, 0.8} : Rgb{0.05, 0.15, 0.45};
  c = add(c, scale(Rgb{1, 0.4, 0.9}, std::exp(-std::pow(std::fmod(depth * 4, 1.0) - 0.5, 2) * 200) * 0.6));
  return scale(c, fade);
}

Rgb julia(double u, double v) {
  double zx = (u - 0.5) * 3.0, zy = (v - 0.5) * 3.0;
  const double cx = -0.79, cy = 0.15;
  int i = 0;
  const int limit = 160;
  while (i < limit && zx * zx + zy * zy < 64) {
    const double t = zx * zx - zy * zy + cx;
    zy = 2 * zx * zy + cy;
    zx = t;
    ++i;
  }
  if (i == limit) return {0.02, 0.0, 0.05};
  const double smooth = i + 1 - std::log2(std::log2(zx * zx + zy * zy) * 0.5);
  const double t = std::clamp(smooth / 40.0, 0.0, 1.0);
  return ramp({{0.0, 0.0, 0.1}, {0.5, 0.0, 0.6}, {1.0, 0.4, 0.1}, {1.0, 0.95, 0.6}, {1, 1, 1}}, std::sqrt(t));
}

Rgb nebula(double u, double v) {
  const double n = fbm(u, v, 6, 11);
  const double m = fbm(u + 0.3, v + 0.7, 5, 23);
  Rgb c = ramp({{0.0, 0.0, 0.02}, {0.2, 0.05, 0.4}, {0.8, 0.2, 0.5}, {1.0, 0.7, 0.4}}, std::pow(n, 1.6) * 1.6);
  c = add(c, scale(Rgb{0.1, 0.4, 0.9}, std::pow(m, 3.0) * 1.2));
  c = add(c, scale(Rgb{1, 1, 1}, starField(u, v, 0.25, 5)));
  return c;
}

Rgb neonGrid(double u, double v) {
  const double horizon = 0.45;
  Rgb sky = ramp({{0.05, 0.0, 0.15}, {0.5, 0.05, 0.5}, {1.0, 0.5, 0.3}}, smoothstep(0.0, horizon, v));
  // The sun: a disc with gaps near its bottom.
  const double sd = std::hypot(u - 0.5, (v - 0.3) * 1.0);
  if (sd < 0.2 && v < horizon) {
    const double stripe = std::fmod((v - 0.3) * 40.0 + 100.0, 2.0);
    if (!(v > 0.33 && stripe < (v - 0.33) * 12)) sky = mix(Rgb{1.0, 0.9, 0.3}, Rgb{1.0, 0.2, 0.5}, (v - 0.1) / 0.2);
  }
  if (v < horizon) return add(sky, scale(Rgb{1, 1, 1}, starField(u, v, 0.12, 9) * (1 - v / horizon)));
  const double d = (v - horizon);
  const double z = 0.08 / d;
  const double gx = (u - 0.5) * z * 6;
  const double lineX = std::exp(-std::pow(std::fmod(gx + 1000.5, 1.0) - 0.5, 2) / (0.0006 * z * z + 1e-5));
  const double lineZ = std::exp(-std::pow(std::fmod(z * 3 + 1000.5, 1.0) - 0.5, 2) / (0.0015 * z + 1e-5));
  Rgb floor = scale(Rgb{0.1, 0.0, 0.2}, 1.0);
  floor = add(floor, scale(Rgb{0.2, 0.9, 1.0}, std::max(lineX, lineZ) * smoothstep(0.0, 0.1, d)));
  return floor;
}

double glow(double u, double v) {
  const double r = std::hypot(u - 0.5, v - 0.5) * 2;
  return std::exp(-r * r * 5.0) * smoothstep(1.0, 0.8, r);
}

double ringMask(double u, double v) {
  const double r = std::hypot(u - 0.5, v - 0.5) * 2;
  return std::exp(-std::pow((r - 0.7) / 0.12, 2)) + 0.35 * std::exp(-r * r * 8.0);
}

double flare(double u, double v) {
  const double x = (u - 0.5) * 2, y = (v - 0.5) * 2;
  const double r = std::hypot(x, y);
  const double a = std::atan2(y, x);
  const double rays = std::pow(std::fabs(std::cos(a * 3)), 40.0) * std::exp(-r * 2.5);
  return std::clamp(std::exp(-r * r * 30) + rays * 0.9 + std::exp(-r * 6) * 0.25, 0.0, 1.0) * smoothstep(1.0, 0.9, r);
}

Rgb stripes(double u, double v) {
  const double t = std::fmod(u * 6 + v * 2, 1.0);
  return ramp({{1, 0.2, 0.4}, {1, 0.8, 0.2}, {0.2, 0.9, 1.0}, {1, 0.2, 0.4}}, t);
}

Rgb checker(double u, double v) {
  const bool on = (static_cast<int>(u * 8) + static_cast<int>(v * 8)) % 2 == 0;
  return on ? Rgb{0.95, 0.95, 0.95} : Rgb{0.1, 0.1, 0.15};
}

// Soft-edged text: the glyphs scaled to fill the picture's height, centred.
PngImage text(int w, int h, const std::string& s) {
  const int columns = std::max<int>(1, static_cast<int>(s.size()) * 6 - 1);
  const double cell = std::min(w / static_cast<double>(columns + 2), h / 9.0);
  const double left = (w - columns * cell) / 2, top = (h - 7 * cell) / 2;
  auto ink = [&](double px, double py) {
    // Distance-based coverage of the nearest lit cell, rounded corners.
    const int col = static_cast<int>(std::floor((px - left) / cell));
    const int row = static_cast<int>(std::floor((py - top) / cell));
    double best = 0;
    for (int j = row - 1; j <= row + 1; ++j) {
      for (int i = col - 1; i <= col + 1; ++i) {
        if (j < 0 || j >= 7 || i < 0 || i >= columns) continue;
        const int letter = i / 6, x = i % 6;
        if (x == 5 || letter >= static_cast<int>(s.size())) continue;
        const auto* g = pixelGlyph(s[letter]);
        if (g == nullptr || !((*g)[j] & (1u << (4 - x)))) continue;
        const double cx = left + (i + 0.5) * cell, cy = top + (j + 0.5) * cell;
        const double dx = std::max(0.0, std::fabs(px - cx) - cell * 0.5);
        const double dy = std::max(0.0, std::fabs(py - cy) - cell * 0.5);
        best = std::max(best, smoothstep(cell * 0.12, 0.0, std::hypot(dx, dy)));
      }
    }
    return best;
  };
  return paint(w, h, 1, grey([&](double u, double v) { return ink(u * w, v * h); }));
}

}  // namespace

const std::vector<ArtKind>& artKinds() {
  static const std::vector<ArtKind> kinds = {
      {"orb", 3, "a lit, banded planet with an orbit ring among stars"},
      {"plasma", 3, "a sum-of-sines colour plasma"},
      {"tunnel", 3, "a checkered tunnel in perspective"},
      {"julia", 3, "a Julia set with a fire ramp"},
      {"nebula", 3, "fractal clouds in purple and orange with stars"},
      {"grid", 3, "a neon floor grid under a striped sun"},
      {"stripes", 3, "diagonal colour stripes (a brush)"},
      {"checker", 3, "an 8 x 8 checkerboard"},
      {"glow", 1, "a soft round glow (grey, for alpha or additive sprites)"},
      {"orbalpha", 1, "the alpha image of \"orb\": its planet, ring and glow (grey)"},
      {"ring", 1, "a soft ring with a faint core (grey)"},
      {"flare", 1, "a six-ray star flare (grey)"},
      {"text", 1, "soft-edged capital letters of --text (grey)"},
  };
  return kinds;
}

bool makeArt(const std::string& kind, int width, int height, const std::string& textValue, PngImage& image,
             std::string& error) {
  if (width < 1 || height < 1 || width > 4096 || height > 4096) {
    error = "the picture size must lie between 1 and 4096";
    return false;
  }
  if (kind == "text") {
    for (char c : textValue) {
      if (pixelGlyph(c) == nullptr) {
        error = std::string("the font has no character '") + c + "'";
        return false;
      }
    }
    image = text(width, height, textValue);
    return true;
  }
  static const std::vector<std::pair<const char*, ColourFn>> colour = {
      {"orb", orb},         {"plasma", plasma},   {"tunnel", tunnel}, {"julia", julia},
      {"nebula", nebula},   {"grid", neonGrid},   {"stripes", stripes}, {"checker", checker},
  };
  static const std::vector<std::pair<const char*, GreyFn>> greys = {
      {"glow", glow}, {"ring", ringMask}, {"flare", flare}, {"orbalpha", orbAlpha}};
  for (const auto& [name, fn] : colour) {
    if (kind == name) {
      image = paint(width, height, 3, fn);
      return true;
    }
  }
  for (const auto& [name, fn] : greys) {
    if (kind == name) {
      image = paint(width, height, 1, grey(fn));
      return true;
    }
  }
  error = "unknown picture kind \"" + kind + "\"";
  return false;
}

}  // namespace glorbe::tools
