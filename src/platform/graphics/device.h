#pragma once

// The software graphics device: one lockable back buffer presented through the host, textures
// and surfaces, device states, and a rasteriser for pre-transformed textured triangles.
//
// Drawing rules: vertex positions snap to 1/256 pixel (halves to even); pixel centres lie on
// integer coordinates; a pixel is drawn when its centre is inside a triangle, and a centre on
// an edge belongs to the triangle for which that edge is a top or left edge (so triangles
// sharing an edge draw each pixel once). Triangles whose vertices run counter-clockwise on the
// screen are culled unless D3DRS_CULLMODE says otherwise. Texture coordinates are interpolated
// linearly at the pixel centre (rhw is not used) and sampled from the nearest texel,
// (floor(u * width), floor(v * height)), wrapped into the texture (clamped under
// D3DTADDRESS_CLAMP); every filter samples that way. Colour and alpha come from
// the texture as the stage-0 states select (no vertex colours: diffuse is opaque white). With
// D3DRS_ALPHABLENDENABLE each channel becomes (src * fs + dst * fd + 127) / 255 with 8-bit
// channels and factors (SRCALPHA / INVSRCALPHA: a and 255 - a); a texel of alpha 0 under that
// pair leaves the pixel untouched. 5- and 6-bit channels are widened by repeating their high
// bits and narrowed by dropping low bits. X bits of the back buffer are written as zero.
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/graphics/graphics.h"
#include "platform/graphics/rasterizer.h"
#include "platform/graphics/ref_counted.h"
#include "platform/graphics/surface.h"
#include "platform/graphics/texture.h"
#include "platform/host/host.h"

namespace platform {

class Direct3DDevice9 final : public RefCounted {
 public:
  // D3D_OK while usable; D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET or
  // D3DERR_DRIVERINTERNALERROR as the test controls below make it.
  HRESULT TestCooperativeLevel();
  // Rebuilds the back buffer from `params` and returns every device state to its default.
  // Textures and surfaces survive. Fails with D3DERR_DEVICELOST while the device is lost (not
  // yet reset-ready) and D3DERR_INVALIDCALL for bad parameters.
  HRESULT Reset(D3DPRESENT_PARAMETERS* params);
  // Hands the back buffer to the host, which returns at the display's next refresh. Rectangles
  // must be null. D3DERR_DEVICELOST while lost or when the host could not show the frame;
  // D3DERR_INVALIDCALL inside a scene.
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, WindowHandle overrideWindow,
                  const void* dirtyRegion);
  // A new reference to the back buffer (swap chain 0, buffer 0 only).
  HRESULT GetBackBuffer(std::uint32_t swapChain, std::uint32_t index, std::uint32_t type,
                        Direct3DSurface9** out);
  // Fills the whole back buffer, or the given rectangles clipped to it, with `color`
  // (0xAARRGGBB). Only D3DCLEAR_TARGET is supported (there is no depth buffer).
  HRESULT Clear(std::uint32_t count, const RECT* rects, std::uint32_t flags, D3DCOLOR color,
                float z, std::uint32_t stencil);
  // Drawing is accepted between BeginScene and EndScene; scenes do not nest.
  HRESULT BeginScene();
  HRESULT EndScene();

