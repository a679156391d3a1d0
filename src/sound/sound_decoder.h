#pragma once

// Sound decoder plug-ins: formats other than RIFF/WAVE reach the library through a record of
// seven operations. Decoders are asked in the order they were registered; the engine registers
// none of its own.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace engine {

struct SoundDecoder;

// The head of every decoder object. The library writes both fields right after Open accepts
// a source; the rest of the object is the decoder's own.
struct SoundDecoderObject {
  // The decoder that accepted the source; every later call goes through it.
  const SoundDecoder* ops;
  // The stream of a file source (the object owns it and closes it in Free), null for memory.
  std::FILE* file;
};

// The operations of one decoder. Every operation but Open takes the decoder object first.
// Read and Free may be called from a streaming worker thread, never at the same time as
// another operation on the same object.
struct SoundDecoder {
  // Accepts or refuses a source: either `file` (open for reading, positioned at 0; data null,
  // size 0) or `data` (a block of `size` bytes that stays valid while the object lives; file
  // null). `flags` are 0 for a file and the load flags for a block. Returns a new object whose
  // first bytes are a SoundDecoderObject, or null to decline.
  SoundDecoderObject* (*Open)(std::FILE* file, const void* data, std::size_t size,
                              std::uint32_t flags);
  // Writes at most `bytes` bytes of 16-bit signed little-endian PCM, channels interleaved,
  // and returns how many it wrote (0 at the end). `reserved` is 0. `flags` are the play flags
  // of a stream (SoundFlagLoop: what happens at the end is the decoder's business), 0 for a
  // whole decode.
  std::int32_t (*Read)(SoundDecoderObject* object, void* buffer, std::int32_t bytes,
                       std::int32_t reserved, std::uint32_t flags);
  // Goes back to the first frame.
  void (*Rewind)(SoundDecoderObject* object);
  std::int32_t (*ChannelCount)(SoundDecoderObject* object);
  // Length in frames (one sample per channel).
  std::int32_t (*FrameCount)(SoundDecoderObject* object);
  // Frames per second.
  std::int32_t (*SampleRate)(SoundDecoderObject* object);
  // Ends the object and releases everything it holds, its file included.
  void (*Free)(SoundDecoderObject* object);
};

// How many decoders the list holds.
inline constexpr int kSoundDecoderCapacity = 16;

// Adds a decoder at the end of the list (the record must outlive its registration). A decoder
// already in the list stays where it is. Returns 1 on success, 0 when the list is full or the
// record lacks an operation. The list is emptied by SoundEnd. Main thread.
int SoundDecoderRegister(const SoundDecoder* decoder);
// Number of registered decoders.
int SoundDecoderCount();

// Asks each registered decoder, in order, to open `path` (read through a stream that is
// rewound for every decoder) or the block `data` of `size` bytes; exactly one of them is
// given. Returns the first object accepted, with `ops` and `file` set, or null (a stream no
// decoder took is closed again). Main thread.
SoundDecoderObject* SoundDecoderOpen(const char* path, const void* data, std::size_t size,
                                     std::uint32_t flags);

// Frees a decoder object through its own decoder; null does nothing.
void SoundDecoderFree(SoundDecoderObject* object);

// Empties the list (SoundEnd).
void SoundDecoderListClear();

}  // namespace engine
