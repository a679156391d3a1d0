#include "platform/input/keyboard_device.h"

#include <cstring>

namespace platform {

const GUID GUID_Key = {
    0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysKeyboard = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID IID_IDirectInput7A = {
    0x9A4CB684, 0x236D, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};
const GUID IID_IDirectInputDevice7A = {
    0x57D7C6BC, 0x2356, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};

bool operator==(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

namespace {

class HostKeyboard final : public DirectInputDevice7 {
 public:
  explicit HostKeyboard(Host& host) : host_(host) {}
  HRESULT SetDataFormat(const DIDATAFORMAT* format) override;
  HRESULT SetCooperativeLevel(WindowHandle window, std::uint32_t flags) override;
  HRESULT Acquire() override;
  HRESULT Unacquire() override;
  HRESULT GetDeviceState(std::uint32_t bytes, void* data) override;

 private:
  Host& host_;
  bool formatSet_ = false;
  bool acquired_ = false;
  WindowHandle window_ = 0;
  std::uint32_t level_ = 0;
  std::uint64_t focusLossesAtAcquire_ = 0;
};

class HostInput final : public DirectInput7 {
 public:
  explicit HostInput(Host& host) : host_(host) {}
  HRESULT CreateDeviceEx(const GUID& device, const GUID& iid, DirectInputDevice7** out,
                         void* outer) override;

 private:
  Host& host_;
};

}  // namespace

HRESULT HostKeyboard::SetDataFormat(const DIDATAFORMAT* format) {
  if (!format || acquired_) return DIERR_INVALIDPARAM;
  if (format->dwSize < sizeof(DIDATAFORMAT) - sizeof(void*) || format->dwDataSize != kKeyCount ||
      format->dwNumObjs != kKeyCount || !format->rgodf)
    return DIERR_INVALIDPARAM;
  for (std::uint32_t k = 0; k < kKeyCount; ++k) {
    const DIOBJECTDATAFORMAT& o = format->rgodf[k];
    if (!o.pguid || !(*o.pguid == GUID_Key) || o.dwOfs != k ||
        (o.dwType & ~DIDFT_OPTIONAL) != (DIDFT_BUTTON | DIDFT_MAKEINSTANCE(k)))
      return DIERR_INVALIDPARAM;
  }
  formatSet_ = true;
  return DI_OK;
}

HRESULT HostKeyboard::SetCooperativeLevel(WindowHandle window, std::uint32_t flags) {
  if ((flags & DISCL_FOREGROUND) && !window) return DIERR_INVALIDPARAM;
  window_ = window;
  level_ = flags;
  return DI_OK;
}

HRESULT HostKeyboard::Acquire() {
  if (!formatSet_) return DIERR_INVALIDPARAM;
  // A foreground device can only be acquired while its window has the focus.
  if ((level_ & DISCL_FOREGROUND) && host_.ForegroundWindow() != window_)
    return DIERR_OTHERAPPHASPRIO;
  acquired_ = true;
  focusLossesAtAcquire_ = host_.FocusLossCount();
  return DI_OK;
}

HRESULT HostKeyboard::Unacquire() {
  acquired_ = false;
  return DI_OK;
}

HRESULT HostKeyboard::GetDeviceState(std::uint32_t bytes, void* data) {
  if (!data || bytes != kKeyCount) return DIERR_INVALIDPARAM;
  if (!acquired_) return DIERR_NOTACQUIRED;
  if ((level_ & DISCL_FOREGROUND) &&
      (host_.FocusLossCount() != focusLossesAtAcquire_ || host_.ForegroundWindow() != window_)) {
    acquired_ = false;
    return DIERR_INPUTLOST;
  }
  host_.KeyboardRead(static_cast<std::uint8_t*>(data));
  return DI_OK;
}

HRESULT HostInput::CreateDeviceEx(const GUID& device, const GUID& iid, DirectInputDevice7** out,
                                  void*) {
  if (!out) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (!(device == GUID_SysKeyboard) || !(iid == IID_IDirectInputDevice7A))
    return DIERR_DEVICENOTREG;
  *out = new HostKeyboard(host_);
  return DI_OK;
}

HRESULT DirectInputCreateEx(Host& host, std::uint32_t version, const GUID& iid, DirectInput7** out,
                            void*) {
  if (!out) return DIERR_INVALIDPARAM;
  *out = nullptr;
  return host.InputCreate(version, iid, out);
}

HRESULT HostInputCreate(Host& host, std::uint32_t version, const GUID& iid, DirectInput7** out) {
  if (!out) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (version < DIRECTINPUT_VERSION_7 || !(iid == IID_IDirectInput7A)) return DIERR_INVALIDPARAM;
  *out = new HostInput(host);
  return DI_OK;
}

}  // namespace platform
