#include "tree/text_reader.hpp"

#include <cerrno>
#include <cstring>
#include <utility>

#include "common/decimal_text.hpp"
#include "common/errors.hpp"

namespace dls {

namespace {

bool isQuote(char c) { return c == '"' || c == '\''; }

bool isNumberChar(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'; }

std::bitset<256> nameChars() {
  std::bitset<256> chars;
  for (int c = '!'; c < 256; ++c) chars.set(static_cast<std::size_t>(c));
  chars.reset(0x7f);
  for (unsigned char c : std::string("()[]'\":;,")) chars.reset(c);
  return chars;
}

}  // namespace

const std::bitset<256> TextReader::kNameChars = nameChars();

TextReader::TextReader(std::istream& in, std::string fileName, std::string context)
    : in_(in), fileName_(std::move(fileName)), context_(std::move(context)) {
  // Bytes taken that turn out not to be a mark are read again, as the
  // text's first characters.
  static const std::string mark = "\xEF\xBB\xBF";
  std::string taken;
  char c;
  while (taken.size() < mark.size() && in_.peek() == static_cast<unsigned char>(mark[taken.size()]) && in_.get(c))
    taken += c;
  if (taken == mark) return;
  pushedBack_.assign(taken.rbegin(), taken.rend());
  unreadStart_ = pushedBack_.size();
}

TextComment TextReader::readCommentAfterBracket() {
  TextComment comment{"[", TextPosition{lastLine_, lastColumn_}};
  int depth = 1;
  char c;
  while (depth > 0) {
    if (!rawRead(c)) throw InputError("unclosed comment starting at " + comment.start.text() + context_);
    comment.text += c;
    if (c == ']') --depth;
    if (c == '[' && nestedComments_) ++depth;
  }
  return comment;
}

void TextReader::failedRead() const {
  const int reason = errno;
  throw InputError("cannot read " + fileName_ + ": " + std::strerror(reason != 0 ? reason : EIO));
}

bool TextReader::nextSignificant(char& c) {
  for (;;) {
    if (!rawRead(c)) return false;
    while (commentsSkipped_ && c == '[') {
      TextComment comment = readCommentAfterBracket();
      if (!rawRead(c)) return false;
      if (commentSink_ != nullptr) commentSink_->push_back(std::move(comment));
    }
    if (!isWhitespace(c)) return true;
  }
}

TextComment TextReader::readComment() {
  commentsSkipped_ = false;
  TextComment result;
  char c;
  if (nextSignificant(c)) {
    if (c == '[')
      result = readCommentAfterBracket();
    else
      pushBack(c);
  }
  commentsSkipped_ = true;
  return result;
}

std::string TextReader::readName() {
  std::string name;
  char c;
  if (!nextSignificant(c)) return name;
  if (isQuote(c)) {
    // Either quote closes, whichever opened; the same quote twice stands
    // for itself.
    while (rawRead(c)) {
      if (!isQuote(c)) {
        name += c;
        continue;
      }
      const char quote = c;
      if (!rawRead(c)) break;
      if (c != quote) {  // the closing quote
        pushBack(c);
        break;
      }
      name += quote;
    }
    return name;
  }
  while (isNameChar(c)) {
    name += c;
    if (!nextSignificant(c)) return name;
  }
  pushBack(c);
  return name;
}

bool TextReader::readNumberToken(double& value) {
  char c;
  if (!nextSignificant(c)) return false;
  std::string token;
  if (isQuote(c)) {
    while (rawRead(c) && !isQuote(c)) token += c;
  } else {
    for (;;) {
      if (!isNumberChar(c)) {
        pushBack(c);
        break;
      }
      token += c;
      if (!rawRead(c)) break;
    }
  }
  return readDecimal(trimmed(token), value);
}

double TextReader::readNumber() {
  double value = 0;
  if (!readNumberToken(value)) throw InputError("cannot read numeric value at " + position());
  return value;
}

TextPosition TextPosition::advancedOver(std::string_view text, std::size_t offset) const {
  TextPosition at = *this;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    ++at.column;
    if (text[i] == '\n') {
      ++at.line;
      at.column = 1;
    }
  }
  return at;
}

}  // namespace dls
