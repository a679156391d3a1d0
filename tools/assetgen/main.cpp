// tidefray-assetgen: writes the game's media and the small test modules below a root folder.
//
//   tidefray-assetgen <root>
//
// Output is byte-for-byte the same on every run and machine; the committed files are its output.

#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "floor_tile.h"
#include "it_writer.h"
#include "png_writer.h"
#include "song.h"
#include "sound_effects.h"
#include "sprite_sheet.h"
#include "wave_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Output {
  const char* path;  // relative to the root
  std::function<Bytes()> make;
};

const std::vector<Output>& Outputs() {
  static const std::vector<Output> outputs = {
      {"Data/sprites01.png", [] { return assetgen::PngEncode(assetgen::DrawSpriteSheet()); }},
      {"Data/bg_floor01.png", [] { return assetgen::PngEncode(assetgen::DrawFloorTile()); }},
      {"Data/player_bullet01.wav",
       [] { return assetgen::WaveEncode(assetgen::SynthesizeShot(), 1, assetgen::kEffectRate); }},
      {"Data/collision01.wav",
       [] { return assetgen::WaveEncode(assetgen::SynthesizeImpact(), 1, assetgen::kEffectRate); }},
      {"Music/evolutionloop.it", [] { return assetgen::ItEncode(assetgen::ComposeSeaSong()); }},
      {"tests/data/song_ends.it", [] { return assetgen::ItEncode(assetgen::ComposeEndingSong()); }},
      {"tests/data/tiny.it", [] { return assetgen::ItEncode(assetgen::ComposeTinySong()); }},
  };
  return outputs;
}

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (error) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    std::cerr << "usage: tidefray-assetgen <root>\n"
                 "Writes Data/, Music/ and tests/data/ media below <root> (the repository root).\n";
    return argc == 2 ? 0 : 2;
  }
  const std::filesystem::path root = argv[1];
  try {
    for (const Output& output : Outputs()) {
      if (!WriteFile(root / output.path, output.make())) {
        std::cerr << "tidefray-assetgen: cannot write " << (root / output.path).string() << "\n";
        return 1;
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "tidefray-assetgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
