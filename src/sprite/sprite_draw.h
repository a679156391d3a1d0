#pragma once

#include <cstdint>

namespace engine {

// Sends the four draw states of sprite drawing (alpha-blend enable, source blend, destination
// blend, vertex format), each only when it differs from the screen's draw-state cache. Needs an
// open screen. Main thread only.
void DrawStateSet(std::uint32_t blendEnable, std::uint32_t sourceBlend,
                  std::uint32_t destinationBlend, std::uint32_t vertexFormat);

}  // namespace engine
