#pragma once

// A fresh MainHeap and a headless host for every test; both go away afterwards.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/host/headless/headless_host.h"
#include "runtime/main_heap.h"

namespace testing_support {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { HostReset(platform::HeadlessHost::Options{}); }
  void TearDown() override {
    engine::MainHeapDestroy();
    platform::HostInstall(nullptr);
    host.reset();
  }
  // Replaces the host (and MainHeap) with one made from `options`.
  void HostReset(platform::HeadlessHost::Options options) {
    engine::MainHeapDestroy();
    consumed_ = 0;
    host = std::make_unique<platform::HeadlessHost>(std::move(options));
    platform::HostInstall(host.get());
    engine::MainHeapCreate();
  }
  // Advances the host's manual audio clock by `frames` and returns what the mixer rendered for
  // them (interleaved stereo).
  std::vector<std::int16_t> Render(std::size_t frames) {
    host->AudioAdvance(frames);
    std::vector<std::int16_t> all = host->AudioCaptured();
    std::vector<std::int16_t> fresh(all.begin() + static_cast<std::ptrdiff_t>(consumed_),
                                    all.end());
    consumed_ = all.size();
    return fresh;
  }

  // Waits for a worker thread to get somewhere. Not a timing check: the bound only keeps a
  // broken build from hanging the suite.
  static bool WaitUntil(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (std::chrono::steady_clock::now() > giveUp) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  std::unique_ptr<platform::HeadlessHost> host;

 private:
  std::size_t consumed_ = 0;
};

}  // namespace testing_support
