#include <cstdlib>
#include <iostream>

#include "search/regraft_scoring.hpp"

void lossCounterFailure(const char* message, int status) {
  std::cout << message << std::endl;
  std::exit(status);
}
