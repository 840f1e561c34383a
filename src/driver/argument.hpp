#pragma once
// Registry of the command-line arguments. The argument vector is split into
// (name, value) pairs without knowing any option; the driver then looks up
// every option it knows, and whatever it never looked up is unknown.

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "driver/messages.hpp"

class Argument {
 public:
  std::string name;   // as written, leading dashes included; may be empty
  std::string value;  // empty when no value was written
  bool used = false;  // set by every look-up

  Argument() = default;
  Argument(std::string name, std::string value)
      : name(std::move(name)), value(std::move(value)) {}

  // Every argument present on the command line, keyed by name (byte order).
  static std::map<std::string, Argument> args;

  // Splits the argument vector into the registry; ends the program with
  // "more than one argument NAME" when a name occurs twice.
  static void add(int argc, char** argv);

  // Looks the name up, marks the entry used and returns it; null if absent.
  static Argument* find(const std::string& name);

  // Every entry never looked up, in key order.
  static std::vector<Argument*> unusedArgs();

  // Converts the value; integers are read with formatted stream extraction
  // (leading blanks skipped, trailing text ignored). A failed conversion ends
  // the program with "invalid value of argument NAME VALUE".
  template <class T>
  void convert(T& out) const {
    std::istringstream in(value);
    in >> out;
    if (in.fail()) fatalError("invalid value of argument " + name + " " + value);
  }

 private:
  static void store(const std::string& name, const std::string& value);
};

template <>
inline void Argument::convert<std::string>(std::string& out) const {
  out = value;
}
