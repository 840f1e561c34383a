#include "support/child_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::string& cwd) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0)
    throw std::runtime_error("pipe failed");
  signal(SIGPIPE, SIG_IGN);  // a child that ends early must not kill the test
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    dup2(inPipe[0], STDIN_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The child starts with SIGINT at its default, whatever the test runner set.
    signal(SIGINT, SIG_DFL);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  in_ = inPipe[1];
  out_ = outPipe[0];
  err_ = errPipe[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {in_, out_, err_})
    if (fd >= 0) close(fd);
}

void ChildProcess::writeStdin(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(in_, text.data() + done, text.size() - done);
    if (n <= 0) return;  // the child closed its input
    done += static_cast<std::size_t>(n);
  }
}

void ChildProcess::closeStdin() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

void ChildProcess::sendSignal(int sig) { kill(pid_, sig); }

bool ChildProcess::pump(int timeoutMs) {
  pollfd fds[2];
  int count = 0;
  for (int fd : {out_, err_})
    if (fd >= 0) fds[count++] = {fd, POLLIN, 0};
  if (count == 0) return false;
  if (poll(fds, static_cast<nfds_t>(count), timeoutMs) <= 0) return true;
  for (int i = 0; i < count; ++i) {
    if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    char buffer[65536];
    const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
    const bool isOut = fds[i].fd == out_;
    if (n > 0) {
      (isOut ? result_.out : result_.err).append(buffer, static_cast<std::size_t>(n));
    } else {
      close(fds[i].fd);
      (isOut ? out_ : err_) = -1;
    }
  }
  return true;
}

bool ChildProcess::waitForOutput(const std::string& text, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (result_.out.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (!pump(100)) return result_.out.find(text) != std::string::npos;
  }
  return true;
}

ProcessResult ChildProcess::finish() {
  closeStdin();
  while (pump(1000)) {
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  if (WIFEXITED(status)) result_.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
  return result_;
}

ProcessResult runProgram(const std::vector<std::string>& args, const std::string& stdinText,
                         const std::string& cwd) {
  ChildProcess child(args, cwd);
  child.writeStdin(stdinText);
  return child.finish();
}
