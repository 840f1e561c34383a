#pragma once
// The tree walks recurse once per level, and trees may be caterpillars of
// hundreds of thousands of leaves. Such work runs on a thread with a stack
// large enough for that depth; the calling thread only waits for it.

#include <cstddef>
#include <functional>

// Stack reserved for deep work: address space only, pages are used as touched.
constexpr std::size_t kLargeStackBytes = std::size_t{4} << 30;

// Runs work on a thread with a stack of kLargeStackBytes and returns its
// result. Work that ends the program (exit) does so from that thread. While
// it runs, SIGINT is blocked in the calling thread and so reaches the work.
int runWithLargeStack(const std::function<int()>& work);
