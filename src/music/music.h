#pragma once

namespace engine {

// Creates the module table and the player settings.
void MusicInit();
// Frees every module (stopping its worker first).
void MusicEnd();

}  // namespace engine
