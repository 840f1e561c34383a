#include "app/interrupt.hpp"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace dls {

namespace {

// The handler may run at any moment: it touches only these lock-free flags
// and a fixed buffer, and writes with write(2).
std::atomic<bool> stopFlag{false};
std::atomic<bool> quietFlag{true};
// The unfinished output files, one slot per output file of the run.
constexpr int kFileSlots = 4;
std::atomic<bool> haveFileToRemove[kFileSlots] = {};
char fileToRemove[kFileSlots][4096];

static_assert(std::atomic<bool>::is_always_lock_free, "the interrupt handler needs lock-free flags");

// Every signal the handler takes.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGUSR1};

template <std::size_t N>
void writeToStderr(const char (&text)[N]) {
  const char* p = text;
  std::size_t left = N - 1;
  while (left > 0) {
    const ssize_t written = write(STDERR_FILENO, p, left);
    if (written <= 0) return;
    p += written;
    left -= static_cast<std::size_t>(written);
  }
}

extern "C" void onInterrupt(int signal) {
  const int savedErrno = errno;
  const bool atOnce = signal == SIGTERM || signal == SIGHUP;
  if (!stopFlag.exchange(true) && !atOnce) {
    if (!quietFlag.load()) writeToStderr("\nUser interrupt... stop after next cycle\n");
    errno = savedErrno;
    return;
  }
  if (!quietFlag.load()) {
    if (signal == SIGTERM)
      writeToStderr("\nTerminated... stop immediately, bye!\n");
    else if (signal == SIGHUP)
      writeToStderr("\nHangup... stop immediately, bye!\n");
    else
      writeToStderr("\nUser interrupt... stop immediately, bye!\n");
  }
  for (int slot = 0; slot < kFileSlots; ++slot)
    if (haveFileToRemove[slot].load()) unlink(fileToRemove[slot]);
  _exit(1);
}

sigset_t endingSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kEndingSignals) sigaddset(&set, signal);
  return set;
}

}  // namespace

void installInterruptHandler(bool clusterSignals) {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  action.sa_mask = endingSignals();  // one handler at a time
  action.sa_flags = SA_RESTART;
  struct sigaction hangup {};
  sigaction(SIGHUP, nullptr, &hangup);
  for (const int signal : kEndingSignals) {
    if (signal == SIGUSR1 && !clusterSignals) continue;
    if (signal == SIGHUP && hangup.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
  std::signal(SIGXFSZ, SIG_IGN);
}

void setInterruptQuiet(bool quiet) { quietFlag = quiet; }

const std::atomic<bool>& stopRequested() { return stopFlag; }

void setFileToRemoveOnInterrupt(int slot, const std::string& path) {
  if (slot < 0 || slot >= kFileSlots) return;
  haveFileToRemove[slot] = false;
  // The handler must not see the name while it changes.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (path.empty() || path.size() >= sizeof fileToRemove[slot]) return;
  std::memcpy(fileToRemove[slot], path.c_str(), path.size() + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  haveFileToRemove[slot] = true;
}

EndingSignalsHeld::EndingSignalsHeld() {
  const sigset_t held = endingSignals();
  pthread_sigmask(SIG_BLOCK, &held, &before_);
}

EndingSignalsHeld::~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

}  // namespace dls
