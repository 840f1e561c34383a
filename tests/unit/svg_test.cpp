// The species tree picture: well-formed XML whatever the names, every leaf
// name once, the title, the support labels and each branch's counts, on
// trees of any depth.

#include <gtest/gtest.h>

#include <regex>

#include "common/errors.hpp"
#include "report/svg_writer.hpp"
#include "support/model_trees.hpp"

using namespace dls;

namespace {

// The texts between the tags of an XML document, unescaped, in order;
// fails the test where the document is not well-formed: tags that do not
// nest or match, attributes without quotes, raw "<", ">", "&" or quotes in
// texts and attribute values, control characters.
std::vector<std::string> xmlTexts(const std::string& xml) {
  static const std::regex opening(R"(<([a-z]+)(\s+[A-Za-z:-]+="([^"<>&]|&(amp|lt|gt|quot|apos);)*")*\s*(/?)>)");
  static const std::regex closing(R"(</([a-z]+)>)"), text(R"(([^<>&"']|&(amp|lt|gt|quot|apos);)*)");
  static const std::regex entities[] = {std::regex("&lt;"), std::regex("&gt;"), std::regex("&quot;"),
                                        std::regex("&apos;"), std::regex("&amp;")};
  std::vector<std::string> texts, open;
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0U);
  for (std::size_t at = xml.find("?>") + 2; at < xml.size();) {
    const std::size_t tag = std::min(xml.find('<', at), xml.size()), end = xml.find('>', tag) + 1;
    std::string between = xml.substr(at, tag - at);
    EXPECT_TRUE(std::regex_match(between, text)) << between;
    EXPECT_TRUE(std::none_of(between.begin(), between.end(), [](char c) { return c >= 0 && c < ' ' && c != '\n'; }));
    const char* plain[] = {"<", ">", "\"", "'", "&"};
    for (int i = 0; i < 5; ++i) between = std::regex_replace(between, entities[i], plain[i]);
    if (between.find_first_not_of('\n') != std::string::npos) texts.push_back(between);
    if (tag == xml.size()) break;
    std::smatch match;
    const std::string element = xml.substr(tag, end - tag);
    if (std::regex_match(element, match, closing)) {
      EXPECT_TRUE(!open.empty() && open.back() == match[1]) << element;
      if (!open.empty()) open.pop_back();
    } else if (std::regex_match(element, match, opening)) {
      if (match[5].length() == 0) open.push_back(match[1]);
    } else {
      ADD_FAILURE() << "not a tag: " << element;
    }
    at = end;
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
      name = std::regex_replace(name, std::regex("[\x01\xff]"), "\xEF\xBF\xBD");
      EXPECT_EQ(count(std::regex_replace(name, std::regex("[\t\n]"), " ")), tree.isLeaf(v) ? 1 : 0) << name;
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
