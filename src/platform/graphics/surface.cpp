#include "platform/graphics/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/graphics/alpha_spans.h"
#include "platform/graphics/pixel_format.h"

namespace platform {

namespace {

// Rows start on 16-byte boundaries: the row kernels load whole vectors, and callers that
// wrongly assume pitch == width * bytes find out at once on odd widths of 16-bit surfaces.
constexpr int kRowAlign = 16;

}  // namespace

Direct3DSurface9* Direct3DSurface9::Create(int width, int height, D3DFORMAT format,
                                           std::uint32_t pool, std::uint32_t usage) {
  int bytes = FormatBytes(format);
  if (bytes == 0 || width < 1 || height < 1 || width > kMaxSize || height > kMaxSize) {
    return nullptr;
  }
  // At most 16384 * 4 + 15 bytes per row and 16384 rows: no overflow in size_t.
  int pitch = (width * bytes + kRowAlign - 1) / kRowAlign * kRowAlign;
  std::size_t size = static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height);
  // calloc: zero-filled, and large blocks come as untouched zero pages.
  auto* pixels = static_cast<std::uint8_t*>(std::calloc(size, 1));
  if (!pixels) return nullptr;
  auto* surface =
      new (std::nothrow) Direct3DSurface9(width, height, pitch, format, pool, usage, pixels);
  if (!surface) std::free(pixels);
  return surface;
}

Direct3DSurface9::Direct3DSurface9(int width, int height, int pitch, D3DFORMAT format,
                                   std::uint32_t pool, std::uint32_t usage, std::uint8_t* pixels)
    : width_(width),
      height_(height),
      pitch_(pitch),
      format_(format),
      pool_(pool),
      usage_(usage),
      pixels_(pixels) {
  dc_.surface = this;
}

Direct3DSurface9::~Direct3DSurface9() {
  std::free(pixels_);
}

HRESULT Direct3DSurface9::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, std::uint32_t flags) {
  if (!locked || locked_ || dc_.open || lockFail_) return D3DERR_INVALIDCALL;
  RECT whole{0, 0, width_, height_};
  RECT area = rect ? *rect : whole;
  if (area.left < 0 || area.top < 0 || area.right > width_ || area.bottom > height_ ||
      RectIsEmpty(area)) {
    return D3DERR_INVALIDCALL;
  }
  locked_ = true;
  lockedWritable_ = (flags & D3DLOCK_READONLY) == 0;
  locked->Pitch = pitch_;
  locked->pBits =
      pixels_ + static_cast<std::ptrdiff_t>(area.top) * pitch_ + area.left * FormatBytes(format_);
  return D3D_OK;
}

HRESULT Direct3DSurface9::UnlockRect() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  if (lockedWritable_) ContentChanged();
  return D3D_OK;
}

HRESULT Direct3DSurface9::GetDC(DeviceContext* out) {
  if (!out) return D3DERR_INVALIDCALL;
  bool dcFormat =
      format_ == D3DFMT_X8R8G8B8 || format_ == D3DFMT_R5G6B5 || format_ == D3DFMT_X1R5G5B5;
  if (!dcFormat || locked_ || dc_.open || getDCFail_) return D3DERR_INVALIDCALL;
  dc_.open = true;
  *out = &dc_;
  return D3D_OK;
}

HRESULT Direct3DSurface9::ReleaseDC(DeviceContext dc) {
  if (dc != &dc_ || !dc_.open) return D3DERR_INVALIDCALL;
  dc_.open = false;
  ContentChanged();
  return D3D_OK;
}

HRESULT Direct3DSurface9::GetDesc(D3DSURFACE_DESC* desc) const {
  if (!desc) return D3DERR_INVALIDCALL;
  desc->Format = format_;
  desc->Type = D3DRTYPE_SURFACE;
  desc->Usage = usage_;
  desc->Pool = pool_;
  desc->MultiSampleType = D3DMULTISAMPLE_NONE;
  desc->MultiSampleQuality = 0;
  desc->Width = static_cast<std::uint32_t>(width_);
  desc->Height = static_cast<std::uint32_t>(height_);
  return D3D_OK;
}

void Direct3DSurface9::ContentChanged() {
  spansValid_ = false;
}

const AlphaSpans* Direct3DSurface9::SpansBuild() {
  if (!spans_) spans_.reset(new (std::nothrow) AlphaSpans());
  if (spans_ && !spansValid_) {
    spansValid_ = spans_->Build(pixels_, pitch_, width_, height_, format_);
  }
  return spansValid_ ? spans_.get() : nullptr;
}

bool BitBlt(DeviceContext dst, int x, int y, int w, int h, DeviceContext src, int sx, int sy,
            std::uint32_t rop) {
  if (!dst || !src || !dst->open || !src->open || rop != SRCCOPY) return false;
  Direct3DSurface9& to = *dst->surface;
  Direct3DSurface9& from = *src->surface;
  // Clip in 64 bits: every int argument is allowed, and x + w must not overflow.
  std::int64_t left = x, top = y, right = std::int64_t{x} + w, bottom = std::int64_t{y} + h;
  std::int64_t shiftX = std::int64_t{sx} - x, shiftY = std::int64_t{sy} - y;
  left = std::max({left, std::int64_t{0}, -shiftX});
  top = std::max({top, std::int64_t{0}, -shiftY});
  right = std::min({right, std::int64_t{to.Width()}, from.Width() - shiftX});
  bottom = std::min({bottom, std::int64_t{to.Height()}, from.Height() - shiftY});
  if (left >= right || top >= bottom) return true;

  int toBytes = FormatBytes(to.Format()), fromBytes = FormatBytes(from.Format());
  int count = static_cast<int>(right - left);
  // Within one surface, a block moving down is copied bottom row first so that no source row
  // is overwritten before it is read.
  bool bottomFirst = &to == &from && shiftY < 0;
  for (std::int64_t i = 0; i < bottom - top; ++i) {
    std::int64_t row = bottomFirst ? bottom - 1 - i : top + i;
    std::uint8_t* out = to.Pixels() + row * to.Pitch() + left * toBytes;
    const std::uint8_t* in =
        from.Pixels() + (row + shiftY) * from.Pitch() + (left + shiftX) * fromBytes;
    if (to.Format() == from.Format()) {
      // memmove: source and destination may be the same surface.
      std::memmove(out, in, static_cast<std::size_t>(count) * toBytes);
    } else {
      for (int i = 0; i < count; ++i) {
        pixel::Write(to.Format(), out + i * toBytes,
                     pixel::Read(from.Format(), in + i * fromBytes));
      }
    }
  }
  to.ContentChanged();
  return true;
}

}  // namespace platform
