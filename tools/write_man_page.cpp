// Writes the manual page of dlspecies (roff) to a file: run by the build
// (CMakeLists.txt) with the package's version, from the program's own
// option table, so that the page and -h cannot disagree.

#include <fstream>
#include <iostream>

#include "app/option_table.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: write_man_page VERSION FILE\n";
    return 1;
  }
  std::ofstream page(argv[2]);
  dls::writeManPage(page, argv[1]);
  page.close();
  if (page) return 0;
  std::cerr << "write_man_page: " << argv[2] << " could not be written\n";
  return 1;
}
