#pragma once

// A fresh MainHeap and a headless host for every test; both go away afterwards.

#include <gtest/gtest.h>

#include <memory>

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
    host = std::make_unique<platform::HeadlessHost>(std::move(options));
    platform::HostInstall(host.get());
    engine::MainHeapCreate();
  }
  std::unique_ptr<platform::HeadlessHost> host;
};

}  // namespace testing_support
