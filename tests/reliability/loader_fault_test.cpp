// SoundLoad and MusicLoad with MainHeap failing their first, second, ... allocation until one
// succeeds, for the game's own files and for three kinds of number: one that holds an object,
// a fresh one that makes the table grow, and an automatic one. Every failure returns 0, keeps
// the object already under the number (a sound is acquired only once its buffer is filled; a
// module's only allocation before its number is taken is the file block), leaves a fresh number
// empty and MainHeap as it was; the library goes on loading and playing afterwards.
// (SpriteLoad and SpriteCopy have the same sweep in the sprite suite.)

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

#include "music/music.h"
#include "runtime/main_heap.h"
#include "runtime/object_table.h"
#include "screen/media_window.h"
#include "sound/sound.h"
#include "support/engine_fixture.h"

namespace reliability {
namespace {

using engine::ObjectId;

struct Loader {
  const char* name;
  const char* path;
  void* (*load)(ObjectId, const char*);
  engine::ObjectTable** table;
  void (*release)(ObjectId);
  bool (*play)(ObjectId);
};

// Test names and failure messages show the loader's name, not the record's bytes.
void PrintTo(const Loader& loader, std::ostream* out) {
  *out << loader.name;
}

void* SoundLoadWhole(ObjectId sound, const char* path) {
  return engine::SoundLoad(sound, path);
}

const Loader kLoaders[] = {
    {"SoundLoad", TIDEFRAY_SOURCE_DIR "/Data/player_bullet01.wav", SoundLoadWhole,
     &engine::SoundTable, engine::SoundRelease,
     [](ObjectId n) { return engine::SoundPlay(n) != 0; }},
    {"MusicLoad", TIDEFRAY_SOURCE_DIR "/Music/evolutionloop.it", engine::MusicLoad,
     &engine::MusicTable, engine::MusicRelease,
     [](ObjectId n) { return engine::MusicPlay(n) == 1; }},
};

class LoaderFaultTest : public testing_support::EngineTest,
                        public ::testing::WithParamInterface<Loader> {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine::MediaWindowForget();  // the window of the previous test's host is gone
    engine::MusicInit();
    ASSERT_EQ(engine::SoundInit(), 1);
  }
  void TearDown() override {
    engine::MusicEnd();
    engine::SoundEnd();
    EngineTest::TearDown();
  }
  const Loader& L() const { return GetParam(); }
  void* Live(ObjectId n) const { return engine::ObjectTableLookup(*L().table, n); }
  // Live objects of the library, counted by walking its table.
  std::size_t LiveCount() const {
    engine::ObjectTableEnumStart(*L().table);
    ObjectId n;
    std::size_t count = 0;
    while (engine::ObjectTableEnumNext(*L().table, &n)) ++count;
    return count;
  }
  // The object's first field: its module or its buffer, which a replacement would change.
  static void* Identity(void* record) { return record ? *static_cast<void**>(record) : nullptr; }
};

TEST_P(LoaderFaultTest, EveryAllocationFailureIsCleanAndTheLibraryGoesOn) {
  engine::Heap& heap = *engine::MainHeap();
  constexpr ObjectId kOccupied = 0, kFresh = 300;
  ASSERT_NE(L().load(kOccupied, L().path), nullptr);
  void* const old = Identity(Live(kOccupied));

  for (ObjectId destination : {kOccupied, kFresh, engine::ObjectIdAuto}) {
    SCOPED_TRACE(testing::Message() << L().name << " to " << destination);
    const std::size_t blocks = heap.LiveBlockCount();
    const std::size_t objects = LiveCount();
    void* made = nullptr;
    std::uint64_t n = 1;
    for (; n < 20; ++n) {
      heap.FailAllocation(n);
      made = L().load(destination, L().path);
      heap.FailAllocation(0);
      if (made) break;
      SCOPED_TRACE(testing::Message() << "allocation " << n);
      EXPECT_EQ(heap.LiveBlockCount(), blocks);
      EXPECT_EQ(LiveCount(), objects);
      if (destination == kOccupied) {
        EXPECT_EQ(Identity(Live(kOccupied)), old);
      }
      if (destination == kFresh) {
        EXPECT_EQ(Live(kFresh), nullptr);
      }
    }
    ASSERT_NE(made, nullptr) << "no load succeeded";
    EXPECT_GE(n, 2u);  // at least the file block could fail
    std::printf("  %s to %lld: %llu allocations failed in turn\n", L().name,
                static_cast<long long>(destination), static_cast<unsigned long long>(n - 1));

    const ObjectId loaded =
        destination == engine::ObjectIdAuto ? reinterpret_cast<ObjectId>(made) : destination;
    EXPECT_TRUE(L().play(loaded));
    if (destination != kOccupied) {
      L().release(loaded);
      // Only a fresh slot number keeps its (empty) record.
      EXPECT_EQ(heap.LiveBlockCount(), blocks + (destination == kFresh ? 1 : 0));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Loaders, LoaderFaultTest, ::testing::ValuesIn(kLoaders),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace reliability
