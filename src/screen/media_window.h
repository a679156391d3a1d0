#pragma once

#include <cstdint>

#include "platform/host/host.h"

namespace engine {

// The one hidden top-level window that the screen, the sound device and the keyboard share.
// Created by whichever of the sprite system and the sound device starts first, never destroyed.
// Returns 1 once the window exists, 0 when it cannot be made. Main thread.
int MediaWindowCreate();
// The window, or none before MediaWindowCreate succeeded.
platform::WindowHandle MediaWindowHandle();
// The window procedure: activation drives the screen's deviceActive flag; close requests and
// key-ups are swallowed; paint and erase are answered.
std::intptr_t MediaWindowProc(platform::WindowHandle window, std::uint32_t message,
                              std::uintptr_t wParam, std::intptr_t lParam);

// Test control: forgets the window, as at program start (the host is replaced between tests).
void MediaWindowForget();

inline constexpr char kMediaWindowClass[] = "MultimediaBase Class";

}  // namespace engine
