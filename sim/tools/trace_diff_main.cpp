// korvane-trace-diff A B: compares two traces of korvane-sim entry by entry,
// numbers within 1e-4, and prints the first difference. Exit status 0 when
// they match, 1 when they differ, 2 when a file cannot be read.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "korvane_version.h"
#include "sim/record/trace_compare.h"

namespace {

const double Tolerance = 1e-4;

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::cout << "korvane-trace-diff " << KORVANE_VERSION << '\n';
        return 0;
    }
    if (argc != 3) {
        std::cerr << "usage: korvane-trace-diff TRACE_A TRACE_B\n";
        return 2;
    }
    std::ifstream left(argv[1], std::ios::binary);
    std::ifstream right(argv[2], std::ios::binary);
    if (!left || !right) {
        std::cerr << "korvane-trace-diff: cannot read " << (left ? argv[2] : argv[1]) << '\n';
        return 2;
    }
    sim::TraceDifference difference = sim::CompareTraces(left, right, Tolerance);
    if (!difference.differ) {
        std::cout << "The traces match (" << difference.line << " entries).\n";
        return 0;
    }
    std::cout << "The traces differ at entry " << difference.line << ", in " << difference.where
              << ":\n"
              << "  " << argv[1] << ": " << difference.left << '\n'
              << "  " << argv[2] << ": " << difference.right << '\n';
    return 1;
}
