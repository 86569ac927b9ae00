// korvane-sim: the plug-in in a simulated world (see docs/simulator.md).
#include "sim/app/runner.h"

int main(int argc, char** argv) {
    return SimMain(argc, argv);
}
