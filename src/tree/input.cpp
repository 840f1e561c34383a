#include "tree/input.hpp"

#include <sstream>

#include "driver/messages.hpp"

namespace {

bool isQuote(char c) { return c == '"' || c == '\''; }

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= '0' && c <= '9') || c == '_';
}

bool isNumberChar(char c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' ||
         c == 'e' || c == 'E';
}

}  // namespace

Input::Input(std::istream& in)
    : stream(in),
      lastLine(1),
      line(1),
      lastColumn(1),
      column(1),
      commentHandling(true),
      commentCallback(nullptr),
      callbackOn(false) {}

bool Input::nextAnyChar(char& c) {
  for (;;) {
    if (!rawRead(c)) return false;
    // Comments, possibly several in a row; each is delivered only once the
    // character after it has been read.
    while (commentHandling && c == '[') {
      std::string comment(1, '[');
      do {
        if (!rawRead(c)) return false;
        comment += c;
      } while (c != ']');
      if (!rawRead(c)) return false;
      if (callbackOn) commentCallback->commentFound(comment);
    }
    if (!isWhitespace(c)) return true;
  }
}

std::string Input::getComment() {
  commentHandling = false;
  std::string result;
  char c;
  if (nextAnyChar(c)) {
    if (c == '[') {
      result = "[";
      while (rawRead(c) && c != ']') result += c;
      result += ']';
    } else {
      pushBack(c);
    }
  }
  commentHandling = true;
  return result;
}

std::string Input::getName() {
  std::string name;
  char c;
  if (!nextAnyChar(c)) return name;
  if (isQuote(c)) {
    while (rawRead(c) && !isQuote(c)) name += c;
    return name;
  }
  while (isNameChar(c)) {
    name += c;
    if (!nextAnyChar(c)) return name;
  }
  pushBack(c);
  return name;
}

template <class T>
bool Input::readNumber(T& value) {
  char c;
  if (!nextAnyChar(c)) return false;
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

  std::string::size_type first = 0, last = token.size();
  while (first < last && isWhitespace(token[first])) ++first;
  while (last > first && isWhitespace(token[last - 1])) --last;

  std::istringstream in(token.substr(first, last - first));
  T number;
  if (!(in >> number)) return false;
  // Only whitespace may follow the number.
  for (char rest; in.get(rest);)
    if (!isWhitespace(rest)) return false;
  value = number;
  return true;
}

template bool Input::readNumber<double>(double& value);

double Input::readNumber() {
  double value = 0;
  if (!readNumber(value))
    fatalError("cannot read numeric value at " + getPos());
  return value;
}

std::string Input::getPos() const {
  return "line " + std::to_string(line) + " column " + std::to_string(column);
}

std::string Input::getLastPos() const {
  return "line " + std::to_string(lastLine) + " column " +
         std::to_string(lastColumn);
}
