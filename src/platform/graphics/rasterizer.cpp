#include "platform/graphics/rasterizer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

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

// Nearest integer, halves to even, for values well inside the 64-bit range. On x86 this is a
// single instruction under the default rounding mode; small sprites are drawn often enough for
// that to matter.
inline std::int64_t RoundEven(double v) {
#if defined(__x86_64__)
  return _mm_cvtsd_si64(_mm_set_sd(v));
#else
  return std::llrint(v);
#endif
}

inline std::int64_t RoundEven(float v) {
#if defined(__x86_64__)
  return _mm_cvtss_si64(_mm_set_ss(v));
#else
  return std::llrint(v);
#endif
}

// Rounds to the nearest 1/256 pixel. Only for coordinates inside the guard band. The quad path
// snaps in single precision: c * 256 is exact in both, so the results agree.
inline std::int64_t Snap(double c) {
  return RoundEven(c * kSub);
}

// Whole pixels of a snapped coordinate, rounded down or up (arithmetic shifts round down).
std::int64_t PixelFloor(std::int64_t a) {
  return a >> kSubBits;
}
std::int64_t PixelCeil(std::int64_t a) {
  return -((-a) >> kSubBits);
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
  std::int64_t xMin = std::max<std::int64_t>(0, PixelCeil(std::min({x[0], x[1], x[2]})));
  std::int64_t xMax =
      std::min<std::int64_t>(target.Width() - 1, PixelFloor(std::max({x[0], x[1], x[2]})));
  std::int64_t yMin = std::max<std::int64_t>(0, PixelCeil(std::min({y[0], y[1], y[2]})));
  std::int64_t yMax =
      std::min<std::int64_t>(target.Height() - 1, PixelFloor(std::max({y[0], y[1], y[2]})));
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
// texel of the first covered centre, or false when the texel choice is not safely one texel per
// pixel.
inline bool AxisMap(float p0, float p1, float t0, float t1, int size, int texSize, AxisMemo& memo,
                    std::int64_t* begin, std::int64_t* end, std::int64_t* texel) {
  const std::int64_t s0 = RoundEven(p0 * static_cast<float>(kSub));
  const std::int64_t s1 = RoundEven(p1 * static_cast<float>(kSub));
  // Strictly inside the guard band, so that the general path would not clip this quad either;
  // NaN snaps to the most negative integer and fails too. s1 > s0 also means p1 > p0.
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(kGuard) * kSub - 1;
  if (static_cast<std::uint64_t>(s0 + kLimit) > 2 * kLimit ||
      static_cast<std::uint64_t>(s1 + kLimit) > 2 * kLimit || s1 <= s0) {
    return false;
  }
  // Left and top edges include centres on them, right and bottom edges do not.
  *begin = std::max<std::int64_t>(0, PixelCeil(s0));
  *end = std::min<std::int64_t>(size, PixelCeil(s1));
  const auto bits0 = std::bit_cast<std::uint32_t>(t0), bits1 = std::bit_cast<std::uint32_t>(t1);
  std::int64_t whole;  // centre c lands on texel whole + c
  if (memo.fraction == (s0 & (kSub - 1)) && memo.span == s1 - s0 && memo.t0 == bits0 &&
      memo.t1 == bits1 && memo.texSize == texSize) {
    whole = memo.offset - PixelFloor(s0);
  } else {
    // The texel coordinate at a centre c is exactly t0 * texSize + (c - p0) * texels / extent.
    // Require texels == extent to 1/16 texel over the whole quad: then it differs from
    // q + c, q = t0 * texSize - p0, by less than 1/16 at every covered centre. With q's
    // fraction in [1/4, 3/4], every centre stays 3/16 texel away from a texel edge, far beyond
    // any rounding difference between the two paths, and centre c lands on texel
    // floor(q) + c. Comparisons are written so that NaN fails them.
    double extent = double{p1} - p0;
    double texels = (double{t1} - t0) * texSize;
    double q = double{t0} * texSize - p0;
    whole = RoundEven(q - 0.5);
    if (!(std::fabs(texels - extent) * (extent + 1) <= extent * 0.0625)) return false;
    if (!(std::fabs(q) < 1e9 && std::fabs(q - 0.5 - static_cast<double>(whole)) <= 0.25)) {
      return false;
    }
    // A quad with the same texture coordinates whose ends snap to the same sub-pixel positions
    // lies within 1/256 pixel of this one shifted by whole pixels: its q is this q shifted by
    // the same whole amount, give or take 1/256, and its extent differs by at most 1/128. That
    // leaves every centre more than 1/6 texel from a texel edge, on the same texel as here.
    memo = AxisMemo{bits0, bits1, s0 & (kSub - 1), s1 - s0, texSize, whole + PixelFloor(s0)};
  }
  if (*begin >= *end) return true;
  *texel = whole + *begin;
  return *texel >= 0 && *texel + (*end - *begin) <= texSize;
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
  const BlendKind kind = state.blendKind;

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

void Prepare(DrawState& state) {
  if (!state.blendEnable) {
    state.blendKind = BlendKind::Copy;
  } else if (state.srcBlend == D3DBLEND_SRCALPHA && state.destBlend == D3DBLEND_INVSRCALPHA) {
    state.blendKind = BlendKind::SrcAlpha;
  } else if (state.srcBlend == D3DBLEND_ONE && state.destBlend == D3DBLEND_ZERO) {
    state.blendKind = BlendKind::Copy;
  } else {
    state.blendKind = BlendKind::Other;
  }
  state.quadStates = state.blendKind != BlendKind::Other && state.cullMode != D3DCULL_CW &&
                     StageIsTexel(state.stage);
}

bool QuadDraw(DrawState& state, const std::uint8_t* vertices, std::uint32_t stride) {
  Direct3DSurface9* texture = state.texture;
  if (!texture || !state.quadStates) return false;
  const BlendKind kind = state.blendKind;
  // Words x, y, u, v (0, 1, 4, 5) of the four vertices, read once as bits and one word at a
  // time: callers have just stored them as separate floats, and a wider load spanning several
  // such stores would wait for them to reach the cache instead of being forwarded.
  std::uint32_t w[4][6];
  for (int n = 0; n < 4; ++n) {
    for (int i : {0, 1, 4, 5}) std::memcpy(&w[n][i], vertices + n * stride + i * 4, 4);
  }
  enum { TL, TR, BL, BR };
  enum { X = 0, Y = 1, U = 4, V = 5 };
  // Shared coordinates compared bit for bit, with one branch; a quad that differs only by the
  // sign of a zero simply takes the general path.
  std::uint32_t differ = (w[TL][Y] ^ w[TR][Y]) | (w[BL][Y] ^ w[BR][Y]) | (w[TL][X] ^ w[BL][X]) |
                         (w[TR][X] ^ w[BR][X]) | (w[TL][U] ^ w[BL][U]) | (w[TR][U] ^ w[BR][U]) |
                         (w[TL][V] ^ w[TR][V]) | (w[BL][V] ^ w[BR][V]);
  if (differ != 0) return false;
  const float left = std::bit_cast<float>(w[TL][X]), right = std::bit_cast<float>(w[TR][X]);
  const float top = std::bit_cast<float>(w[TL][Y]), bottom = std::bit_cast<float>(w[BL][Y]);
  Direct3DSurface9& target = *state.target;
  std::int64_t x0 = 0, x1 = 0, tx = 0, y0 = 0, y1 = 0, ty = 0;
  if (!AxisMap(left, right, std::bit_cast<float>(w[TL][U]), std::bit_cast<float>(w[TR][U]),
               target.Width(), texture->Width(), state.memoX, &x0, &x1, &tx) ||
      !AxisMap(top, bottom, std::bit_cast<float>(w[TL][V]), std::bit_cast<float>(w[BL][V]),
               target.Height(), texture->Height(), state.memoY, &y0, &y1, &ty)) {
    return false;
  }
  if (x0 >= x1 || y0 >= y1) return true;  // wholly outside the target

  if (state.kernelTarget != target.Format() || state.kernelTexture != texture->Format()) {
    state.kernels = rows::KernelsBest(target.Format(), texture->Format());
    state.kernelTarget = target.Format();
    state.kernelTexture = texture->Format();
  }
  const rows::Kernels& kernels = state.kernels;
  if (!kernels.copy) return false;
  rows::BlitJob job;
  job.dst = target.Pixels() + y0 * target.Pitch() + x0 * FormatBytes(target.Format());
  job.dstPitch = target.Pitch();
  job.src = texture->Pixels() + ty * texture->Pitch();
  job.srcPitch = texture->Pitch();
  job.rows = static_cast<int>(y1 - y0);
  job.first = static_cast<std::uint32_t>(tx);
  job.last = static_cast<std::uint32_t>(tx + (x1 - x0));
  if (kind == BlendKind::Copy) {
    kernels.copy(job);
  } else {
    job.spans = texture->Spans();
    job.firstRow = static_cast<int>(ty);
    job.wholeRows = job.first == 0 && job.last == static_cast<std::uint32_t>(texture->Width());
    kernels.blend(job);
  }
  return true;
}

}  // namespace platform::raster
