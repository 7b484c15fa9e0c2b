#include <cstdlib>

#include "cli/check_main.h"

int main(int argc, char** argv) { return quorvex::CheckMain(argc, argv, {}, quorvex::ReadEnvironment(std::getenv)); }
