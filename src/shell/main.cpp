#include <cstdlib>

#include "shell/gui/startup.h"

int main(int argc, char** argv) { return quorvex::RunGuiApplication(argc, argv, quorvex::ReadEnvironment(std::getenv)); }
