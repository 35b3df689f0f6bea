#pragma once
#include <cstdint>
#include <string>

namespace marklens::testing {

// Mirror texts made up for tests and benchmarks.
struct CSyntheticMirrorShape {
    int nodes = 10000;         // element nodes, about
    int minDepth = 10;         // nesting of a section's content
    int maxDepth = 30;
    int pageWidth = 1280;
    double outsideShare = 0.02;  // sections with one box placed outside its parents
    std::uint32_t seed = 1;
};

// A page as the probe would give it: a doc, a body, then thousands of sections stacked down
// the page, each a nest of blocks; some positioned outside their parents, a few hidden, a few
// with display none, transparent or raised by z-index.
std::string MakePageMirror(const CSyntheticMirrorShape& shape);

// A small mirror with every oddity the format allows: random names, missing and malformed
// attributes, overlapping boxes, frames, hidden and transparent nodes, duplicate ids. Boxes
// lie within a size by size square.
std::string MakeRandomMirror(std::uint32_t seed, int nodes, int size);

// doc > element > element > ... depth levels, each box inside the last.
std::string MakeDeepMirror(int depth);

}  // namespace marklens::testing
