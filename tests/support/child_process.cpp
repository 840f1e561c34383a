#include "support/child_process.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::string& cwd) {
  int pipes[3][2];
  for (auto& p : pipes)
    if (pipe(p) != 0) throw std::runtime_error("pipe failed");
  signal(SIGPIPE, SIG_IGN);  // a child that ends early must not end the test
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  for (int i = 0; i < 3; ++i) {
    // Standard input is read from its pipe's end 0, the others written to end 1.
    const int childEnd = pipes[i][i == 0 ? 0 : 1], parentEnd = pipes[i][i == 0 ? 1 : 0];
    if (pid_ == 0) dup2(childEnd, i);
    close(childEnd);
    if (pid_ == 0) close(parentEnd);
    fds_[i] = parentEnd;
  }
  if (pid_ == 0) {
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    signal(SIGINT, SIG_DFL);
    execv(argv[0], argv.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && kill(pid_, SIGKILL) == 0) waitpid(pid_, nullptr, 0);
  for (int fd : fds_)
    if (fd >= 0) close(fd);
}

void ChildProcess::writeStdin(const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = write(fds_[0], text.data() + done, text.size() - done);
    if (n <= 0) return;  // the child closed its input
    done += static_cast<std::size_t>(n);
  }
}

void ChildProcess::sendSignal(int sig) { kill(pid_, sig); }

bool ChildProcess::waitUntilReadyFor(int sig, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const unsigned long long bit = 1ULL << (sig - 1);
  for (;;) {
    // The kernel's view of the process: masks of signals waiting for a
    // thread (SigPnd) or for any thread (ShdPnd), and of those caught.
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    bool pending = false, caught = false;
    std::string field;
    while (status >> field) {
      unsigned long long mask = 0;
      if (field != "SigPnd:" && field != "ShdPnd:" && field != "SigCgt:") continue;
      status >> std::hex >> mask >> std::dec;
      if (field == "SigCgt:")
        caught = (mask & bit) != 0;
      else
        pending = pending || (mask & bit) != 0;
    }
    if (caught && !pending) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool ChildProcess::pump(int timeoutMs) {
  pollfd polled[2] = {{fds_[1], POLLIN, 0}, {fds_[2], POLLIN, 0}};  // negative descriptors are skipped
  if (fds_[1] < 0 && fds_[2] < 0) return false;
  if (poll(polled, 2, timeoutMs) <= 0) return true;
  for (int i = 1; i <= 2; ++i) {
    if ((polled[i - 1].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    char buffer[65536];
    const ssize_t n = read(fds_[i], buffer, sizeof buffer);
    if (n > 0) {
      (i == 1 ? result_.out : result_.err).append(buffer, static_cast<std::size_t>(n));
    } else {
      close(fds_[i]);
      fds_[i] = -1;
    }
  }
  return true;
}

bool ChildProcess::waitForStderr(const std::string& text, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (result_.err.find(text) == std::string::npos)
    if (std::chrono::steady_clock::now() > deadline || !pump(100)) return false;
  return true;
}

ProcessResult ChildProcess::finish() {
  close(fds_[0]);
  fds_[0] = -1;
  while (pump(1000)) {
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  if (WIFEXITED(status)) result_.status = WEXITSTATUS(status);
  return result_;
}

ProcessResult runProgram(const std::vector<std::string>& args, const std::string& stdinText, const std::string& cwd) {
  ChildProcess child(args, cwd);
  child.writeStdin(stdinText);
  return child.finish();
}
