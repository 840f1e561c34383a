#include "tree/text_reader.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "common/decimal_text.hpp"
#include "common/errors.hpp"
#include "common/escaped_text.hpp"

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

namespace {

// A signature and what a stream that starts with it is; "?" in one stands
// for any digit from 1 to 9.
struct Signature {
  std::string_view bytes;
  const char* looksLike;  // null: a byte-order mark
};

using namespace std::string_view_literals;
constexpr Signature kSignatures[] = {
    {"\xEF\xBB\xBF"sv, nullptr},
    {"\177ELF"sv, "an executable (ELF)"},
    {"%PDF-"sv, "a PDF document"},
    {"\x89PNG\r\n\x1A\n"sv, "a PNG image"},
    {"PK\x03\x04"sv, "a ZIP archive"},
    {"PK\x05\x06"sv, "a ZIP archive"},
    {"BZh?1AY&SY"sv, "a bzip2-compressed file"},
    {"\3757zXZ\0"sv, "an xz-compressed file"},
    {"\x28\xB5\x2F\xFD"sv, "a zstd-compressed file"},
    {"\xFF\xFE"sv, "UTF-16 text (give it as UTF-8)"},
    {"\xFE\xFF"sv, "UTF-16 text (give it as UTF-8)"},
};

bool startsLike(std::string_view signature, std::string_view bytes) {
  if (bytes.size() > signature.size()) return false;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (signature[i] == '?' ? !(bytes[i] >= '1' && bytes[i] <= '9') : bytes[i] != signature[i]) return false;
  return true;
}

}  // namespace

StreamStart StreamStart::read(std::istream& in) {
  StreamStart start;
  for (;;) {
    for (const Signature& signature : kSignatures) {
      if (start.bytes.size() != signature.bytes.size() || !startsLike(signature.bytes, start.bytes)) continue;
      if (signature.looksLike == nullptr) start.bytes.clear();
      start.looksLike = signature.looksLike;
      return start;
    }
    const int next = in.peek();
    if (next == std::char_traits<char>::eof()) return start;
    const std::string more = start.bytes + static_cast<char>(next);
    bool matches = false;
    for (const Signature& signature : kSignatures) matches = matches || startsLike(signature.bytes, more);
    if (!matches) return start;
    start.bytes = more;
    in.get();
  }
}

std::string shownText(std::string_view text) {
  std::size_t end = std::min(text.size(), kShownBytes);
  // Not inside a UTF-8 sequence.
  while (end < text.size() && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  const std::string shown = escapedText(text.substr(0, end));
  return end < text.size() ? shown + "..." : shown;
}

TextReader::TextReader(std::istream& in, std::string fileName, std::string context)
    : in_(in), fileName_(std::move(fileName)), context_(std::move(context)), what_(fileName_) {
  // Bytes taken that are no byte-order mark are read again, as the text's
  // first characters; a format that is no text is refused on the first read.
  StreamStart start = StreamStart::read(in_);
  pushedBack_.assign(start.bytes.rbegin(), start.bytes.rend());
  unreadStart_ = pushedBack_.size();
  looksLike_ = start.looksLike;
}

void TextReader::refuse(const char* looksLike) const {
  throw InputError(what_ + " looks like " + looksLike + ", not " + meant_);
}

TextComment TextReader::readCommentAfterBracket() {
  TextComment comment{"[", TextPosition{lastLine_, lastColumn_}};
  int depth = 1;
  char c;
  while (depth > 0) {
    if (!rawRead(c)) throw InputError("unclosed comment starting at " + place(comment.start) + context_);
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
