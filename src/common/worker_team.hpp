#pragma once
// A fixed team of threads for data-parallel loops. The calling thread is
// worker 0 and works too; a team of one runs everything on it, without any
// other thread. Tasks are handed out one at a time, so that which worker
// runs a task is left to chance: results must not depend on it. The workers
// block every signal, so that asynchronous ones (an interrupt) reach the
// thread that made the team.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace dls {

class WorkerTeam {
 public:
  // Throws InputError when the threads cannot be started.
  explicit WorkerTeam(unsigned workers);
  ~WorkerTeam();
  WorkerTeam(const WorkerTeam&) = delete;
  WorkerTeam& operator=(const WorkerTeam&) = delete;

  unsigned size() const { return static_cast<unsigned>(threads_.size()) + 1; }

  // Calls task(worker, i) for every i in [0, count), worker being the number
  // (below size()) of the worker running it, handing out runs of grain
  // consecutive indices; returns when all are done. The first exception a
  // task throws ends the handing out and is thrown here.
  void forEach(std::size_t count, std::size_t grain, const std::function<void(unsigned, std::size_t)>& task);

 private:
  void work(unsigned worker);
  // Ends and joins the threads.
  void close();
  // Runs tasks of the present round until none is left.
  void runTasks(unsigned worker);

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable roundStarts_, roundEnds_;
  // The present round, guarded by mutex_.
  const std::function<void(unsigned, std::size_t)>* task_ = nullptr;
  std::size_t count_ = 0, grain_ = 1, next_ = 0;
  unsigned busy_ = 0;  // workers inside the round
  unsigned long long round_ = 0;
  bool closing_ = false;
  std::exception_ptr failure_;
};

}  // namespace dls
