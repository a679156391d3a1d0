// Drawing a masked 32-bit sprite (a disc: about 30% of its texels alpha 0, the rest 255) onto a
// 640 x 480 X8R8G8B8 back buffer, at 7x7, 32x32 and 320x240, cycling through 256 on-screen
// positions.
//   Draw/N:       the software device, as the sprite library draws (DrawPrimitiveUP of a
//                 two-triangle strip with source-alpha blending).
//   SdlBlitRle/N: SDL_BlitSurface of an ARGB8888 surface with SDL_BLENDMODE_BLEND and RLE
//                 acceleration onto an XRGB8888 surface.
//   SdlBlit/N:    the same without RLE acceleration.
//   MemcpyRows/N: memcpy of the sprite's rows, no masking at all: the floor for any method.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/graphics/direct3d.h"
#include "platform/host/headless/headless_host.h"

namespace {

using namespace platform;

constexpr int kScreenW = 640, kScreenH = 480;

struct Sprite {
  int w, h;
  std::vector<std::uint32_t> texels;  // 0xAARRGGBB, rows of w
};

Sprite SpriteMake(int w, int h) {
  Sprite sprite{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h)};
  // An ellipse covering 70% of the rectangle: pi / 4 * s^2 = 0.7 gives s = 0.944.
  const double scale = 0.944;
  std::mt19937 random(7);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double dx = (x + 0.5 - w / 2.0) / (w / 2.0 * scale);
      double dy = (y + 0.5 - h / 2.0) / (h / 2.0 * scale);
      bool inside = dx * dx + dy * dy <= 1.0;
      std::uint32_t colour = random() & 0x00FFFFFF;
      sprite.texels[static_cast<std::size_t>(y) * w + x] = inside ? (0xFF000000u | colour) : colour;
    }
  }
  return sprite;
}

struct Position {
  int x, y;
};

std::vector<Position> PositionsMake(int w, int h) {
  std::vector<Position> positions(256);
  std::mt19937 random(11);
  for (Position& p : positions) {
    p.x = static_cast<int>(random() % static_cast<unsigned>(kScreenW - w + 1));
    p.y = static_cast<int>(random() % static_cast<unsigned>(kScreenH - h + 1));
  }
  return positions;
}

void Counters(benchmark::State& state, const Sprite& sprite) {
  state.SetItemsProcessed(state.iterations() * sprite.w * sprite.h);
  std::size_t transparent = 0;
  for (std::uint32_t t : sprite.texels) transparent += (t >> 24) == 0;
  state.counters["transparent%"] =
      100.0 * static_cast<double>(transparent) / static_cast<double>(sprite.texels.size());
}

void Draw(benchmark::State& state, int w, int h) {
  Sprite sprite = SpriteMake(w, h);
  std::vector<Position> positions = PositionsMake(w, h);
  HeadlessHost host;
  Ref<Direct3D9> d3d(Direct3DCreate9(host, D3D_SDK_VERSION));
  D3DPRESENT_PARAMETERS params;
  params.BackBufferWidth = kScreenW;
  params.BackBufferHeight = kScreenH;
  params.BackBufferFormat = D3DFMT_X8R8G8B8;
  params.BackBufferCount = 1;
  params.SwapEffect = D3DSWAPEFFECT_FLIP;
  params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  params.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  Ref<Direct3DDevice9> device;
  if (!d3d || Failed(d3d->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0x22, &params, device.Put()))) {
    state.SkipWithError("no device");
    return;
  }
  Ref<Direct3DTexture9> texture;
  device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.Put(), nullptr);
  D3DLOCKED_RECT locked;
  texture->LockRect(0, &locked, nullptr, 0);
  for (int y = 0; y < h; ++y) {
    std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch,
                sprite.texels.data() + static_cast<std::size_t>(y) * w,
                static_cast<std::size_t>(w) * 4);
  }
  texture->UnlockRect(0);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
  device->SetTexture(0, texture.Get());
  device->BeginScene();

  std::size_t next = 0;
  for (auto _ : state) {
    const Position& p = positions[next++ & 255];
    // The vertices the sprite library builds: corners half a pixel up and left.
    float x0 = static_cast<float>(p.x) - 0.5f, y0 = static_cast<float>(p.y) - 0.5f;
    float x1 = x0 + static_cast<float>(w), y1 = y0 + static_cast<float>(h);
    VertexXyzrhwTex1 quad[4] = {
        {x0, y0, 0, 1, 0, 0}, {x1, y0, 0, 1, 1, 0}, {x0, y1, 0, 1, 0, 1}, {x1, y1, 0, 1, 1, 1}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(quad[0]));
    benchmark::ClobberMemory();
  }
  if (device->GetCounters().fastDraw != device->GetCounters().draw) {
    state.SkipWithError("a draw missed the quad path");
  }
  Counters(state, sprite);
}

