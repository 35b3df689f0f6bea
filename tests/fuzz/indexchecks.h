#pragma once
#include <cstdlib>

#include "model/mirror/pagemirror.h"

namespace marklens::fuzz {

// The mirror's indexes agree with the literal walks over its XML at every point of a grid
// and for the first identifiers; aborts where they do not.
inline void CheckIndexesAgree(const CPageMirror& mirror) {
    for (int y = -4; y < 64; y += 7) {
        for (int x = -4; x < 64; x += 7) {
            CBox indexed, literal;
            const int fast = mirror.HitTest(x, y, &indexed);
            if (fast != HitTestLiteral(mirror.DocumentElement(), x, y, &literal)) std::abort();
            if (fast != 0 && !(indexed == literal)) std::abort();
        }
    }
    for (int id = -1; id < 8; ++id) {
        if (mirror.FindNodeById(id) != FindNodeByIdXPath(mirror.Xml(), id)) std::abort();
    }
}

}  // namespace marklens::fuzz
