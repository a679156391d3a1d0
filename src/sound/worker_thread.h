#pragma once

// Detached streaming workers (one per playing streamed sound or module) and the short sleeps
// that both the workers and the main thread use while they hand an object back and forth.

#include <cstddef>
#include <cstdint>

namespace engine {

// Stack of every streaming worker. Linux refuses stacks below PTHREAD_STACK_MIN (16 KiB with
// glibc), and a worker runs a decoder plug-in or the module renderer, whose frames grow several
// times over under the address and thread sanitizers; 256 KiB covers both with room to spare
// and is still small beside the 8 MiB a thread gets by default.
inline constexpr std::size_t kWorkerStackBytes = 256 * 1024;

// Starts `entry(argument)` on a detached thread with kWorkerStackBytes of stack. False when no
// thread could be made. Main thread.
bool WorkerStart(void (*entry)(void*), void* argument);

// Sleeps for real, on any thread. The host's Sleep follows the host's clock, which a headless
// host may only count forward without waiting; a worker polling a play cursor, and a main thread
// waiting for that worker, need the time to pass.
void WorkerSleep(std::uint32_t milliseconds);
// Gives the rest of the time slice to another thread.
void WorkerYield();

}  // namespace engine
