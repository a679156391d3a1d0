#pragma once

// The device's two drawing paths for pre-transformed textured triangles (rules in device.h):
// the general path, which handles any triangle, and the quad path, which takes an axis-aligned
// rectangle mapped one texel to one pixel and fills it row by row. The quad path accepts only
// quads whose texel choice is unambiguous (every pixel centre more than 1/6 texel away from a
// texel edge), so that it picks exactly the texels the general path would.

#include <cstdint>

#include "platform/graphics/graphics.h"
#include "platform/graphics/row_kernels.h"
#include "platform/graphics/surface.h"

namespace platform::raster {

struct Vertex {
  float x, y, u, v;
};

// What a stage-0 combination makes of a texel, worked out once per draw.
struct Stage {
  std::uint32_t colourOp, colourArg1, colourArg2;
  std::uint32_t alphaOp, alphaArg1, alphaArg2;
};

enum class BlendKind { Copy, SrcAlpha, Other };

// One axis of the last quad the quad path accepted. A sprite is drawn again and again at other
// whole-pixel positions; with the same texture coordinates, snapped size and sub-pixel position
// the texel mapping is the same shifted by whole pixels, so the checks need not be repeated.
struct AxisMemo {
  std::uint32_t t0 = 0, t1 = 0;  // bit patterns of the texture coordinates
  std::int64_t fraction = -1;    // sub-pixel part of the snapped start
  std::int64_t span = 0;         // snapped extent
  int texSize = 0;
  std::int64_t offset = 0;  // texel of a centre minus the centre, plus the start's whole pixels
};

struct DrawState {
  Direct3DSurface9* target = nullptr;
  Direct3DSurface9* texture = nullptr;  // null: texture arguments read opaque white
  std::uint32_t addressU = D3DTADDRESS_WRAP;
  std::uint32_t addressV = D3DTADDRESS_WRAP;
  Stage stage{};
  bool blendEnable = false;
  std::uint32_t srcBlend = D3DBLEND_ONE;
  std::uint32_t destBlend = D3DBLEND_ZERO;
  std::uint32_t cullMode = D3DCULL_CCW;
  // Worked out from the fields above by Prepare.
  BlendKind blendKind = BlendKind::Copy;
  bool quadStates = false;  // the states allow the quad path (given a texture)
  // The quad path's loops for the last pair of formats it drew.
  D3DFORMAT kernelTarget = D3DFMT_UNKNOWN, kernelTexture = D3DFMT_UNKNOWN;
  rows::Kernels kernels;
  AxisMemo memoX, memoY;
};

// Fills in the derived fields; call after changing any other.
void Prepare(DrawState& state);

// Draws one triangle with the general path.
void TriangleDraw(const DrawState& state, const Vertex& a, const Vertex& b, const Vertex& c);

// Draws a two-triangle strip of four textured vertices (top-left, top-right, bottom-left,
// bottom-right; D3DFVF_XYZRHW | D3DFVF_TEX1, `stride` bytes apart) with the quad path and returns
// true, or returns false without drawing when the quad path does not apply. The state must be
// prepared.
bool QuadDraw(DrawState& state, const std::uint8_t* vertices, std::uint32_t stride);

// The stage output for a texel (0xAARRGGBB; opaque white when there is no texture).
std::uint32_t StageApply(const Stage& stage, std::uint32_t texel);
// True when StageApply returns every texel unchanged.
bool StageIsTexel(const Stage& stage);

}  // namespace platform::raster
