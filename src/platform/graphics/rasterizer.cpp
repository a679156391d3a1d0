#include "platform/graphics/rasterizer.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/alpha_spans.h"
#include "platform/graphics/pixel_format.h"
#include "platform/graphics/row_kernels.h"

namespace platform::raster {

namespace {

// Positions snap to 1/256 pixel. Within the guard band, snapped coordinates stay below 2^29 and
// the edge functions below 2^62, so 64-bit integers hold them exactly; triangles reaching
// beyond it are clipped to it first.
constexpr int kSubBits = 8;
constexpr std::int64_t kSub = 1 << kSubBits;
constexpr double kGuard = 2097152.0;  // 2^21 pixels

std::int64_t Snap(double c) {
  return std::llround(c * kSub);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
  return -FloorDiv(-a, b);
}

bool InGuard(double x, double y) {
  return std::fabs(x) <= kGuard && std::fabs(y) <= kGuard;
}

constexpr std::uint32_t kArgMask = 0xF;  // the argument selector without modifier bits

// An attribute as a plane over the screen: value = base + dx * (x - x0) + dy * (y - y0).
struct Plane {
  double x0, y0, base, dx, dy;
  double At(double x, double y) const { return base + dx * (x - x0) + dy * (y - y0); }
};

// Plane through three values at three points; false for a degenerate triangle.
bool PlaneMake(const Vertex& a, const Vertex& b, const Vertex& c, double va, double vb, double vc,
               Plane* out) {
  double x1 = double{b.x} - a.x, y1 = double{b.y} - a.y;
  double x2 = double{c.x} - a.x, y2 = double{c.y} - a.y;
  double det = x1 * y2 - x2 * y1;
  if (det == 0 || !std::isfinite(det)) return false;
  double d1 = vb - va, d2 = vc - va;
  *out = Plane{a.x, a.y, va, (d1 * y2 - d2 * y1) / det, (x1 * d2 - x2 * d1) / det};
  return true;
}

// Texel index for coordinate t (already multiplied by the size), wrapped or clamped. Any
// double is accepted: NaN and infinities give 0.
int TexelIndex(double t, int size, std::uint32_t address) {
  if (!std::isfinite(t)) return 0;
  double f = std::floor(t);
  if (address == D3DTADDRESS_CLAMP) return f < 0 ? 0 : f >= size ? size - 1 : static_cast<int>(f);
  double r = f - size * std::floor(f / size);
  // At huge magnitudes the division above is inexact; anything out of range becomes 0.
  if (!(r >= 0 && r < size)) return 0;
  return static_cast<int>(r);
}

std::uint32_t ArgValue(std::uint32_t arg, std::uint32_t texel) {
  return (arg & kArgMask) == D3DTA_TEXTURE ? texel : 0xFFFFFFFFu;
}

std::uint32_t Modulate(std::uint32_t a, std::uint32_t b) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    out |= pixel::Div255(((a >> shift) & 0xFF) * ((b >> shift) & 0xFF) + 127) << shift;
  }
  return out;
}

// One stage operation. Operations the device does not implement act as SELECTARG1.
std::uint32_t Combine(std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2,
                      std::uint32_t texel) {
  switch (op) {
    case D3DTOP_DISABLE:
      return 0xFFFFFFFFu;
    case D3DTOP_SELECTARG2:
      return ArgValue(arg2, texel);
    case D3DTOP_MODULATE:
      return Modulate(ArgValue(arg1, texel), ArgValue(arg2, texel));
    default:
      return ArgValue(arg1, texel);
  }
}

bool CombineIsTexel(std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2) {
  bool tex1 = (arg1 & kArgMask) == D3DTA_TEXTURE, tex2 = (arg2 & kArgMask) == D3DTA_TEXTURE;
  switch (op) {
    case D3DTOP_DISABLE:
      return false;
    case D3DTOP_SELECTARG2:
      return tex2;
    case D3DTOP_MODULATE:
      return tex1 != tex2;  // texel times white
    default:
      return tex1;
  }
}

std::uint32_t Factor(std::uint32_t blend, std::uint32_t s, std::uint32_t d, std::uint32_t sa,
                     std::uint32_t da) {
  switch (blend) {
    case D3DBLEND_ZERO:
      return 0;
    case D3DBLEND_SRCCOLOR:
      return s;
    case D3DBLEND_INVSRCCOLOR:
      return 255 - s;
    case D3DBLEND_SRCALPHA:
      return sa;
    case D3DBLEND_INVSRCALPHA:
      return 255 - sa;
    case D3DBLEND_DESTALPHA:
      return da;
    case D3DBLEND_INVDESTALPHA:
      return 255 - da;
    case D3DBLEND_DESTCOLOR:
      return d;
    case D3DBLEND_INVDESTCOLOR:
      return 255 - d;
    default:  // D3DBLEND_ONE and the factors the device does not implement
      return 255;
  }
}

