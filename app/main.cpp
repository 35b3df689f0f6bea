#include "marklensapp.h"
#include "model/largepages.h"

int main(int argc, char** argv) {
    marklens::UseLargeMemoryPages(argv);
    return marklens::CMarklensApp::Main(argc, argv);
}
