#pragma once
// The arguments of the command line as (name, value) pairs: "-x value",
// "--name=value", or a flag without value. A value written after a flag,
// or after a value, belongs to no option (a stray value); after an option
// that is not known, it is taken as that option's, so that the option is
// what is named unknown. The start-up then looks up every option it knows;
// what it never looked up is unknown.

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace dls {

class CommandLine {
 public:
  struct Argument {
    std::string name;   // as written, dashes included; empty for a stray value
    std::string value;  // empty when none was written
    bool used = false;
  };

  // isFlag(name): the option of that name is known and takes no value.
  // Throws InputError "more than one argument NAME" for a repeated name.
  CommandLine(int argc, char** argv, const std::function<bool(const std::string&)>& isFlag);

  // The argument of that name, marked as used; null when absent.
  Argument* find(const std::string& name);
  // Whether the name is present, without marking it.
  bool has(const std::string& name) const { return arguments_.count(name) != 0; }
  // The first value written without an option, else the first name never
  // looked up in byte order; false when there is none.
  bool firstUnknown(std::string& argument) const;
  // The program path as invoked.
  const std::string& program() const { return program_; }

 private:
  void store(const std::string& name, const std::string& value);

  std::map<std::string, Argument> arguments_;
  std::vector<std::string> strayValues_;
  std::string program_;
};

}  // namespace dls
