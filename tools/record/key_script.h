#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace record {

// One scripted key change: at `frame` presented frames, `key` goes down or up.
struct KeyEvent {
  std::uint64_t frame;
  int key;
  bool down;
};

// Parses lines "FRAME KEY down|up"; KEY is LEFT, RIGHT, UP, DOWN, SPACE, ESCAPE or a key code
// 0..255. Blank lines and lines starting with '#' are skipped. On a bad line returns false with
// a message naming the line in *error.
bool KeyScriptParse(const std::string& text, std::vector<KeyEvent>* events, std::string* error);

}  // namespace record