  HRESULT SetRenderState(std::uint32_t state, std::uint32_t value);
  HRESULT GetRenderState(std::uint32_t state, std::uint32_t* value) const;
  HRESULT SetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value);
  HRESULT SetSamplerState(std::uint32_t sampler, std::uint32_t type, std::uint32_t value);
  HRESULT SetSoftwareVertexProcessing(std::int32_t software);
  HRESULT SetFVF(std::uint32_t fvf);
  // Binds a texture to a stage (held by reference while bound); null unbinds.
  HRESULT SetTexture(std::uint32_t stage, Direct3DTexture9* texture);
  // Draws `primitiveCount` triangles of a strip, list or fan of vertices in the format set by
  // SetFVF (D3DFVF_XYZRHW with optional D3DFVF_TEX1), `stride` bytes apart. While the device is
  // lost this returns D3D_OK without drawing.
  HRESULT DrawPrimitiveUP(std::uint32_t type, std::uint32_t primitiveCount, const void* vertices,
                          std::uint32_t stride);

  // Formats A8R8G8B8, X8R8G8B8, A1R5G5B5, X1R5G5B5, R5G6B5; sharedHandle must be null.
  HRESULT CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                        std::uint32_t usage, D3DFORMAT format, std::uint32_t pool,
                        Direct3DTexture9** out, void* sharedHandle);
  // Pools D3DPOOL_DEFAULT, D3DPOOL_SYSTEMMEM and D3DPOOL_SCRATCH.
  HRESULT CreateOffscreenPlainSurface(std::uint32_t width, std::uint32_t height, D3DFORMAT format,
                                      std::uint32_t pool, Direct3DSurface9** out,
                                      void* sharedHandle);

  // --- Test controls.
  // The code TestCooperativeLevel answers from now on (D3D_OK, D3DERR_DEVICELOST,
  // D3DERR_DEVICENOTRESET, D3DERR_DRIVERINTERNALERROR or any other). A successful Reset
  // answers D3D_OK again.
  void CooperativeLevelSet(HRESULT level);
  // When set, asked on every TestCooperativeLevel; its answer becomes the cooperative level.
  // Lets a test script a loss over time (for example by the host's tick count).
  void CooperativeLevelHook(std::function<HRESULT()> hook) { levelHook_ = std::move(hook); }
  // Reset, BeginScene, CreateTexture and CreateOffscreenPlainSurface fail while set.
  void ResetFailSet(bool fail) { resetFail_ = fail; }
  void BeginSceneFailSet(bool fail) { beginSceneFail_ = fail; }
  void CreateTextureFailSet(bool fail) { createTextureFail_ = fail; }
  void CreateSurfaceFailSet(bool fail) { createSurfaceFail_ = fail; }
  // Calls so far (failed ones included) and whether a scene is open.
  struct Counters {
    std::uint64_t present = 0;
    std::uint64_t framesShown = 0;
    std::uint64_t beginScene = 0;
    std::uint64_t endScene = 0;
    std::uint64_t reset = 0;
    std::uint64_t clear = 0;
    std::uint64_t draw = 0;
    std::uint64_t fastDraw = 0;  // draws that took the axis-aligned quad path
    std::uint64_t setRenderState = 0;
    std::uint64_t setFVF = 0;
    std::uint64_t setTexture = 0;
  };
  const Counters& GetCounters() const { return counters_; }
  bool InScene() const { return inScene_; }
  // Keeps a copy of every presented frame (off by default); LastFrame is empty until one came.
  void FrameKeepSet(bool keep) { frameKeep_ = keep; }
  const std::vector<std::uint8_t>& LastFrame() const { return lastFrame_; }
  // Turns the axis-aligned quad path off, so every draw takes the general triangle path.
  void FastPathSet(bool enabled) { fastPath_ = enabled; }
  // The parameters in use (after creation or the last successful Reset).
  const D3DPRESENT_PARAMETERS& PresentParameters() const { return params_; }
  std::uint32_t BehaviourFlags() const { return behaviourFlags_; }
  std::uint32_t RenderState(std::uint32_t state) const;
  std::uint32_t TextureStageState(std::uint32_t stage, std::uint32_t type) const;
  std::uint32_t SamplerState(std::uint32_t sampler, std::uint32_t type) const;
  std::uint32_t FVF() const { return fvf_; }
  bool SoftwareVertexProcessing() const { return softwareVertexProcessing_; }
  Direct3DTexture9* Texture(std::uint32_t stage) const;

 private:
  friend class Direct3D9;
  static constexpr std::uint32_t kRenderStates = 256;
  static constexpr std::uint32_t kStages = 8;
  static constexpr std::uint32_t kStageStates = 33;
  static constexpr std::uint32_t kSamplerStates = 14;

  Direct3DDevice9(Host& host, WindowHandle focusWindow, std::uint32_t behaviourFlags);
  ~Direct3DDevice9() override;
  // Validates `params` (filling defaults in) and makes a back buffer for them.
  HRESULT BackBufferBuild(D3DPRESENT_PARAMETERS* params);
  void StatesDefault();

  Host& host_;
  WindowHandle focusWindow_;
  std::uint32_t behaviourFlags_;
  D3DPRESENT_PARAMETERS params_{};
  Ref<Direct3DSurface9> backBuffer_;
  HRESULT level_ = D3D_OK;
  std::function<HRESULT()> levelHook_;
  bool inScene_ = false;
  std::uint32_t renderStates_[kRenderStates] = {};
  std::uint32_t stageStates_[kStages][kStageStates] = {};
  std::uint32_t samplerStates_[kStages][kSamplerStates] = {};
  Ref<Direct3DTexture9> textures_[kStages];
  // The draw states as the rasteriser takes them, rebuilt on the next draw after a change.
  raster::DrawState drawState_;
  bool drawStateDirty_ = true;
  std::uint32_t fvf_ = 0;
  bool softwareVertexProcessing_ = false;
  bool resetFail_ = false;
  bool beginSceneFail_ = false;
  bool createTextureFail_ = false;
  bool createSurfaceFail_ = false;
  bool frameKeep_ = false;
  bool fastPath_ = true;
  std::vector<std::uint8_t> lastFrame_;
  Counters counters_;
};

}  // namespace platform
