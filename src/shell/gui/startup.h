#pragma once

#include "common/environment.h"

namespace quorvex {

// The desktop program: arguments, program folder, single instance, main window. `env` is
// what the environment asks for (main reads it); the command line goes before it.
int RunGuiApplication(int argc, char** argv, const Environment& env);

}  // namespace quorvex
