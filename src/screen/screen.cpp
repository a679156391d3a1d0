#include "screen/screen.h"

namespace engine {

// The graphics device is not wired up yet: the sprite system reports no display.
int SpriteSystemInit() {
  return 0;
}
void SpriteSystemEnd() {}
int ScreenOpen(std::int32_t, std::int32_t, std::int32_t, const char*) {
  return 0;
}
void ScreenClose() {}
platform::WindowHandle ScreenWindow() {
  return 0;
}

}  // namespace engine
