#include "driver/interrupt.hpp"

#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "driver/globals.hpp"

namespace {

template <std::size_t N>
void writeToStdout(const char (&text)[N]) {
  const char* p = text;
  std::size_t left = N - 1;  // without the terminating NUL
  while (left > 0) {
    const ssize_t written = write(STDOUT_FILENO, p, left);
    if (written <= 0) return;  // nothing sensible to do inside a handler
    p += written;
    left -= static_cast<std::size_t>(written);
  }
}

}  // namespace

extern "C" void interruptFunction(int) {
  const int savedErrno = errno;  // write may change it under the interrupted code
  if (!interruptFlag.exchange(true)) {
    if (!quiet.load()) writeToStdout("\nUser interrupt... stop after next cycle\n");
    errno = savedErrno;
  } else {
    if (!quiet.load()) writeToStdout("\nUser interrupt... stop immediately, bye!\n");
    _exit(1);
  }
}

void installInterruptHandler() { std::signal(SIGINT, interruptFunction); }
