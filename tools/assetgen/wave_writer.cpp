#include "wave_writer.h"

#include <cmath>
#include <string_view>

namespace assetgen {
namespace {

void PutTag(std::vector<std::uint8_t>& out, std::string_view tag) {
  out.insert(out.end(), tag.begin(), tag.end());
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> WaveEncode(const std::vector<std::int16_t>& samples, int channels,
                                     int sampleRate) {
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  const auto blockAlign = static_cast<std::uint32_t>(channels * 2);
  std::vector<std::uint8_t> out;
  out.reserve(44 + dataBytes);
  PutTag(out, "RIFF");
  PutLe(out, 36 + dataBytes, 4);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, static_cast<std::uint32_t>(channels), 2);
  PutLe(out, static_cast<std::uint32_t>(sampleRate), 4);
  PutLe(out, static_cast<std::uint32_t>(sampleRate) * blockAlign, 4);
  PutLe(out, blockAlign, 2);
  PutLe(out, 16, 2);
  PutTag(out, "data");
  PutLe(out, dataBytes, 4);
  for (std::int16_t s : samples) PutLe(out, static_cast<std::uint16_t>(s), 2);
  return out;
}

std::vector<std::int16_t> ToPcm16(const std::vector<double>& signal, double peak) {
  double largest = 0.0;
  for (double v : signal) largest = std::fmax(largest, std::fabs(v));
  const double scale = largest > 0.0 ? peak * 32767.0 / largest : 0.0;
  std::vector<std::int16_t> out;
  out.reserve(signal.size());
  for (double v : signal) {
    double s = std::floor(v * scale + 0.5);
    s = s > 32767.0 ? 32767.0 : (s < -32768.0 ? -32768.0 : s);
    out.push_back(static_cast<std::int16_t>(s));
  }
  return out;
}

}  // namespace assetgen
