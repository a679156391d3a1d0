#pragma once

#include <cstdint>

#include "platform/host/host.h"

namespace engine {

// Starts the sprite system: the sprite table, the media window and the graphics system.
// Returns 1 on success, 0 when there is no usable display.
int SpriteSystemInit();
// Closes the screen if open and releases the graphics system.
void SpriteSystemEnd();
// Opens the full screen; only the low 16 bits of width, height and depth count, sign-extended.
// Returns 1, or 0 (every sprite is then released).
int ScreenOpen(std::int32_t width, std::int32_t height, std::int32_t depth, const char* title);
// Frees every sprite and closes the screen; nothing when no screen is open.
void ScreenClose();
// Begins a scene unless one is open; returns whether one is open now.
std::int32_t SceneBegin();
// Ends the open scene, if any.
void SceneEnd();
// Pumps window messages and presents the frame, repairing a lost device when it can.
// 1 when the frame was handled (presented, or skipped while presentation is off); 0 when the
// device is in a state this call cannot repair. Only while a screen is open.
std::int32_t ScreenFlip();
// Fills the back buffer with a ColorRGB colour; nothing without a device.
void ScreenClear(std::uint32_t color);
// The window the screen is shown in (the media window once a screen opened), or none.
platform::WindowHandle ScreenWindow();

}  // namespace engine
