#include "platform/graphics/device.h"

#include <algorithm>
#include <cstring>

#include "platform/graphics/pixel_format.h"
#include "platform/graphics/rasterizer.h"

namespace platform {

namespace {

constexpr std::uint32_t kFvfPositionMask = 0x400E;
constexpr std::uint32_t kFvfTexCountMask = 0xF00;

bool BackBufferFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

bool HostHasFormat(Host& host, D3DFORMAT format) {
  for (const DisplayMode& mode : host.DisplayModes()) {
    if (mode.format == format) return true;
  }
  return false;
}

}  // namespace

Direct3DDevice9::Direct3DDevice9(Host& host, WindowHandle focusWindow, std::uint32_t behaviourFlags)
    : host_(host), focusWindow_(focusWindow), behaviourFlags_(behaviourFlags) {
  StatesDefault();
}

Direct3DDevice9::~Direct3DDevice9() = default;

HRESULT Direct3DDevice9::BackBufferBuild(D3DPRESENT_PARAMETERS* params) {
  if (!params) return D3DERR_INVALIDCALL;
  D3DPRESENT_PARAMETERS p = *params;
  if (p.BackBufferCount == 0) p.BackBufferCount = 1;
  // One back buffer is all the device keeps; asking for more is refused rather than ignored.
  if (p.BackBufferCount > 1) return D3DERR_INVALIDCALL;
  if (p.MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  if (p.SwapEffect < D3DSWAPEFFECT_DISCARD || p.SwapEffect > D3DSWAPEFFECT_COPY) {
    return D3DERR_INVALIDCALL;
  }
  if (p.hDeviceWindow == 0) p.hDeviceWindow = focusWindow_;
  if (p.Windowed) {
    // A windowed device may leave the size and format to the window and the desktop.
    WindowInfo window = host_.WindowGetInfo(p.hDeviceWindow);
    if (p.BackBufferWidth == 0 && window.width > 0) p.BackBufferWidth = window.width;
    if (p.BackBufferHeight == 0 && window.height > 0) p.BackBufferHeight = window.height;
    if (p.BackBufferFormat == D3DFMT_UNKNOWN) {
      std::vector<DisplayMode> modes = host_.DisplayModes();
      if (!modes.empty()) p.BackBufferFormat = modes.front().format;
    }
  }
  if (!BackBufferFormat(p.BackBufferFormat) || !HostHasFormat(host_, p.BackBufferFormat)) {
    return D3DERR_NOTAVAILABLE;
  }
  constexpr auto kMax = static_cast<std::uint32_t>(Direct3DSurface9::kMaxSize);
  if (p.BackBufferWidth < 1 || p.BackBufferHeight < 1 || p.BackBufferWidth > kMax ||
      p.BackBufferHeight > kMax) {
    return D3DERR_INVALIDCALL;
  }
  Ref<Direct3DSurface9> buffer(Direct3DSurface9::Create(
      static_cast<int>(p.BackBufferWidth), static_cast<int>(p.BackBufferHeight), p.BackBufferFormat,
      D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET));
  if (!buffer) return E_OUTOFMEMORY;
  backBuffer_ = std::move(buffer);
  params_ = p;
  *params = p;
  return D3D_OK;
}

void Direct3DDevice9::StatesDefault() {
  std::fill(std::begin(renderStates_), std::end(renderStates_), 0u);
  renderStates_[D3DRS_ZENABLE] = 0;
  renderStates_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  renderStates_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  renderStates_[D3DRS_CULLMODE] = D3DCULL_CCW;
  renderStates_[D3DRS_ALPHABLENDENABLE] = 0;
  renderStates_[D3DRS_LIGHTING] = 1;
  renderStates_[D3DRS_MULTISAMPLEANTIALIAS] = 1;
  for (std::uint32_t stage = 0; stage < kStages; ++stage) {
    std::fill(std::begin(stageStates_[stage]), std::end(stageStates_[stage]), 0u);
    bool first = stage == 0;
    stageStates_[stage][D3DTSS_COLOROP] = first ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    stageStates_[stage][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    stageStates_[stage][D3DTSS_COLORARG2] = D3DTA_CURRENT;
    stageStates_[stage][D3DTSS_ALPHAOP] = first ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    stageStates_[stage][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    stageStates_[stage][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    std::fill(std::begin(samplerStates_[stage]), std::end(samplerStates_[stage]), 0u);
    samplerStates_[stage][D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
    samplerStates_[stage][D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
    samplerStates_[stage][D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
    samplerStates_[stage][D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    samplerStates_[stage][D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    textures_[stage].Reset();
  }
  fvf_ = 0;
  drawStateDirty_ = true;
  softwareVertexProcessing_ = (behaviourFlags_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0;
  inScene_ = false;
}

void Direct3DDevice9::CooperativeLevelSet(HRESULT level) {
  level_ = level;
}

HRESULT Direct3DDevice9::TestCooperativeLevel() {
  if (levelHook_) level_ = levelHook_();
  return level_;
}

HRESULT Direct3DDevice9::Reset(D3DPRESENT_PARAMETERS* params) {
  ++counters_.reset;
  if (level_ == D3DERR_DRIVERINTERNALERROR) return D3DERR_DRIVERINTERNALERROR;
  if (level_ == D3DERR_DEVICELOST || resetFail_) return D3DERR_DEVICELOST;
  HRESULT hr = BackBufferBuild(params);
  if (Failed(hr)) return hr;
  // A reset device starts from its default states, as after creation.
  StatesDefault();
  level_ = D3D_OK;
  return D3D_OK;
}

HRESULT Direct3DDevice9::Present(const RECT* sourceRect, const RECT* destRect, WindowHandle,
                                 const void*) {
  ++counters_.present;
  if (sourceRect || destRect || inScene_) return D3DERR_INVALIDCALL;
  if (level_ == D3DERR_DRIVERINTERNALERROR) return D3DERR_DRIVERINTERNALERROR;
  if (level_ != D3D_OK) return D3DERR_DEVICELOST;
  Direct3DSurface9& buffer = *backBuffer_;
  Frame frame{buffer.Pixels(), buffer.Width(), buffer.Height(), buffer.Pitch(), buffer.Format()};
  if (frameKeep_) {
    std::size_t rowBytes = static_cast<std::size_t>(buffer.Width()) * FormatBytes(buffer.Format());
    lastFrame_.resize(rowBytes * buffer.Height());
    for (int y = 0; y < buffer.Height(); ++y) {
      std::memcpy(lastFrame_.data() + y * rowBytes, buffer.Pixels() + y * buffer.Pitch(), rowBytes);
    }
  }
  if (!host_.FramePresent(frame)) return D3DERR_DEVICELOST;
  ++counters_.framesShown;
  return D3D_OK;
}

HRESULT Direct3DDevice9::GetBackBuffer(std::uint32_t swapChain, std::uint32_t index,
                                       std::uint32_t type, Direct3DSurface9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (swapChain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
  *out = Ref<Direct3DSurface9>(backBuffer_).Detach();
  return D3D_OK;
}

HRESULT Direct3DDevice9::Clear(std::uint32_t count, const RECT* rects, std::uint32_t flags,
                               D3DCOLOR color, float, std::uint32_t) {
  ++counters_.clear;
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) || !(flags & D3DCLEAR_TARGET)) {
    return D3DERR_INVALIDCALL;
  }
  if (count > 0 && !rects) return D3DERR_INVALIDCALL;
  if (level_ != D3D_OK) return D3D_OK;  // a lost device accepts drawing and does nothing
  Direct3DSurface9& buffer = *backBuffer_;
  RECT whole{0, 0, buffer.Width(), buffer.Height()};
  const int bytes = FormatBytes(buffer.Format());
  std::uint8_t sample[4] = {};
  pixel::Write(buffer.Format(), sample, color);
  for (std::uint32_t i = 0; i < std::max<std::uint32_t>(count, 1); ++i) {
    RECT area;
    if (!IntersectRect(&area, count > 0 ? &rects[i] : &whole, &whole)) continue;
    // Typed fills: the compiler turns them into wide stores, which matters for a whole-screen
    // clear every frame.
    std::uint32_t sample32 = 0;
    std::uint16_t sample16 = 0;
    std::memcpy(&sample32, sample, 4);
    std::memcpy(&sample16, sample, 2);
    for (int y = area.top; y < area.bottom; ++y) {
      std::uint8_t* row =
          buffer.Pixels() + static_cast<std::ptrdiff_t>(y) * buffer.Pitch() + area.left * bytes;
      const std::size_t n = static_cast<std::size_t>(area.right - area.left);
      if (bytes == 4) {
        std::uint32_t* p = reinterpret_cast<std::uint32_t*>(row);
        std::fill(p, p + n, sample32);
      } else {
        std::uint16_t* p = reinterpret_cast<std::uint16_t*>(row);
        std::fill(p, p + n, sample16);
      }
    }
  }
  return D3D_OK;
}

HRESULT Direct3DDevice9::BeginScene() {
  ++counters_.beginScene;
  if (inScene_ || beginSceneFail_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT Direct3DDevice9::EndScene() {
  ++counters_.endScene;
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

HRESULT Direct3DDevice9::SetRenderState(std::uint32_t state, std::uint32_t value) {
  ++counters_.setRenderState;
  if (state >= kRenderStates) return D3DERR_INVALIDCALL;
  renderStates_[state] = value;
  drawStateDirty_ = true;
  return D3D_OK;
}

HRESULT Direct3DDevice9::GetRenderState(std::uint32_t state, std::uint32_t* value) const {
  if (state >= kRenderStates || !value) return D3DERR_INVALIDCALL;
  *value = renderStates_[state];
  return D3D_OK;
}

HRESULT Direct3DDevice9::SetTextureStageState(std::uint32_t stage, std::uint32_t type,
                                              std::uint32_t value) {
  if (stage >= kStages || type >= kStageStates) return D3DERR_INVALIDCALL;
  stageStates_[stage][type] = value;
  drawStateDirty_ = true;
  return D3D_OK;
}

HRESULT Direct3DDevice9::SetSamplerState(std::uint32_t sampler, std::uint32_t type,
                                         std::uint32_t value) {
  if (sampler >= kStages || type >= kSamplerStates) return D3DERR_INVALIDCALL;
  samplerStates_[sampler][type] = value;
  drawStateDirty_ = true;
  return D3D_OK;
}

HRESULT Direct3DDevice9::SetSoftwareVertexProcessing(std::int32_t software) {
  // Vertices are pre-transformed and always processed the same way; the flag is kept only.
  softwareVertexProcessing_ = software != 0;
  return D3D_OK;
}

HRESULT Direct3DDevice9::SetFVF(std::uint32_t fvf) {
  ++counters_.setFVF;
  fvf_ = fvf;
  return D3D_OK;
}

HRESULT Direct3DDevice9::SetTexture(std::uint32_t stage, Direct3DTexture9* texture) {
  ++counters_.setTexture;
  if (stage >= kStages) return D3DERR_INVALIDCALL;
  textures_[stage] = Ref<Direct3DTexture9>::Share(texture);
  return D3D_OK;
}

HRESULT Direct3DDevice9::DrawPrimitiveUP(std::uint32_t type, std::uint32_t primitiveCount,
                                         const void* vertices, std::uint32_t stride) {
  if (!vertices || primitiveCount == 0 || !inScene_) return D3DERR_INVALIDCALL;
  if (type != D3DPT_TRIANGLELIST && type != D3DPT_TRIANGLESTRIP && type != D3DPT_TRIANGLEFAN) {
    return D3DERR_INVALIDCALL;
  }
  // Pre-transformed positions with no or one pair of texture coordinates, nothing else.
  bool textured = (fvf_ & kFvfTexCountMask) == D3DFVF_TEX1;
  if ((fvf_ & kFvfPositionMask) != D3DFVF_XYZRHW || (fvf_ & ~(kFvfPositionMask | D3DFVF_TEX1))) {
    return D3DERR_INVALIDCALL;
  }
  if (stride < (textured ? 24u : 16u)) return D3DERR_INVALIDCALL;
  if (level_ != D3D_OK) return D3D_OK;
  ++counters_.draw;

  if (drawStateDirty_) {
    raster::DrawState& state = drawState_;
    state.addressU = samplerStates_[0][D3DSAMP_ADDRESSU];
    state.addressV = samplerStates_[0][D3DSAMP_ADDRESSV];
    const std::uint32_t* stage = stageStates_[0];
    state.stage = {stage[D3DTSS_COLOROP], stage[D3DTSS_COLORARG1], stage[D3DTSS_COLORARG2],
                   stage[D3DTSS_ALPHAOP], stage[D3DTSS_ALPHAARG1], stage[D3DTSS_ALPHAARG2]};
    state.blendEnable = renderStates_[D3DRS_ALPHABLENDENABLE] != 0;
    state.srcBlend = renderStates_[D3DRS_SRCBLEND];
    state.destBlend = renderStates_[D3DRS_DESTBLEND];
    state.cullMode = renderStates_[D3DRS_CULLMODE];
    raster::Prepare(state);
    drawStateDirty_ = false;
  }
  raster::DrawState& state = drawState_;
  state.target = backBuffer_.Get();
  state.texture = textured && textures_[0] ? &textures_[0]->Level0() : nullptr;

  const auto* bytes = static_cast<const std::uint8_t*>(vertices);
  auto vertexAt = [&](std::uint64_t i) {
    const std::uint8_t* p = bytes + i * stride;
    raster::Vertex v{0, 0, 0, 0};
    std::memcpy(&v.x, p, 4);
    std::memcpy(&v.y, p + 4, 4);
    if (textured) {
      std::memcpy(&v.u, p + 16, 4);
      std::memcpy(&v.v, p + 20, 4);
    }
    return v;
  };

  if (type == D3DPT_TRIANGLESTRIP && primitiveCount == 2 && fastPath_ && state.texture &&
      state.quadStates) {
    if (raster::QuadDraw(state, bytes, stride)) {
      ++counters_.fastDraw;
      return D3D_OK;
    }
  }
  for (std::uint64_t k = 0; k < primitiveCount; ++k) {
    switch (type) {
      case D3DPT_TRIANGLELIST:
        raster::TriangleDraw(state, vertexAt(3 * k), vertexAt(3 * k + 1), vertexAt(3 * k + 2));
        break;
      case D3DPT_TRIANGLESTRIP:
        // Every second triangle of a strip is taken in swapped order to keep its winding.
        if (k % 2 == 0) {
          raster::TriangleDraw(state, vertexAt(k), vertexAt(k + 1), vertexAt(k + 2));
        } else {
          raster::TriangleDraw(state, vertexAt(k + 1), vertexAt(k), vertexAt(k + 2));
        }
        break;
      default:
        raster::TriangleDraw(state, vertexAt(0), vertexAt(k + 1), vertexAt(k + 2));
        break;
    }
  }
  return D3D_OK;
}

HRESULT Direct3DDevice9::CreateTexture(std::uint32_t width, std::uint32_t height,
                                       std::uint32_t levels, std::uint32_t usage, D3DFORMAT format,
                                       std::uint32_t pool, Direct3DTexture9** out,
                                       void* sharedHandle) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  constexpr auto kMax = static_cast<std::uint32_t>(Direct3DSurface9::kMaxSize);
  if (sharedHandle || pool > D3DPOOL_SCRATCH || FormatBytes(format) == 0 || width < 1 ||
      height < 1 || width > kMax || height > kMax ||
      levels >
          Direct3DTexture9::FullChainLevels(static_cast<int>(width), static_cast<int>(height))) {
    return D3DERR_INVALIDCALL;
  }
  if (createTextureFail_) return E_OUTOFMEMORY;
  *out = Direct3DTexture9::Create(static_cast<int>(width), static_cast<int>(height), levels, usage,
                                  format, pool);
  return *out ? D3D_OK : E_OUTOFMEMORY;
}

HRESULT Direct3DDevice9::CreateOffscreenPlainSurface(std::uint32_t width, std::uint32_t height,
                                                     D3DFORMAT format, std::uint32_t pool,
                                                     Direct3DSurface9** out, void* sharedHandle) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  constexpr auto kMax = static_cast<std::uint32_t>(Direct3DSurface9::kMaxSize);
  if (sharedHandle || pool == D3DPOOL_MANAGED || pool > D3DPOOL_SCRATCH ||
      FormatBytes(format) == 0 || width < 1 || height < 1 || width > kMax || height > kMax) {
    return D3DERR_INVALIDCALL;
  }
  if (createSurfaceFail_) return E_OUTOFMEMORY;
  *out =
      Direct3DSurface9::Create(static_cast<int>(width), static_cast<int>(height), format, pool, 0);
  return *out ? D3D_OK : E_OUTOFMEMORY;
}

std::uint32_t Direct3DDevice9::RenderState(std::uint32_t state) const {
  return state < kRenderStates ? renderStates_[state] : 0;
}

std::uint32_t Direct3DDevice9::TextureStageState(std::uint32_t stage, std::uint32_t type) const {
  return stage < kStages && type < kStageStates ? stageStates_[stage][type] : 0;
}

std::uint32_t Direct3DDevice9::SamplerState(std::uint32_t sampler, std::uint32_t type) const {
  return sampler < kStages && type < kSamplerStates ? samplerStates_[sampler][type] : 0;
}

Direct3DTexture9* Direct3DDevice9::Texture(std::uint32_t stage) const {
  return stage < kStages ? textures_[stage].Get() : nullptr;
}

}  // namespace platform
