#include "sprite_fixture.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "image/bmp_decoder.h"
#include "image/image_decoder.h"
#include "image/png_decoder.h"
#include "screen/screen.h"

namespace sprite_test {

namespace {

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

Pixels PixelsFill(std::int32_t width, std::int32_t height, std::uint32_t argb) {
  Pixels p;
  p.width = width;
  p.height = height;
  p.argb.assign(static_cast<std::size_t>(width) * height, argb);
  return p;
}

std::vector<std::uint8_t> PngEncode(const Pixels& pixels, bool alpha) {
  const int channels = alpha ? 4 : 3;
  std::vector<std::uint8_t> samples;
  for (std::uint32_t v : pixels.argb) {
    samples.push_back(static_cast<std::uint8_t>(v >> 16));
    samples.push_back(static_cast<std::uint8_t>(v >> 8));
    samples.push_back(static_cast<std::uint8_t>(v));
    if (alpha) samples.push_back(static_cast<std::uint8_t>(v >> 24));
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(pixels.height));
  for (int y = 0; y < pixels.height; ++y)
    rows[y] = samples.data() + static_cast<std::size_t>(y) * pixels.width * channels;
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("PngEncode: libpng failed");
  }
  png_set_write_fn(png, &out, WriteToVector, Flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(pixels.width),
               static_cast<png_uint_32>(pixels.height), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<std::uint8_t> BmpEncode(const Pixels& pixels) {
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(pixels.width) * 3 + 3) & ~3u;
  const std::uint32_t dataBytes = rowBytes * static_cast<std::uint32_t>(pixels.height);
  std::vector<std::uint8_t> out = {'B', 'M'};
  Put32(out, 54 + dataBytes);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(pixels.width));
  Put32(out, static_cast<std::uint32_t>(pixels.height));
  Put16(out, 1);
  Put16(out, 24);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (int y = pixels.height - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x = 0; x < pixels.width; ++x) {
      const std::uint32_t v = pixels.argb[static_cast<std::size_t>(y) * pixels.width + x];
      out.push_back(static_cast<std::uint8_t>(v));
      out.push_back(static_cast<std::uint8_t>(v >> 8));
      out.push_back(static_cast<std::uint8_t>(v >> 16));
    }
    out.resize(start + rowBytes, 0);
  }
  return out;
}

std::string FileWrite(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string path = ::testing::TempDir() + "sprite_test_" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("FileWrite: cannot create " + path);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

void SpriteTest::SetUp() {
  EngineTest::SetUp();
  engine::ScreenStateForget();
  // Process-wide values of the sprite library, back to their start-up state.
  engine::DefaultMaskColor = 0;
  engine::ImageDecodeInit();
  engine::BmpDecoderRegister();
  engine::PngDecoderRegister();
}

void SpriteTest::TearDown() {
  engine::SpriteSystemEnd();
  engine::ScreenStateForget();
  EngineTest::TearDown();
}

void SpriteTest::Open(std::int32_t depth) {
  ASSERT_EQ(engine::SpriteSystemInit(), 1);
  ASSERT_EQ(engine::ScreenOpen(640, 480, depth, "sprites"), 1);
}

engine::SpriteRecord& SpriteTest::Record(engine::ObjectId number) {
  engine::SpriteRecord* record = engine::SpriteLookup(number);
  if (!record) throw std::runtime_error("sprite is not live");
  return *record;
}

engine::SpriteRecord* SpriteTest::Load(engine::ObjectId number, const Pixels& pixels, bool alpha,
                                       std::uint32_t mode) {
  const std::vector<std::uint8_t> png = PngEncode(pixels, alpha);
  return engine::SpriteFromMemory(number, png, mode);
}

std::uint32_t SpriteTest::Texel(engine::ObjectId number, int x, int y) {
  const platform::Direct3DSurface9& level = *Record(number).texture->levelSurface;
  const std::uint8_t* row = level.Pixels() + static_cast<std::ptrdiff_t>(y) * level.Pitch();
  if (platform::FormatBytes(level.Format()) == 4) {
    std::uint32_t v;
    std::memcpy(&v, row + x * 4, 4);
    return v;
  }
  std::uint16_t v;
  std::memcpy(&v, row + x * 2, 2);
  return v;
}

std::uint32_t SpriteTest::ScreenPixel(int x, int y) {
  const platform::Direct3DSurface9& back = *engine::ScreenStateGet().backBuffer;
  const std::uint8_t* row = back.Pixels() + static_cast<std::ptrdiff_t>(y) * back.Pitch();
  if (platform::FormatBytes(back.Format()) == 4) {
    std::uint32_t v;
    std::memcpy(&v, row + x * 4, 4);
    return v & 0x00FFFFFFu;
  }
  std::uint16_t v;
  std::memcpy(&v, row + x * 2, 2);
  return v;
}

void SpriteTest::ScreenFill(std::uint32_t rgb) {
  Device().Clear(0, nullptr, platform::D3DCLEAR_TARGET, rgb, 0.0f, 0);
}

}  // namespace sprite_test
