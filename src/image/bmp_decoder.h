#pragma once

namespace engine {

// Registers the BMP decoder with the registry.
void BmpDecoderRegister();

}  // namespace engine
