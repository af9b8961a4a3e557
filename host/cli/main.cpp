// zeth-host: the host emulator. Everything is in front_end.
#include "console.h"
#include "front_end.h"

int main(int argc, char** argv) {
    writeStandardStreamsVerbatim();
    return runFrontEnd(argc, argv);
}
