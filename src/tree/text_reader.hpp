#pragma once
// The character reader under every text the program reads (Newick trees,
// the marks in front of gene trees, weights, constraints files). It keeps
// line and column positions for messages, takes characters back, skips
// white space and recognises comments in square brackets. A stream that is
// plainly no text (a known binary format by its first bytes, NUL bytes near
// its start) is refused with a message saying what it looks like.

#include <bitset>
#include <cctype>
#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dls {

// A place in a text: line and column, both from 1.
struct TextPosition {
  long long line = 1, column = 1;
  std::string text() const { return "line " + std::to_string(line) + " column " + std::to_string(column); }
  // The place of the character at offset in a text that starts here.
  TextPosition advancedOver(std::string_view text, std::size_t offset) const;
};

// A comment as read, brackets included, and where its "[" stands.
struct TextComment {
  std::string text;
  TextPosition start;
};

// The first bytes of a stream, read only as far as they match the start of
// a known signature: a UTF-8 byte-order mark, or the magic number of a
// format that is no text (an executable, PDF, PNG, ZIP, bzip2, xz, zstd;
// gzip is not among them).
struct StreamStart {
  std::string bytes;                // taken from the stream and to be read as text; never a byte-order mark
  const char* looksLike = nullptr;  // "a PNG image" when a magic number was read whole
  static StreamStart read(std::istream& in);
};

// What the first significant character ">" of a text shows it to be.
inline constexpr const char* kLooksLikeFasta = "a FASTA file (sequences)";
// What NUL bytes among the first kBinaryCheckBytes bytes show a text to be.
inline constexpr const char* kLooksLikeBinary = "a binary file (it holds NUL bytes)";
inline constexpr long long kBinaryCheckBytes = 4096;

// Text from the input as a message shows it: control bytes (a NUL, an
// escape, a line end) as "\x1b", and at most kShownBytes bytes of it, a
// cut marked "...".
std::string shownText(std::string_view text);
inline constexpr std::size_t kShownBytes = 80;

class TextReader {
  static const std::bitset<256> kNameChars;

 public:
  // A UTF-8 byte-order mark at the start of the stream is skipped; the
  // character after it is at line 1 column 1. The file's name is for the
  // message of a failed read ("cannot read NAME: REASON"); the context is
  // added to the messages of the reader itself (" in constraints input").
  explicit TextReader(std::istream& in, std::string fileName = "input", std::string context = "");

  // What the text is, for the message that refuses it when it is plainly
  // something else: "WHAT looks like a PNG image, not MEANT" ("the input",
  // "trees: give gene trees in Newick or NEXUS"). By default the file's
  // name, and "text".
  void setRole(std::string what, std::string meant) {
    what_ = std::move(what);
    meant_ = std::move(meant);
  }
  // Throws that message, the text looking like looksLike.
  [[noreturn]] void refuse(const char* looksLike) const;

  // Places in messages end with " of FILE" (the input is one file of
  // several); by default they are "line N column M" alone.
  void nameFileInPlaces() { placeSuffix_ = " of " + fileName_; }
  bool namesFileInPlaces() const { return !placeSuffix_.empty(); }
  const std::string& fileName() const { return fileName_; }
  // A place in this text as messages give it.
  std::string place(const TextPosition& at) const { return at.text() + placeSuffix_; }

  // The next character as it stands (no skipping); false at the end.
  bool rawRead(char& c) {
    if (!pushedBack_.empty()) {
      c = pushedBack_.back();
      pushedBack_.pop_back();
      if (pushedBack_.size() < unreadStart_) {  // first taken from the stream now
        if (looksLike_ != nullptr) refuse(looksLike_);
        unreadStart_ = pushedBack_.size();
        advancePast(c);
        if (c == '\0') nulByte();
      }
      return true;
    }
    if (!in_.get(c)) {
      if (in_.bad()) failedRead();
      return false;
    }
    advancePast(c);
    if (c == '\0') nulByte();
    return true;
  }

  // Gives a character back: the next read returns it first. Positions stay.
  void pushBack(char c) { pushedBack_.push_back(c); }

  // The next significant character: white space and comments are skipped;
  // false at the end. A comment is complete only once the character after
  // it is read; it then goes to the comment sink, if one is set.
  bool nextSignificant(char& c);

  // Whether a "[" inside a comment opens a nested one (as in NEXUS); by
  // default the first "]" closes a comment.
  void setNestedComments(bool nested) { nestedComments_ = nested; }

  // Where skipped comments go (brackets included), or nowhere (null).
  void setCommentSink(std::vector<TextComment>* sink) { commentSink_ = sink; }

  // The next comment, brackets included, or "" when the next significant
  // character opens none (it stays unread).
  TextComment readComment();

  // The next name: quoted (between ' or ", either closing, and a doubled
  // quote inside standing for one) or a run of name characters, which
  // white space and comments may interrupt. Possibly empty; the character
  // after it stays unread.
  std::string readName();

  // A number (quoted, or a run of digits, signs, points and exponent marks)
  // that must be the whole token; throws "cannot read numeric value at ...".
  double readNumber();

  // "line N column M" of the next character to be read, and of the last
  // one read.
  std::string position() const { return place(TextPosition{line_, column_}); }
  std::string lastPosition() const { return place(lastPlace()); }
  TextPosition lastPlace() const { return TextPosition{lastLine_, lastColumn_}; }

  // The characters of an unquoted name: every printable character but the
  // blank, the quotes and the Newick punctuation ( ) [ ] : ; , (bytes of
  // UTF-8 sequences included).
  static bool isNameChar(char c) { return kNameChars.test(static_cast<unsigned char>(c)); }
  // The text without the white space at its ends.
  static std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isWhitespace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isWhitespace(text.back())) text.remove_suffix(1);
    return text;
  }
  // Whether text is the word, in any case (ASCII).
  static bool sameWord(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(word[i])))
        return false;
    return true;
  }
  // Blank, tab, line feed, form feed and carriage return (not vertical tab).
  static bool isWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

 private:
  bool readNumberToken(double& value);
  [[noreturn]] void failedRead() const;
  // A NUL byte near the start: no text.
  void nulByte() const {
    if (bytesRead_ <= kBinaryCheckBytes) refuse(kLooksLikeBinary);
  }
  void advancePast(char c) {
    ++bytesRead_;
    lastLine_ = line_;
    lastColumn_ = column_;
    ++column_;
    if (c == '\n') {
      ++line_;
      column_ = 1;
    }
  }
  // Reads a comment whose "[" was the last character read; one still open
  // at the end of the text is an error.
  TextComment readCommentAfterBracket();

  std::istream& in_;
  std::string fileName_, context_;
  std::string placeSuffix_;
  std::string what_, meant_ = "text";
  const char* looksLike_ = nullptr;  // what the first bytes showed, if no text
  std::vector<char> pushedBack_;
  std::vector<TextComment>* commentSink_ = nullptr;
  // The first entries of pushedBack_ are bytes taken at the start to look
  // for a byte-order mark: their positions count when they are read.
  std::size_t unreadStart_ = 0;
  bool commentsSkipped_ = true;
  bool nestedComments_ = false;
  long long lastLine_ = 1, line_ = 1, lastColumn_ = 1, column_ = 1;
  long long bytesRead_ = 0;  // with their positions counted
};

}  // namespace dls
