#include "driver/interrupt.hpp"
#include "driver/pipeline.hpp"
#include "driver/startup.hpp"
#include "tree/large_stack.hpp"

namespace {
// Static, so that exit() on a fatal error still flushes and closes the files.
RunSettings settings;
}  // namespace

int main(int argc, char** argv) {
  installInterruptHandler();
  // Deep trees are read, searched and written by recursive walks.
  return runWithLargeStack([&]() {
    if (!startUp(argc, argv, settings)) return 0;
    return runStages(settings);
  });
}
