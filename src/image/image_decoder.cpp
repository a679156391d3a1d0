#include "image/image_decoder.h"

namespace engine {

void ImageDecodeInit() {}

}  // namespace engine
