// The media window on a host with a window system of its own: what the window procedure does
// not handle goes to the system's default handling (window creation depends on it), and a
// paint is begun and ended, or the system would keep asking for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "screen/media_window.h"
#include "screen/screen_state.h"

namespace {

namespace p = platform;

// Records what the window procedure hands back to the host; everything else is inert.
class SystemLikeHost final : public p::Host {
 public:
  static constexpr std::intptr_t kDefaultAnswer = 0x5EED;
  std::vector<std::uint32_t> defaulted;
  std::vector<p::WindowHandle> painted;

  std::intptr_t WindowDefaultProc(p::WindowHandle, std::uint32_t message, std::uintptr_t,
                                  std::intptr_t) override {
    defaulted.push_back(message);
    return kDefaultAnswer;
  }
  void WindowPaint(p::WindowHandle window) override { painted.push_back(window); }

  int MessageBox(p::WindowHandle, const std::string&, const std::string&, std::uint32_t) override {
    return p::IDOK;
  }
  std::uint32_t TickCount() override { return 0; }
  void Sleep(std::uint32_t) override {}
  std::vector<p::DisplayMode> DisplayModes() override { return {}; }
  bool FramePresent(const p::Frame&) override { return false; }
  std::unique_ptr<p::AudioOutput> AudioOutputOpen(p::AudioSource*) override { return nullptr; }
  void KeyboardRead(std::uint8_t keys[256]) override { std::fill(keys, keys + 256, 0); }
};

TEST(MediaWindowOnASystem, UnhandledMessagesGetTheDefaultHandlingAndPaintsAreEnded) {
  engine::ScreenStateForget();
  SystemLikeHost host;
  p::HostInstall(&host);
  ASSERT_EQ(engine::MediaWindowCreate(), 1);
  const p::WindowHandle w = engine::MediaWindowHandle();

  constexpr std::uint32_t kNonClientCreate = 0x0081, kSize = 0x0005;
  EXPECT_EQ(host.MessageSend(w, kNonClientCreate, 0, 0), SystemLikeHost::kDefaultAnswer);
  EXPECT_EQ(host.MessageSend(w, kSize, 0, 0), SystemLikeHost::kDefaultAnswer);
  EXPECT_EQ(host.MessageSend(w, p::WM_LBUTTONDBLCLK, 0, 0), SystemLikeHost::kDefaultAnswer);
  EXPECT_EQ(host.defaulted,
            (std::vector<std::uint32_t>{kNonClientCreate, kSize, p::WM_LBUTTONDBLCLK}));

  // The messages the window answers itself never reach the default handling.
  for (std::uint32_t message : {p::WM_ACTIVATE, p::WM_CLOSE, p::WM_ERASEBKGND, p::WM_KEYUP,
                                p::WM_SYSKEYUP, p::WM_LBUTTONDOWN, p::WM_RBUTTONUP})
    host.MessageSend(w, message, 0, 0);
  EXPECT_EQ(host.defaulted.size(), 3u);

  EXPECT_EQ(host.MessageSend(w, p::WM_PAINT, 0, 0), 1);
  EXPECT_EQ(host.painted, std::vector<p::WindowHandle>{w});

  engine::ScreenStateForget();
  p::HostInstall(nullptr);
}

}  // namespace
