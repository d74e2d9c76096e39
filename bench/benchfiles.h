#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Moves this process into a network namespace of its own with loopback up, so the
// thousands of data connections of a run leave nothing in TIME_WAIT on the host.
bool isolateNetwork();

// Incompressible-looking bytes, quickly; another seed gives other bytes.
void writePattern(const std::string& path, std::int64_t bytes, std::uint64_t seed);

// The small-file tree: 50 folders of 20 files of 4 KiB; returns the relative file names.
std::vector<std::string> makeTree(const std::string& root);

// How many files of the tree's size stand below root.
std::size_t countTreeFiles(const std::string& root);

}  // namespace bench
