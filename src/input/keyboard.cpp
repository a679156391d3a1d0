#include "input/keyboard.h"

namespace engine {

int KeyboardInit() { return 0; }
void KeyboardRelease() {}

}  // namespace engine
