#include "sound/worker_thread.h"

#include <chrono>
#include <thread>

#include "platform/host/host.h"

namespace engine {

bool WorkerStart(void (*entry)(void*), void* argument) {
  return platform::ThreadStart(entry, argument, kWorkerStackBytes);
}

void WorkerSleep(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void WorkerYield() {
  std::this_thread::yield();
}

}  // namespace engine
