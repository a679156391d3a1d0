// The platform header first: the system headers define macros with the names of its constants.
#include "platform/host/host.h"

#include <windows.h>

#include <new>

namespace platform {

namespace {

struct Start {
  void (*entry)(void*);
  void* argument;
};

DWORD WINAPI ThreadMain(LPVOID parameter) {
  const Start start = *static_cast<Start*>(parameter);
  delete static_cast<Start*>(parameter);
  start.entry(start.argument);
  return 0;
}

}  // namespace

bool ThreadStart(void (*entry)(void*), void* argument, std::size_t stackBytes) {
  auto* start = new (std::nothrow) Start{entry, argument};
  if (!start) return false;
  // The size is what the system commits at first; the stack still grows up to the program's
  // reservation, so a small request is always accepted and never too small.
  HANDLE thread = CreateThread(nullptr, stackBytes, ThreadMain, start, 0, nullptr);
  if (!thread) {
    delete start;
    return false;
  }
  // Detached: nobody waits for the handle; the thread object goes when the thread ends.
  CloseHandle(thread);
  return true;
}

}  // namespace platform
