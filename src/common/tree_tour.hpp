#pragma once
// Depth-first walks over binary trees without recursion, so that trees of
// any depth (caterpillars of a million leaves) are safe. A tree is given by
// its top node and a function childOf(node, i) that returns child i (0 or 1)
// of a node, or kNoNode.

#include <vector>

#include "common/node_id.hpp"

namespace dls {

// The three moments of a node in a depth-first tour: before its children,
// between its first and its second child, after its children.
enum class TourStep { enter, between, leave };

// A depth-first tour that keeps its stack between walks, for walks that
// run again and again (once per pruned subtree) and must not allocate.
class TreeTour {
 public:
  // Calls visit(node) for every node below top (top included), a node
  // before its subtrees, child 0's subtree first.
  template <class ChildOf, class Visit>
  void preorder(NodeId top, ChildOf&& childOf, Visit&& visit) {
    if (top == kNoNode) return;
    nodes_.assign(1, top);
    while (!nodes_.empty()) {
      const NodeId node = nodes_.back();
      nodes_.pop_back();
      visit(node);
      for (int i = 1; i >= 0; --i) {
        const NodeId child = childOf(node, i);
        if (child != kNoNode) nodes_.push_back(child);
      }
    }
  }

  // Calls visit(node, step) for every node below top (top included), child
  // 0 before child 1. A node without children still gets all three steps.
  template <class ChildOf, class Visit>
  void run(NodeId top, ChildOf&& childOf, Visit&& visit) {
    if (top == kNoNode) return;
    stack_.clear();
    stack_.push_back({top, 0});
    visit(top, TourStep::enter);
    while (!stack_.empty()) {
      Frame& frame = stack_.back();
      if (frame.nextChild == 2) {
        const NodeId done = frame.node;
        stack_.pop_back();
        visit(done, TourStep::leave);
        continue;
      }
      const int i = frame.nextChild++;
      const NodeId node = frame.node;
      if (i == 1) visit(node, TourStep::between);
      const NodeId child = childOf(node, i);
      if (child == kNoNode) continue;
      stack_.push_back({child, 0});
      visit(child, TourStep::enter);
    }
  }

 private:
  struct Frame {
    NodeId node;
    int nextChild;
  };
  std::vector<Frame> stack_;
  std::vector<NodeId> nodes_;
};

template <class ChildOf, class Visit>
void depthFirstTour(NodeId top, ChildOf&& childOf, Visit&& visit) {
  TreeTour().run(top, childOf, visit);
}

// Pre-order: a node before its subtrees, child 0's subtree first.
template <class ChildOf, class Visit>
void forEachPreorder(NodeId top, ChildOf&& childOf, Visit&& visit) {
  TreeTour().preorder(top, childOf, visit);
}

// Post-order: a node after its subtrees, child 0's subtree first.
template <class ChildOf, class Visit>
void forEachPostorder(NodeId top, ChildOf&& childOf, Visit&& visit) {
  depthFirstTour(top, childOf, [&](NodeId node, TourStep step) {
    if (step == TourStep::leave) visit(node);
  });
}

}  // namespace dls
