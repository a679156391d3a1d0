#include "floor_tile.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "det_math.h"
#include "palette.h"

namespace assetgen {
namespace {

namespace pal = palette;

constexpr int kHorizon = 44;  // first row of sea
constexpr double kWidth = kFloorWidth;

// A periodic wave across the tile: `cycles` whole periods over the width, so it joins at the seam.
double Wave(double x, int cycles, double phaseTurns) {
  return SinTurns(cycles * x / kWidth + phaseTurns);
}

// Smooth steps between the colours of a ramp: each band is solid in its middle and dithered
// into the next over a few rows, the look of a small fixed palette.
Rgb Ramp(const std::vector<Rgb>& ramp, double level, int x, int y) {
  level = Clamp(level, 0.0, static_cast<double>(ramp.size() - 1));
  const auto low = static_cast<std::size_t>(std::floor(level));
  if (low + 1 >= ramp.size()) return ramp.back();
  const double frac = level - static_cast<double>(low);
  return Dither(x, y, ramp[low], ramp[low + 1], Clamp((frac - 0.5) * 2.2 + 0.5, 0.0, 1.0));
}

// The shoreline: where the foam of the last wave lies on the sand.
double ShoreY(double x) {
  return 182.0 + 2.5 * Wave(x, 2, 0.1) + 1.5 * Wave(x, 5, 0.6);
}

std::uint32_t Hash(std::uint32_t v) {
  v ^= v >> 16;
  v *= 0x7FEB352Du;
  v ^= v >> 15;
  v *= 0x846CA68Bu;
  v ^= v >> 16;
  return v;
}

// The sea colour one step deeper than `colour`.
Rgb Darker(Rgb colour) {
  if (colour == pal::kSeaHaze) return pal::kSeaLight;
  if (colour == pal::kSeaLight) return pal::kSeaMid;
  if (colour == pal::kSeaMid) return pal::kSeaDeep;
  if (colour == pal::kSeaTurquoise) return pal::kSeaShallow;
  if (colour == pal::kSeaShallow) return pal::kSeaDeep;
  return pal::kSeaDeepest;
}

void DrawSea(Canvas& c) {
  const std::vector<Rgb> open = {pal::kSeaHaze, pal::kSeaLight, pal::kSeaMid, pal::kSeaDeep,
                                 pal::kSeaDeepest};
  const std::vector<Rgb> shallow = {pal::kSeaDeepest, pal::kSeaDeep, pal::kSeaShallow,
                                    pal::kSeaTurquoise};
  for (int y = kHorizon; y < kFloorHeight; ++y) {
    for (int x = 0; x < kFloorWidth; ++x) {
      Rgb colour;
      if (y < 124) {
        const double u = (y - kHorizon) / 80.0;
        colour = Ramp(open, 4.0 * std::sqrt(u) + 0.15, x, y);
      } else {
        const double u = (y - 124) / 56.0;
        colour = Ramp(shallow, 3.0 * u * u, x, y);
      }
      c.Set(x, y, colour);
    }
  }
  // A bright line of haze where sea meets sky.
  for (int x = 0; x < kFloorWidth; ++x) c.Set(x, kHorizon, pal::kFoamShade);
}

// Crests: short light strokes in rows that spread out and lengthen towards the viewer.
void DrawCrests(Canvas& c) {
  double y = kHorizon + 4.0;
  for (int k = 0; y < 174.0; ++k) {
    const int row = static_cast<int>(y);
    const int length = 2 + static_cast<int>(k * 0.7);
    static constexpr int kPeriods[] = {32, 40, 64, 80};
    const int period = kPeriods[Hash(static_cast<std::uint32_t>(k)) % 4];
    const int offset = static_cast<int>(Hash(static_cast<std::uint32_t>(k) + 77u) %
                                        static_cast<std::uint32_t>(period));
    const Rgb under = c.Get(offset, row);
    Rgb crest = pal::kSeaLight;
    if (under == pal::kSeaLight || under == pal::kSeaHaze) crest = pal::kSeaHaze;
    if (row > 140) crest = pal::kFoamShade;
    for (int start = offset; start < kFloorWidth + offset; start += period) {
      for (int i = 0; i < length; ++i) c.Set(start + i, row, crest);
      if (length >= 5) {
        // A darker trough just below the middle of a longer crest gives it a rolling shape.
        for (int i = 1; i < length - 1; ++i)
          c.Set(start + i, row + 1, Darker(c.Get(start + i, row + 1)));
      }
    }
    y += 3.0 + k * 0.55;
  }
}

void DrawIsland(Canvas& c, int x0, int width, double height, bool palms, int towerAt) {
  for (int i = 0; i < width; ++i) {
    const double u = (i + 0.5) / width;
    const double bump = std::sqrt(SinTurns(0.5 * u));
    const double h = height * bump * (1.0 + 0.12 * SinTurns(3.0 * u));
    const int top = kHorizon - static_cast<int>(std::floor(h + 0.5));
    for (int y = top; y < kHorizon; ++y) {
      // The right-hand slopes lie in shade.
      Rgb colour = u > 0.55 ? Dither(x0 + i, y, pal::kIsland, pal::kIslandDark, (u - 0.55) * 3.0)
                            : pal::kIsland;
      if (y == top) colour = pal::kIslandLight;
      c.Set(x0 + i, y, colour);
    }
  }
  if (palms) {
    for (int p : {width / 3, width / 3 + 13}) {
      const int px = x0 + p;
      const int base = kHorizon - static_cast<int>(height * 0.9);
      c.Line(px, base, px + 1, base - 7, pal::kIslandDark);
      c.Line(px - 3, base - 6, px + 4, base - 8, pal::kIslandDark);
      c.Line(px - 2, base - 9, px + 1, base - 7, pal::kIslandDark);
      c.Line(px + 1, base - 7, px + 4, base - 5, pal::kIslandDark);
    }
  }
  if (towerAt >= 0) {
    const int tx = x0 + towerAt;
    const int base = kHorizon - static_cast<int>(height) + 2;
    for (int y = base - 14; y < base; ++y) {
      const Rgb band = ((y - base) / 3) % 2 == 0 ? pal::kTowerWhite : pal::kTowerRed;
      c.FillRect(tx, y, 4, 1, band);
    }
    c.FillRect(tx + 1, base - 17, 2, 3, pal::kFlagYellow);  // lamp room
    c.FillRect(tx, base - 18, 4, 1, pal::kTowerRed);        // roof
  }
}

void DrawShore(Canvas& c) {
  for (int x = 0; x < kFloorWidth; ++x) {
    const double shore = ShoreY(x);
    const int foamTop = static_cast<int>(std::floor(shore)) - 3;
    // The thin lace of the receding wave, a few rows out.
    const double lace = shore - 9.0 + 1.5 * Wave(x, 7, 0.3);
    if (Wave(x, 20, 0.0) > -0.2) c.Set(x, static_cast<int>(std::floor(lace)), pal::kFoamShade);
    for (int y = foamTop; y < kFloorHeight; ++y) {
      Rgb colour;
      const int depth = y - foamTop;  // rows below the top of the foam
      if (depth < 2) {
        colour = pal::kFoam;
      } else if (depth < 3) {
        colour = Wave(x, 32, 0.0) > 0.0 ? pal::kFoam : pal::kFoamShade;  // scalloped edge
      } else if (depth < 5) {
        colour = pal::kWetSandDark;
      } else if (depth < 12) {
        colour = Dither(x, y, pal::kWetSand, pal::kSand, (depth - 5) / 7.0);
      } else {
        const double u = (y - 196.0) / 44.0;
        colour = u < 0.45 ? Dither(x, y, pal::kSand, pal::kSandShade, u / 0.45 * 0.6)
                          : Dither(x, y, pal::kSandShade, pal::kSandDark, (u - 0.45) / 0.55);
      }
      c.Set(x, y, colour);
    }
  }
}

// Small things on the sand: pebbles, shells and a starfish, and tufts of dune grass along the
// bottom edge. Their places are fixed, not random, so the beach reads the same every time.
void DrawBeachDetails(Canvas& c) {
  struct Spot {
    int x, y;
    int kind;  // 0 pebble, 1 shell, 2 starfish
  };
  const Spot spots[] = {{22, 204, 0},  {58, 214, 1},  {97, 200, 0},  {131, 222, 2}, {176, 207, 1},
                        {214, 217, 0}, {251, 203, 1}, {288, 226, 0}, {309, 210, 2}, {150, 212, 0}};
  for (const Spot& s : spots) {
    switch (s.kind) {
      case 0:
        c.FillEllipse(s.x + 0.5, s.y + 0.5, 2.0, 1.3, pal::kPebble);
        c.Set(s.x - 1, s.y, pal::kTowerWhite);
        c.Set(s.x + 1, s.y + 1, pal::kSandDark);
        break;
      case 1:
        c.FillEllipse(s.x + 0.5, s.y + 0.5, 1.8, 1.5, pal::kShell);
        c.Set(s.x, s.y + 1, pal::kTowerRed);
        break;
      default:
        c.Line(s.x - 2, s.y, s.x + 2, s.y, pal::kFlagOrange);
        c.Line(s.x, s.y - 2, s.x, s.y + 2, pal::kFlagOrange);
        c.Set(s.x - 1, s.y + 2, pal::kFlagOrange);
        c.Set(s.x + 1, s.y + 2, pal::kFlagOrange);
        c.Set(s.x, s.y, pal::kFlagYellow);
        break;
    }
  }
  for (int x = 0; x < kFloorWidth; x += 40) {
    const int base = kFloorHeight - 1;
    const int at = x + 12 + static_cast<int>(Hash(static_cast<std::uint32_t>(x)) % 16u);
    c.Line(at, base, at - 3, base - 6, pal::kLeafDark);
    c.Line(at + 1, base, at + 1, base - 8, pal::kLeaf);
    c.Line(at + 2, base, at + 5, base - 5, pal::kLeafDark);
  }
}

}  // namespace

Canvas DrawFloorTile() {
  Canvas c(kFloorWidth, kFloorHeight, kMagenta, CanvasWrap::Horizontal);
  DrawSea(c);
  DrawCrests(c);
  DrawIsland(c, 30, 110, 14.0, true, -1);
  DrawIsland(c, 186, 52, 9.0, false, 24);
  DrawIsland(c, 286, 56, 7.0, false, -1);  // crosses the seam
  DrawShore(c);
  DrawBeachDetails(c);
  return c;
}

}  // namespace assetgen
