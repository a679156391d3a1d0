// tidefray-hostile: writes malformed media files made from the game's own good ones, and a
// manifest saying what loading each must give. hostile.sh feeds them to the game.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "variant.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] = "usage: tidefray-hostile --media DIR --out DIR\n";

bool FileRead(const fs::path& path, hostile::Bytes* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool FileWrite(const fs::path& path, const hostile::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "tidefray-hostile: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path media, out;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--media") == 0) {
      media = argv[i + 1];
    } else if (std::strcmp(argv[i], "--out") == 0) {
      out = argv[i + 1];
    } else {
      std::fprintf(stderr, "%s", kUsage);
      return 2;
    }
  }
  if (media.empty() || out.empty() || argc % 2 == 0) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }

  hostile::Bytes png, wave, module;
  if (!FileRead(media / "Data/sprites01.png", &png) ||
      !FileRead(media / "Data/player_bullet01.wav", &wave) ||
      !FileRead(media / "Music/evolutionloop.it", &module))
    return Fail("cannot read the game's media under " + media.string());

  std::vector<hostile::Variant> variants;
  for (auto&& family : {hostile::PngVariants(png), hostile::BmpVariants(),
                        hostile::WaveVariants(wave), hostile::ModuleVariants(module)})
    variants.insert(variants.end(), family.begin(), family.end());

  std::error_code ec;
  fs::create_directories(out, ec);
  std::ofstream manifest(out / "manifest.txt");
  manifest << "# kind expect file: what is wrong with it\n";
  for (const auto& v : variants) {
    if (!FileWrite(out / v.name, v.bytes)) return Fail("cannot write " + (out / v.name).string());
    manifest << hostile::KindName(v.kind) << ' ' << hostile::ExpectName(v.expect) << ' ' << v.name
             << ": " << v.note << '\n';
  }
  if (!manifest) return Fail("cannot write the manifest");
  std::printf("tidefray-hostile: %zu files in %s\n", variants.size(), out.c_str());
  return 0;
}
