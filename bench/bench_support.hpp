#pragma once
// What the benchmark programs share: running a program with its output to a
// log file, measured, and numbers with a fixed count of decimals.

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
#include <vector>

namespace bench {

struct RunResult {
  double wallSeconds = 0.0;
  long peakKilobytes = 0;
  int status = -1;
  std::string log;  // standard output of the run
};

// Runs a program with standard output and error to a file; measures wall
// time and the child's peak resident memory; calls whileRunning, when
// given, twice a second until the child ends.
inline RunResult runMeasured(const std::vector<std::string>& args, const std::string& logFile,
                             const std::function<void()>& whileRunning = nullptr) {
  RunResult result;
  const auto start = std::chrono::steady_clock::now();
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
  int status = 0;
  struct rusage usage {};
  for (;;) {
    const pid_t ended = wait4(child, &status, whileRunning ? WNOHANG : 0, &usage);
    if (ended < 0) {
      std::perror("wait4");
      std::exit(1);
    }
    if (ended == child) break;
    whileRunning();
    usleep(500000);
  }
  result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.peakKilobytes = usage.ru_maxrss;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::ifstream log(logFile);
  std::stringstream text;
  text << log.rdbuf();
  result.log = text.str();
  return result;
}

inline std::string fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

}  // namespace bench
