#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

#include "image/image_decoder.h"
#include "runtime/main_heap.h"
#include "screen/screen_state.h"
#include "sprite/sprite.h"
#include "sprite/sprite_store.h"
#include "sprite/sprite_texel.h"

namespace engine {

namespace {

// Row pitch of a decoded image: 4 bytes a pixel for 32-bit images, and for 24-bit ones 3 bytes a
// pixel with each row padded up to a multiple of 4 (3 * width + (width mod 4) is exactly that).
std::int64_t DecodePitch(std::int64_t width, std::int32_t depth) {
  return depth == 32 ? width * 4 : width * 3 + (width & 3);
}

// Sizes a texture can have. The decoders refuse larger images, so that (height + 1) rows of any
// pitch fit in 31 bits; the check here keeps a decoder that reports more from making the loader
// allocate for an image that could never become a sprite.
bool ImageSizeUsable(std::int32_t width, std::int32_t height) {
  return width > 0 && height > 0 && width <= kImageDimensionMax && height <= kImageDimensionMax;
}
static_assert((std::int64_t{kImageDimensionMax} + 1) * kImageDimensionMax * 4 <=
              std::numeric_limits<std::int32_t>::max());

// The registry's open image for the length of one load: a decoder that accepted the bytes is
// closed again however the load ends.
class ImageDecodeSession {
 public:
  explicit ImageDecodeSession(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() ||
        bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
      return;
    // The real byte count bounds the decoders, so a file that ends early fails to decode instead
    // of being read past its end.
    open_ = ImageDecodeOpen(bytes.data(), static_cast<std::int32_t>(bytes.size())) != 0;
    if (!open_) return;
    width = ImageDecodeWidth();
    height = ImageDecodeHeight();
    depth = ImageDecodeDepth() == 32 ? 32 : 24;
  }
  ~ImageDecodeSession() {
    if (open_) ImageDecodeClose();
  }
  ImageDecodeSession(const ImageDecodeSession&) = delete;
  ImageDecodeSession& operator=(const ImageDecodeSession&) = delete;

  bool Open() const { return open_; }

  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t depth = 0;  // 24 or 32

 private:
  bool open_ = false;
};

// Decodes through a buffer of the decoded layout and converts each row into the locked texels.
// False when the buffer cannot be allocated or the decoder fails.
bool TexelsDecodeBuffered(const ImageDecodeSession& image, const SpriteTexture& texture,
                          std::uint8_t* texels, std::int32_t texturePitch, TexelAlpha alpha,
                          std::uint32_t maskColor) {
  const auto pitch = static_cast<std::int32_t>(DecodePitch(image.width, image.depth));
  // A spare row past the image keeps a decoder that writes a whole padded last row inside the
  // block.
  const std::size_t size =
      (static_cast<std::size_t>(image.height) + 1) * static_cast<std::size_t>(pitch);
  // Zero-filled: run-length data need not cover every pixel, and the ones it leaves would
  // otherwise show whatever the heap held before (a different sprite on every run).
  auto* pixels = static_cast<std::uint8_t*>(MainHeapAllocZero(size));
  if (!pixels) return false;
  const bool read = ImageDecodeRead(pixels, pitch, 0) != 0;
  if (read) {
    const bool wide = texture.kind == kSpriteTextureKind32;
    const std::uint32_t key = wide ? MaskKey32(maskColor) : MaskKey16(maskColor);
    for (std::int32_t r = 0; r < image.height; ++r) {
      const std::uint8_t* source = pixels + static_cast<std::ptrdiff_t>(r) * pitch;
      std::uint8_t* row = texels + static_cast<std::ptrdiff_t>(r) * texturePitch;
      if (wide) {
        auto* out = reinterpret_cast<std::uint32_t*>(row);
        if (image.depth == 32)
          TexelRowFrom32To32(out, source, image.width, alpha, key);
        else
          TexelRowFrom24To32(out, source, image.width, alpha, key);
      } else {
        auto* out = reinterpret_cast<std::uint16_t*>(row);
        if (image.depth == 32)
          TexelRowFrom32To16(out, source, image.width, alpha, key);
        else
          TexelRowFrom24To16(out, source, image.width, alpha, key);
      }
    }
  }
  MainHeapFree(pixels);
  return read;
}

// A 32-bit image and 32-bit texels share their layout (blue, green, red, alpha), so the decoder
// writes straight into the locked texels when their pitch is the decoded one; only the alpha is
// then set in place. This spares a copy of the image and a block the size of the texture, whose
// pages would otherwise be faulted in afresh by every load.
bool TexelsDecodeDirect(const ImageDecodeSession& image, std::uint8_t* texels,
                        std::int32_t texturePitch, TexelAlpha alpha, std::uint32_t maskColor) {
  if (!ImageDecodeRead(texels, texturePitch, 0)) return false;
  if (alpha == TexelAlpha::Key) {
    const std::uint32_t key = MaskKey32(maskColor);
    for (std::int32_t r = 0; r < image.height; ++r)
      TexelRowMask32(
          reinterpret_cast<std::uint32_t*>(texels + static_cast<std::ptrdiff_t>(r) * texturePitch),
          image.width, key);
  }
  return true;
}

// The whole of a regular file in a MainHeap block; false when it cannot be opened or the block
// cannot be allocated.
struct FileBytes {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;

