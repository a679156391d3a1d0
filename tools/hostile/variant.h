#pragma once

// One malformed media file for the game and what loading it must give.

#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

using Bytes = std::vector<std::uint8_t>;

// absent: the load fails and the object's number stays empty. loads: the damage is of a kind the
// loader is documented to tolerate (a WAVE "data" chunk longer than the file plays the bytes
// present, run-length pixels outside the image are dropped). any: the loader may take or refuse
// it (a module library that recovers what it can from a damaged module); only a clean run counts.
enum class Expect { Absent, Loads, Any };

// Which of the game's media a variant stands in for.
enum class Kind { Image, Sound, Music };

struct Variant {
  Kind kind;
  std::string name;  // file name, unique, no path
  Expect expect;
  std::string note;  // what is wrong with it
  Bytes bytes;
};

const char* ExpectName(Expect expect);
const char* KindName(Kind kind);

// Big- and little-endian field access for building and breaking headers.
std::uint32_t ReadBe32(const Bytes& b, std::size_t at);
void WriteBe32(Bytes& b, std::size_t at, std::uint32_t v);
std::uint32_t ReadLe32(const Bytes& b, std::size_t at);
void WriteLe32(Bytes& b, std::size_t at, std::uint32_t v);
std::uint16_t ReadLe16(const Bytes& b, std::size_t at);
void WriteLe16(Bytes& b, std::size_t at, std::uint16_t v);

// `b` cut to its first `size` bytes.
Bytes Cut(const Bytes& b, std::size_t size);

// Cut points spread over [from, to]: the ends and `inner` evenly spaced points between.
std::vector<std::size_t> CutPoints(std::size_t from, std::size_t to, int inner);

// Deterministic filler bytes.
Bytes Noise(std::size_t size, std::uint64_t seed);

// Each family of variants, made from the game's own good files.
std::vector<Variant> PngVariants(const Bytes& png);
std::vector<Variant> BmpVariants();
std::vector<Variant> WaveVariants(const Bytes& wave);
std::vector<Variant> ModuleVariants(const Bytes& module);

}  // namespace hostile
