// zeth-host: the host emulator. Everything is in front_end.
#include "front_end.h"

int main(int argc, char** argv) {
    return runFrontEnd(argc, argv);
}
