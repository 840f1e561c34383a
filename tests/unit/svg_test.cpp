// The species tree picture: well-formed XML whatever the names, every leaf
// name once, the title, the support labels and each branch's counts, on
// trees of any depth.

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "common/errors.hpp"
#include "report/svg_writer.hpp"
#include "support/model_trees.hpp"

using namespace dls;

namespace {

// The text at `at` unescaped up to `stop` (one of the characters given);
// false where it holds a raw "<", ">", "&" or quote, or an entity other
// than the five of XML.
bool unescape(const std::string& xml, std::size_t& at, const char* stops, std::string& out) {
  static const char* const entities[] = {"&lt;", "&gt;", "&quot;", "&apos;", "&amp;"};
  static const char plain[] = {'<', '>', '"', '\'', '&'};
  while (at < xml.size() && std::strchr(stops, xml[at]) == nullptr) {
    const char c = xml[at];
    if (c == '>' || c == '"' || c == '\'') return false;
    if (c != '&') {
      out += c, ++at;
      continue;
    }
    int e = 0;
    while (e < 5 && xml.compare(at, std::strlen(entities[e]), entities[e]) != 0) ++e;
    if (e == 5) return false;
    out += plain[e], at += std::strlen(entities[e]);
  }
  return true;
}

bool isNameCharacter(char c, bool attribute) {
  return (c >= 'a' && c <= 'z') || (attribute && ((c >= 'A' && c <= 'Z') || c == ':' || c == '-'));
}

// The texts between the tags of an XML document, unescaped, in order;
// fails the test where the document is not well-formed: tags that do not
// nest or match, attributes without quotes, raw "<", ">", "&" or quotes in
// texts and attribute values, control characters.
std::vector<std::string> xmlTexts(const std::string& xml) {
  std::vector<std::string> texts, open;
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0U);
  for (std::size_t at = xml.find("?>") + 2; at < xml.size();) {
    std::string between;
    EXPECT_TRUE(unescape(xml, at, "<", between)) << xml.substr(at, 40);
    EXPECT_TRUE(std::none_of(between.begin(), between.end(), [](char c) { return c >= 0 && c < ' ' && c != '\n'; }));
    if (between.find_first_not_of('\n') != std::string::npos) texts.push_back(between);
    if (at >= xml.size()) break;
    // At a "<": a closing tag, or an opening one with its attributes.
    const std::size_t tag = at;
    const bool closing = xml.compare(at, 2, "</") == 0;
    at += closing ? 2 : 1;
    std::string name;
    while (at < xml.size() && isNameCharacter(xml[at], false)) name += xml[at++];
    bool wellFormed = !name.empty();
    while (wellFormed && !closing && at < xml.size() && std::isspace(static_cast<unsigned char>(xml[at]))) {
      while (at < xml.size() && std::isspace(static_cast<unsigned char>(xml[at]))) ++at;
      if (!isNameCharacter(xml[at], true)) break;
      while (at < xml.size() && isNameCharacter(xml[at], true)) ++at;
      std::string value;
      wellFormed =
          xml.compare(at, 2, "=\"") == 0 && unescape(xml, at += 2, "\"<", value) && at < xml.size() && xml[at] == '"';
      ++at;
    }
    const bool empty = !closing && xml.compare(at, 2, "/>") == 0;
    at += empty ? 2 : 1;
    wellFormed = wellFormed && xml[at - 1] == '>';
    if (!wellFormed) {
      ADD_FAILURE() << "not a tag: " << xml.substr(tag, at - tag);
      break;
    }
    if (closing) {
      EXPECT_TRUE(!open.empty() && open.back() == name) << name;
      if (!open.empty()) open.pop_back();
    } else if (!empty) {
      open.push_back(name);
    }
  }
  EXPECT_TRUE(open.empty());
  return texts;
}

