#include "mallocarena.h"

#include <malloc.h>

namespace marklens {

void ShareOneMallocArena() { mallopt(M_ARENA_MAX, 1); }

}  // namespace marklens
