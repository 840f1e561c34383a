#include "tree/nexus_reader.hpp"

#include <cctype>

#include "common/errors.hpp"

namespace {

std::string lowerCase(std::string word) {
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word;
}

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
  if (lowerCase(word) != "nexus") throw InputError("problem in the tree expression " + afterHash + " #this");
  if (more) in.pushBack(c);
  return true;
}

bool NexusReader::readToken(std::string& token) {
  char c;
  if (!in_.nextSignificant(c)) return false;
  tokenStart_ = in_.lastPosition();
  token.assign(1, c);
  if (isSeparator(c)) return true;
  if (c == '\'' || c == '"') {
    in_.pushBack(c);
    token = in_.readName();
    return true;
  }
  while (in_.rawRead(c)) {
    if (TextReader::isWhitespace(c) || isSeparator(c) || c == '[' || c == '\'' || c == '"') {
      in_.pushBack(c);
      break;
    }
    token += c;
  }
  return true;
}

void NexusReader::skipCommand() {
  std::string token;
  while (readToken(token) && token != ";") {
  }
}

void NexusReader::readTranslation() {
  translation_.clear();
  std::string key, label, separator;
  const auto next = [this](std::string& token) {
    if (!readToken(token)) throw InputError("unexpected end in NEXUS TRANSLATE command " + in_.position());
  };
  for (;;) {
    next(key);
    if (key == ";") return;
    next(label);
    if (label.size() == 1 && isSeparator(label[0]))
      throw InputError("missing label in NEXUS TRANSLATE command " + tokenStart_);
    next(separator);
    translation_[key] = label;
    if (separator == ";") return;
    if (separator != ",") throw InputError("expected ',' or ';' in NEXUS TRANSLATE command " + tokenStart_);
  }
}

bool NexusReader::nextTree() {
  std::string token;
  while (readToken(token)) {
    const std::string command = lowerCase(token);
    if (!inTreesBlock_) {
      // Outside blocks only "BEGIN name;" counts; a block other than TREES
      // is skipped to its "END;" or "ENDBLOCK;".
      if (command != "begin") continue;
      std::string block;
      if (!readToken(block)) return false;
      skipCommand();
      if (lowerCase(block) == "trees") {
        inTreesBlock_ = true;
        translation_.clear();
        continue;
      }
      std::string previous;
      while (readToken(token)) {
        const std::string word = lowerCase(token);
        if (word == ";" && (previous == "end" || previous == "endblock")) break;
        previous = word;
      }
      continue;
    }
    if (command == ";") continue;
    if (command == "end" || command == "endblock") {
      skipCommand();
      inTreesBlock_ = false;
    } else if (command == "translate") {
      readTranslation();
    } else if (command == "tree" || command == "utree") {
      unrooted_ = command == "utree";
      // The tree's name (and a "*" for the default tree) up to "=".
      do {
        if (!readToken(token)) throw InputError("unexpected end in NEXUS tree statement " + in_.position());
        if (token == ";") throw InputError("missing '=' in NEXUS tree statement " + tokenStart_);
      } while (token != "=");
      return true;
    } else {
      skipCommand();
    }
  }
  return false;
}
