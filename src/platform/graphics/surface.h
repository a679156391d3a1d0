#pragma once

// A rectangle of pixels owned by the software device: a back buffer, a texture level or an
// off-screen plain surface. Main thread only.

#include <cstdint>
#include <memory>

#include "platform/graphics/graphics.h"
#include "platform/graphics/ref_counted.h"

namespace platform {

class Direct3DSurface9;
class AlphaSpans;

// The record behind a device-context handle; one per surface, open between GetDC and ReleaseDC.
struct DeviceContextRecord {
  Direct3DSurface9* surface = nullptr;
  bool open = false;
};
// A device-context handle; null means none.
using DeviceContext = DeviceContextRecord*;

class Direct3DSurface9 final : public RefCounted {
 public:
  // Makes a zero-filled surface, or null for an unsupported format, a size outside 1..kMaxSize
  // or a failed allocation. The caller owns the one reference.
  static Direct3DSurface9* Create(int width, int height, D3DFORMAT format, std::uint32_t pool,
                                  std::uint32_t usage);
  static constexpr int kMaxSize = 16384;

  // Locks `rect` (null: the whole surface) and gives its first pixel and the row pitch.
  // D3DERR_INVALIDCALL when already locked, while a device context is open, or for a rectangle
  // outside the surface. D3DLOCK_READONLY promises not to write.
  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, std::uint32_t flags);
  // D3DERR_INVALIDCALL when not locked.
  HRESULT UnlockRect();
  // Opens a device context on the pixels (X8R8G8B8, R5G6B5 and X1R5G5B5 only, as for the
  // system's device contexts). D3DERR_INVALIDCALL when locked, already open or another format.
  HRESULT GetDC(DeviceContext* out);
  // Closes the context opened by GetDC; D3DERR_INVALIDCALL for any other handle.
  HRESULT ReleaseDC(DeviceContext dc);
  HRESULT GetDesc(D3DSURFACE_DESC* desc) const;

  // --- For the software device and tests; engine code goes through LockRect.
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Pitch() const { return pitch_; }
  D3DFORMAT Format() const { return format_; }
  std::uint8_t* Pixels() { return pixels_; }
  const std::uint8_t* Pixels() const { return pixels_; }
  bool Busy() const { return locked_ || dc_.open; }
  // Call after writing the pixels other than through a writable lock or a device context.
  void ContentChanged();
  // Runs of alpha-0, alpha-255 and other texels per row, rebuilt after the content changed;
  // null when there was no memory for them.
  const AlphaSpans* Spans() { return spansValid_ ? spans_.get() : SpansBuild(); }

  // --- Test controls: make the next calls of LockRect or GetDC fail with D3DERR_INVALIDCALL.
  void LockFailSet(bool fail) { lockFail_ = fail; }
  void GetDCFailSet(bool fail) { getDCFail_ = fail; }

 private:
  Direct3DSurface9(int width, int height, int pitch, D3DFORMAT format, std::uint32_t pool,
                   std::uint32_t usage, std::uint8_t* pixels);
  ~Direct3DSurface9() override;
  const AlphaSpans* SpansBuild();

  int width_;
  int height_;
  int pitch_;
  D3DFORMAT format_;
  std::uint32_t pool_;
  std::uint32_t usage_;
  std::uint8_t* pixels_;  // owned, from calloc
  bool locked_ = false;
  bool lockedWritable_ = false;
  DeviceContextRecord dc_;
  std::unique_ptr<AlphaSpans> spans_;
  bool spansValid_ = false;
  bool lockFail_ = false;
  bool getDCFail_ = false;
};

// Copies a w x h block from (sx, sy) of src's surface to (x, y) of dst's (rop SRCCOPY only),
// clipped to both surfaces. Same formats copy bits as they are; other pairs convert the colour
// (5 to 8 bits by repeating the high bits, 8 to 5 or 6 by dropping the low ones) and write
// alpha from the source's alpha (opaque for formats without one) or zero X bits. Returns false
// for a closed or null context or another rop; true otherwise, also when nothing overlaps.
bool BitBlt(DeviceContext dst, int x, int y, int w, int h, DeviceContext src, int sx, int sy,
            std::uint32_t rop);

}  // namespace platform
