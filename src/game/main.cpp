// Tidefray: the game on the SDL host.
#include "game/startup.h"
#include "platform/host/sdl/sdl_host.h"

int main() {
  int exitCode;
  {
    platform::SdlHost host;
    platform::HostInstall(&host);
    exitCode = game::TidefrayMain();
  }
  return exitCode;
}
