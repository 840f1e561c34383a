#pragma once
// Newick reading and writing for any tree of the model.
//
// Reading has two phases: a recursive descent over the text records every
// node as a TempNode (parent index, name, branch length, comments), then
// buildTree resolves nodes with more than two children into random binary
// subtrees, contracts nodes with a single child, creates the real nodes and
// links them.

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "driver/globals.hpp"
#include "driver/messages.hpp"
#include "tree/input.hpp"

template <class TreeT>
class TreeIO : public TreeT {
 public:
  using Node = typename TreeT::Node;
  using NamedNode = typename TreeT::NamedNode;

  // One node as read from the text.
  class TempNode {
   public:
    int parent;                         // index in the temp nodes; -1 for the root
    std::string name;                   // empty when the text gives none
    double branchLength = 0;            // checked for being a number, then dropped
    std::vector<std::string> comments;  // bracketed comments attached to the node
    Node* node = nullptr;               // the tree node made for it

    explicit TempNode(int parent) : parent(parent) {}
  };

  // Collects the comments met while a tree is read.
  class CommentCallBack : public InputCommentCallbackBase {
   public:
    std::vector<std::string> pendingComments;
    void commentFound(const std::string& comment) override { pendingComments.push_back(comment); }
  };

  CommentCallBack commentCollector;
  Input* input = nullptr;
  std::vector<TempNode> tempNodes;  // scratch list of one parse, in text preorder

  ~TreeIO() override = default;

  // Writes what follows a labelled node: its name, quoted when it holds a
  // character outside legalChars4Name.
  virtual void namednode2newick(std::ostream& out, NamedNode& node) {
    const std::string& name = node.name();
    if (name.find_first_not_of(legalChars4Name) != std::string::npos)
      out << '\'' << name << '\'';
    else
      out << name;
  }

  // Writes what follows an unlabelled node: nothing.
  virtual void node2newick(std::ostream&, Node&) {}

  // Allocates the tree node for one temp node: a labelled node when the text
  // names it, a plain one otherwise.
  virtual void createNode(TempNode& temp) {
    if (!temp.name.empty())
      temp.node = new NamedNode(temp.name);
    else
      temp.node = new Node();
  }

  // Reads the next tree. False when the input holds no further significant
  // character; the character after the tree's ";" is not consumed.
  bool stream2tree(Input& in) {
    input = &in;
    char c;
    if (!in.nextAnyChar(c)) return false;
    if (c != '(')
      fatalError("problem in the tree expression " + in.getPos() + " " + std::string(1, c) + "this");
    stream2tree(c, in);
    return true;
  }

  // Reads the rest of a tree whose opening "(" is in c; leaves ";" in c.
  void stream2tree(char& c, Input& in) {
    input = &in;
    commentCollector.pendingComments.clear();
    in.commentCallback = &commentCollector;
    in.callbackOn = true;
    stream2nextNode(c, -1);
    in.callbackOn = false;
    in.commentCallback = nullptr;
    if (c != ';') fatalError("missing ';' in tree expression " + in.getPos());
    buildTree();
    tempNodes.clear();
  }

  // Reads one subtree whose first significant character is in c, as a child
  // of temp node parent; leaves the first character after it in c.
  void stream2nextNode(char& c, const int& parent) {
    Input& in = *input;
    const int index = static_cast<int>(tempNodes.size());
    tempNodes.emplace_back(parent);
    std::vector<std::string>& pending = commentCollector.pendingComments;
    tempNodes[index].comments.swap(pending);
    pending.clear();

    if (c != '(') {
      const int nameLine = in.lastLine, nameColumn = in.lastColumn;  // where c was read
      in.pushBack(c);
      std::string name = in.getName();
      nextCharOrEnd(c);
      // A leaf must be named: later stages tie leaves to species by name.
      if (name.empty())
        fatalError("missing leaf name in the tree expression line " + std::to_string(nameLine) +
                   " column " + std::to_string(nameColumn));
      tempNodes[index].name = std::move(name);
    } else {
      for (int children = 0;; ) {
        if (children >= 2) warning("multifurcation detected at " + in.getLastPos());
        nextCharOrEnd(c);
        stream2nextNode(c, index);
        if (c == ')') break;
        ++children;
        if (c != ',') fatalError("missing ')' in input tree expression " + in.getLastPos());
      }
      nextCharOrEnd(c);
      if (c != ':' && c != ',' && c != ')') {
        in.pushBack(c);
        tempNodes[index].name = in.getName();
        nextCharOrEnd(c);
      }
    }

    if (c == ':') {
      tempNodes[index].branchLength = in.readNumber();
      nextCharOrEnd(c);
    }
    std::vector<std::string>& comments = tempNodes[index].comments;
    comments.insert(comments.end(), pending.begin(), pending.end());
    pending.clear();
  }