enum class BlendKind { Copy, SrcAlpha, Other };

BlendKind BlendKindOf(const DrawState& state) {
  if (!state.blendEnable) return BlendKind::Copy;
  if (state.srcBlend == D3DBLEND_SRCALPHA && state.destBlend == D3DBLEND_INVSRCALPHA) {
    return BlendKind::SrcAlpha;
  }
  if (state.srcBlend == D3DBLEND_ONE && state.destBlend == D3DBLEND_ZERO) return BlendKind::Copy;
  return BlendKind::Other;
}

// Writes the stage output `src` onto the target pixel at p.
void PixelOut(const DrawState& state, BlendKind kind, std::uint8_t* p, std::uint32_t src) {
  D3DFORMAT format = state.target->Format();
  switch (kind) {
    case BlendKind::Copy:
      pixel::Write(format, p, src);
      return;
    case BlendKind::SrcAlpha:
      pixel::BlendOnto(format, p, src);
      return;
    case BlendKind::Other:
      break;
  }
  std::uint32_t dst = pixel::Read(format, p);
  std::uint32_t sa = src >> 24, da = dst >> 24;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    std::uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
    std::uint32_t sum =
        s * Factor(state.srcBlend, s, d, sa, da) + d * Factor(state.destBlend, s, d, sa, da) + 127;
    out |= std::min<std::uint32_t>(sum / 255, 255) << shift;
  }
  pixel::Write(format, p, out);
}

struct Point {
  double x, y;
};

// Clips a convex polygon to the guard band (Sutherland-Hodgman, one side at a time).
int GuardClip(Point* poly, int count) {
  Point buffer[16];
  for (int side = 0; side < 4; ++side) {
    auto inside = [side](const Point& p) {
      switch (side) {
        case 0:
          return p.x >= -kGuard;
        case 1:
          return p.x <= kGuard;
        case 2:
          return p.y >= -kGuard;
        default:
          return p.y <= kGuard;
      }
    };
    auto cross = [side](const Point& p, const Point& q) {
      double edge = (side == 0) ? -kGuard : (side == 1) ? kGuard : (side == 2) ? -kGuard : kGuard;
      double t = (side < 2) ? (edge - p.x) / (q.x - p.x) : (edge - p.y) / (q.y - p.y);
      return Point{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t};
    };
    int out = 0;
    for (int i = 0; i < count; ++i) {
      const Point& p = poly[i];
      const Point& q = poly[(i + 1) % count];
      bool pIn = inside(p), qIn = inside(q);
      if (pIn) buffer[out++] = p;
      if (pIn != qIn) buffer[out++] = cross(p, q);
    }
    count = out;
    std::copy(buffer, buffer + count, poly);
    if (count == 0) break;
  }
  return count;
}

// Fills the pixels whose centres a snapped, clockwise triangle covers (top-left rule).
void CoverageFill(const DrawState& state, BlendKind kind, const std::int64_t (&x)[3],
                  const std::int64_t (&y)[3], const Plane& u, const Plane& v) {
  Direct3DSurface9& target = *state.target;
  std::int64_t xMin = std::max<std::int64_t>(0, CeilDiv(std::min({x[0], x[1], x[2]}), kSub));
  std::int64_t xMax =
      std::min<std::int64_t>(target.Width() - 1, FloorDiv(std::max({x[0], x[1], x[2]}), kSub));
  std::int64_t yMin = std::max<std::int64_t>(0, CeilDiv(std::min({y[0], y[1], y[2]}), kSub));
  std::int64_t yMax =
      std::min<std::int64_t>(target.Height() - 1, FloorDiv(std::max({y[0], y[1], y[2]}), kSub));
  if (xMin > xMax || yMin > yMax) return;

  // Edge i runs from vertex i to vertex i + 1; E(P) = dx * (Py - Ay) - dy * (Px - Ax) is
  // positive inside. A centre exactly on an edge counts only for top edges (horizontal,
  // running right) and left edges (running up): the bias makes E >= bias the test.
  std::int64_t dx[3], dy[3], bias[3];
  for (int i = 0; i < 3; ++i) {
    int j = (i + 1) % 3;
    dx[i] = x[j] - x[i];
    dy[i] = y[j] - y[i];
    bool topLeft = (dy[i] == 0 && dx[i] > 0) || dy[i] < 0;
    bias[i] = topLeft ? 0 : 1;
  }

  Direct3DSurface9* texture = state.texture;
  const int outBytes = FormatBytes(target.Format());
  for (std::int64_t py = yMin; py <= yMax; ++py) {
    std::int64_t e[3];
    for (int i = 0; i < 3; ++i) {
      e[i] = dx[i] * (py * kSub - y[i]) - dy[i] * (xMin * kSub - x[i]);
    }
    std::uint8_t* row = target.Pixels() + py * target.Pitch();
    for (std::int64_t px = xMin; px <= xMax; ++px) {
      if (e[0] >= bias[0] && e[1] >= bias[1] && e[2] >= bias[2]) {
        std::uint32_t texel = 0xFFFFFFFFu;
        if (texture) {
          double cx = static_cast<double>(px), cy = static_cast<double>(py);
          int tx = TexelIndex(u.At(cx, cy) * texture->Width(), texture->Width(), state.addressU);
          int ty = TexelIndex(v.At(cx, cy) * texture->Height(), texture->Height(), state.addressV);
          texel =
              pixel::Read(texture->Format(),
                          texture->Pixels() + static_cast<std::ptrdiff_t>(ty) * texture->Pitch() +
                              tx * FormatBytes(texture->Format()));
        }
        PixelOut(state, kind, row + px * outBytes, StageApply(state.stage, texel));
      }
      for (int i = 0; i < 3; ++i) e[i] -= dy[i] * kSub;
    }
  }
}

