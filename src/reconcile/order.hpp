#pragma once
// In-order numbering of a species node and the interval of numbers of its
// subtree: v lies below u exactly when u.subtreeFirst <= v.number <= u.subtreeLast.

#include <cstdint>
#include <ostream>

class Order {
 public:
  std::uint32_t number = 0;
  std::uint32_t subtreeFirst = 0;
  std::uint32_t subtreeLast = 0;

  bool contains(const Order& other) const {
    return subtreeFirst <= other.number && other.number <= subtreeLast;
  }
};

inline std::ostream& operator<<(std::ostream& out, const Order& order) {
  return out << "order:(" << order.subtreeFirst << "<" << order.number << "<" << order.subtreeLast << ")";
}
