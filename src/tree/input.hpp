#pragma once
// Character reader under every text format the program reads (Newick trees,
// the comments in front of trees, constraints files, weight values). It keeps
// line and column positions for messages, lets callers return characters,
// skips whitespace and recognises comments in square brackets, which it either
// hands to a registered callback or returns as text.

#include <deque>
#include <istream>
#include <string>

// Receives every comment that Input::nextAnyChar recognises while the reader's
// callback switch is on. Callbacks are owned by whoever registers them and are
// never deleted through this interface.
class InputCommentCallbackBase {
 public:
  // The full comment text, brackets included.
  virtual void commentFound(const std::string& comment) = 0;

 protected:
  ~InputCommentCallbackBase() = default;
};

class Input {
 public:
  // The wrapped stream; not owned.
  std::istream& stream;
  // Position (1-based) of the character most recently taken from the stream.
  int lastLine;
  // Position (1-based) of the next character to be taken from the stream.
  int line;
  int lastColumn;
  int column;
  // Returned characters, used as a stack: pushed at the back, read from the
  // back before the stream. Reading from here moves no position.
  std::deque<char> pushback;
  // While on, nextAnyChar treats "[" as the start of a comment.
  bool commentHandling;
  // Where recognised comments go while callbackOn is set.
  InputCommentCallbackBase* commentCallback;
  bool callbackOn;

  explicit Input(std::istream& in);

  // Next character, from the pushback buffer first, then from the stream;
  // no whitespace skipping, no comment recognition. False at the end of the
  // input, in which case c keeps its previous value.
  bool rawRead(char& c) {
    if (!pushback.empty()) {
      c = pushback.back();
      pushback.pop_back();
      return true;
    }
    char ch;
    if (!stream.get(ch)) return false;
    lastLine = line;
    lastColumn = column;
    ++column;
    if (ch == '\n') {
      ++line;
      column = 1;
    }
    c = ch;
    return true;
  }

  // Returns a character to the reader; the next read yields it first.
  void pushBack(char c) { pushback.push_back(c); }

  // Next significant character: whitespace is skipped, and, while comment
  // handling is on, comments are skipped (and handed to the callback if it
  // is switched on). False at the end of the input; a comment that is not
  // followed by any further character is not delivered.
  bool nextAnyChar(char& c);

  // The next comment, brackets included, or "" when the next significant
  // character does not open one (that character stays unread). A comment
  // left open at the end of the input is closed with "]". Never calls the
  // callback.
  std::string getComment();

  // The next name: a quoted text (between double quotes or apostrophes, either
  // kind closing) or a run of letters, digits and "_" that may be interrupted
  // by whitespace and comments. Possibly empty; the first character that does
  // not belong to the name stays unread.
  std::string getName();

  // Reads a number (quoted or as a run of digits, signs, points and
  // exponent marks) into value; false when the token is not exactly one
  // number. Provided for double.
  template <class T>
  bool readNumber(T& value);

  // Reads a number; ends the program with an error when there is none.
  double readNumber();

  // "line N column M" for the next character to be taken from the stream.
  std::string getPos() const;
  // The same for the character most recently taken from the stream.
  std::string getLastPos() const;

  // Blank, horizontal tab, line feed, form feed and carriage return; vertical
  // tab does not count.
  static bool isWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
  }
};
