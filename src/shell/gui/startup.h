#pragma once

namespace quorvex {

// The desktop program: arguments, program folder, single instance, main window.
int RunGuiApplication(int argc, char** argv);

}  // namespace quorvex
