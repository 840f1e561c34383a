// dlspecies: infers a rooted species tree from gene-family trees by
// gene-tree parsimony (duplications plus losses under LCA reconciliation).

#include <iostream>

#include "app/failure.hpp"
#include "app/interrupt.hpp"
#include "app/run.hpp"

int main(int argc, char** argv) {
  installInterruptHandler();
  Console console(std::cout, std::cerr);
  const int status = runReportingFailures([&] { return runProgram(argc, argv, console); }, std::cerr);
  console.summariseWarnings();
  return status;
}
