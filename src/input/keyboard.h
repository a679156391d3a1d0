#pragma once

namespace engine {

// Creates the keyboard device. 1 on success, 0 on failure.
int KeyboardInit();
// Releases the keyboard device; nothing when there is none.
void KeyboardRelease();

}  // namespace engine
