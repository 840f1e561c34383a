#pragma once
// What the benchmark programs share: running a program with its output to a
// log file, measured (one, or many side by side), and numbers with a fixed
// count of decimals.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct RunResult {
  double wallSeconds = 0.0;
  long peakKilobytes = 0;
  int status = -1;
  std::string log;  // standard output of the run
};

// Starts a program with standard output and error to a file; returns its
// process id.
inline pid_t startLogged(const std::vector<std::string>& args, const std::string& logFile) {
  const pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    std::exit(1);
  }
  if (child == 0) {
    const int fd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0) _exit(127);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

// Waits for a child started by startLogged (any of them: child -1) without
// waiting when `wait` is false; returns the child that ended (0: none yet)
// with its exit status (128 + signal when killed) and resource use.
inline pid_t reapLogged(pid_t child, bool wait, int& status, struct rusage& usage) {
  int raw = 0;
  const pid_t ended = wait4(child, &raw, wait ? 0 : WNOHANG, &usage);
  if (ended < 0) {
    std::perror("wait4");
    std::exit(1);
  }
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return ended;
}

inline std::string readLog(const std::string& logFile) {
  std::ifstream log(logFile);
  std::stringstream text;
  text << log.rdbuf();
  return text.str();
}

// Runs a program with standard output and error to a file; measures wall
// time and the child's peak resident memory; calls whileRunning, when
// given, twice a second until the child ends.
inline RunResult runMeasured(const std::vector<std::string>& args, const std::string& logFile,
                             const std::function<void()>& whileRunning = nullptr) {
  RunResult result;
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = startLogged(args, logFile);
  struct rusage usage {};
  while (reapLogged(child, !whileRunning, result.status, usage) != child) {
    whileRunning();
    usleep(500000);
  }
  result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.peakKilobytes = usage.ru_maxrss;
  result.log = readLog(logFile);
  return result;
}

// Runs every command, up to `jobs` at once, each with its own log file (the
// logs are not read back); returns each one's wall time and status, in the
// order of the commands, and tells `finished` of each as it ends. Used for the
// many small runs of one data set.
inline std::vector<RunResult> runMeasuredAll(const std::vector<std::vector<std::string>>& commands,
                                             const std::vector<std::string>& logFiles, int jobs,
                                             const std::function<void(std::size_t, const RunResult&)>& finished = {}) {
  using Clock = std::chrono::steady_clock;
  std::vector<RunResult> results(commands.size());
  std::vector<std::pair<pid_t, Clock::time_point>> running(commands.size(), {-1, Clock::time_point()});
  std::size_t next = 0, active = 0;
  while (next < commands.size() || active > 0) {
    if (next < commands.size() && active < static_cast<std::size_t>(jobs)) {
      running[next] = {startLogged(commands[next], logFiles[next]), Clock::now()};
      ++next, ++active;
      continue;
    }
    int status = 0;
    struct rusage usage {};
    const pid_t ended = reapLogged(-1, true, status, usage);
    for (std::size_t i = 0; i < next; ++i) {
      if (running[i].first != ended) continue;
      results[i].status = status;
      results[i].wallSeconds = std::chrono::duration<double>(Clock::now() - running[i].second).count();
      running[i].first = -1;
      --active;
      if (finished) finished(i, results[i]);
    }
  }
  return results;
}

inline std::string fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

}  // namespace bench
