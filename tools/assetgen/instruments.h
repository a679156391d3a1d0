#pragma once

#include "it_writer.h"

namespace assetgen {

// The synthesised samples of the game's music. Each is normalised to the same peak; the patterns
// set the balance with note volumes. Tonal samples carry a C5 speed that makes note 60 sound as
// middle C, so pattern notes are true pitches.
ItSample MakeLeadSample();   // struck steel-drum tone, rings out
ItSample MakePluckSample();  // short soft pluck for arpeggios
ItSample MakeBassSample();   // round plucked bass with a closing filter
ItSample MakePadSample();    // three detuned saws, looped, slow attack
ItSample MakeKickSample();
ItSample MakeSnareSample();
ItSample MakeHatSample();
ItSample MakeSurfSample();  // a breaking wave: filtered noise that swells and fades
ItSample MakeBeepSample();  // one looped cycle, for the small test modules

}  // namespace assetgen
