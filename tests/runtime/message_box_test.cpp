#include "runtime/message_box.h"

#include <gtest/gtest.h>

#include "support/engine_fixture.h"

namespace {

using platform::WindowHandle;

class MessageBoxTest : public testing_support::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    platform::WindowClass c;
    c.name = "TestClass";
    host->WindowClassRegister(c);
  }
  WindowHandle Window(bool visible, bool enabled = true, bool topmost = false) {
    WindowHandle w = host->WindowCreate("TestClass", "", visible ? platform::WS_VISIBLE : 0,
                                        topmost ? platform::WS_EX_TOPMOST : 0, 0, 0, 10, 10);
    host->WindowEnable(w, enabled);
    return w;
  }
  struct State {
    bool enabled;
    bool topmost;
  };
  State StateOf(WindowHandle w) {
    return {host->WindowIsEnabled(w), (host->WindowExStyle(w) & platform::WS_EX_TOPMOST) != 0};
  }
};

TEST_F(MessageBoxTest, HiddenWindowsAreLeftAloneAndTheBoxIsRecorded) {
  WindowHandle hidden = Window(false);
  std::size_t recordsDuringBox = 99;
  host->OnMessageBox([&](const auto&) {
    recordsDuringBox = 0;
    for (auto* n = engine::ModalWindowListHead(); n; n = n->next) ++recordsDuringBox;
  });
  EXPECT_EQ(engine::MessageBoxBlocking("Cap", "Text", platform::MB_OK), platform::IDOK);
  EXPECT_EQ(recordsDuringBox, 0u);
  EXPECT_TRUE(host->WindowIsEnabled(hidden));
  ASSERT_EQ(host->MessageBoxes().size(), 1u);
  EXPECT_EQ(host->MessageBoxes()[0].caption, "Cap");
  EXPECT_EQ(host->MessageBoxes()[0].text, "Text");
  EXPECT_EQ(host->MessageBoxes()[0].owner, 0u);
}

TEST_F(MessageBoxTest, WindowsAreDisabledAndNotTopmostWhileShownThenRestored) {
  WindowHandle plain = Window(true);
  WindowHandle disabled = Window(true, false);
  WindowHandle topmost = Window(true, true, true);
  WindowHandle foreground = Window(true);
  host->Activate(foreground);
  host->OnMessageBox([&](const auto& box) {
    EXPECT_FALSE(StateOf(plain).enabled);
    EXPECT_FALSE(StateOf(disabled).enabled);
    EXPECT_FALSE(StateOf(topmost).enabled);
    EXPECT_FALSE(StateOf(topmost).topmost);
    EXPECT_TRUE(StateOf(foreground).enabled);  // the owner stays enabled
    EXPECT_EQ(box.owner, foreground);
  });
  engine::MessageBoxBlocking("c", "t", 0);
  EXPECT_TRUE(StateOf(plain).enabled);
  EXPECT_FALSE(StateOf(disabled).enabled);  // was disabled before: stays so
  EXPECT_TRUE(StateOf(topmost).enabled);
  EXPECT_TRUE(StateOf(topmost).topmost);
  EXPECT_EQ(engine::ModalWindowListHead(), nullptr);
}

TEST_F(MessageBoxTest, TopmostIsRegainedEvenIfChangedMeanwhile) {
  WindowHandle topmost = Window(true, true, true);
  host->OnMessageBox([&](const auto&) { host->WindowSetTopmost(topmost, false); });
  engine::MessageBoxBlocking("c", "t", 0);
  EXPECT_TRUE(StateOf(topmost).topmost);
}

TEST_F(MessageBoxTest, OtherThreadsAndProcessesAreNotTouched) {
  WindowHandle otherThread = Window(true);
  host->WindowOwnerSet(otherThread, host->CurrentThreadId() + 1, host->CurrentProcessId());
  WindowHandle otherProcess = Window(true);
  host->WindowOwnerSet(otherProcess, 7777, host->CurrentProcessId() + 1);
  host->Activate(otherProcess);
  host->OnMessageBox([&](const auto& box) {
    EXPECT_TRUE(StateOf(otherThread).enabled);
    EXPECT_EQ(box.owner, 0u);  // foreground window of another process is no owner
  });
  engine::MessageBoxBlocking("c", "t", 0);
  EXPECT_EQ(engine::ModalWindowListHead(), nullptr);
}

TEST_F(MessageBoxTest, WindowWithoutARecordIsLeftUnchanged) {
  WindowHandle w = Window(true, true, true);
  engine::MainHeap()->FailAllocation(1);
  host->OnMessageBox([&](const auto&) {
    EXPECT_TRUE(StateOf(w).enabled);
    EXPECT_TRUE(StateOf(w).topmost);
  });
  engine::MessageBoxBlocking("c", "t", 0);
  EXPECT_TRUE(StateOf(w).enabled);
  EXPECT_TRUE(StateOf(w).topmost);
}

}  // namespace