  FileBytes() = default;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes() { MainHeapFree(data); }
};

bool FileRead(const char* path, FileBytes* file) {
  std::error_code error;
  // Directories and devices open as streams on this platform, but they are no image files.
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return false;
  std::FILE* stream = std::fopen(path, "rb");
  if (!stream) return false;
  // Images are decoded with a 32-bit byte count, so a larger file could never load.
  if (size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max())) {
    std::fclose(stream);
    return false;
  }
  // An empty file still gets a block, so that only a real shortage of memory fails here.
  file->data = static_cast<std::uint8_t*>(MainHeapAllocPlain(size > 0 ? size : 1));
  if (!file->data) {
    std::fclose(stream);
    return false;
  }
  // Only the bytes really read count: a file that shrank meanwhile decodes as the shorter file.
  while (file->size < size) {
    const std::size_t got = std::fread(file->data + file->size, 1, size - file->size, stream);
    if (got == 0) break;
    file->size += got;
  }
  std::fclose(stream);
  return true;
}

// Makes the sprite of `record` from the image file in `bytes`; null on failure, the record then
// empty or (when the texture could not be locked) live with unwritten texels.
SpriteRecord* SpriteFromImage(SpriteRecord* record, std::span<const std::uint8_t> bytes,
                              std::uint32_t mode) {
  const ImageDecodeSession image(bytes);
  if (!image.Open() || !ImageSizeUsable(image.width, image.height)) return nullptr;
  const std::int32_t targetDepth = ScreenStateGet().depth <= 16 ? 16 : 32;
  SpriteTexture* texture = SpriteRecordInit(record, image.width, image.height, targetDepth, mode);
  if (!texture) return nullptr;
  // The image's own alpha is used only when the mode asks for it and the image has one; the
  // record keeps the mode as given. Otherwise the texels get the first mask pass with
  // DefaultMaskColor as they are written, which spares a second sweep over them.
  const bool imageAlpha = (mode & kSpriteModeAlpha) != 0 && image.depth == 32;
  const TexelAlpha alpha = imageAlpha ? TexelAlpha::Image : TexelAlpha::Key;

  void* locked = nullptr;
  std::int32_t pitch = 0;
  if (!SpriteTextureLock(texture, &locked, &pitch)) return nullptr;
  auto* texels = static_cast<std::uint8_t*>(locked);
  const bool direct = image.depth == 32 && texture->kind == kSpriteTextureKind32 &&
                      pitch == DecodePitch(image.width, 32);
  const bool read =
      direct ? TexelsDecodeDirect(image, texels, pitch, alpha, DefaultMaskColor)
             : TexelsDecodeBuffered(image, *texture, texels, pitch, alpha, DefaultMaskColor);
  SpriteTextureUnlock(texture);
  if (!read) {
    // Rows that were never written would show stale memory: an image that cannot be read whole
    // counts as undecodable, and the number ends up empty as for any other decoding failure.
    SpriteTextureFree(texture);
    *record = SpriteRecord{};
    return nullptr;
  }
  if (!imageAlpha) texture->maskColor = DefaultMaskColor;
  return record;
}

}  // namespace

SpriteRecord* SpriteLoad(ObjectId number, const char* path, std::uint32_t mode) {
  if (!path) return nullptr;
  FileBytes file;
  if (!FileRead(path, &file)) return nullptr;
  return SpriteFromMemory(number, std::span<const std::uint8_t>(file.data, file.size), mode);
}

SpriteRecord* SpriteFromMemory(ObjectId number, std::span<const std::uint8_t> bytes,
                               std::uint32_t mode) {
  // A live sprite under the number is released here, so every failure below leaves it empty.
  auto* record = static_cast<SpriteRecord*>(ObjectTableAcquire(SpriteTable, number));
  if (!record) return nullptr;
  SpriteRecord* result = SpriteFromImage(record, bytes, mode);
  if (!result && number == ObjectIdAuto) SpriteAutoDiscard(record);
  return result;
}

}  // namespace engine
