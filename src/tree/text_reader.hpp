#pragma once
// The character reader under every text the program reads (Newick trees,
// the marks in front of gene trees, weights, constraints files). It keeps
// line and column positions for messages, takes characters back, skips
// white space and recognises comments in square brackets.

#include <bitset>
#include <istream>
#include <string>
#include <vector>

class TextReader {
  static const std::bitset<256> kNameChars;

 public:
  // A UTF-8 byte-order mark at the start of the stream is skipped; the
  // character after it is at line 1 column 1.
  explicit TextReader(std::istream& in);

  // The next character as it stands (no skipping); false at the end.
  bool rawRead(char& c) {
    if (!pushedBack_.empty()) {
      c = pushedBack_.back();
      pushedBack_.pop_back();
      return true;
    }
    char ch;
    if (!in_.get(ch)) return false;
    lastLine_ = line_;
    lastColumn_ = column_;
    ++column_;
    if (ch == '\n') {
      ++line_;
      column_ = 1;
    }
    c = ch;
    return true;
  }

  // Gives a character back: the next read returns it first. Positions stay.
  void pushBack(char c) { pushedBack_.push_back(c); }

  // The next significant character: white space and comments are skipped;
  // false at the end. A comment is complete only once the character after
  // it is read; it then goes to the comment sink, if one is set.
  bool nextSignificant(char& c);

  // Where skipped comments go (brackets included), or nowhere (null).
  void setCommentSink(std::vector<std::string>* sink) { commentSink_ = sink; }

  // The next comment, brackets included, or "" when the next significant
  // character opens none (it stays unread). One left open at the end is
  // closed with "]".
  std::string readComment();

  // The next name: quoted (between two ' or two ", a doubled quote inside
  // standing for one) or a run of name characters, which white space and
  // comments may interrupt. Possibly empty; the character after it stays
  // unread.
  std::string readName();

  // A number (quoted, or a run of digits, signs, points and exponent marks)
  // that must be the whole token; throws "cannot read numeric value at ...".
  double readNumber();

  // "line N column M" of the next character to be read, and of the last
  // one read.
  std::string position() const { return positionText(line_, column_); }
  std::string lastPosition() const { return positionText(lastLine_, lastColumn_); }

  // The characters of an unquoted name: every printable character but the
  // blank, the quotes and the Newick punctuation ( ) [ ] : ; , (bytes of
  // UTF-8 sequences included).
  static bool isNameChar(char c) { return kNameChars.test(static_cast<unsigned char>(c)); }
  // Blank, tab, line feed, form feed and carriage return (not vertical tab).
  static bool isWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

 private:
  static std::string positionText(long long line, long long column);
  bool readNumberToken(double& value);

  std::istream& in_;
  std::vector<char> pushedBack_;
  std::vector<std::string>* commentSink_ = nullptr;
  bool commentsSkipped_ = true;
  long long lastLine_ = 1, line_ = 1, lastColumn_ = 1, column_ = 1;
};
