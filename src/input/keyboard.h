#pragma once

#include <cstdint>

#include "platform/input/keyboard_device.h"

namespace engine {

// The keyboard's states: no device; device made, to be (re)acquired before the next snapshot;
// acquired with a valid snapshot.
enum KeyboardStateValue : std::int32_t {
  KeyboardNone = 0,
  KeyboardNeedsAcquire = 1,
  KeyboardReady = 2
};

// The shared input object with a count of its users. Returns it (or null, which still counts a
// user).
platform::DirectInput7* DirectInputAcquire();
// Drops one user; the last one releases the object.
void DirectInputRelease();

// Creates the keyboard device with the 256-key data format. Nonzero on success.
int KeyboardInit();
// Takes a snapshot of all keys; the first poll (and the first after a lost snapshot) binds the
// device to the screen's window and acquires it. 1 when a snapshot was taken, 0 otherwise.
int KeyboardPoll();
// For a key code 0..255: 128 when down in the snapshot, else 0. For -1: 1 when any key 0..254
// is down. Every other value, and every key while there is no valid snapshot: 0.
int KeyIsDown(std::int32_t key);
// Releases the device and the input object. Nothing when KeyboardInit was never called.
void KeyboardRelease();

// For tests: the keyboard's state and the shared object's user count.
KeyboardStateValue KeyboardStateGet();
std::int32_t DirectInputUsers();
const platform::DIDATAFORMAT* KeyboardDataFormatGet();

}  // namespace engine
