#pragma once

#include "canvas.h"

// The one palette that the sprite sheet and the floor share, so that they read as one picture
// against the game's light-blue sky (40, 140, 255).
namespace assetgen::palette {

inline constexpr Rgb kInk{22, 26, 48};  // outlines

// Player craft
inline constexpr Rgb kHullWhite{238, 240, 232};
inline constexpr Rgb kHullShade{176, 186, 200};
inline constexpr Rgb kHullRed{214, 58, 50};
inline constexpr Rgb kHullRedDark{150, 36, 44};
inline constexpr Rgb kGlass{104, 206, 240};
inline constexpr Rgb kGlassDark{44, 118, 176};
inline constexpr Rgb kMast{128, 88, 60};
inline constexpr Rgb kFlagYellow{252, 212, 72};
inline constexpr Rgb kFlagOrange{242, 142, 42};

// Water and foam
inline constexpr Rgb kFoam{250, 252, 255};
inline constexpr Rgb kFoamShade{176, 224, 248};
inline constexpr Rgb kSeaHaze{156, 214, 242};
inline constexpr Rgb kSeaLight{88, 176, 230};
inline constexpr Rgb kSeaMid{48, 130, 206};
inline constexpr Rgb kSeaDeep{30, 94, 176};
inline constexpr Rgb kSeaDeepest{24, 70, 146};
inline constexpr Rgb kSeaShallow{46, 160, 196};
inline constexpr Rgb kSeaTurquoise{84, 200, 206};

// Distant islands
inline constexpr Rgb kIslandLight{98, 150, 168};
inline constexpr Rgb kIsland{70, 124, 148};
inline constexpr Rgb kIslandDark{54, 102, 132};
inline constexpr Rgb kTowerWhite{226, 232, 236};
inline constexpr Rgb kTowerRed{200, 70, 66};

// Shore
inline constexpr Rgb kWetSand{196, 160, 110};
inline constexpr Rgb kWetSandDark{168, 132, 92};
inline constexpr Rgb kSand{238, 210, 148};
inline constexpr Rgb kSandShade{220, 186, 122};
inline constexpr Rgb kSandDark{196, 160, 104};
inline constexpr Rgb kPebble{150, 140, 150};
inline constexpr Rgb kShell{248, 196, 186};
inline constexpr Rgb kLeaf{58, 160, 78};
inline constexpr Rgb kLeafDark{34, 110, 66};
inline constexpr Rgb kTrunk{150, 100, 58};
inline constexpr Rgb kTrunkDark{112, 72, 46};

// Enemy shark
inline constexpr Rgb kShark{104, 120, 148};
inline constexpr Rgb kSharkDark{70, 82, 112};
inline constexpr Rgb kSharkBelly{232, 234, 240};
inline constexpr Rgb kMouth{150, 30, 50};

// Shot
inline constexpr Rgb kShotCore{255, 246, 150};
inline constexpr Rgb kShotRim{248, 150, 40};

}  // namespace assetgen::palette
