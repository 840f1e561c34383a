#pragma once
// Finds the trees of a NEXUS file: every "TREE name = ..." statement of its
// TREES blocks ("UTREE" for an unrooted one), with the block's TRANSLATE
// table; every other block and command is skipped. The trees themselves are
// Newick text, read by the Newick reader. Comments nest, as NEXUS has them.

#include <string>
#include <vector>

#include "tree/newick_reader.hpp"
#include "tree/text_reader.hpp"

namespace dls {

class NexusReader {
 public:
  explicit NexusReader(TextReader& in) : in_(in) {}

  // Whether the text starts (after blanks) with "#NEXUS", in any case; it
  // is then read up to the end of that word, and comments nest from there
  // on. A text starting with "#" and another word is no tree: the Newick
  // reader's error.
  static bool readHeader(TextReader& in);

  // Moves to the next tree: just after the "=" of its statement. False at
  // the end of the file.
  bool nextTree();
  // Whether the last statement found was a "UTREE".
  bool unrootedStatement() const { return unrooted_; }
  // The comments since the command before it and between its "TREE" and
  // "=" (marks, as those after "=").
  const std::vector<TextComment>& statementComments() const { return statementComments_; }
  // The TRANSLATE table of the present block (empty when it has none).
  const LabelTranslation& translation() const { return translation_; }

 private:
  // The next token: a word, a quoted name, or one of ";", "=", ","; false
  // at the end of the text.
  bool readToken();
  // Whether the token is that word or sign, unquoted, in any case.
  bool tokenIs(const char* word) const;
  void skipCommand();
  void readTranslation();

  TextReader& in_;
  std::string token_;
  bool tokenQuoted_ = false;
  std::string tokenStart_;  // the position of the token, for messages
  std::vector<TextComment> statementComments_;
  bool inTreesBlock_ = false;
  bool unrooted_ = false;
  LabelTranslation translation_;
};

}  // namespace dls
