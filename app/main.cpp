#include "marklensapp.h"

int main(int argc, char** argv) { return marklens::CMarklensApp::Main(argc, argv); }
