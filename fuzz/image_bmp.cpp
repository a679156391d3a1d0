// Arbitrary bytes through the image registry with the BMP decoder registered.
#include "image/bmp_decoder.h"
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (image_fuzz::Start(engine::BmpDecoderRegister), true);
  (void)started;
  image_fuzz::DecodeOne(data, size);
  return 0;
}
