#pragma once

#include <string>

#include "platform/host/host.h"

namespace record {

// Writes a presented frame (X8R8G8B8, R5G6B5 or X1R5G5B5) as an RGB PNG; false on failure.
bool FramePngWrite(const platform::Frame& frame, const std::string& path);

}  // namespace record
