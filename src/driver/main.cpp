#include "driver/interrupt.hpp"
#include "driver/startup.hpp"

namespace {
// Static, so that exit() on a fatal error still flushes and closes the files.
RunSettings settings;
}  // namespace

int main(int argc, char** argv) {
  installInterruptHandler();
  if (!startUp(argc, argv, settings)) return 0;
  return 0;
}
