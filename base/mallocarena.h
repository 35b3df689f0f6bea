#pragma once

namespace marklens {

// Makes every thread allocate from the C library's one main arena. A mirror is built on
// whichever thread is free and torn down on another; with an arena per thread, the memory one
// mirror leaves is of no use to the next, which touches fresh pages instead, a fault each (on a
// virtual machine, the first two follows of a large page after each Refresh built three times
// as slowly). Call first thing in main, before any thread starts.
void ShareOneMallocArena();

}  // namespace marklens
