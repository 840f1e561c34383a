#include "tree/large_stack.hpp"

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Job {
  const std::function<int()>* work;
  int result;
};

sigset_t interruptSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  return set;
}

extern "C" void* runJob(void* arg) {
  // The keyboard interrupt is handled here, on the working thread.
  const sigset_t interrupt = interruptSignal();
  pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
  Job* job = static_cast<Job*>(arg);
  job->result = (*job->work)();
  return nullptr;
}

}  // namespace

int runWithLargeStack(const std::function<int()>& work) {
  Job job{&work, 0};
  // The keyboard interrupt is handled on the working thread only, so that
  // its handler never runs twice at once and ends the work where it stands:
  // it is blocked here before the thread starts (which inherits the mask
  // and unblocks it for itself).
  const sigset_t interrupt = interruptSignal();
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &interrupt, &previous);
  pthread_attr_t attributes;
  pthread_t thread;
  if (pthread_attr_init(&attributes) != 0 ||
      pthread_attr_setstacksize(&attributes, kLargeStackBytes) != 0 ||
      pthread_create(&thread, &attributes, runJob, &job) != 0) {
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    // Without a large stack only shallow trees can be handled; run here.
    std::fputs("WARNING: could not reserve a large stack; very deep trees may fail\n", stderr);
    return work();
  }
  pthread_attr_destroy(&attributes);
  pthread_join(thread, nullptr);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return job.result;
}
