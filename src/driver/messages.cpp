#include "driver/messages.hpp"

#include <cstdlib>
#include <iostream>

#include "driver/globals.hpp"

void fatalError(const std::string& message) {
  std::cerr << "ERROR: " << message << std::endl;
  std::exit(1);
}

void warning(const std::string& message) {
  std::cerr << "WARNING: " << message << std::endl;
}

void progress(const std::string& line) {
  if (!quiet) std::cout << line << std::endl;
}