void SdlBlitMasked(benchmark::State& state, int w, int h, bool rle) {
  Sprite sprite = SpriteMake(w, h);
  std::vector<Position> positions = PositionsMake(w, h);
  SDL_Surface* screen =
      SDL_CreateRGBSurfaceWithFormat(0, kScreenW, kScreenH, 32, SDL_PIXELFORMAT_RGB888);
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!screen || !source) {
    state.SkipWithError("no SDL surfaces");
    return;
  }
  for (int y = 0; y < h; ++y) {
    std::memcpy(static_cast<std::uint8_t*>(source->pixels) + y * source->pitch,
                sprite.texels.data() + static_cast<std::size_t>(y) * w,
                static_cast<std::size_t>(w) * 4);
  }
  SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_BLEND);
  SDL_SetSurfaceRLE(source, rle ? 1 : 0);
  std::size_t next = 0;
  for (auto _ : state) {
    const Position& p = positions[next++ & 255];
    SDL_Rect at{p.x, p.y, w, h};
    SDL_BlitSurface(source, nullptr, screen, &at);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(source);
  SDL_FreeSurface(screen);
  Counters(state, sprite);
}

void SdlBlitRle(benchmark::State& state, int w, int h) {
  SdlBlitMasked(state, w, h, true);
}
void SdlBlit(benchmark::State& state, int w, int h) {
  SdlBlitMasked(state, w, h, false);
}

void MemcpyRows(benchmark::State& state, int w, int h) {
  Sprite sprite = SpriteMake(w, h);
  std::vector<Position> positions = PositionsMake(w, h);
  std::vector<std::uint32_t> screen(static_cast<std::size_t>(kScreenW) * kScreenH);
  std::size_t next = 0;
  for (auto _ : state) {
    const Position& p = positions[next++ & 255];
    for (int y = 0; y < h; ++y) {
      std::memcpy(screen.data() + static_cast<std::size_t>(p.y + y) * kScreenW + p.x,
                  sprite.texels.data() + static_cast<std::size_t>(y) * w,
                  static_cast<std::size_t>(w) * 4);
    }
    benchmark::ClobberMemory();
  }
  Counters(state, sprite);
}

// Registered by hand so that the names read Draw/7x7 and so on.
const bool kRegistered = [] {
  using Fn = void (*)(benchmark::State&, int, int);
  const std::pair<const char*, Fn> kinds[] = {
      {"Draw", Draw}, {"SdlBlitRle", SdlBlitRle}, {"SdlBlit", SdlBlit}, {"MemcpyRows", MemcpyRows}};
  for (auto [w, h] : {std::pair{7, 7}, std::pair{32, 32}, std::pair{320, 240}}) {
    for (const auto& [name, fn] : kinds) {
      std::string full = std::string(name) + "/" + std::to_string(w) + "x" + std::to_string(h);
      benchmark::RegisterBenchmark(full.c_str(), fn, w, h);
    }
  }
  return true;
}();

}  // namespace
