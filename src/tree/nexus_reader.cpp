#include "tree/nexus_reader.hpp"

#include <cctype>

#include "common/errors.hpp"

namespace dls {

namespace {

bool isSeparator(char c) { return c == ';' || c == '=' || c == ','; }

}  // namespace

bool NexusReader::readHeader(TextReader& in) {
  char c;
  do {
    if (!in.rawRead(c)) return false;
  } while (TextReader::isWhitespace(c));
  if (c != '#') {
    in.pushBack(c);
    return false;
  }
  const std::string afterHash = in.position();
  std::string word;
  bool more;
  while ((more = in.rawRead(c)) && std::isalpha(static_cast<unsigned char>(c))) word += c;
  if (!TextReader::sameWord(word, "nexus")) throw InputError("problem in the tree expression " + afterHash + " #this");
  if (more) in.pushBack(c);
  in.setNestedComments(true);
  return true;
}

bool NexusReader::readToken() {
  char c;
  if (!in_.nextSignificant(c)) return false;
  tokenStart_ = in_.lastPosition();
  token_.assign(1, c);
  tokenQuoted_ = c == '\'' || c == '"';
  if (tokenQuoted_) {
    in_.pushBack(c);
    token_ = in_.readName();
    return true;
  }
  if (isSeparator(c)) return true;
  while (in_.rawRead(c)) {
    if (TextReader::isWhitespace(c) || isSeparator(c) || c == '[' || c == '\'' || c == '"') {
      in_.pushBack(c);
      break;
    }
    token_ += c;
  }
  return true;
}

bool NexusReader::tokenIs(const char* word) const { return !tokenQuoted_ && TextReader::sameWord(token_, word); }

void NexusReader::skipCommand() {
  while (readToken() && !tokenIs(";")) {
  }
}

void NexusReader::readTranslation() {
  translation_.clear();
  const auto next = [this]() {
    if (!readToken()) throw InputError("unexpected end in NEXUS TRANSLATE command " + in_.position());
  };
  for (;;) {
    next();
    if (tokenIs(";")) return;
    const std::string key = token_;
    next();
    if (tokenIs(",") || tokenIs(";") || tokenIs("="))
      throw InputError("missing label in NEXUS TRANSLATE command " + tokenStart_);
    translation_[key] = token_;
    next();
    if (tokenIs(";")) return;
    if (!tokenIs(",")) throw InputError("expected ',' or ';' in NEXUS TRANSLATE command " + tokenStart_);
  }
}

bool NexusReader::nextTree() {
  // In a TREES block, the comments since the last command are marks of the
  // next tree, as those in front of a Newick tree, and so are those between
  // its TREE and "=".
  statementComments_.clear();
  for (;;) {
    in_.setCommentSink(inTreesBlock_ ? &statementComments_ : nullptr);
    if (!readToken()) break;
    if (!inTreesBlock_) {
      // Outside blocks only "BEGIN name;" counts; a block other than TREES
      // is skipped to its "END;" or "ENDBLOCK;".
      if (!tokenIs("begin")) continue;
      if (!readToken()) return false;
      const bool trees = tokenIs("trees");
      skipCommand();
      if (trees) {
        inTreesBlock_ = true;
        translation_.clear();
        continue;
      }
      bool afterEnd = false;
      while (readToken() && !(afterEnd && tokenIs(";"))) afterEnd = tokenIs("end") || tokenIs("endblock");
      continue;
    }
    if (tokenIs(";")) continue;
    const bool treeStatement = tokenIs("tree") || tokenIs("utree");
    if (!treeStatement) statementComments_.clear();
    if (tokenIs("end") || tokenIs("endblock")) {
      skipCommand();
      inTreesBlock_ = false;
    } else if (tokenIs("translate")) {
      readTranslation();
    } else if (treeStatement) {
      unrooted_ = tokenIs("utree");
      // The tree's name (and a "*" for the default tree) up to "=".
      do {
        if (!readToken()) throw InputError("unexpected end in NEXUS tree statement " + in_.position());
        if (tokenIs(";")) throw InputError("missing '=' in NEXUS tree statement " + tokenStart_);
      } while (!tokenIs("="));
      in_.setCommentSink(nullptr);
      return true;
    } else {
      skipCommand();
    }
  }
  in_.setCommentSink(nullptr);
  return false;
}

}  // namespace dls
