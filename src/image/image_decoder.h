#pragma once

namespace engine {

// Sets up the decoder registry: an empty decoder table and the shared decode context.
void ImageDecodeInit();

}  // namespace engine
