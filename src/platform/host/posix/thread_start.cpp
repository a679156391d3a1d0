#include <pthread.h>

#include <algorithm>

#include "platform/host/host.h"

namespace platform {

bool ThreadStart(void (*entry)(void*), void* argument, std::size_t stackBytes) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  std::size_t stack = std::max<std::size_t>(stackBytes, PTHREAD_STACK_MIN);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  bool ok = pthread_attr_setstacksize(&attr, stack) == 0;
  struct Start {
    void (*entry)(void*);
    void* argument;
  };
  auto* start = new Start{entry, argument};
  pthread_t thread;
  ok = ok && pthread_create(
                 &thread, &attr,
                 [](void* p) -> void* {
                   Start s = *static_cast<Start*>(p);
                   delete static_cast<Start*>(p);
                   s.entry(s.argument);
                   return nullptr;
                 },
                 start) == 0;
  if (!ok) delete start;
  pthread_attr_destroy(&attr);
  return ok;
}

}  // namespace platform
