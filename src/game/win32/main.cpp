// Tidefray: the game on the Windows host (a windowed-subsystem program: no console).
#include "game/startup.h"
#include "platform/host/win32/win32_host.h"

int main() {
  int exitCode;
  {
    platform::Win32Host host;
    platform::HostInstall(&host);
    exitCode = game::TidefrayMain();
  }
  return exitCode;
}
