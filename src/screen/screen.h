#pragma once

#include <cstdint>

#include "platform/host/host.h"

namespace engine {

// Starts the sprite system: the sprite table, the media window and the graphics system.
// Returns 1 on success, 0 when there is no usable display.
int SpriteSystemInit();
// Closes the screen if open and releases the graphics system.
void SpriteSystemEnd();
// Opens the full screen; only the low 16 bits of width, height and depth count. 1 or 0.
int ScreenOpen(std::int32_t width, std::int32_t height, std::int32_t depth, const char* title);
// Frees every sprite and closes the screen; nothing when no screen is open.
void ScreenClose();
// The window the screen is shown in (the media window once a screen opened), or none.
platform::WindowHandle ScreenWindow();

}  // namespace engine
