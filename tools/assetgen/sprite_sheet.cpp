#include "sprite_sheet.h"

#include <vector>

#include "palette.h"

namespace assetgen {
namespace {

namespace pal = palette;

std::vector<Point> At(std::vector<Point> points, double dx, double dy) {
  for (Point& p : points) {
    p.x += dx;
    p.y += dy;
  }
  return points;
}

// Recolours the pixels of `colour` in the rectangle that satisfy `where(localX, localY)`.
template <typename Where>
void Recolour(Canvas& c, int x, int y, int w, int h, Rgb colour, Rgb to, Where where) {
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      if (c.Get(x + i, y + j) == colour && where(i, j)) c.Set(x + i, y + j, to);
    }
  }
}

// The craft: a white speedboat with a red stripe, a cabin with a raked windscreen and a pennant
// on its mast. The two frames differ in the pennant's flutter, the wake behind the stern and the
// spray at the bow.
void DrawCraft(Canvas& c, int ox, int frame) {
  const double x = ox;

  // Wake first, so that the hull covers its inner end.
  if (frame == 0) {
    c.FillEllipse(x + 6.0, 21.5, 3.5, 2.0, pal::kFoamShade);
    c.FillEllipse(x + 6.5, 21.0, 2.0, 1.2, pal::kFoam);
    c.FillEllipse(x + 1.5, 22.5, 1.5, 1.0, pal::kFoamShade);
    c.FillEllipse(x + 18.0, 24.0, 9.0, 1.0, pal::kFoamShade);
    c.FillEllipse(x + 30.5, 22.5, 1.5, 1.0, pal::kFoam);
  } else {
    c.FillEllipse(x + 5.0, 22.0, 3.0, 1.5, pal::kFoamShade);
    c.FillEllipse(x + 3.5, 19.5, 1.5, 1.5, pal::kFoam);
    c.FillEllipse(x + 0.5, 21.5, 1.0, 1.5, pal::kFoam);
    c.FillEllipse(x + 16.0, 24.0, 8.0, 1.0, pal::kFoamShade);
    c.FillEllipse(x + 30.0, 20.5, 1.0, 1.5, pal::kFoam);
  }

  // Mast and pennant; the pennant streams backwards, away from the bow.
  c.Line(ox + 13, 3, ox + 13, 17, pal::kMast);
  const std::vector<Point> pennant =
      frame == 0
          ? std::vector<Point>{{13, 3}, {9, 2}, {6, 3.5}, {2, 3}, {4, 5.5}, {2, 8}, {7, 7}, {13, 8}}
          : std::vector<Point>{{13, 3}, {9, 4},   {5, 2.5}, {3, 4.5},
                               {1, 6},  {5, 8.5}, {9, 6.5}, {13, 8}};
  c.FillPolygon(At(pennant, x, 0), pal::kFlagYellow);
  Recolour(c, ox, 0, 32, 32, pal::kFlagYellow, pal::kFlagOrange, [](int, int j) { return j >= 6; });

  // Cabin with windscreen.
  c.FillPolygon(At({{14, 17}, {14, 11}, {21, 11}, {26, 17}}, x, 0), pal::kHullShade);
  c.FillPolygon(At({{15, 17}, {15, 12}, {20.5, 12}, {24.5, 17}}, x, 0), pal::kHullWhite);
  c.FillPolygon(At({{19, 12}, {21, 12}, {24.5, 16}, {19, 16}}, x, 0), pal::kGlass);
  c.FillRect(ox + 15, 13, 3, 2, pal::kGlassDark);  // side window
  c.Set(ox + 20, 13, pal::kFoam);                  // glint

  // Hull: white topsides, a red stripe and a dark red bottom; the bow rises to a point.
  const std::vector<Point> hull = {{6, 17},      {27, 17},  {31.5, 15}, {29.5, 20},
                                   {26.5, 23.5}, {9, 23.5}, {6, 20.5}};
  c.FillPolygon(At(hull, x, 0), pal::kHullWhite);
  Recolour(c, ox, 0, 32, 32, pal::kHullWhite, pal::kHullRed,
           [](int, int j) { return j >= 20 && j <= 21; });
  Recolour(c, ox, 0, 32, 32, pal::kHullWhite, pal::kHullRedDark,
           [](int, int j) { return j >= 22; });
  Recolour(c, ox, 0, 32, 32, pal::kHullWhite, pal::kHullShade,
           [](int i, int j) { return j == 19 && i < 27; });

  c.Outline(ox, 0, 32, 32, kMagenta, pal::kInk);
}

// The enemy: a shark leaping to the left, jaws open.
void DrawShark(Canvas& c, int ox, int oy) {
  const double x = ox;
  const double y = oy;
  const std::vector<Point> body = {{2, 19},  {5, 15},  {10, 13}, {17, 12}, {23, 14}, {28, 17},
                                   {26, 21}, {20, 24}, {12, 25}, {6, 24},  {3, 22}};
  c.FillPolygon(At(body, x, y), pal::kShark);
  c.FillPolygon(At({{24, 17}, {31, 8}, {29, 18}, {31, 27}, {24, 20}}, x, y), pal::kShark);  // tail
  c.FillPolygon(At({{12, 13}, {18, 4}, {21, 13}}, x, y), pal::kShark);       // dorsal fin
  c.FillPolygon(At({{13, 23}, {18, 23}, {14, 29}}, x, y), pal::kSharkDark);  // pectoral fin
  // Darker back, pale belly.
  Recolour(c, ox, oy, 32, 32, pal::kShark, pal::kSharkDark,
           [](int i, int j) { return j <= 13 || (i >= 16 && i <= 21 && j <= 14) || j < 10; });
  Recolour(c, ox, oy, 32, 32, pal::kShark, pal::kSharkBelly,
           [](int i, int j) { return j >= 21 && i < 24 && j > 21 - (i < 10 ? 0 : (i - 10) / 5); });
  // Open jaws with teeth.
  c.FillPolygon(At({{1, 19.5}, {9, 20.5}, {2, 23}}, x, y), pal::kMouth);
  for (int i = 2; i <= 7; i += 2) c.Set(ox + i, oy + 20, pal::kSharkBelly);
  c.Set(ox + 3, oy + 22, pal::kSharkBelly);
  // Eye and gills.
  c.Set(ox + 8, oy + 17, pal::kInk);
  c.Set(ox + 7, oy + 17, pal::kSharkBelly);
  for (int i = 11; i <= 13; i += 2) c.Line(ox + i, oy + 17, ox + i - 1, oy + 20, pal::kSharkDark);

  c.Outline(ox, oy, 32, 32, kMagenta, pal::kInk);
}

// The shot: a glowing orb, hot core and orange rim.
void DrawShot(Canvas& c, int ox, int oy) {
  c.FillEllipse(ox + 3.5, oy + 3.5, 3.5, 3.5, pal::kShotRim);
  c.FillEllipse(ox + 3.5, oy + 3.5, 2.4, 2.4, pal::kShotCore);
  c.Set(ox + 2, oy + 2, pal::kFoam);
}

}  // namespace

Canvas DrawSpriteSheet() {
  Canvas c(96, 64, kMagenta);
  DrawCraft(c, 0, 0);
  DrawCraft(c, 32, 1);
  DrawShot(c, 64, 12);
  DrawShark(c, 0, 32);
  return c;
}

}  // namespace assetgen
