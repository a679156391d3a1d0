#pragma once

#include <cmath>
#include <cstdint>

// Arithmetic whose results are identical on every conforming machine. The generated files are
// committed and compared byte for byte, so the synthesis may not depend on how a particular C
// library rounds sin() or exp(): everything here is built from +, -, *, / and the exactly rounded
// floor, sqrt and ldexp. The tool is compiled with -ffp-contract=off so no fused multiply-add
// changes a rounding either.
namespace assetgen {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kLn2 = 0.69314718055994530942;

// sin(2 pi turns).
inline double SinTurns(double turns) {
  double t = turns - std::floor(turns);  // [0, 1)
  if (t >= 0.5) t -= 1.0;                // [-0.5, 0.5)
  if (t > 0.25) t = 0.5 - t;             // fold onto [-0.25, 0.25]
  if (t < -0.25) t = -0.5 - t;
  const double x = 2.0 * kPi * t;
  const double x2 = x * x;
  // Taylor series to x^17; on [-pi/2, pi/2] the error is far below 16-bit resolution.
  double term = x;
  double sum = x;
  for (int n = 1; n <= 8; ++n) {
    term *= -x2 / static_cast<double>((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

inline double Exp(double x) {
  if (x < -700.0) return 0.0;
  const double n = std::floor(x / kLn2);
  const double r = x - n * kLn2;  // [0, ln 2)
  double term = 1.0;
  double sum = 1.0;
  for (int k = 1; k <= 22; ++k) {
    term *= r / static_cast<double>(k);
    sum += term;
  }
  return std::ldexp(sum, static_cast<int>(n));
}

inline double Pow2(double x) {
  return Exp(x * kLn2);
}

// Frequency in Hz of a note numbered as the module format numbers them: 60 is middle C, 69 is
// A at 440 Hz.
inline double NoteFrequency(double note) {
  return 440.0 * Pow2((note - 69.0) / 12.0);
}

// A smooth limiter with slope 1 at zero that never exceeds +-1.
inline double SoftClip(double x) {
  return x / std::sqrt(1.0 + x * x);
}

inline double Clamp(double x, double lo, double hi) {
  return x < lo ? lo : (x > hi ? hi : x);
}

// Deterministic noise source (xorshift32); the seed fixes the sequence.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed != 0 ? seed : 0x9E3779B9u) {}
  std::uint32_t NextBits() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // Uniform in [-1, 1).
  double Next() { return static_cast<double>(NextBits()) / 2147483648.0 - 1.0; }

 private:
  std::uint32_t state_;
};

}  // namespace assetgen
