#pragma once

#include "it_writer.h"

namespace assetgen {

// The game's background music: D minor, 125 beats per minute, eight four-bar patterns (about a
// minute) that loop back to the first verse. Steel-drum melody over bass, pad, arpeggio, drums
// and the sound of surf.
ItModule ComposeSeaSong();

// A short module whose song ends instead of looping (a rising four-note figure, then silence).
ItModule ComposeEndingSong();

// About one second: one note on one channel.
ItModule ComposeTinySong();

}  // namespace assetgen
