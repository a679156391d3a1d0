#pragma once

#include <cstdint>

namespace engine {

// Why a decoder declined or failed. Engine calls report only 0; inside a decoder the reason
// travels with the result so that the paths stay distinguishable (and testable).
enum class DecodeStatus : std::uint8_t {
  Ok,
  NotRecognised,    // not this decoder's format
  Truncated,        // the data ends before what the headers promise
  InvalidHeader,    // header values that describe no image
  TooLarge,         // dimensions beyond kImageDimensionMax or byte sizes beyond 31 bits
  Unsupported,      // a valid variant this decoder does not decode
  InvalidData,      // corrupt image data, or an error reported by the format library
  OutOfMemory,      // an allocation failed
  InvalidArgument,  // the caller's destination or pitch cannot hold the image
};

// A value, or the reason there is none.
template <typename T>
struct DecodeResult {
  DecodeStatus status = DecodeStatus::Ok;
  T value{};

  static DecodeResult Success(const T& v) { return {DecodeStatus::Ok, v}; }
  static DecodeResult Failure(DecodeStatus s) { return {s, T{}}; }
  bool Ok() const { return status == DecodeStatus::Ok; }
};

}  // namespace engine
