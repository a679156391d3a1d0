#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The engine turns this colour into transparency.
inline constexpr Rgb kMagenta{255, 0, 255};

struct Point {
  double x = 0.0;
  double y = 0.0;
};

// Whether x coordinates wrap around the width (for tiles that must join seamlessly left to right).
enum class CanvasWrap { None, Horizontal };

// An RGB image with the few drawing operations the media need. Shapes are filled where a pixel's
// centre (x + 0.5, y + 0.5) lies inside them; writes outside the image are ignored, or wrapped
// horizontally on a wrapping canvas.
class Canvas {
 public:
  Canvas(int width, int height, Rgb fill, CanvasWrap wrap = CanvasWrap::None);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgb Get(int x, int y) const;
  void Set(int x, int y, Rgb colour);
  const std::vector<Rgb>& Pixels() const { return pixels_; }

  void FillRect(int x, int y, int w, int h, Rgb colour);
  void FillPolygon(const std::vector<Point>& points, Rgb colour);
  void FillEllipse(double cx, double cy, double rx, double ry, Rgb colour);
  void Line(int x0, int y0, int x1, int y1, Rgb colour);

  // Paints `outline` on every pixel of the rectangle that is `background` and touches (four-way)
  // a pixel that is neither `background` nor `outline`: a one-pixel contour around a sprite.
  void Outline(int x, int y, int w, int h, Rgb background, Rgb outline);

 private:
  int width_;
  int height_;
  CanvasWrap wrap_;
  std::vector<Rgb> pixels_;
};

// 4 x 4 ordered-dither threshold in (0, 1) for pixel (x, y).
double BayerThreshold(int x, int y);

// Picks `a` or `b` so that a region dithered this way shows about `amount` of `b`.
Rgb Dither(int x, int y, Rgb a, Rgb b, double amount);

}  // namespace assetgen
