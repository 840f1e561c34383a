#include "tree/newick_writer.hpp"

#include "tree/text_reader.hpp"

void NewickWriter::writeName(std::ostream& out, NameId name) const {
  if (name == kNoName) return;
  const std::string& text = names_.text(name);
  for (char c : text) {
    if (!TextReader::isNameChar(c)) {
      out << '\'' << text << '\'';
      return;
    }
  }
  out << text;
}
