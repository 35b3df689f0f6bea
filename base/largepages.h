#pragma once

namespace marklens {

// Runs the program again, at once, with the C library's allocator asking for transparent huge
// pages, unless the user already chose or the system has none. A 100,000-element mirror is
// about a hundred megabytes of small nodes; on a virtual machine touching that page by page
// costs more than building it. The re-run restores the environment the program was started
// with, so the programs it starts (the browser) are not affected. Call first thing in main.
void UseLargeMemoryPages(char** argv);

}  // namespace marklens
