#include "base/largepages.h"
#include "marklensapp.h"

int main(int argc, char** argv) {
    marklens::UseLargeMemoryPages(argv);
    return marklens::CMarklensApp::Main(argc, argv);
}
