#include "tree/input.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Recorder : InputCommentCallbackBase {
  std::vector<std::string> comments;
  void commentFound(const std::string& c) override { comments.push_back(c); }
};

// A reader together with the stream it reads.
struct Reader {
  std::istringstream text;
  Input in;
  Recorder rec;
  explicit Reader(const std::string& s, bool callback = false)
      : text(s), in(text) {
    in.commentCallback = &rec;
    in.callbackOn = callback;
  }
  // Every significant character left.
  std::string rest() {
    std::string out;
    for (char c; in.nextAnyChar(c);) out += c;
    return out;
  }
};

// Current and last position.
std::string pos(const Input& in) { return in.getPos() + "/" + in.getLastPos(); }

TEST(InputPositions, AdvanceOnStreamReadsOnly) {
  Reader r("XY\nZ");
  Input& in = r.in;
  EXPECT_EQ(pos(in), "line 1 column 1/line 1 column 1");
  char c = 0;
  ASSERT_TRUE(in.rawRead(c) && c == 'X');
  EXPECT_EQ(pos(in), "line 1 column 2/line 1 column 1");
  in.pushBack('X');
  in.pushBack('W');  // a stack: W comes back first, and no position moves
  ASSERT_TRUE(in.rawRead(c) && c == 'W' && in.rawRead(c) && c == 'X');
  EXPECT_EQ(pos(in), "line 1 column 2/line 1 column 1");
  ASSERT_TRUE(in.rawRead(c) && in.rawRead(c) && c == '\n');
  EXPECT_EQ(pos(in), "line 2 column 1/line 1 column 3");
  ASSERT_TRUE(in.rawRead(c) && c == 'Z');
  c = '?';
  EXPECT_FALSE(in.rawRead(c));
  EXPECT_EQ(c, '?');  // untouched at the end of the input
  EXPECT_EQ(in.getPos(), "line 2 column 2");
}

TEST(InputNextAnyChar, SkipsWhitespaceAndDeliversComments) {
  struct Case {
    const char* text;
    bool handling;
    bool callback;
    std::string seen;
    std::vector<std::string> delivered;
  };
  const Case cases[] = {
      {"A[x][y],B", true, true, "A,B", {"[x]", "[y]"}},
      {"A[x] \n [y],B", true, true, "A,B", {"[x]", "[y]"}},
      {"A[x][y],B", true, false, "A,B", {}},
      {"A[x]", true, true, "A", {}},       // nothing after the comment
      {"A[x", true, true, "A", {}},        // unfinished comment
      {" \t\r\f\nA B", true, true, "AB", {}},
      {"A\vB", true, true, "A\vB", {}},    // vertical tab is significant
      {"[x] A", false, true, "[x]A", {}},  // comment handling off
  };
  for (const Case& t : cases) {
    Reader r(t.text, t.callback);
    r.in.commentHandling = t.handling;
    EXPECT_EQ(r.rest(), t.seen) << t.text;
    EXPECT_EQ(r.rec.comments, t.delivered) << t.text;
  }
}

TEST(InputGetComment, ReadsLeadingCommentsOnly) {
  Reader r("[&R]  (A,B);", true);
  EXPECT_EQ(r.in.getComment(), "[&R]");
  EXPECT_EQ(r.in.getComment(), "");
  EXPECT_TRUE(r.in.commentHandling);
  EXPECT_EQ(r.rest(), "(A,B);");
  EXPECT_TRUE(r.rec.comments.empty());

  Reader open(" [a\nb");
  EXPECT_EQ(open.in.getComment(), "[a\nb]");
  EXPECT_EQ(open.in.getPos(), "line 2 column 2");
  EXPECT_EQ(open.in.getComment(), "");
  EXPECT_TRUE(open.in.commentHandling);
}

TEST(InputGetName, QuotedAndUnquoted) {
  struct Case {
    const char* text;
    std::string name;
    std::string after;
  };
  const Case cases[] = {
      {"'Homo sapiens'", "Homo sapiens", ""},
      {"\"a'b", "a", "b"},
      {",x", "", ",x"},
      {"  Homo sapiens,", "Homosapiens", ","},
      {"'a [b]\nc'd", "a [b]\nc", "d"},
      {"'open", "open", ""},
      {"ab_9[c]d)", "ab_9d", ")"},
      {"", "", ""},
  };
  for (const Case& t : cases) {
    Reader r(t.text);
    EXPECT_EQ(r.in.getName(), t.name) << t.text;
    EXPECT_EQ(r.rest(), t.after) << t.text;
  }
  Reader r("ab[c]d)", true);
  EXPECT_EQ(r.in.getName(), "abd");
  EXPECT_EQ(r.rec.comments, std::vector<std::string>{"[c]"});
}

TEST(InputReadNumber, SucceedsOnExactlyOneNumber) {
  struct Case {
    const char* text;
    bool ok;
    double value;
    std::string after;
  };
  const Case cases[] = {
      {"0.25)", true, 0.25, ")"}, {":", false, 0, ":"},
      {"2.5", true, 2.5, ""},     {"+3", true, 3, ""},
      {"-1,", true, -1, ","},     {"1e-3", true, 1e-3, ""},
      {" \n1E+5]", true, 1e5, "]"}, {"1 2", true, 1, "2"},
      {"'\t7 '", true, 7, ""},    {".", false, 0, ""},
      {"1.5.3", false, 0, ""},    {"'1.5 x'x", false, 0, "x"},
      {"", false, 0, ""},
  };
  for (const Case& t : cases) {
    Reader r(t.text);
    double v = -99;
    EXPECT_EQ(r.in.readNumber(v), t.ok) << t.text;
    if (t.ok) {
      EXPECT_DOUBLE_EQ(v, t.value) << t.text;
    }
    EXPECT_EQ(r.rest(), t.after) << t.text;
  }
}

TEST(InputReadNumberDeathTest, FailureEndsProgramWithPosition) {
  Reader ok(" 12 ");
  EXPECT_DOUBLE_EQ(ok.in.readNumber(), 12);
  EXPECT_EXIT(
      {
        Reader r("\n  x");
        r.in.readNumber();
      },
      ::testing::ExitedWithCode(1),
      "^ERROR: cannot read numeric value at line 2 column 4\n$");
}

}  // namespace