std::string svgOf(const SpeciesTree& tree, const NameTable& names, const SpeciesTreePicture& picture) {
  std::ostringstream out;
  writeSvg(out, tree, names, picture);
  return out.str();
}

TEST(SpeciesTreePicture, HoldsEveryNameLabelAndCountOnceEscaped) {
  const char* cases[] = {
      "((A,B),C);",
      "('a<b&c>\"\"d''e',(B,'Ünï x'));",
      "((('x\x01y\xffz','tab\tbreak\n'),B),C);",  // drawn as U+FFFD and blanks
      "(A);",
  };
  for (const char* newick : cases) {
    const TreeInput input = readInput(std::string(newick) + "(A);", true);
    const SpeciesTree& tree = *input.speciesTree;
    SpeciesTreePicture picture{"cost <7> & \"x\"", {}, {}, {}, ""};
    for (NodeId v = 0; v < static_cast<NodeId>(tree.size()); ++v) {
      picture.support.push_back("s" + std::to_string(v));
      picture.duplications.push_back(v);
      picture.losses.push_back(2 * v + 0.5);
    }
    const std::vector<std::string> texts = xmlTexts(svgOf(tree, input.names, picture));
    auto count = [&](const std::string& text) { return std::count(texts.begin(), texts.end(), text); };
    EXPECT_EQ(count(picture.title), 2) << newick;  // the title element and the title line
    for (NodeId v = 0; v < static_cast<NodeId>(tree.size()); ++v) {
      std::string name = tree.isLeaf(v) ? input.names.text(tree.name(v)) : "";
      std::string drawn;  // as drawn: bytes outside UTF-8 as U+FFFD, blanks for tabs and breaks
      for (char c : name)
        drawn += c == '\x01' || c == '\xff' ? "\xEF\xBF\xBD" : c == '\t' || c == '\n' ? " " : std::string(1, c);
      EXPECT_EQ(count(drawn), tree.isLeaf(v) ? 1 : 0) << name;
      EXPECT_EQ(count(picture.support[static_cast<std::size_t>(v)]), tree.isLeaf(v) ? 0 : 1) << newick;
      // The duplications, "/" and the losses, one after the other.
      const std::string counts[] = {std::to_string(v), "/", std::to_string(2 * v) + ".5"};
      EXPECT_NE(std::search(texts.begin(), texts.end(), counts, counts + 3), texts.end()) << newick << v;
    }
  }
}

TEST(SpeciesTreePicture, WritesCountsShortAndLeavesEmptyBranchesBlank) {
  const TreeInput input = readInput("((A,B),C);(A);", true);
  const SpeciesTree& tree = *input.speciesTree;
  SpeciesTreePicture picture{"", {}, {}, {0, 2.5, 1.0 / 3, 12345.6, 999.99}, ""};
  std::vector<std::string> texts = xmlTexts(svgOf(tree, input.names, picture));
  texts.erase(std::remove_if(texts.begin(), texts.end(),
                             [](const std::string& t) { return !std::isdigit(static_cast<unsigned char>(t[0])); }),
              texts.end());
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (std::vector<std::string>{"0.3333", "1000", "12346", "2.5"}));

  picture.duplications = {1, 2};
  EXPECT_THROW(svgOf(tree, input.names, picture), InternalError);
  picture.duplications = {0, 0, -1, 0, 0};
  EXPECT_THROW(svgOf(tree, input.names, picture), InternalError);
}

TEST(SpeciesTreePicture, DrawsDeepTreesWithoutRecursion) {
  NameTable names;
  SpeciesTree tree;
  NodeId top = tree.addLeaf(names.intern("S0"));
  for (int i = 1; i < 100000; ++i) top = tree.addJoin(top, tree.addLeaf(names.intern("S" + std::to_string(i))));
  tree.setRoot(top);
  std::ostringstream out;
  writeSvg(out, tree, names, {"caterpillar", {}, std::vector<double>(tree.size(), 1), {}, ""});
  const std::string svg = out.str();
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

}  // namespace
