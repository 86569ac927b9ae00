// korvane-ini-check: tells a player what the game will make of a settings
// file. Exit status 0 when the file reads whole and INI Check is 1234, 1
// otherwise.
#include <iostream>
#include <string>
#include <vector>

#include "sim/checker/ini_check.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return checker::RunIniCheck(args, std::cout, std::cerr);
}
