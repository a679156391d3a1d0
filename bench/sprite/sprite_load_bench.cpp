// Loading a sprite from a PNG file against libpng alone reading the same file into BGRA rows: the
// loader's own share (the file buffer, the decode buffer, the texture and the conversion with
// the first mask pass) is what separates the two.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/bmp_decoder.h"
#include "image/image_decoder.h"
#include "image/png_decoder.h"
#include "platform/host/headless/headless_host.h"
#include "runtime/main_heap.h"
#include "screen/screen.h"
#include "sprite/sprite.h"

namespace {

void WriteToFile(png_structp png, png_bytep data, png_size_t length) {
  std::fwrite(data, 1, length, static_cast<std::FILE*>(png_get_io_ptr(png)));
}
void Flush(png_structp) {}

// A size x size RGBA sprite sheet: smooth gradients, hard-edged tiles, a magenta background and
// a little noise, so that the file compresses like drawn art rather than like flat colour.
std::string SheetWrite(int size) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("tidefray_bench_sheet_" + std::to_string(size) + ".png"))
                               .string();
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4);
  std::uint32_t noise = 12345;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * size + x) * 4];
      noise = noise * 1103515245u + 12345u;
      const bool background = ((x / 32) + (y / 32)) % 3 == 0;
      p[0] = background ? 255 : static_cast<std::uint8_t>(x + (noise >> 28));
      p[1] = background ? 0 : static_cast<std::uint8_t>(y * 2 + ((x / 8) & 7) * 16);
      p[2] = background ? 255 : static_cast<std::uint8_t>((x ^ y) & 0xF0);
      p[3] = background ? 0 : 255;
    }
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot write " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng write failed");
  png_set_write_fn(png, file, WriteToFile, Flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < size; ++y)
    png_write_row(png, &pixels[static_cast<std::size_t>(y) * size * 4]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return path;
}

const std::string& Sheet(int size) {
  static std::map<int, std::string> paths;
  auto it = paths.find(size);
  if (it == paths.end()) it = paths.emplace(size, SheetWrite(size)).first;
  return it->second;
}

// The engine as the game starts it, once per process: a headless 640 x 480 x 32 screen.
void EngineStart() {
  static const bool started = [] {
    platform::HeadlessHost::Options options;
    options.audio = platform::HeadlessHost::Audio::None;
    static platform::HeadlessHost host(options);
    platform::HostInstall(&host);
    engine::MainHeapCreate();
    engine::ImageDecodeInit();
    engine::BmpDecoderRegister();
    engine::PngDecoderRegister();
    return engine::SpriteSystemInit() == 1 && engine::ScreenOpen(640, 480, 32, "bench") == 1;
  }();
  if (!started) throw std::runtime_error("no headless screen");
}

void SpriteLoadPng(benchmark::State& state) {
  const std::string& path = Sheet(static_cast<int>(state.range(0)));
  EngineStart();
  for (auto _ : state) {
    // Loading over the same number releases the previous sprite, as a reload in a game would.
    engine::SpriteRecord* record = engine::SpriteLoad(0, path.c_str());
    if (!record) state.SkipWithError("SpriteLoad failed");
    benchmark::DoNotOptimize(record);
  }
  engine::SpriteRelease(0);
}

// libpng's read interface straight from the file into freshly allocated BGRA rows.
void LibpngRows(benchmark::State& state) {
  const std::string& path = Sheet(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
      state.SkipWithError("libpng failed");
      break;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    pixels.resize(static_cast<std::size_t>(width) * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
      rows[y] = &pixels[static_cast<std::size_t>(y) * width * 4];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    benchmark::DoNotOptimize(pixels.data());
  }
}

}  // namespace

BENCHMARK(SpriteLoadPng)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(LibpngRows)->Arg(1024)->Unit(benchmark::kMillisecond);
