#include "base/largepages.h"
#include "base/mallocarena.h"
#include "marklensapp.h"

int main(int argc, char** argv) {
    marklens::UseLargeMemoryPages(argv);
    marklens::ShareOneMallocArena();
    return marklens::CMarklensApp::Main(argc, argv);
}
