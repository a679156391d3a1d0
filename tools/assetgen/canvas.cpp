#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace assetgen {

Canvas::Canvas(int width, int height, Rgb fill, CanvasWrap wrap)
    : width_(width),
      height_(height),
      wrap_(wrap),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

Rgb Canvas::Get(int x, int y) const {
  if (wrap_ == CanvasWrap::Horizontal) x = ((x % width_) + width_) % width_;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kMagenta;
  return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(x)];
}

void Canvas::Set(int x, int y, Rgb colour) {
  if (wrap_ == CanvasWrap::Horizontal) x = ((x % width_) + width_) % width_;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
          static_cast<std::size_t>(x)] = colour;
}

void Canvas::FillRect(int x, int y, int w, int h, Rgb colour) {
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) Set(i, j, colour);
  }
}

void Canvas::FillPolygon(const std::vector<Point>& points, Rgb colour) {
  if (points.size() < 3) return;
  double minY = points[0].y;
  double maxY = points[0].y;
  for (const Point& p : points) {
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  std::vector<double> crossings;
  for (int y = static_cast<int>(std::floor(minY)); y <= static_cast<int>(std::ceil(maxY)); ++y) {
    const double yc = y + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Point& a = points[i];
      const Point& b = points[(i + 1) % points.size()];
      // Half-open in y so that a vertex shared by two edges is counted once.
      if ((a.y <= yc && b.y > yc) || (b.y <= yc && a.y > yc)) {
        crossings.push_back(a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y));
      }
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      // Pixels whose centre lies in [left, right).
      const int from = static_cast<int>(std::ceil(crossings[i] - 0.5));
      const int to = static_cast<int>(std::ceil(crossings[i + 1] - 0.5));
      for (int x = from; x < to; ++x) Set(x, y, colour);
    }
  }
}

void Canvas::FillEllipse(double cx, double cy, double rx, double ry, Rgb colour) {
  if (rx <= 0.0 || ry <= 0.0) return;
  for (int y = static_cast<int>(std::floor(cy - ry)); y <= static_cast<int>(std::ceil(cy + ry));
       ++y) {
    for (int x = static_cast<int>(std::floor(cx - rx)); x <= static_cast<int>(std::ceil(cx + rx));
         ++x) {
      const double dx = (x + 0.5 - cx) / rx;
      const double dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) Set(x, y, colour);
    }
  }
}

void Canvas::Line(int x0, int y0, int x1, int y1, Rgb colour) {
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    Set(x0, y0, colour);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void Canvas::Outline(int x, int y, int w, int h, Rgb background, Rgb outline) {
  std::vector<std::pair<int, int>> marks;
  auto solid = [&](int i, int j) {
    if (i < x || j < y || i >= x + w || j >= y + h) return false;
    const Rgb c = Get(i, j);
    return !(c == background) && !(c == outline);
  };
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) {
      if (!(Get(i, j) == background)) continue;
      if (solid(i - 1, j) || solid(i + 1, j) || solid(i, j - 1) || solid(i, j + 1)) {
        marks.emplace_back(i, j);
      }
    }
  }
  for (const auto& [i, j] : marks) Set(i, j, outline);
}

double BayerThreshold(int x, int y) {
  static constexpr int kMatrix[4][4] = {
      {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  return (kMatrix[y & 3][x & 3] + 0.5) / 16.0;
}

Rgb Dither(int x, int y, Rgb a, Rgb b, double amount) {
  return amount > BayerThreshold(x, y) ? b : a;
}

}  // namespace assetgen
