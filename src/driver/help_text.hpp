#pragma once

#include <ostream>
#include <string>

// Writes the usage text; prog is the program path as invoked.
void printHelp(std::ostream& out, const std::string& prog);
