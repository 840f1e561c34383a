#pragma once
// Runs a program as a child process with pipes on its standard streams, for
// end-to-end tests of the real binaries.

#include <sys/types.h>

#include <string>
#include <vector>

struct ProcessResult {
  std::string out, err;  // all that was written to standard output and standard error
  int status = -1;       // exit status, -1 when ended by a signal
};

class ChildProcess {
 public:
  // Starts args[0] with the arguments args[1..] in the directory cwd (empty:
  // the current one), with SIGINT at its default.
  explicit ChildProcess(const std::vector<std::string>& args, const std::string& cwd = "");
  ~ChildProcess();  // kills a child that still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  void writeStdin(const std::string& text);
  void sendSignal(int sig);
  // Waits until the child has a handler of its own for sig and no sig waiting
  // to be delivered (true), or until timeoutMs pass (false): a signal sent
  // then is neither taken by the default action, nor merged with one before.
  bool waitUntilReadyFor(int sig, int timeoutMs = 20000);
  // Reads output until standard error (where progress goes) holds the text
  // (true), or until both streams end or timeoutMs pass (false).
  bool waitForStderr(const std::string& text, int timeoutMs = 20000);
  // Closes standard input, reads all output and reaps the child.
  ProcessResult finish();

 private:
  bool pump(int timeoutMs);  // reads what is available; false once both pipes are closed
  pid_t pid_ = -1;
  int fds_[3] = {-1, -1, -1};  // the child's standard input, output and error
  ProcessResult result_;
};

// Runs the program to its end with the given standard input.
ProcessResult runProgram(const std::vector<std::string>& args, const std::string& stdinText = "",
                         const std::string& cwd = "");