  // Turns the temp nodes into linked tree nodes.
  void buildTree() {
    const int textNodes = static_cast<int>(tempNodes.size());
    std::vector<std::vector<int>> childList(textNodes);
    for (int i = 0; i < textNodes; ++i)
      if (tempNodes[i].parent != -1) childList[tempNodes[i].parent].push_back(i);

    // A node with a single child is neither a duplication nor a speciation:
    // its child takes its place (with its comments, so a constraint mark on
    // it marks the child). Preorder collapses whole chains from the top.
    std::vector<char> contracted(textNodes, 0);
    for (int i = 0; i < textNodes; ++i) {
      if (childList[i].size() != 1) continue;
      const int only = childList[i][0];
      const int parent = tempNodes[i].parent;
      tempNodes[only].parent = parent;
      if (parent != -1)
        for (int& sibling : childList[parent])
          if (sibling == i) sibling = only;
      std::vector<std::string>& comments = tempNodes[only].comments;
      comments.insert(comments.end(), tempNodes[i].comments.begin(), tempNodes[i].comments.end());
      contracted[i] = 1;
    }

    // Multifurcations: repeatedly group two children drawn at random under a
    // new unnamed node, until two children are left.
    for (int i = 0; i < textNodes; ++i) {
      std::vector<int>& list = childList[i];
      while (list.size() > 2) {
        const int grouped = static_cast<int>(tempNodes.size());
        tempNodes.emplace_back(i);
        for (int draw = 0; draw < 2; ++draw) {
          const std::size_t k = randomIndex(list.size());
          tempNodes[list[k]].parent = grouped;
          list.erase(list.begin() + static_cast<std::ptrdiff_t>(k));
        }
        list.push_back(grouped);
      }
    }
    contracted.resize(tempNodes.size(), 0);

    const int total = static_cast<int>(tempNodes.size());
    for (int i = 0; i < total; ++i) {
      if (contracted[i]) continue;
      createNode(tempNodes[i]);
      this->nodes.push_back(tempNodes[i].node);
    }
    for (int i = 0; i < total; ++i) {
      if (contracted[i]) continue;
      Node* node = tempNodes[i].node;
      const int parent = tempNodes[i].parent;
      if (parent == -1) {
        this->root = node;
        node->parent() = nullptr;
      } else {
        Node* up = tempNodes[parent].node;
        node->parent() = up;
        (up->child(0) == nullptr ? up->child(0) : up->child(1)) = node;
      }
    }
    for (int i = 0; i < total; ++i) {
      if (contracted[i]) continue;
      Node* node = tempNodes[i].node;
      if (node->child(0) == nullptr && node->child(1) == nullptr)
        this->leaves.push_back(static_cast<NamedNode*>(node));
    }
  }

  // Writes the whole tree as one Newick line, ";" and a line end, in a form
  // the reader takes back: a tree of a single leaf is written "(A);".
  void writeNewickLine(std::ostream& out) {
    Node*& top = this->root;
    const bool singleLeaf = top->child(0) == nullptr && top->child(1) == nullptr;
    if (singleLeaf) out << '(';
    subtree2newickDFS(out, top);
    if (singleLeaf) out << ')';
    out << ";\n";
  }

  // Writes the subtree below node in Newick notation, without ";".
  void subtree2newickDFS(std::ostream& out, Node*& node) {
    if (node == nullptr) return;
    const bool hasChild = node->child(0) != nullptr || node->child(1) != nullptr;
    if (hasChild) out << '(';
    subtree2newickDFS(out, node->child(0));
    if (node->child(1) != nullptr) out << ',';
    subtree2newickDFS(out, node->child(1));
    if (hasChild) out << ')';
    if (NamedNode* named = dynamic_cast<NamedNode*>(node))
      namednode2newick(out, *named);
    else
      node2newick(out, *node);
  }

 private:
  void nextCharOrEnd(char& c) {
    if (!input->nextAnyChar(c)) fatalError("unexpected end in the tree expression " + input->getPos());
  }

  // A position in a list of the given length, from one draw of the
  // process-wide generator scaled by 2^-31.
  static std::size_t randomIndex(std::size_t length) {
    const double fraction = static_cast<double>(std::rand()) / 2147483648.0;
    return static_cast<std::size_t>(fraction * static_cast<double>(length));
  }
};
