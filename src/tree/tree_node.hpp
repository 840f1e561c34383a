#pragma once
// Structure of tree nodes. All structure is read and written through two
// accessors returning assignable pointer slots, so that the same code serves
// rooted nodes (a parent and two children) and unrooted nodes (three
// neighbours, one of which currently plays the parent). The concrete
// templates mark the accessors final: calls through a concrete node type are
// resolved at compile time.

#include <cstdint>

template <class T>
class TreeNode {
 public:
  virtual T*& parent() = 0;
  virtual T*& child(int i) = 0;
  virtual ~TreeNode() = default;
};

template <class T>
class TreeNodeRooted : public TreeNode<T> {
 public:
  T* parentNode = nullptr;
  T* children[2] = {nullptr, nullptr};

  T*& parent() final { return parentNode; }
  T*& child(int i) final { return children[i]; }
};

template <class T>
class TreeNodeUnrooted : public TreeNode<T> {
 public:
  T* neighbours[3] = {nullptr, nullptr, nullptr};
  // The neighbour slot that currently holds the parent.
  std::uint16_t parentIndex = 0;

  T*& parent() final { return neighbours[parentIndex]; }
  // The two children are the other two neighbours, in slot order.
  T*& child(int i) final { return neighbours[i < parentIndex ? i : i + 1]; }
};
