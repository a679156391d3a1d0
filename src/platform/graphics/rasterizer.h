#pragma once

// The device's two drawing paths for pre-transformed textured triangles (rules in device.h):
// the general path, which handles any triangle, and the quad path, which takes an axis-aligned
// rectangle mapped one texel to one pixel and fills it row by row. The quad path accepts only
// quads whose texel choice is unambiguous (every pixel centre at least 1/8 texel away from a
// texel edge), so that it picks exactly the texels the general path would.

#include <cstdint>

#include "platform/graphics/graphics.h"
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
};

// Draws one triangle with the general path.
void TriangleDraw(const DrawState& state, const Vertex& a, const Vertex& b, const Vertex& c);

// Draws a two-triangle strip (top-left, top-right, bottom-left, bottom-right) with the quad path
// and returns true, or returns false without drawing when the quad path does not apply.
bool QuadDraw(const DrawState& state, const Vertex strip[4]);

// The stage output for a texel (0xAARRGGBB; opaque white when there is no texture).
std::uint32_t StageApply(const Stage& stage, std::uint32_t texel);
// True when StageApply returns every texel unchanged.
bool StageIsTexel(const Stage& stage);

}  // namespace platform::raster