// Quad path along one axis: the covered pixel range [begin, end) clipped to [0, size), and the
// first texel, or false when the texel choice is not safely one texel per pixel.
bool AxisMap(float p0, float p1, float t0, float t1, int size, int texSize, std::int64_t* begin,
             std::int64_t* end, std::int64_t* texel) {
  std::int64_t s0 = Snap(p0), s1 = Snap(p1);
  if (s1 <= s0) return false;
  // Left and top edges include centres on them, right and bottom edges do not.
  *begin = std::max<std::int64_t>(0, CeilDiv(s0, kSub));
  *end = std::min<std::int64_t>(size, CeilDiv(s1, kSub));
  if (*begin >= *end) return true;
  double perPixel = (double{t1} - t0) / (double{p1} - p0);
  double first = (t0 + (static_cast<double>(*begin) - p0) * perPixel) * texSize;
  double n = static_cast<double>(*end - *begin);
  double floor = std::floor(first), phase = first - floor;
  // Every centre's coordinate lies in [phase - 1/8, phase + 1/8] (mod 1) and so at least 1/8
  // texel from a texel edge: rounding differences between the paths cannot change the texel.
  if (!(std::fabs(perPixel * texSize - 1.0) * n <= 0.125)) return false;
  if (!(phase >= 0.25 && phase <= 0.75)) return false;
  if (!(floor >= 0 && floor + n <= texSize)) return false;
  *texel = static_cast<std::int64_t>(floor);
  return true;
}

}  // namespace

std::uint32_t StageApply(const Stage& stage, std::uint32_t texel) {
  if (stage.colourOp == D3DTOP_DISABLE) return 0xFFFFFFFFu;
  std::uint32_t colour = Combine(stage.colourOp, stage.colourArg1, stage.colourArg2, texel);
  std::uint32_t alpha = Combine(stage.alphaOp, stage.alphaArg1, stage.alphaArg2, texel);
  return (colour & 0x00FFFFFFu) | (alpha & 0xFF000000u);
}

bool StageIsTexel(const Stage& stage) {
  return stage.colourOp != D3DTOP_DISABLE &&
         CombineIsTexel(stage.colourOp, stage.colourArg1, stage.colourArg2) &&
         CombineIsTexel(stage.alphaOp, stage.alphaArg1, stage.alphaArg2);
}

