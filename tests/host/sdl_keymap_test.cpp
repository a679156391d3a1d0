#include "platform/host/sdl/sdl_keymap.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/host/host.h"
#include "platform/input/key_codes.h"

namespace {

namespace p = platform;

TEST(SdlKeymapTest, TheGamesKeysMapToTheirCodes) {
  EXPECT_EQ(p::SdlScancodeToKeyCode(SDL_SCANCODE_ESCAPE), 1);
  EXPECT_EQ(p::SdlScancodeToKeyCode(SDL_SCANCODE_SPACE), 57);
  EXPECT_EQ(p::SdlScancodeToKeyCode(SDL_SCANCODE_UP), 200);
  EXPECT_EQ(p::SdlScancodeToKeyCode(SDL_SCANCODE_LEFT), 203);
  EXPECT_EQ(p::SdlScancodeToKeyCode(SDL_SCANCODE_RIGHT), 205);
  EXPECT_EQ(p::SdlScancodeToKeyCode(SDL_SCANCODE_DOWN), 208);
}

TEST(SdlKeymapTest, EveryStandardKeyHasItsOwnCode) {
  std::set<SDL_Scancode> keys;
  for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_0; ++sc)
    keys.insert(static_cast<SDL_Scancode>(sc));  // letters, digits
  for (int sc = SDL_SCANCODE_RETURN; sc <= SDL_SCANCODE_SLASH; ++sc)
    keys.insert(static_cast<SDL_Scancode>(sc));
  for (int sc = SDL_SCANCODE_CAPSLOCK; sc <= SDL_SCANCODE_UP; ++sc)
    keys.insert(static_cast<SDL_Scancode>(sc));  // F1-F12, navigation, arrows
  for (int sc = SDL_SCANCODE_NUMLOCKCLEAR; sc <= SDL_SCANCODE_KP_PERIOD; ++sc)
    keys.insert(static_cast<SDL_Scancode>(sc));  // keypad
  for (int sc = SDL_SCANCODE_LCTRL; sc <= SDL_SCANCODE_RGUI; ++sc)
    keys.insert(static_cast<SDL_Scancode>(sc));  // modifiers
  keys.erase(SDL_SCANCODE_NONUSHASH);  // not on a standard layout; shares its key with backslash
  std::set<std::uint8_t> codes;
  for (SDL_Scancode sc : keys) {
    const std::uint8_t code = p::SdlScancodeToKeyCode(sc);
    EXPECT_NE(code, 0) << SDL_GetScancodeName(sc);
    EXPECT_TRUE(codes.insert(code).second) << "duplicate code for " << SDL_GetScancodeName(sc);
  }
  EXPECT_EQ(p::SdlScancodeToKeyCode(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES)), 0);
  EXPECT_EQ(p::SdlScancodeToKeyCode(static_cast<SDL_Scancode>(-1)), 0);
}

TEST(Windows1252Test, GermanAndSpecialBytesBecomeUtf8) {
  EXPECT_EQ(p::Windows1252ToUtf8("ge\xF6"
                                 "ffnet"),
            "ge\xC3\xB6"
            "ffnet");
  EXPECT_EQ(p::Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(p::Windows1252ToUtf8("plain"), "plain");
}

}  // namespace
