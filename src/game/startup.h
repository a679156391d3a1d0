#pragma once

#include <cstdint>
#include <functional>

namespace game {

// The texts of the two start-up failures, in Windows-1252.
inline constexpr char kErrorCaption[] = "Fehler";
inline constexpr char kErrorInitText[] = "Sprite-Umgebung kann nicht initialisiert werden";
inline constexpr char kErrorScreenText[] =
    "Bildschirm konnte nicht ge\xF6"
    "ffnet werden";

// Common-control classes started with COM: date, tab, extended combo box, internet address
// and hot key (ICC_DATE_CLASSES | ICC_TAB_CLASSES | ICC_USEREX_CLASSES |
// ICC_INTERNET_CLASSES | ICC_HOTKEY_CLASS).
inline constexpr std::uint32_t kCommonControlClasses = 0xB48;

// Every step of start-up and shut-down, in the order they run. The defaults are the engine's
// own steps; tests wrap them to watch the order or to make one fail.
struct StartupSteps {
  std::function<void()> imageDecodeInit;
  std::function<int()> windowLibInit;
  std::function<void()> bmpDecoderRegister;
  std::function<void()> musicInit;
  std::function<int()> spriteSystemInit;
  std::function<int()> keyboardInit;
  std::function<int()> soundInit;
  std::function<int(std::int32_t, std::int32_t, std::int32_t, const char*)> screenOpen;
  std::function<void()> gameRun;
  std::function<void()> musicEnd;
  std::function<void()> soundEnd;
  std::function<void()> keyboardRelease;
  std::function<void()> screenClose;
  std::function<void()> spriteSystemEnd;
  std::function<void()> windowLibEnd;
};

StartupSteps StartupStepsDefault();

// The program: creates MainHeap, starts every library in order, checks the three tested starts
// and the screen, runs the game, shuts everything down and destroys MainHeap. Needs an installed
// host. Returns the process exit code, which is 0 on every road.
int TidefrayMain(const StartupSteps& steps = StartupStepsDefault());

}  // namespace game
