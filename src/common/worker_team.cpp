#include "common/worker_team.hpp"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <string>
#include <system_error>

#include "common/errors.hpp"

namespace dls {

namespace {

// Blocks every signal in the calling thread while it lives, so that threads
// started meanwhile inherit the mask: an interrupt or a termination is then
// handled by the thread that made the team, never in the middle of a worker.
class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &saved_);
  }
  ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  SignalsBlocked(const SignalsBlocked&) = delete;
  SignalsBlocked& operator=(const SignalsBlocked&) = delete;

 private:
  sigset_t saved_;
};

}  // namespace

WorkerTeam::WorkerTeam(unsigned workers) {
  try {
    const SignalsBlocked blocked;
    for (unsigned w = 1; w < workers; ++w) threads_.emplace_back([this, w] { work(w); });
  } catch (const std::system_error& error) {
    // The threads started must end before the team's members go.
    close();
    throw InputError("cannot start " + std::to_string(workers) + " threads: " + error.what());
  }
}

WorkerTeam::~WorkerTeam() { close(); }

void WorkerTeam::close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  roundStarts_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

void WorkerTeam::forEach(std::size_t count, std::size_t grain, const std::function<void(unsigned, std::size_t)>& task) {
  if (count == 0) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = &task;
    count_ = count;
    grain_ = grain == 0 ? 1 : grain;
    next_ = 0;
    failure_ = nullptr;
    busy_ = 1;
    ++round_;
  }
  roundStarts_.notify_all();
  runTasks(0);
  std::unique_lock<std::mutex> lock(mutex_);
  // The round ends when every worker that joined it has left it; a worker
  // that wakes later finds no task and does not join.
  roundEnds_.wait(lock, [this] { return busy_ == 0; });
  task_ = nullptr;
  if (failure_) std::rethrow_exception(failure_);
}

void WorkerTeam::work(unsigned worker) {
  unsigned long long seen = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    roundStarts_.wait(lock, [&] { return closing_ || (round_ != seen && next_ < count_); });
    if (closing_) return;
    seen = round_;
    ++busy_;
    lock.unlock();
    runTasks(worker);
    lock.lock();
  }
}

void WorkerTeam::runTasks(unsigned worker) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (next_ < count_) {
    const std::size_t from = next_, to = std::min(count_, next_ + grain_);
    next_ = to;
    const auto* task = task_;
    lock.unlock();
    try {
      for (std::size_t i = from; i < to; ++i) (*task)(worker, i);
    } catch (...) {
      lock.lock();
      if (!failure_) failure_ = std::current_exception();
      next_ = count_;  // no further task is handed out
      continue;
    }
    lock.lock();
  }
  if (--busy_ == 0) roundEnds_.notify_all();
}

}  // namespace dls
