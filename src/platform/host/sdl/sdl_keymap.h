#pragma once

#include <SDL.h>

#include <cstdint>

namespace platform {

// The engine key code of an SDL scancode, 0 when the key has none.
std::uint8_t SdlScancodeToKeyCode(SDL_Scancode scancode);

}  // namespace platform