void TriangleDraw(const DrawState& state, const Vertex& a, const Vertex& b, const Vertex& c) {
  const Vertex* v[3] = {&a, &b, &c};
  for (const Vertex* p : v) {
    if (!std::isfinite(p->x) || !std::isfinite(p->y)) return;
  }
  // Winding on screen (y down): positive area is clockwise.
  double area =
      (double{b.x} - a.x) * (double{c.y} - a.y) - (double{c.x} - a.x) * (double{b.y} - a.y);
  if (area == 0) return;
  if (state.cullMode == D3DCULL_CCW && area < 0) return;
  if (state.cullMode == D3DCULL_CW && area > 0) return;
  if (area < 0) std::swap(v[1], v[2]);

  // Texture coordinates come from the whole triangle, also when only a clipped part is filled.
  Plane u{}, tv{};
  if (!PlaneMake(*v[0], *v[1], *v[2], v[0]->u, v[1]->u, v[2]->u, &u) ||
      !PlaneMake(*v[0], *v[1], *v[2], v[0]->v, v[1]->v, v[2]->v, &tv)) {
    return;
  }
  BlendKind kind = BlendKindOf(state);

  Point poly[16];
  int count = 3;
  for (int i = 0; i < 3; ++i) poly[i] = Point{v[i]->x, v[i]->y};
  if (!InGuard(poly[0].x, poly[0].y) || !InGuard(poly[1].x, poly[1].y) ||
      !InGuard(poly[2].x, poly[2].y)) {
    count = GuardClip(poly, count);
  }
  // A fan over the (clipped) polygon; neighbouring pieces share snapped edges, so the fill
  // rule still draws every pixel once.
  for (int i = 1; i + 1 < count; ++i) {
    std::int64_t x[3] = {Snap(poly[0].x), Snap(poly[i].x), Snap(poly[i + 1].x)};
    std::int64_t y[3] = {Snap(poly[0].y), Snap(poly[i].y), Snap(poly[i + 1].y)};
    std::int64_t snappedArea = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    if (snappedArea <= 0) continue;
    CoverageFill(state, kind, x, y, u, tv);
  }
}

bool QuadDraw(const DrawState& state, const Vertex strip[4]) {
  Direct3DSurface9* texture = state.texture;
  BlendKind kind = BlendKindOf(state);
  if (!texture || kind == BlendKind::Other || state.cullMode == D3DCULL_CW ||
      !StageIsTexel(state.stage)) {
    return false;
  }
  const Vertex &tl = strip[0], &tr = strip[1], &bl = strip[2], &br = strip[3];
  if (tl.y != tr.y || bl.y != br.y || tl.x != bl.x || tr.x != br.x) return false;
  if (tl.u != bl.u || tr.u != br.u || tl.v != tr.v || bl.v != br.v) return false;
  for (int i = 0; i < 4; ++i) {
    if (!InGuard(strip[i].x, strip[i].y)) return false;  // also refuses NaN
  }
  if (!(tr.x > tl.x && bl.y > tl.y)) return false;

  Direct3DSurface9& target = *state.target;
  std::int64_t x0, x1, tx, y0, y1, ty;
  if (!AxisMap(tl.x, tr.x, tl.u, tr.u, target.Width(), texture->Width(), &x0, &x1, &tx) ||
      !AxisMap(tl.y, bl.y, tl.v, bl.v, target.Height(), texture->Height(), &y0, &y1, &ty)) {
    return false;
  }
  if (x0 >= x1 || y0 >= y1) return true;  // wholly outside the target

  rows::Kernels kernels = rows::KernelsBest(target.Format(), texture->Format());
  if (!kernels.copy) return false;
  const AlphaSpans* spans = kind == BlendKind::SrcAlpha ? texture->Spans() : nullptr;
  const int outBytes = FormatBytes(target.Format()), inBytes = FormatBytes(texture->Format());
  const std::uint32_t first = static_cast<std::uint32_t>(tx);
  const std::uint32_t last = static_cast<std::uint32_t>(tx + (x1 - x0));
  for (std::int64_t row = 0; row < y1 - y0; ++row) {
    std::uint8_t* out = target.Pixels() + (y0 + row) * target.Pitch() + x0 * outBytes;
    int texelRow = static_cast<int>(ty + row);
    const std::uint8_t* in = texture->Pixels() +
                             static_cast<std::ptrdiff_t>(texelRow) * texture->Pitch() +
                             first * inBytes;
    if (kind == BlendKind::Copy) {
      kernels.copy(out, in, static_cast<int>(last - first));
      continue;
    }
    if (!spans) {
      kernels.blend(out, in, static_cast<int>(last - first));
      continue;
    }
    // Walk the row's runs: skip transparent texels, copy opaque ones, blend the rest.
    std::uint32_t at = first;
    for (const AlphaSpans::Run* run = spans->RowFind(texelRow, first); at < last; ++run) {
      std::uint32_t end = std::min(run->end, last);
      int count = static_cast<int>(end - at);
      std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(at - first);
      if (run->kind == AlphaSpans::Opaque) {
        kernels.copy(out + offset * outBytes, in + offset * inBytes, count);
      } else if (run->kind == AlphaSpans::Mixed) {
        kernels.blend(out + offset * outBytes, in + offset * inBytes, count);
      }
      at = end;
    }
  }
  return true;
}

}  // namespace platform::raster
