#pragma once
// Runs a program as a child process with pipes on its standard streams, for
// end-to-end tests of the real binary.

#include <sys/types.h>

#include <string>
#include <vector>

struct ProcessResult {
  std::string out;     // everything written to standard output
  std::string err;     // everything written to standard error
  int status = -1;     // exit status, or -1 when ended by a signal
  int signal = 0;      // the ending signal, 0 when it exited
};

class ChildProcess {
 public:
  // Starts args[0] with the arguments args[1..] in the directory cwd (empty:
  // the current one).
  explicit ChildProcess(const std::vector<std::string>& args, const std::string& cwd = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void writeStdin(const std::string& text);
  void closeStdin();
  void sendSignal(int sig);
  // Reads the output until standard output holds the text or the child's
  // output ends; true when found. Gives up after timeoutMs.
  bool waitForOutput(const std::string& text, int timeoutMs = 20000);
  // Closes standard input, reads all output and reaps the child.
  ProcessResult finish();

 private:
  bool pump(int timeoutMs);  // reads what is available; false when both pipes closed
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  ProcessResult result_;
};

// Runs the program to its end with the given standard input.
ProcessResult runProgram(const std::vector<std::string>& args, const std::string& stdinText = "",
                         const std::string& cwd = "");
