#include "driver/help_text.hpp"

void printHelp(std::ostream& out, const std::string& prog) {
  out << "Usage: " << prog << " [ARGUMENT]\n"
      << "\n"
      << "  -i, --input                   Input file\n"
      << "  -o, --output                  Output file\n"
      << "      --genetrees               Output input gene trees and their reconciliation costs after the speciestree\n"
      << "  -g, --generator 0|1           Options for species tree to use to initialize the local search heuristic\n"
      << "                                0 - use user-provided species tree as initial species tree\n"
      << "                                1 - use leaf adding heuristic to build initial species tree [default]\n"
      << "      --constraints <file>      A file containing groupings of species for generator 1.\n"
      << "      --limit                   Limit species tree to leaf set of gene tree when computing losses. Not recommended.\n"
      << "  -q, --quiet                   No processing output.\n"
      << "      --seed <integer number>   Set a user defined random number generator seed.\n"
      << "  -v, --version                 Output the version number.\n"
      << "  -h, --help                    Output brief help message and example commands.\n"
      << "\n"
      << "Examples:\n"
      << "  " << prog << " -i trees.newick -o speciestree.newick\n"
      << "  cat speciestree.newick genetrees.newick | " << prog << " -g 0\n";
}
