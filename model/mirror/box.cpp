#include "box.h"

#include <algorithm>

namespace marklens {

CBox UnionBox(const CBox& a, const CBox& b) {
    if (a.IsEmpty() && b.IsEmpty()) return {};
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

}  // namespace marklens
