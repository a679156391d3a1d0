#include "key_script.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "platform/input/key_codes.h"

namespace record {

namespace {

// Names are matched without regard to case.
bool KeyFromName(std::string name, int* key) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  static const struct {
    const char* name;
    int code;
  } kNames[] = {{"LEFT", platform::DIK_LEFT},   {"RIGHT", platform::DIK_RIGHT},
                {"UP", platform::DIK_UP},       {"DOWN", platform::DIK_DOWN},
                {"SPACE", platform::DIK_SPACE}, {"ESCAPE", platform::DIK_ESCAPE}};
  for (const auto& n : kNames)
    if (name == n.name) {
      *key = n.code;
      return true;
    }
  if (name.empty() || name.size() > 3 || !std::all_of(name.begin(), name.end(), ::isdigit))
    return false;
  *key = std::stoi(name);
  return *key >= 0 && *key <= 255;
}

}  // namespace

bool KeyScriptParse(const std::string& text, std::vector<KeyEvent>* events, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    std::istringstream words(line);
    std::string frameText, keyText, stateText, extra;
    if (!(words >> frameText) || frameText[0] == '#') continue;
    KeyEvent e{};
    const bool frameOk = !frameText.empty() && frameText.size() <= 12 &&
                         std::all_of(frameText.begin(), frameText.end(), ::isdigit);
    if (!frameOk || !(words >> keyText >> stateText) || (words >> extra) ||
        !KeyFromName(keyText, &e.key) || (stateText != "down" && stateText != "up")) {
      *error = "line " + std::to_string(lineNumber) + ": expected 'FRAME KEY down|up', got '" +
               line + "'";
      return false;
    }
    e.frame = std::stoull(frameText);
    e.down = stateText == "down";
    events->push_back(e);
  }
  std::stable_sort(events->begin(), events->end(),
                   [](const KeyEvent& a, const KeyEvent& b) { return a.frame < b.frame; });
  return true;
}

}  // namespace record
