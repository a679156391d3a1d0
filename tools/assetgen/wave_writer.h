#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

// A canonical RIFF/WAVE file: the 44-byte header ("RIFF", size, "WAVE", a 16-byte "fmt " chunk,
// "data") followed by 16-bit PCM, channels interleaved.
std::vector<std::uint8_t> WaveEncode(const std::vector<std::int16_t>& samples, int channels,
                                     int sampleRate);

// Scales a signal so that its largest magnitude becomes `peak` (a fraction of full scale) and
// rounds it to 16-bit samples. A silent signal stays silent.
std::vector<std::int16_t> ToPcm16(const std::vector<double>& signal, double peak);

}  // namespace assetgen
