#include "sound/media_file.h"

#include <cstdio>

#include "runtime/main_heap.h"

namespace engine {

void* MediaFileRead(const char* path, std::size_t* size) {
  if (!path || !size) return nullptr;
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return nullptr;
  void* block = nullptr;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length >= 0 && static_cast<unsigned long>(length) <= kMediaFileMaxBytes &&
      std::fseek(file, 0, SEEK_SET) == 0) {
    auto bytes = static_cast<std::size_t>(length);
    // An empty file still gets a block, so that it reaches the loader and fails there as data
    // that is no sound or module, like any other such file.
    block = MainHeapAllocPlain(bytes > 0 ? bytes : 1);
    // A file that shrank under us would leave the end of the block unwritten; a load never
    // hands on bytes that were not read.
    if (block && std::fread(block, 1, bytes, file) != bytes) {
      MainHeapFree(block);
      block = nullptr;
    }
    if (block) *size = bytes;
  }
  std::fclose(file);
  return block;
}

}  // namespace engine
