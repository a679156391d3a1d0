#include "image/bmp_decoder.h"

namespace engine {

void BmpDecoderRegister() {}

}  // namespace engine
