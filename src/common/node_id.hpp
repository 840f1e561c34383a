#pragma once
// The number of a node of a tree: its index into the tree's flat arrays,
// and into every per-node array of the stages that work on the tree.

#include <cstdint>

namespace dls {

using NodeId = std::int32_t;
constexpr NodeId kNoNode = -1;

}  // namespace dls
