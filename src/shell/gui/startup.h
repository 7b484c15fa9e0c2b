#pragma once

#include <filesystem>
#include <optional>

namespace quorvex {

// Errorlog.mdb of an earlier run in `folder`, whatever the case of its name.
std::optional<std::filesystem::path> FindErrorLog(const std::filesystem::path& folder);

// The desktop program: arguments, program folder, single instance, main window.
int RunGuiApplication(int argc, char** argv);

}  // namespace quorvex
